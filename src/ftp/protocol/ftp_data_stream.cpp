#include "ftp/protocol/ftp_data_stream.h"

#include <algorithm>
#include <utility>

#include "base/format.h"
#include "ftp/protocol/ftp_connection.h"

namespace velmora::protocol {

CFtpDataStream::CFtpDataStream(CFtpConnection& connection, CTransport data, bool upload, int timeoutMs)
    : m_connection(&connection), m_data(std::move(data)), m_upload(upload), m_timeoutMs(timeoutMs) {}

CFtpDataStream::~CFtpDataStream() { Abort(); }

// A transfer under way when the caller cancelled goes no further. One opened
// after the cancel (a cancelled job's look-ups and clean-up) has no cancel
// question on its data connection and runs as usual.
bool CFtpDataStream::IsCancelled() const { return m_data.IsCancelled(); }

bool CFtpDataStream::Fail(EFtpError code, const std::string& text) {
    if (!m_failed) m_error.Set(code, text);  // the first failure is the one worth showing
    m_failed = true;
    return false;
}

bool CFtpDataStream::Read(void* buffer, size_t size, size_t& received) {
    received = 0;
    if (!IsOpen()) return Fail(EFtpError::Usage, "The transfer is closed");
    if (m_upload) return Fail(EFtpError::Usage, "The transfer is an upload");
    if (IsCancelled()) return Fail(EFtpError::Cancelled, "Cancelled");
    if (m_endOfData || !m_data.IsOpen()) {
        m_endOfData = true;
        return true;
    }
    // A server that stops sending altogether fails the low-speed limit at
    // the end of its window too, not only at the time-out.
    const TDeadline deadline = DeadlineAfter(m_timeoutMs);
    CFtpError error;
    for (;;) {
        const int wait = std::min(RemainingMs(deadline), MsLeftInWindow());
        if (m_data.Receive(buffer, size, received, wait, error)) break;
        if (error.code != EFtpError::TimedOut || RemainingMs(deadline) == 0) return Fail(error.code, error.text);
        if (!CheckSpeed()) return false;
    }
    m_endOfData = received == 0;
    m_bytes += received;
    return m_endOfData || CheckSpeed();
}

void CFtpDataStream::SetLowSpeedLimit(uint32_t bytesPerSecond, int seconds) {
    if (bytesPerSecond == 0 || seconds <= 0) return;
    m_lowSpeedBytes = uint64_t{bytesPerSecond} * static_cast<uint64_t>(seconds);
    m_lowSpeedWindow = std::chrono::seconds(seconds);
    m_windowStart = std::chrono::steady_clock::now();
    m_windowBytes = m_bytes;
}

int CFtpDataStream::MsLeftInWindow() const {
    if (m_lowSpeedBytes == 0) return m_timeoutMs;
    const auto left = m_windowStart + m_lowSpeedWindow - std::chrono::steady_clock::now();
    // At least a moment, so that a window that just ended is checked.
    return static_cast<int>(std::max<int64_t>(1, std::chrono::ceil<std::chrono::milliseconds>(left).count()));
}

bool CFtpDataStream::CheckSpeed() {
    if (m_lowSpeedBytes == 0) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_windowStart < m_lowSpeedWindow) return true;
    if (m_bytes - m_windowBytes < m_lowSpeedBytes) {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(m_lowSpeedWindow).count();
        return Fail(EFtpError::TimedOut, Format("Transfer too slow: fewer than %llu bytes in %lld seconds",
                                                static_cast<unsigned long long>(m_lowSpeedBytes),
                                                static_cast<long long>(seconds)));
    }
    m_windowStart = now;
    m_windowBytes = m_bytes;
    return true;
}

bool CFtpDataStream::Write(const void* data, size_t size) {
    if (!IsOpen()) return Fail(EFtpError::Usage, "The transfer is closed");
    if (!m_upload) return Fail(EFtpError::Usage, "The transfer is a download");
    if (IsCancelled()) return Fail(EFtpError::Cancelled, "Cancelled");
    CFtpError error;
    if (!m_data.SendAll(data, size, m_timeoutMs, error)) return Fail(error.code, error.text);
    m_bytes += size;
    return CheckSpeed();
}

bool CFtpDataStream::ReadAll(std::string& text, size_t limit) {
    char buffer[16384];
    for (;;) {
        size_t received = 0;
        if (!Read(buffer, sizeof buffer, received)) break;
        if (received == 0) return Close();
        if (text.size() + received > limit) {
            Fail(EFtpError::Protocol, "Too much data from server");
            break;
        }
        text.append(buffer, received);
    }
    Abort();
    return false;
}

bool CFtpDataStream::Close() {
    if (!IsOpen()) return !m_failed;
    if (!m_upload && !m_endOfData) {
        Abort();
        return false;
    }
    return Finish(m_failed);
}

void CFtpDataStream::Abort() {
    if (!IsOpen()) return;
    Fail(EFtpError::Usage, "Transfer aborted");
    Finish(true);
}

bool CFtpDataStream::Finish(bool abort) {
    // The end of the data connection ends the transfer for the server (a
    // download broken off makes it fail to send). Either way exactly one
    // final reply follows on the control connection, whereas the number of
    // replies to ABOR differs between servers.
    CFtpError error;
    if (abort)
        m_data.Abandon();
    else if (!m_data.Finish(m_timeoutMs, error))
        Fail(error.code, error.text);
    if (!std::exchange(m_connection, nullptr)->FinishTransfer(*this, error)) Fail(error.code, error.text);
    return !m_failed;
}

void CFtpDataStream::Detach() {
    m_data.Abandon();
    m_connection = nullptr;
    Fail(EFtpError::Closed, "Connection closed");
}

}  // namespace velmora::protocol
