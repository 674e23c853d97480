#include "ftp/ftp_remote_folder.h"

#include <vector>

#include "ftp/ftp_dir.h"
#include "ftp/protocol/ftp_reply.h"
#include "ftp/remote_session.h"

namespace velmora {
namespace {

constexpr size_t kMaxErrorText = 255;

}  // namespace

bool CFtpRemoteFolder::Fail(const std::string& reason) {
    m_strLastError = protocol::TruncateUtf8(reason, kMaxErrorText);
    return false;
}

bool CFtpRemoteFolder::ServerRefused() { return Fail(m_pSession->GetLastError()); }

bool CFtpRemoteFolder::Connected() { return m_pSession || Fail("Ftp is not connected"); }

bool CFtpRemoteFolder::Create(const CFtpPath& folder) {
    if (!Connected()) return false;
    return m_pSession->MakeFolder(folder.GetFtpDir(false)) || ServerRefused();
}

bool CFtpRemoteFolder::Rename(const CFtpPath& folder, const CFtpPath& renamed) {
    if (!Connected()) return false;
    return m_pSession->Rename(folder.GetFtpDir(false), renamed.GetFtpDir(false)) || ServerRefused();
}

bool CFtpRemoteFolder::DeleteFiles(CFtpPathList& list) {
    if (!Connected()) return false;
    // The deleted paths leave the list in one pass at the end; on a refusal
    // the list keeps exactly the files that are still there.
    CFtpPathList deleted({}, false, false);
    bool ok = true;
    for (CFtpPath* path : list) {
        if (path->IsDirectory()) continue;
        if (!m_pSession->DeleteFile(path->GetFtpPath())) {
            ok = ServerRefused();
            break;
        }
        deleted.AddTail(path);
    }
    list.RemoveAndDestroy(deleted);
    return ok;
}

bool CFtpRemoteFolder::Delete(const CFtpPath& folder) {
    if (!Connected()) return false;
    // "/a/b" names the folder b, not the folder a that holds a file b.
    const CFtpPath target(folder.GetFtpPath(), PATH_FOLDER);
    if (target.IsFtpRoot()) return Fail("The root folder of the server is not deleted");
    // A link to a folder goes itself, never what is in the folder it points to.
    if (folder.IsValidAttr() && folder.MatchesMask(platform::FileAttrReparsePoint))
        return m_pSession->DeleteFile(target.GetFtpDir(false)) || ServerRefused();
    return DeleteLevel(target, 0);
}

bool CFtpRemoteFolder::DeleteLevel(const CFtpPath& folder, int depth) {
    if (depth > kMaxDepth) return Fail("Folder tree too deep: " + folder.GetFtpDir(true));
    const std::string text = folder.GetFtpDir(true);
    CFtpPathList files;
    std::vector<CFtpPath> folders;
    std::string error;
    const bool listed = ForEachRemoteEntry(
        m_pSession, text,
        [&](const CFtpFind& entry) {
            const CFtpDir& dir = *entry.GetCurrent();
            if (dir.IsFolder())
                folders.push_back(dir.GetPath());
            else if (dir.IsFile())
                files.AddTail(new CFtpPath(dir.GetPath()));
            else if (dir.IsLink())  // the link itself goes, never what it points to
                files.AddTail(new CFtpPath(text + dir.GetName()));
        },
        &error);
    if (!listed) return Fail(error);
    if (!DeleteFiles(files)) return false;
    for (const CFtpPath& sub : folders) {
        if (!DeleteLevel(sub, depth + 1)) return false;
    }
    return m_pSession->RemoveFolder(folder.GetFtpDir(false)) || ServerRefused();
}

}  // namespace velmora
