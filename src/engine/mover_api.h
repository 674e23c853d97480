#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "engine/job_result.h"
#include "engine/job_settings.h"
#include "ftp/login_info.h"
#include "paths/file_path.h"
#include "paths/file_path_list.h"
#include "platform/api.h"
#include "tasks/tansform.h"

namespace velmora {

class CMover;
class CSource;
class CTskItem;
class CTskItems;

// The library's front door for the transfers the desktop program offers:
// upload files or a folder, download files or a folder, and a server to
// server copy. Each request becomes one task item run by a CMover, on the
// calling thread.
//
// A request can be made in two steps: an "A" operation records it and
// answers at once; DoCopy performs the recorded request later, on whatever
// thread calls it (the desktop program records on its window thread and
// lets its transfer thread call DoCopy). After a run, GetErrorNumber and
// GetStrError tell how many errors the job had and the latest one.
//
// Each run is a job of its own, with the settings the host gave this object
// (SetJobSettings) and the continue, temporary-name and cancel choices made
// here; runs of different objects on different threads go side by side.
class VELMORA_API CMoverAPI {
public:
    // The recorded request.
    enum eRequest { eNone, eUploadFiles, eUploadFolder, eDownloadFiles, eDownloadFolder, eFtpToFtp };

    CMoverAPI();
    // Copies the request and the results of the last run, not its mover: a
    // mover has one owner.
    CMoverAPI(const CMoverAPI& other);
    CMoverAPI& operator=(const CMoverAPI& other);
    virtual ~CMoverAPI();

    // Recording; each answers true.
    bool UploadFilesA(const CFtpLoginInfo& login, const CFtpPathList& paths, const CFtpPath& destination);
    bool UploadFolderA(const CFtpLoginInfo& login, const CFtpPath& folder, const CFtpPath& destination);
    bool DownloadFilesA(const CFtpLoginInfo& login, const CFtpPathList& paths, const CFtpPath& destination);
    bool DownloadFolderA(const CFtpLoginInfo& login, const CFtpPath& folder, const CFtpPath& destination);
    bool CopyFtpToFtpA(const CFtpPathList& paths, const CFtpLoginInfo& source, const CFtpLoginInfo& destination);

    // What the four transfers do with each file: a simple copy unless set
    // otherwise (a mirror, for example, sends only what is new or changed).
    void SetTransform(const CTansform& transform) { m_transform = transform; }
    const CTansform& GetTransform() const { return m_transform; }

    // Performs the recorded request; false when none is recorded.
    bool DoCopy();
    // Stops this object's runs, from any thread: one under way stops at its
    // next check as though its user had pressed Stop (a server that keeps a
    // reply waiting holds it up to the session's time-out), and a later one
    // stops at its first check. Unlike the cancel message, it never
    // stops another job, such as the one this object's run waits for.
    void Cancel() { m_bCancelled = true; }
    bool IsCancelled() const { return m_bCancelled.load(); }

    // Copies each path from the source server to the destination login's
    // remote folder. An empty list succeeds at once; otherwise true when the
    // job had no error.
    bool CopyFtpToFtp(const CFtpPathList& paths, const CFtpLoginInfo& source, const CFtpLoginInfo& destination);

    // How the runs treat their targets (both off by default): continue
    // what an earlier transfer left of a target (its partial file, or a
    // shorter file at its place; see "download --continue"), and send
    // uploads under a temporary name renamed when complete. The desktop's
    // "Resume" choice is SetContinue(true) before DoCopy.
    void SetContinue(bool on) { m_bContinue = on; }
    void SetTempNames(bool on) { m_bTempNames = on; }
    // The host's settings for the runs that follow (sessions, overwrite
    // policy, times, providers...); the continue and temporary-name choices
    // above and this object's Cancel apply on top.
    void SetJobSettings(const CJobSettings& settings) { m_settings = settings; }
    const CJobSettings& GetJobSettings() const { return m_settings; }

    // Forgets the last run: no mover, no error.
    virtual void Clear();
    long GetErrorNumber() const { return m_nError; }
    const std::string& GetStrError() const { return m_strError; }
    // Everything the last run did.
    const CJobResult& GetResult() const { return m_result; }
    eRequest GetRequest() const { return m_eRequest; }
    // The recorded request's parts: the connection (the destination's for
    // a server to server copy), the listed paths, the folder of a folder
    // request, and where it goes.
    const CFtpLoginInfo& GetLoginInfo() const { return m_loginInfo; }
    const CFtpPathList& GetPathList() const { return m_pathList; }
    const CFtpPath& GetSrcFolder() const { return m_srcFolder; }
    const CFtpPath& GetDestination() const { return m_destination; }

protected:
    // Each transfer: one job of one pair of sources; the result of the
    // transfer run (the last file's).
    bool UploadFiles(const CFtpLoginInfo& login, const CFtpPathList& paths, const CFtpPath& destination);
    bool UploadFolder(const CFtpLoginInfo& login, const CFtpPath& folder, const CFtpPath& destination);
    bool DownloadFiles(const CFtpLoginInfo& login, const CFtpPathList& paths, const CFtpPath& destination);
    bool DownloadFolder(const CFtpLoginInfo& login, const CFtpPath& folder, const CFtpPath& destination);
    // Runs the items as one job; true when it had no error. The mover stays
    // until the next Clear.
    bool Copy(const CTskItems& items);

    // Clear, then a new mover without a job database.
    void CreateMover();
    // Takes the job's error count and latest error, then drops the mover.
    void Finish();
    void DestroyMover();
    void ShowError(const std::string& text) { m_strError = text; }

private:
    enum eSide { eLocalSide, eFtpSide };
    // A transfer's job: the sources are made from the item (the side given a
    // path list takes those paths) and run by a new mover.
    bool Transfer(const CTskItem& item, eSide readSide, const CFtpPathList* paths);
    // The job's result, error count and latest error become this object's.
    void TakeResults();
    // The settings of one run.
    CJobSettings RunSettings() const;

    eRequest m_eRequest = eNone;
    CFtpLoginInfo m_srcLoginInfo;
    CFtpLoginInfo m_loginInfo;
    CFtpPathList m_pathList;
    CFtpPath m_srcFolder;
    CFtpPath m_destination;
    CTansform m_transform;
    std::string m_strError;
    long m_nError = 0;
    bool m_bContinue = false;
    bool m_bTempNames = false;
    CJobSettings m_settings;
    CJobResult m_result;
    // Not copied: a copy is a request of its own.
    std::atomic<bool> m_bCancelled{false};
    std::unique_ptr<CMover> m_pMover;
};

}  // namespace velmora
