#pragma once

#include <cstddef>
#include <memory>

#include "ftp/protocol/ftp_error.h"
#include "ftp/protocol/socket.h"
#include "ftp/protocol/tls_stream.h"

namespace velmora::protocol {

// One connection of an FTP session, control or data: a socket, with TLS on
// it once StartTls succeeded. Reading and writing look the same either way.
class CTransport {
public:
    CTransport() = default;
    explicit CTransport(CSocket socket) : m_socket(std::move(socket)) {}

    bool IsOpen() const { return m_socket.IsOpen(); }
    bool IsEncrypted() const { return m_tls != nullptr; }
    const CTlsStream* GetTls() const { return m_tls.get(); }
    const CSocket& GetSocket() const { return m_socket; }
    bool IsCancelled() const { return m_socket.IsCancelled(); }

    // TLS from here on: the handshake and the certificate check. On failure
    // the connection is closed; the certificate, when there was one, stays
    // described in `peer`.
    bool StartTls(CTlsContext& context, bool control, int timeoutMs, CCertificateInfo& peer, CFtpError& error);

    bool SendAll(const void* data, size_t size, int timeoutMs, CFtpError& error);
    bool Receive(void* buffer, size_t size, size_t& received, int timeoutMs, CFtpError& error);

    // The orderly end of a data connection: with TLS, close_notify (servers
    // check it to confirm an upload), the end of our sending, and then what
    // the server still sends is read (bounded) so that unread data does not
    // make the system reset the connection under it. False when the server
    // reset a plain connection: not all that was sent may have arrived.
    bool Finish(int timeoutMs, CFtpError& error);
    // At once, without any goodbye.
    void Close();
    void Abandon();

private:
    CSocket m_socket;
    std::unique_ptr<CTlsStream> m_tls;
};

}  // namespace velmora::protocol
