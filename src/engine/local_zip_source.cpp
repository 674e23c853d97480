#include "engine/local_zip_source.h"

#include <exception>

#include "engine/tsk_local_zip_file.h"
#include "tasks/trans_point.h"

namespace velmora {

CLocalZipSource::CLocalZipSource(const CTskItem& item) : CLocalSource(item) {
    m_TargetRoot = m_item.DestinationPoint().Path();
}

CLocalZipSource::~CLocalZipSource() { Close(); }

bool CLocalZipSource::OpenTarget() {
    if (!CLocalSource::OpenTarget()) return false;
    if (!m_TargetRoot.CreateFolder()) return ReportError(ERROR_DEST_FOLDER, m_TargetRoot.GetDriveAndDir());
    try {
        m_pArchive = std::make_unique<CZipArchive>();
        m_pArchive->CreateArchive(m_TargetRoot.GetPath());
        const CTansform& transform = m_item.GetTransform();
        if (transform.IsZipPasswordProtected()) {
            m_pArchive->SetArchivePassword(transform.GetPassword(), transform.IsZipAes256()
                                                                        ? CZipArchive::Encryption::Aes256
                                                                        : CZipArchive::Encryption::Traditional);
        }
        return true;
    } catch (const std::exception& error) {
        m_pArchive.reset();
        return ReportException(error);
    }
}

std::string CLocalZipSource::EntryName(const CTskDataFile& file) {
    CFtpPath entry = file.GetPath();
    entry.SubstructDir(file.GetRootPath());
    std::string name = entry.GetDir() + entry.GetFileName(true);
    while (!name.empty() && (name.front() == '/' || name.front() == '\\')) name.erase(0, 1);
    return name;
}

CTskDataFile* CLocalZipSource::MakeTargetFile(const CTskDataFile& sourceFile) {
    m_pTarget.reset();
    if (sourceFile.GetRootPath().IsEmpty()) {
        ReportError(ERROR_CONNECT, "Source root is missing");
        return nullptr;
    }
    const std::string name = EntryName(sourceFile);
    CFtpPath entryPath(name);
    if (!IsInside(entryPath, CFtpPath())) {
        ReportError(ERROR_COPY, "Target is outside the destination: " + name);
        return nullptr;
    }
    // The entry's header carries the source file's attributes, time and size.
    CFtpPath archive = m_TargetRoot;
    archive.SetStatusBlock(sourceFile.GetPath().GetStatusBlock());
    return SetTarget(new CTskLocalZipFile(archive, name, m_pArchive.get()));
}

bool CLocalZipSource::AddToZip(CTskDataFile* file) {
    return PutData(file, [](CTskDataFile& source, CTskDataFile& target) {
        return static_cast<CTskLocalZipFile&>(target).StoreLocalFile(&source);
    });
}

bool CLocalZipSource::PutFtpFile(CTskDataFile* file) {
    return PutData(file, [](CTskDataFile& source, CTskDataFile& target) {
        return static_cast<CTskLocalZipFile&>(target).StoreFtpFile(&source);
    });
}

void CLocalZipSource::Close() {
    CLocalSource::Close();
    if (!m_pArchive) return;
    std::unique_ptr<CZipArchive> archive = std::move(m_pArchive);
    try {
        archive->CloseArchive();
    } catch (const std::exception& error) {
        ReportException(error);
    }
}

}  // namespace velmora
