#include "app/panes/remote_permissions.h"

#include "ftp/ftp_dir.h"
#include "ftp/ftp_remote_folder.h"
#include "ftp/remote_session.h"

namespace parcelo {

using velmora::CFtpPath;

namespace {

// A folder as the server names it in a command: no slash at its end.
std::string FolderText(const CFtpPath& folder) {
    std::string text = folder.GetFtpDir(true);
    if (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

class CPermissionsWalk {
public:
    CPermissionsWalk(velmora::CRemoteSession& session, const CPermissionsChoice& choice,
                     const std::atomic<bool>& cancel)
        : m_session(session), m_choice(choice), m_cancel(cancel) {}

    void Entry(const CFtpPath& entry) {
        if (!entry.IsDirectory()) {
            Set(entry.GetFtpPath(), false);
            return;
        }
        if (m_choice.recursive) Walk(entry.GetFtpDir(true), 0);
        Set(FolderText(entry), true);
    }

    CPermissionsOutcome& Outcome() { return m_outcome; }

private:
    bool Ended() {
        if (m_cancel) m_outcome.cancelled = true;
        return m_outcome.cancelled || m_bLost;
    }

    bool Reaches(bool folder) const {
        if (!m_choice.recursive) return true;
        switch (m_choice.scope) {
            case EPermissionsScope::FilesOnly: return !folder;
            case EPermissionsScope::FoldersOnly: return folder;
            default: return true;
        }
    }

    void Set(const std::string& path, bool folder) {
        if (!Reaches(folder) || Ended()) return;
        if (m_session.SetPermissions(path, m_choice.mode)) {
            ++m_outcome.changed;
            return;
        }
        m_outcome.failures.push_back(path + ": " + m_session.GetLastError());
        m_bLost = m_session.GetLastErrorKind() == velmora::ERemoteError::Lost;
    }

    // A folder's entries take the mode before the folder does: a mode
    // without read or execute for folders would otherwise shut the walk
    // out of the folder it is about to list.
    void Walk(const std::string& folder, int depth) {
        if (depth > velmora::CFtpRemoteFolder::kMaxDepth || Ended()) return;
        std::vector<std::string> files;
        std::vector<CFtpPath> folders;
        std::string error;
        const bool listed = velmora::ForEachRemoteEntry(
            &m_session, folder,
            [&](const velmora::CFtpFind& find) {
                const velmora::CFtpDir& entry = *find.GetCurrent();
                if (entry.IsFile()) files.push_back(entry.GetPath().GetFtpPath());
                if (entry.IsFolder()) folders.push_back(entry.GetPath());
            },
            &error);
        if (!listed) {
            m_outcome.failures.push_back(folder + ": " + error);
            m_bLost = m_session.GetLastErrorKind() == velmora::ERemoteError::Lost;
            return;
        }
        for (const std::string& file : files) Set(file, false);
        for (const CFtpPath& sub : folders) {
            Walk(sub.GetFtpDir(true), depth + 1);
            Set(FolderText(sub), true);
        }
    }

    velmora::CRemoteSession& m_session;
    const CPermissionsChoice& m_choice;
    const std::atomic<bool>& m_cancel;
    CPermissionsOutcome m_outcome;
    bool m_bLost = false;
};

}  // namespace

CPermissionsOutcome ApplyPermissions(velmora::CRemoteSession& session, const velmora::CFtpPathList& entries,
                                     const CPermissionsChoice& choice, const std::atomic<bool>& cancel) {
    CPermissionsWalk walk(session, choice, cancel);
    for (const CFtpPath* entry : entries) walk.Entry(*entry);
    return std::move(walk.Outcome());
}

}  // namespace parcelo
