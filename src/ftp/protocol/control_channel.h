#pragma once

#include <span>
#include <string>

#include "ftp/protocol/ftp_error.h"
#include "ftp/protocol/ftp_reply.h"
#include "ftp/protocol/socket.h"
#include "ftp/protocol/transport.h"

namespace velmora::protocol {

// The control connection of one FTP session: sends command lines and reads
// whole replies. A reply must arrive complete within the time-out given to
// ReadReply; any failure leaves the channel closed, because a late reply would
// otherwise be taken for the answer to the next command.
class CControlChannel {
public:
    // `cancelled`: asked while a later wait lasts (CSocket::SetCancelQuestion).
    bool Open(const std::string& host, uint16_t port, int timeoutMs, int rounds, const std::function<bool()>& cancelled,
              CFtpError& error);
    void Close();
    bool IsOpen() const { return m_link.IsOpen(); }
    bool IsEncrypted() const { return m_link.IsEncrypted(); }
    // TLS on the control connection (after AUTH TLS, or at once for
    // implicit TLS). Refused when the server already sent more than its
    // reply: those bytes came in clear and could have been slipped in.
    bool StartTls(CTlsContext& context, int timeoutMs, CCertificateInfo& peer, CFtpError& error);

    // Sends `command` followed by CRLF.
    bool Send(const std::string& command, int timeoutMs, CFtpError& error);
    // Sends the commands, each followed by CRLF, in one write: their replies
    // are read in order after it.
    bool Send(std::span<const std::string> commands, int timeoutMs, CFtpError& error);
    bool ReadReply(CFtpReply& reply, int timeoutMs, CFtpError& error);

    const CSocket& GetSocket() const { return m_link.GetSocket(); }
    const CTlsStream* GetTls() const { return m_link.GetTls(); }

private:
    bool ReadLine(std::string& line, TDeadline deadline, CFtpError& error);

    CTransport m_link;
    std::string m_buffer;  // bytes received but not yet consumed
    int m_nTraceLabel = 0;  // this connection's number in the protocol trace
};

}  // namespace velmora::protocol
