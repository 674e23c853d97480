#include "app/panes/remote_find.h"

#include "ftp/ftp_dir.h"
#include "ftp/ftp_remote_folder.h"
#include "ftp/remote_session.h"
#include "platform/clock.h"

namespace parcelo {

bool CFindCriteria::Matches(const std::string& entryName, bool folder, uint64_t size, int64_t modified) const {
    if (!name.Matches(QString::fromStdString(entryName))) return false;
    if (folder && (minSize || maxSize)) return false;
    if ((minSize && size < *minSize) || (maxSize && size > *maxSize)) return false;
    return (!newerThan || modified >= *newerThan) && (!olderThan || modified < *olderThan);
}

namespace {

class CFindWalk {
public:
    CFindWalk(velmora::CRemoteSession& session, const CFindCriteria& criteria,
              const std::function<void(const CFoundEntry&)>& found, const std::atomic<bool>& cancel)
        : m_session(session), m_criteria(criteria), m_found(found), m_cancel(cancel) {}

    void Walk(const std::string& folder, int depth) {
        if (depth > velmora::CFtpRemoteFolder::kMaxDepth || Ended()) return;
        std::vector<std::string> below;
        std::string error;
        const bool listed = velmora::ForEachRemoteEntry(
            &m_session, folder,
            [&](const velmora::CFtpFind& find) {
                const velmora::CFtpDir& entry = *find.GetCurrent();
                const velmora::CFtpPath& path = entry.GetPath();
                const bool isFolder = entry.IsFolder();
                const std::string name = isFolder ? path.GetTailDir() : path.GetFileName(true);
                CFoundEntry match{isFolder ? path.GetFtpDir(true) : path.GetFtpPath(), isFolder, path.Length(),
                                  velmora::platform::FileTimeToUnix(path.LastWriteTime())};
                if (m_criteria.Matches(name, isFolder, match.size, match.modified)) m_found(match);
                if (isFolder) below.push_back(match.path);
            },
            &error);
        if (!listed) {
            m_outcome.failures.push_back(folder + ": " + error);
            m_bLost = m_session.GetLastErrorKind() == velmora::ERemoteError::Lost;
            return;
        }
        ++m_outcome.folders;
        for (const std::string& sub : below) Walk(sub, depth + 1);
    }

    CFindOutcome& Outcome() { return m_outcome; }

private:
    bool Ended() {
        if (m_cancel) m_outcome.cancelled = true;
        return m_outcome.cancelled || m_bLost;
    }

    velmora::CRemoteSession& m_session;
    const CFindCriteria& m_criteria;
    const std::function<void(const CFoundEntry&)>& m_found;
    const std::atomic<bool>& m_cancel;
    CFindOutcome m_outcome;
    bool m_bLost = false;
};

}  // namespace

CFindOutcome FindOnServer(velmora::CRemoteSession& session, const std::string& folder, const CFindCriteria& criteria,
                          const std::function<void(const CFoundEntry&)>& found, const std::atomic<bool>& cancel) {
    CFindWalk walk(session, criteria, found, cancel);
    walk.Walk(folder, 0);
    return std::move(walk.Outcome());
}

}  // namespace parcelo
