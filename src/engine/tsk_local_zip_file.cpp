#include "engine/tsk_local_zip_file.h"

#include <exception>

#include "platform/clock.h"
#include "zip/zip_archive.h"
#include "zip/zip_file_header.h"

namespace velmora {
namespace {

// Deflating fast keeps the archive step close to the speed of a copy.
constexpr int kEntryLevel = 1;

}  // namespace

CTskLocalZipFile::CTskLocalZipFile(const CFtpPath& path, const std::string& entryName, CZipArchive* archive)
    : CTskDataFile(path), m_strEntryName(entryName), m_pArchive(archive) {}

void CTskLocalZipFile::Copy(const CObj& src) {
    CTskDataFile::Copy(src);
    if (const auto* other = dynamic_cast<const CTskLocalZipFile*>(&src)) {
        m_strEntryName = other->m_strEntryName;
        m_pArchive = other->m_pArchive;
    }
}

bool CTskLocalZipFile::HasArchive() {
    return m_pArchive || ReportError(ERROR_ZIP, this, "The archive is not open: " + m_Path.GetPath());
}

bool CTskLocalZipFile::Open(uint32_t) {
    if (!HasArchive()) return false;
    CZipFileHeader header;
    header.SetFileName(m_strEntryName);
    header.SetTime(platform::FileTimeToUnix(m_Path.LastWriteTime()));
    header.SetExpectedSize(m_Path.Length());
    CZipArchive::SetEntryAttributes(header, m_Path.GetAttr());
    m_pArchive->BeginEntry(header, kEntryLevel);
    m_bEntryOpen = true;
    m_nWritten = 0;
    return true;
}

bool CTskLocalZipFile::Write(const char* data, size_t size) {
    if (!m_bEntryOpen) return SetFileError("No archive entry is open");
    m_pArchive->WriteEntryData(data, size);
    m_nWritten += size;
    return true;
}

CTargetFacts CTskLocalZipFile::DescribeTarget(const CSourceFacts&, bool) {
    CTargetFacts facts;
    facts.appends = m_bEntryOpen;
    return facts;
}

bool CTskLocalZipFile::OpenAs(uint32_t flags, const CTransferPlan& plan) {
    if (!m_bEntryOpen) return !plan.Continues() && Open(flags);
    const uint64_t from = plan.Continues() ? plan.offset : 0;
    return from == m_nWritten || SetFileError("An archive entry cannot be written again");
}

bool CTskLocalZipFile::CloseFile(bool) {
    if (!m_bEntryOpen) return true;
    m_bEntryOpen = false;
    // An incomplete entry is ended too: the archive has no way to take an
    // entry back, and an ended one keeps the archive readable.
    try {
        m_pArchive->EndEntry();
        return true;
    } catch (const std::exception& error) {
        return SetFileError(error.what());
    }
}

bool CTskLocalZipFile::MakeFolder() {
    if (m_strEntryName.empty()) return true;
    if (!HasArchive()) return false;
    try {
        if (!Open(kOpenWrite)) return false;
        return CloseFile(true) || ReportError(ERROR_EXCEPTION, this, GetFileError());
    } catch (const std::exception& error) {
        m_bEntryOpen = false;
        return ReportError(ERROR_EXCEPTION, this, error.what());
    }
}

std::string CTskLocalZipFile::SourceText() const { return m_strEntryName + " ==> " + m_Path.GetFileName(); }

bool CTskLocalZipFile::Store(CTskDataFile* source, bool report) {
    if (!HasArchive()) return false;
    return Transfer(source, this, report);
}

}  // namespace velmora
