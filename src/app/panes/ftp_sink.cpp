#include "app/panes/ftp_sink.h"

#include <algorithm>

#include "base/format.h"
#include "base/text.h"

namespace parcelo {

using velmora::CFtpNode;
using Connection = CFtpNode::Connection;

CFtpSink::CFtpSink() {
    m_options.connectTimeoutMs = kConnectTimeoutMs;
    m_options.sendTimeoutMs = kReplyTimeoutMs;
    m_options.receiveTimeoutMs = kReplyTimeoutMs;
    m_options.connectRetries = 1;
    m_options.reconnectWhenDropped = true;
    UseTimeout(0);
}

void CFtpSink::SetSessionOptions(const velmora::CSessionOptions& options) {
    m_options = options;
    UseTimeout(0);
}

// The connection's own time-out, else the browser's.
void CFtpSink::UseTimeout(int seconds) {
    velmora::CSessionOptions options = m_options;
    if (seconds > 0) options.connectTimeoutMs = options.sendTimeoutMs = options.receiveTimeoutMs = seconds * 1000;
    m_client.SetSessionOptions(options);
}

void CFtpSink::KeepAlive() {
    if (!m_bInUse && IsOnline()) m_client.GetSession()->KeepAlive(kKeepAliveIdleSeconds);
}

void CFtpSink::SetInUse(bool inUse) {
    // Before the worker starts: the session is still the window's.
    if (inUse) m_stateInUse = ReadState();
    m_bInUse = inUse;
}

CFtpSink::CState CFtpSink::GetState() const { return m_bInUse ? m_stateInUse : ReadState(); }

bool CFtpSink::IsOnline() const { return !IsOpening() && GetState().online; }

CFtpSink::CState CFtpSink::ReadState() const {
    CState state;
    state.online = m_client.IsConnected();
    state.encrypted = m_client.IsEncrypted();
    state.tlsVersion = m_client.GetEncryption();
    // A failure reported here counts until the client has a newer one.
    const bool reportedLast = !m_strReported.empty() && m_client.GetStrError() == m_strClientErrorThen;
    state.error = reportedLast ? m_strReported : m_client.GetStrError();
    state.loginError = m_client.GetLoginError();
    state.peerCertificate = m_client.GetPeerCertificate();
    state.peerHostKey = m_client.GetPeerHostKey();
    return state;
}

// The nodes borrow the connection: they go first.
CFtpSink::~CFtpSink() { DestroyTree(); }

bool CFtpSink::Connect(const velmora::CFtpLoginInfo& info) {
    std::unique_ptr<CFtpNode> root;
    return Prepare(info) && Open(root) && AdoptRoot(std::move(root), nullptr) != nullptr;
}

bool CFtpSink::Prepare(const velmora::CFtpLoginInfo& info) {
    DestroyTree();
    m_info = info;
    m_strSystem.clear();
    m_strReported.clear();
    UseTimeout(info.GetTimeout());
    if (IsComplete(info)) return true;
    ReportError("The connection has no server address or no login name");
    return false;
}

bool CFtpSink::Open(std::unique_ptr<CFtpNode>& root, const std::function<void(const velmora::CFtpDir&)>& seen) {
    // A server that stopped answering keeps the log-off waiting too.
    m_client.Logoff();
    // One attempt: the user sees at once when it fails, and tries again.
    velmora::CFtpLoginInfo once = m_info;
    once.SetCurAttempt(1);
    once.SetRetries(1);
    if (!m_client.Login(once)) return false;
    Connection* connection = m_client.GetSession();
    m_strSystem = connection->GetSystemType();
    root.reset(CFtpNode::CreateRoot(connection, m_info, true));
    root->SetConnection(connection);
    velmora::CFtpPathList entries;
    CFtpNode::ListLevel(connection, root->GetDoc(), entries, nullptr, seen);
    root->PumpListed(nullptr, entries);
    return true;
}

void CFtpSink::ReportError(const std::string& text) {
    m_strReported = "Ftp: " + text;
    if (m_bInUse) {
        m_stateInUse.error = m_strReported;
        return;
    }
    m_strClientErrorThen = m_client.GetStrError();
}

std::string CFtpSink::GetFailureHeading() const {
    using velmora::ERemoteError;
    switch (GetState().loginError) {
        case ERemoteError::LoginRefused: return "The server refused the login name or the password.";
        case ERemoteError::Unreachable:
            return "The server could not be reached: the connection was refused, or the address is wrong.";
        case ERemoteError::Lost: return "The server did not answer in time, or closed the connection.";
        case ERemoteError::Busy: return "The server cannot take the session now.";
        case ERemoteError::Untrusted:
            return m_info.IsSftp() ? "The server's host key is not trusted." : "The server's certificate is not trusted.";
        case ERemoteError::PlainRefused: return "The server does not offer encryption: the password was not sent.";
        default:
            return "The connection failed.";
    }
}

bool CFtpSink::IsComplete(const velmora::CFtpLoginInfo& info) {
    return !info.IsEmpty() && !info.GetLoginName().empty();
}

CFtpNode* CFtpSink::AdoptRoot(std::unique_ptr<CFtpNode> root, velmora::platform::ITreeCtrl* tree) {
    DestroyTree();
    if (!m_client.IsConnected() || !root) return nullptr;
    m_pRoot = std::move(root);
    if (tree != nullptr) m_pRoot->Show(*tree, false);
    m_pCurrent = m_pRoot.get();
    return m_pRoot.get();
}

void CFtpSink::DestroyTree() {
    m_pCurrent = nullptr;
    m_pRoot.reset();
}

bool CFtpSink::IsUnixSystem(std::string_view reply) {
    return reply.size() >= 4 && velmora::EqualsNoCase(reply.substr(0, 4), "UNIX");
}

std::string CFtpSink::GetStatusText() const {
    using velmora::Format;
    if (IsOpening()) return Format("Connecting to '%s' ...", m_info.GetHost().c_str());
    CState state = GetState();
    if (!state.online) {
        std::string& error = state.error;
        if (error.empty()) return "Disconnected";
        error.erase(std::remove_if(error.begin(), error.end(), [](char c) { return c == '\n' || c == '\r'; }),
                    error.end());
        return Format("Disconnected\r\nError: '%s'", error.c_str());
    }
    std::string text = Format("Connected:\n\rServer: '%s'\r\n", m_info.GetHost().c_str());
    if (m_pRoot) text += Format("Root:   '%s'\r\n", m_pRoot->GetName().c_str());
    if (m_pCurrent) text += Format("Folder: %s\r\n", m_pCurrent->GetName().c_str());
    text += state.encrypted ? Format("Encrypted: %s\r\n", state.tlsVersion.c_str())
                            : std::string("Not encrypted (plain FTP)\r\n");
    return text;
}

}  // namespace parcelo
