#include "app/panes/sync_browsing.h"

#include "app/panes/ftp_sink.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/panes/local_pane.h"
#include "ftp/ftp_node.h"

namespace parcelo {
namespace {

std::string WithoutSlash(const std::string& folder) {
    return folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
}

}  // namespace

CSyncBrowsing::CSyncBrowsing(CLocalPane& local, CFtpTreeDlg& browser, const CFtpSink& sink, QObject* parent)
    : QObject(parent), m_local(local), m_browser(browser), m_sink(sink) {
    connect(&local, &CLocalPane::FolderChanged, this, &CSyncBrowsing::OnLocalEntered);
    connect(&browser, &CFtpTreeDlg::FilesShown, this, &CSyncBrowsing::OnRemoteEntered);
}

std::optional<std::string> CSyncBrowsing::Follow(const std::string& fromBase, const std::string& toBase,
                                                 const std::string& entered) {
    const std::string from = WithoutSlash(fromBase);
    const std::string folder = WithoutSlash(entered);
    std::string below;
    if (folder != from) {
        const std::string prefix = from == "/" ? from : from + "/";
        if (!folder.starts_with(prefix)) return std::nullopt;
        below = folder.substr(prefix.size());
    }
    if (below.empty()) return toBase;
    const bool slashed = !toBase.empty() && toBase.back() == '/';
    return (slashed ? toBase : toBase + "/") + below + (slashed ? "/" : "");
}

std::string CSyncBrowsing::RemoteFolder() const {
    const velmora::CFtpNode* node = m_sink.GetCurrent();
    return node != nullptr ? node->GetDoc() : std::string();
}

void CSyncBrowsing::SetEnabled(bool on) {
    m_bOn = on && m_browser.HasFolder();
    m_strRemoteSent.clear();
    if (!m_bOn) return;
    m_strLocalBase = m_local.GetFolder();
    m_strRemoteBase = RemoteFolder();
}

void CSyncBrowsing::Start(const std::string& localBase, const std::string& remoteBase) {
    m_bOn = false;
    m_local.SetFolder(localBase);
    m_bOn = true;
    m_strLocalBase = localBase;
    m_strRemoteBase = remoteBase;
    m_strRemoteSent = remoteBase;
    m_browser.OpenFolder(remoteBase);
}

void CSyncBrowsing::OnLocalEntered() {
    if (!m_bOn || m_bMovingLocal) return;
    const std::optional<std::string> remote = Follow(m_strLocalBase, m_strRemoteBase, m_local.GetFolder());
    if (!remote || WithoutSlash(*remote) == WithoutSlash(RemoteFolder())) return;
    m_strRemoteSent = *remote;
    m_browser.OpenFolder(*remote);
}

void CSyncBrowsing::OnRemoteEntered() {
    if (!m_bOn) return;
    const std::string shown = RemoteFolder();
    if (!m_strRemoteSent.empty()) {
        // The folder sent to, or the nearest one above it the server has.
        const bool arrived = Follow(shown, shown, m_strRemoteSent).has_value();
        m_strRemoteSent.clear();
        if (arrived) return;
    }
    const std::optional<std::string> local = Follow(m_strRemoteBase, m_strLocalBase, shown);
    if (!local) return;
    m_bMovingLocal = true;
    m_local.SetFolder(*local);
    m_bMovingLocal = false;
}

}  // namespace parcelo
