#include "engine/mover_api.h"

#include "engine/ftp_source.h"
#include "engine/job_lock.h"
#include "engine/local_source.h"
#include "engine/move_trans.h"
#include "engine/statistic.h"
#include "tasks/tsk_item.h"

namespace velmora {
namespace {

// The job's settings for one run, and the api's stop request; the jobs
// after it get today's settings and no stop request.
class CRunSettings {
public:
    CRunSettings(bool continuing, bool tempNames, const std::atomic<bool>& stop) {
        CStatistic::Job().m_bContinue = continuing;
        CStatistic::Job().m_bTempNames = tempNames;
        CStatistic::Job().SetStopRequest(&stop);
    }
    ~CRunSettings() {
        CStatistic::Job().m_bContinue = false;
        CStatistic::Job().m_bTempNames = false;
        CStatistic::Job().SetStopRequest(nullptr);
    }
    CRunSettings(const CRunSettings&) = delete;
    CRunSettings& operator=(const CRunSettings&) = delete;
};

}  // namespace

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

bool CMoverAPI::Transfer(const CTskItem& item, eSide readSide, const CFtpPathList* paths) {
    CreateMover();
    // The lock spans the results too: another job must not reset the counts
    // before they are taken.
    CJobLock lock(nullptr);
    const CRunSettings settings(m_bContinue, m_bTempNames, m_bCancelled);
    const bool readsLocal = readSide == eLocalSide;
    const std::unique_ptr<CSource> local = paths && readsLocal ? std::make_unique<CLocalSource>(item, *paths)
                                                               : std::make_unique<CLocalSource>(item);
    const std::unique_ptr<CSource> ftp = paths && !readsLocal ? std::make_unique<CFtpSource>(item, *paths)
                                                              : std::make_unique<CFtpSource>(item);
    CSource& source = readsLocal ? *local : *ftp;
    CSource& target = readsLocal ? *ftp : *local;
    const std::string host = (readsLocal ? item.DestinationPoint() : item.SourcePoint()).GetHostAddress();
    const bool result = m_pMover->RunTransfer("Ftp transfer to:", host, source, target);
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
    m_pMover = std::make_unique<CMover>(items);
    CJobLock lock(nullptr);
    const CRunSettings settings(m_bContinue, m_bTempNames, m_bCancelled);
    m_pMover->RunItems();
    TakeResults();
    return m_nError == 0;
}

void CMoverAPI::CreateMover() {
    Clear();
    m_pMover = std::make_unique<CMover>(nullptr);
}

void CMoverAPI::Finish() {
    if (m_pMover) TakeResults();
    DestroyMover();
}

void CMoverAPI::TakeResults() {
    const CJobState& job = CStatistic::Job();
    m_nError = job.m_nErrors;
    // The latest message outlives its job; a job without errors has none.
    m_strError = m_nError ? job.m_strLastError : std::string();
}

void CMoverAPI::DestroyMover() { m_pMover.reset(); }

void CMoverAPI::Clear() {
    DestroyMover();
    m_strError.clear();
    m_nError = 0;
}

}  // namespace velmora
