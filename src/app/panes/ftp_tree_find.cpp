// Find on server: a search of a server folder tree as a job of the
// browser's session, its matches handed to the window thread as they come.

#include <QPointer>

#include "app/common/window_thread.h"
#include "app/panes/ftp_sink.h"
#include "app/panes/ftp_tree_dlg.h"

namespace parcelo {

bool CFtpTreeDlg::FindOnServer(const std::string& folder, const CFindCriteria& criteria,
                               std::function<void(const CFoundEntry&)> found,
                               std::function<void(const CFindOutcome&)> ended) {
    if (!m_sink.IsOnline()) return false;
    auto stop = std::make_shared<std::atomic<bool>>(false);
    auto outcome = std::make_shared<CFindOutcome>();
    m_pFindStop = stop;
    const QPointer<CFtpTreeDlg> self(this);
    RunOnServer(
        std::string(),
        [folder, criteria, found, stop, outcome, self](Connection& connection) {
            *outcome = parcelo::FindOnServer(
                connection, folder, criteria,
                [&found, &self](const CFoundEntry& entry) {
                    PostToWindowThread(self, [found, entry] { found(entry); });
                },
                *stop);
        },
        [this, stop, outcome, ended] {
            if (m_pFindStop == stop) m_pFindStop.reset();
            ended(*outcome);
        });
    return true;
}

void CFtpTreeDlg::StopFind() {
    if (m_pFindStop) *m_pFindStop = true;
}

}  // namespace parcelo
