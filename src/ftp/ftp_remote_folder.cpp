#include "ftp/ftp_remote_folder.h"

#include <vector>

#include "ftp/ftp_dir.h"
#include "ftp/protocol/ftp_reply.h"
#include "ftp/remote_session.h"
#include "ftp/walk_step.h"

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
    // Everything is listed before anything goes: a folder met again further
    // down (a link a server resolves) must stop the delete while nothing of
    // the folders it leads to is lost.
    CWalkStep start(nullptr, target.GetFtpDir(true), std::string());
    CFtpPathList files;
    std::vector<CFtpPath> folders;
    if (!ListBelow(target, start, files, folders) || !DeleteFiles(files)) return false;
    // Deepest first.
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
        if (!m_pSession->RemoveFolder(folder->GetFtpDir(false))) return ServerRefused();
    }
    return true;
}

bool CFtpRemoteFolder::ListBelow(const CFtpPath& folder, CWalkStep& step, CFtpPathList& files,
                                 std::vector<CFtpPath>& folders) {
    if (step.GetDepth() > kMaxDepth) return Fail("Folder tree too deep: " + folder.GetFtpDir(true));
    if (const std::string cycle = step.Cycle(); !cycle.empty()) return Fail("Not deleted: " + cycle);
    folders.push_back(folder);
    const std::string text = folder.GetFtpDir(true);
    std::vector<std::pair<CFtpPath, std::string>> below;
    std::string error;
    uint64_t fingerprint = 0;
    const bool listed = ForEachRemoteEntry(
        m_pSession, text,
        [&](const CFtpFind& entry) {
            const CFtpDir& dir = *entry.GetCurrent();
            fingerprint = CWalkStep::Fingerprint(fingerprint, dir);
            if (dir.IsFolder())
                below.emplace_back(dir.GetPath(), dir.GetUnique());
            else if (dir.IsFile())
                files.AddTail(new CFtpPath(dir.GetPath()));
            else if (dir.IsLink())  // the link itself goes, never what it points to
                files.AddTail(new CFtpPath(text + dir.GetName()));
        },
        &error);
    if (!listed) return Fail(error);
    step.Listed(fingerprint);
    if (const std::string cycle = step.Cycle(); !cycle.empty()) return Fail("Not deleted: " + cycle);
    for (const auto& [sub, unique] : below) {
        CWalkStep next(&step, sub.GetFtpDir(true), unique);
        if (!ListBelow(sub, next, files, folders)) return false;
    }
    return true;
}

}  // namespace velmora
