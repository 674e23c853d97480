#include "ftp/protocol/transport.h"

namespace velmora::protocol {

bool CTransport::StartTls(CTlsContext& context, bool control, int timeoutMs, CCertificateInfo& peer,
                          CFtpError& error) {
    auto tls = std::make_unique<CTlsStream>(context, control);
    const bool ok = tls->Handshake(m_socket, timeoutMs, error);
    peer = tls->GetPeerCertificate();
    if (!ok) {
        Abandon();
        return false;
    }
    m_tls = std::move(tls);
    return true;
}

bool CTransport::SendAll(const void* data, size_t size, int timeoutMs, CFtpError& error) {
    return m_tls ? m_tls->SendAll(m_socket, data, size, timeoutMs, error)
                 : m_socket.SendAll(data, size, timeoutMs, error);
}

bool CTransport::Receive(void* buffer, size_t size, size_t& received, int timeoutMs, CFtpError& error) {
    return m_tls ? m_tls->Receive(m_socket, buffer, size, received, timeoutMs, error)
                 : m_socket.Receive(buffer, size, received, timeoutMs, error);
}

bool CTransport::Finish(int timeoutMs, CFtpError& error) {
    if (m_tls && m_socket.IsOpen() && !m_tls->SendHeld(m_socket, timeoutMs, error)) {
        Close();
        return false;
    }
    bool intact = true;
    CFtpError ignored;  // with TLS the server's final reply tells whether the transfer arrived
    if (m_socket.IsOpen() && (!m_tls || m_tls->SendClose(m_socket, timeoutMs, ignored))) {
        m_socket.ShutdownSend();
        const TDeadline deadline = DeadlineAfter(timeoutMs);
        char rest[4096];
        size_t received = 1;
        CFtpError drained;
        bool readable = true;
        while (received > 0 && RemainingMs(deadline) > 0 && readable)
            readable = m_socket.Receive(rest, sizeof rest, received, RemainingMs(deadline), drained);
        // A plain connection that the server reset instead of closing lost
        // some of what we sent, whatever the server replies.
        if (!readable && !m_tls && drained.code == EFtpError::Closed) {
            error = drained;
            intact = false;
        }
    }
    Close();
    return intact;
}

void CTransport::Close() {
    m_socket.Close();
    m_tls.reset();
}

void CTransport::Abandon() {
    m_socket.Abandon();
    m_tls.reset();
}

}  // namespace velmora::protocol
