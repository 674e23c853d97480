#pragma once

#include <string>

#include "ftp/protocol/ftp_error.h"
#include "ftp/protocol/ftp_reply.h"
#include "ftp/protocol/socket.h"

namespace velmora::protocol {

// The control connection of one FTP session: sends command lines and reads
// whole replies. A reply must arrive complete within the time-out given to
// ReadReply; any failure leaves the channel closed, because a late reply would
// otherwise be taken for the answer to the next command.
class CControlChannel {
public:
    bool Open(const std::string& host, uint16_t port, int timeoutMs, int rounds, CFtpError& error);
    void Close();
    bool IsOpen() const { return m_socket.IsOpen(); }

    // Sends `command` followed by CRLF.
    bool Send(const std::string& command, int timeoutMs, CFtpError& error);
    bool ReadReply(CFtpReply& reply, int timeoutMs, CFtpError& error);

    const CSocket& GetSocket() const { return m_socket; }

private:
    bool ReadLine(std::string& line, TDeadline deadline, CFtpError& error);

    CSocket m_socket;
    std::string m_buffer;  // bytes received but not yet consumed
};

}  // namespace velmora::protocol
