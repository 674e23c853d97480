#include "engine/mover_api.h"

#include "engine/ftp_source.h"
#include "engine/local_source.h"
#include "engine/move_trans.h"
#include "engine/statistic.h"
#include "tasks/tsk_item.h"

namespace velmora {
CMoverAPI::CMoverAPI() = default;

CMoverAPI::CMoverAPI(const CMoverAPI& other) { *this = other; }

CMoverAPI& CMoverAPI::operator=(const CMoverAPI& other) {
    if (this == &other) return *this;
    DestroyMover();
    m_eRequest = other.m_eRequest;
    m_srcLoginInfo = other.m_srcLoginInfo;
    m_loginInfo = other.m_loginInfo;
    m_pathList = other.m_pathList;
    m_srcFolder = other.m_srcFolder;
    m_destination = other.m_destination;
    m_transform = other.m_transform;
    m_strError = other.m_strError;
    m_nError = other.m_nError;
    m_bContinue = other.m_bContinue;
    m_bTempNames = other.m_bTempNames;
    m_settings = other.m_settings;
    m_result = other.m_result;
    return *this;
}

CMoverAPI::~CMoverAPI() = default;

bool CMoverAPI::UploadFilesA(const CFtpLoginInfo& login, const CFtpPathList& paths, const CFtpPath& destination) {
    m_eRequest = eUploadFiles;
    m_loginInfo = login;
    m_pathList = paths;
    m_destination = destination;
    return true;
}

bool CMoverAPI::UploadFolderA(const CFtpLoginInfo& login, const CFtpPath& folder, const CFtpPath& destination) {
    m_eRequest = eUploadFolder;
    m_loginInfo = login;
    m_srcFolder = folder;
    m_destination = destination;
    return true;
}

bool CMoverAPI::DownloadFilesA(const CFtpLoginInfo& login, const CFtpPathList& paths, const CFtpPath& destination) {
    UploadFilesA(login, paths, destination);
    m_eRequest = eDownloadFiles;
    return true;
}

bool CMoverAPI::DownloadFolderA(const CFtpLoginInfo& login, const CFtpPath& folder, const CFtpPath& destination) {
    UploadFolderA(login, folder, destination);
    m_eRequest = eDownloadFolder;
    return true;
}

bool CMoverAPI::CopyFtpToFtpA(const CFtpPathList& paths, const CFtpLoginInfo& source,
                              const CFtpLoginInfo& destination) {
    m_eRequest = eFtpToFtp;
    m_pathList = paths;
    m_srcLoginInfo = source;
    m_loginInfo = destination;
    return true;
}

bool CMoverAPI::DoCopy() {
    switch (m_eRequest) {
        case eUploadFiles: return UploadFiles(m_loginInfo, m_pathList, m_destination);
        case eUploadFolder: return UploadFolder(m_loginInfo, m_srcFolder, m_destination);
        case eDownloadFiles: return DownloadFiles(m_loginInfo, m_pathList, m_destination);
        case eDownloadFolder: return DownloadFolder(m_loginInfo, m_srcFolder, m_destination);
        case eFtpToFtp: return CopyFtpToFtp(m_pathList, m_srcLoginInfo, m_loginInfo);
        case eNone: break;
    }
    return false;
}

bool CMoverAPI::UploadFiles(const CFtpLoginInfo& login, const CFtpPathList& paths, const CFtpPath& destination) {
    return Transfer(CTskItem(CTransPoint(ePointFile), m_transform, CTransPoint(ePointFtp, login, destination)),
                    eLocalSide, &paths);
}

bool CMoverAPI::UploadFolder(const CFtpLoginInfo& login, const CFtpPath& folder, const CFtpPath& destination) {
    return Transfer(
        CTskItem(CTransPoint(ePointFolder, folder), m_transform, CTransPoint(ePointFtp, login, destination)),
        eLocalSide, nullptr);
}

bool CMoverAPI::DownloadFiles(const CFtpLoginInfo& login, const CFtpPathList& paths, const CFtpPath& destination) {
    return Transfer(CTskItem(CTransPoint(ePointFtp, login), m_transform, CTransPoint(ePointFolder, destination)),
                    eFtpSide, &paths);
}

bool CMoverAPI::DownloadFolder(const CFtpLoginInfo& login, const CFtpPath& folder, const CFtpPath& destination) {
    return Transfer(
        CTskItem(CTransPoint(ePointFtp, login, folder), m_transform, CTransPoint(ePointFolder, destination)),
        eFtpSide, nullptr);
}

CJobSettings CMoverAPI::RunSettings() const {
    CJobSettings settings = m_settings;
    settings.m_bContinue = m_bContinue;
    settings.m_bTempNames = m_bTempNames;
    settings.m_pStopRequest = &m_bCancelled;
    return settings;
}

bool CMoverAPI::Transfer(const CTskItem& item, eSide readSide, const CFtpPathList* paths) {
    CreateMover();
    bool result = false;
    {
        // The sources are the job's from their start to their end: they hear
        // its cancel, and a connection a failed run left open is closed
        // before the job goes.
        const CJobBinding binding(m_pMover->GetJob());
        const bool readsLocal = readSide == eLocalSide;
        const std::unique_ptr<CSource> local =
            paths && readsLocal ? std::make_unique<CLocalSource>(item, *paths) : std::make_unique<CLocalSource>(item);
        const std::unique_ptr<CSource> ftp =
            paths && !readsLocal ? std::make_unique<CFtpSource>(item, *paths) : std::make_unique<CFtpSource>(item);
        CSource& source = readsLocal ? *local : *ftp;
        CSource& target = readsLocal ? *ftp : *local;
        const std::string host = (readsLocal ? item.DestinationPoint() : item.SourcePoint()).GetHostAddress();
        result = m_pMover->RunTransfer("Ftp transfer to:", host, source, target);
    }
    Finish();
    return result;
}

bool CMoverAPI::CopyFtpToFtp(const CFtpPathList& paths, const CFtpLoginInfo& source,
                             const CFtpLoginInfo& destination) {
    if (paths.IsEmpty()) return true;
    CTskItems items;
    const std::string folder = destination.GetFtpPath().GetDir();
    for (const CFtpPath* path : paths) {
        CFtpPath target(*path);
        target.SetDir(folder);
        target.SetDrive(std::string_view());
        target.MakePath();
        items.Add(new CTskItem(CTransPoint(ePointFtp, source, *path), CTansform(CTansform::eSimpleCopy),
                               CTransPoint(ePointFtp, destination, target)));
    }
    return Copy(items);
}

bool CMoverAPI::Copy(const CTskItems& items) {
    Clear();
    m_pMover = std::make_unique<CMover>(items, RunSettings());
    m_pMover->RunItems();
    TakeResults();
    return m_nError == 0;
}

void CMoverAPI::CreateMover() {
    Clear();
    m_pMover = std::make_unique<CMover>(nullptr, RunSettings());
}

void CMoverAPI::Finish() {
    if (m_pMover) TakeResults();
    DestroyMover();
}

void CMoverAPI::TakeResults() {
    m_result = m_pMover->GetResult();
    m_nError = m_result.m_nErrors;
    // A job without errors has no message.
    m_strError = m_nError ? m_result.m_strLastError : std::string();
}

void CMoverAPI::DestroyMover() { m_pMover.reset(); }

void CMoverAPI::Clear() {
    DestroyMover();
    m_strError.clear();
    m_nError = 0;
    m_result = CJobResult();
}

}  // namespace velmora
