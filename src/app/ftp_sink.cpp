#include "app/ftp_sink.h"

#include <algorithm>

#include "base/format.h"
#include "base/text.h"

namespace parcelo {

using velmora::CFtpNode;

CFtpSink::CFtpSink() {
    velmora::protocol::CFtpOptions options;
    options.connectTimeoutMs = kConnectTimeoutMs;
    options.sendTimeoutMs = kReplyTimeoutMs;
    options.receiveTimeoutMs = kReplyTimeoutMs;
    options.connectRetries = 1;
    SetSessionOptions(options);
}

// The nodes borrow the connection: they go first.
CFtpSink::~CFtpSink() { DestroyTree(); }

bool CFtpSink::Connect(const velmora::CFtpLoginInfo& info) {
    Disconnect();
    m_info = info;
    m_strSystem.clear();
    if (!IsComplete(info)) {
        ShowError("The connection has no server address or no login name");
        return false;
    }
    if (!Login(info)) return false;
    GetFtpConnection()->GetSystemType(m_strSystem);
    return true;
}

bool CFtpSink::IsComplete(const velmora::CFtpLoginInfo& info) {
    return !info.IsEmpty() && !info.GetLoginName().empty();
}

void CFtpSink::Disconnect() {
    DestroyTree();
    Logoff();
}

CFtpNode* CFtpSink::CreateRoot(velmora::platform::ITreeCtrl* tree) {
    DestroyTree();
    if (!IsConnected()) return nullptr;
    m_pRoot.reset(CFtpNode::CreateRoot(GetFtpConnection(), m_info, true));
    if (tree != nullptr) m_pRoot->Show(*tree, false);
    m_pRoot->Pump(tree, GetFtpConnection(), nullptr);
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
    if (!IsConnected()) {
        std::string error = GetStrError();
        if (error.empty()) return "Disconnected";
        error.erase(std::remove_if(error.begin(), error.end(), [](char c) { return c == '\n' || c == '\r'; }),
                    error.end());
        return Format("Disconnected\r\nError: '%s'", error.c_str());
    }
    std::string text = Format("Connected:\n\rServer: '%s'\r\n", m_info.GetHost().c_str());
    if (m_pRoot) text += Format("Root:   '%s'\r\n", m_pRoot->GetName().c_str());
    if (m_pCurrent) text += Format("Folder: %s\r\n", m_pCurrent->GetName().c_str());
    return text;
}

}  // namespace parcelo
