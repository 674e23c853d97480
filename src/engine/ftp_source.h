#pragma once

#include <memory>

#include "engine/source.h"
#include "engine/tsk_ftp_file.h"
#include "ftp/ftp_client.h"
#include "ftp/ftp_node.h"
#include "ftp/login_info.h"
#include "paths/file_path_list.h"
#include "platform/api.h"
#include "tasks/tsk_item.h"

namespace velmora {

// A folder or file on an FTP server, reached with the source's own client.
// Logging in makes the job's attempts (five unless it says otherwise), a
// pause apart, each pause announced as a wait (command 11); a server that
// refuses the user or password is not asked again (repeating a wrong
// password only delays the error and can get the account locked).
class VELMORA_API CFtpSource : public CSource {
public:
    explicit CFtpSource(const CTskItem& item);
    // The paths become the list at once: Scan only logs in.
    CFtpSource(const CTskItem& item, const CFtpPathList& paths);
    ~CFtpSource() override;

    // Logs in with the source point's login info, then loads the remote
    // tree below the source root with the filter.
    bool Scan() override;
    // Logs in with the destination point's login info.
    bool OpenTarget() override;
    CTskDataFile* CreateDataFile(const CFtpPath& path) override;
    // The file's place below the destination path, under the source file's
    // own name, which the desktop program may first make unique in its
    // folder (command 17 to "UNIQUE_NAME_PROVIDER_ID"), or leave out.
    CTskDataFile* MakeTargetFile(const CTskDataFile& sourceFile) override;
    // A file on the server, asked for its size and time; none in a folder
    // this pair made.
    CExistingTarget ExistingTarget(const CTskDataFile& target) override;
    // Also logs off.
    void Close() override;
    bool IsRemote() const override { return true; }
    // Logs in as this source last did, once: a server that refuses another
    // connection is not asked again.
    std::unique_ptr<CSource> OpenSession(std::string& error) const override;
    // What OpenSession does, with copies of all it reads: made on this
    // source's thread, it may log in on any other meanwhile.
    CTskFtpFile::TSessions SessionMaker() const;
    void Adopt(CTskDataFile* file) override;
    std::unique_ptr<CMFCObjNode> LoadTargetTree(const CFileFilter& filter) override;
    bool DeleteTargetEntry(const CFtpPath& path, bool folder, std::string& error) override;
    bool TargetFileSize(const std::string& path, uint64_t& size) override;

    CFtpClient& GetClient() { return m_client; }

protected:
    std::unique_ptr<CMFCObjNode> LoadFolderTree(const CFtpPath& folder, const CFileFilter* filter) override;

private:
    // The name of the file's target (a TargetChoice: TARGET_SKIP leaves the
    // file out).
    static int32_t AskForName(const CFtpPath& source, CFtpPath& target);
    // The job's provider of unique names, else the program's on the message box.
    static int32_t AskUniqueName(const CFtpPath& source, CFtpPath& target, bool rename);
    // A login without a password takes the one the job's provider gives.
    static void AskPassword(CFtpLoginInfo& info);
    bool Login(CFtpLoginInfo info);
    // The destination folder the files go into.
    CFtpPath TargetFolder() const;
    // A new session after the server dropped the old one, with the same
    // attempts as the first login; a session that still answers is kept
    // (only a data connection broke).
    CRemoteSession* Reconnect(std::string& error);
    // A data file of this source: the client's session and its reconnect.
    CTskDataFile* Attach(CTskFtpFile* file);
    // The tree below the source root, with the "Gathering Ftp info" step.
    bool ScanTree(const CFtpLoginInfo& info);
    // The root of a remote tree for `folder` on the logged-in server; null
    // when the folder is not there (a missing start folder must not turn
    // into the whole server).
    std::unique_ptr<CFtpNode> OpenRemoteRoot(CFtpLoginInfo info, const CFtpPath& folder);
    // Lists the tree's every folder over the session, until the job is
    // aborted; what could not be listed is reported. False, with the tree
    // emptied, when the job's walk budget ran out. `copied`: the files
    // are to be copied (not compared, as a mirror's are), so each folder's
    // files are asked for their exact times as it is listed, together.
    bool LoadWhole(CFtpNode& tree, const CFileFilter* filter, bool copied);
    void ReadPaths();

    CFtpClient m_client;
    CFtpLoginInfo m_login;  // of the last successful login
    // As a destination: the folders made so far, shared with further sessions.
    std::shared_ptr<CMadeFolders> m_pMadeFolders = std::make_shared<CMadeFolders>();
    bool m_bPathsRead = false;
};

}  // namespace velmora
