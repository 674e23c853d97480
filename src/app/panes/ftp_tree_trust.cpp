// The browser's questions about an SSH server's host key.

#include "app/panes/ftp_sink.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/transfers/log_pane.h"
#include "app/transfers/prompter.h"
#include "base/format.h"
#include "ftp/ssh_keys.h"
#include "messaging/log_status.h"

namespace parcelo {

using velmora::CFtpLoginInfo;
using velmora::CHostKeyVerdict;

bool CFtpTreeDlg::OfferHostKeyTrust(const CFtpLoginInfo& info) {
    const CFtpSink::CState state = m_sink.GetState();
    const velmora::CSshHostKey& key = state.peerHostKey;
    if (key.base64.empty()) return false;
    const velmora::CSshSettings& ssh = info.GetSshSettings();
    const auto port = static_cast<uint16_t>(info.GetPort());
    const CHostKeyVerdict verdict =
        velmora::CheckHostKey(velmora::KnownHostsFiles(ssh.knownHostsFiles), info.GetHost(), port, key);
    // A key other than the one known for the server may be an attacker's:
    // the user learns what happened, and nothing offers to replace the old
    // key from here.
    if (!ssh.fingerprint.empty() || verdict.kind == CHostKeyVerdict::Changed) {
        LogAppEvent(velmora::LOG_ERROR, "Ftp", "Host key refused:", info.GetPureURL() + " " + state.error);
        m_context.prompter.ShowError(this, kChangedHostKeyTitle,
                                     "The server's host key is not the one known for it. Do not log in.\n\n" +
                                         state.error);
        return true;
    }
    if (verdict.kind != CHostKeyVerdict::Unknown) return false;
    const std::string file = velmora::OwnKnownHostsFile();
    const std::string text = velmora::Format(
        "The server %s, port %d, is not known yet. It shows this host key:\n\n"
        "Key type: %s\nFingerprint: %s\n\n"
        "Compare the fingerprint with the one the server's administrator gives you. \"Trust\" stores the key in %s, "
        "and from then on the server is known by it.",
        info.GetHost().c_str(), info.GetPort(), key.type.c_str(), key.fingerprint.c_str(), file.c_str());
    if (!m_context.prompter.AskTrust(this, kUnknownHostKeyTitle, text, "Trust")) return true;
    std::string error;
    if (!velmora::TrustHostKey(file, info.GetHost(), port, key, error)) {
        m_context.prompter.ShowError(this, "Error", error);
        return true;
    }
    LogAppEvent(velmora::LOG_STATUS, "Ftp", "Host key trusted:",
                info.GetPureURL() + " " + key.type + " " + key.fingerprint);
    RequestConnect(info);
    return true;
}

}  // namespace parcelo
