#include "ftp/protocol/control_channel.h"

#include "base/secret_text.h"
#include "ftp/protocol/ftp_trace.h"

namespace velmora::protocol {

bool CControlChannel::Open(const std::string& host, uint16_t port, int timeoutMs, int rounds,
                           const std::function<bool()>& cancelled, CFtpError& error) {
    Close();
    CSocket socket;
    if (!socket.Connect(host, port, timeoutMs, rounds, error)) return false;
    socket.SetCancelQuestion(cancelled);
    m_link = CTransport(std::move(socket));
    m_nTraceLabel = NextTraceLabel();
    return true;
}

bool CControlChannel::StartTls(CTlsContext& context, int timeoutMs, CCertificateInfo& peer, CFtpError& error) {
    if (!m_buffer.empty()) {
        Close();
        return error.Set(EFtpError::Protocol, "Unexpected data from server before TLS");
    }
    if (m_link.StartTls(context, true, timeoutMs, peer, error)) return true;
    Close();
    return false;
}

void CControlChannel::Close() {
    m_link.Close();
    m_buffer.clear();
}

bool CControlChannel::Send(const std::string& command, int timeoutMs, CFtpError& error) {
    return Send(std::span<const std::string>(&command, 1), timeoutMs, error);
}

bool CControlChannel::Send(std::span<const std::string> commands, int timeoutMs, CFtpError& error) {
    // A line may carry the password: its copy goes as soon as it is sent,
    // and it is made once, at its full size, so that no shorter copy is
    // left behind by growing.
    size_t size = 0;
    for (const std::string& command : commands) size += command.size() + 2;
    std::string lines;
    lines.reserve(size);
    const CWipedText wiped(lines);
    for (const std::string& command : commands) {
        TraceCommand(m_nTraceLabel, command);
        lines.append(command).append("\r\n");
    }
    if (m_link.SendAll(lines.data(), lines.size(), timeoutMs, error)) return true;
    Close();
    return false;
}

bool CControlChannel::ReadReply(CFtpReply& reply, int timeoutMs, CFtpError& error) {
    const auto deadline = DeadlineAfter(timeoutMs);
    CFtpReplyAssembler assembler;
    std::string line;
    for (;;) {
        if (!ReadLine(line, deadline, error)) {
            Close();
            return false;
        }
        TraceReplyLine(m_nTraceLabel, line);
        switch (assembler.AddLine(line)) {
            case CFtpReplyAssembler::EResult::NeedMore:
                break;
            case CFtpReplyAssembler::EResult::Complete:
                reply = assembler.GetReply();
                return true;
            case CFtpReplyAssembler::EResult::Invalid:
                Close();
                return error.Set(EFtpError::Protocol, assembler.GetProblem());
        }
    }
}

bool CControlChannel::ReadLine(std::string& line, TDeadline deadline, CFtpError& error) {
    for (;;) {
        const size_t end = m_buffer.find('\n');
        if (end != std::string::npos) {
            line.assign(m_buffer, 0, end > 0 && m_buffer[end - 1] == '\r' ? end - 1 : end);
            m_buffer.erase(0, end + 1);
            return true;
        }
        if (m_buffer.size() > kMaxReplyLineLength) return error.Set(EFtpError::Protocol, "Reply line from server too long");
        const int timeoutMs = RemainingMs(deadline);
        if (timeoutMs <= 0) return error.Set(EFtpError::TimedOut, kTimedOutText);
        char chunk[4096];
        size_t received = 0;
        if (!m_link.Receive(chunk, sizeof chunk, received, timeoutMs, error)) return false;
        if (received == 0) return error.Set(EFtpError::Closed, kClosedText);
        m_buffer.append(chunk, received);
    }
}

}  // namespace velmora::protocol
