#include "ftp/protocol/ftp_data_stream.h"

#include <utility>

#include "base/format.h"
#include "ftp/protocol/ftp_connection.h"

namespace velmora::protocol {

CFtpDataStream::CFtpDataStream(CFtpConnection& connection, CTransport data, bool upload, int timeoutMs)
    : m_connection(&connection), m_data(std::move(data)), m_upload(upload), m_timeoutMs(timeoutMs) {}

CFtpDataStream::~CFtpDataStream() { Abort(); }

bool CFtpDataStream::Fail(EFtpError code, const std::string& text) {
    if (!m_failed) m_error.Set(code, text);  // the first failure is the one worth showing
    m_failed = true;
    return false;
}

bool CFtpDataStream::Read(void* buffer, size_t size, size_t& received) {
    received = 0;
    if (!IsOpen()) return Fail(EFtpError::Usage, "The transfer is closed");
    if (m_upload) return Fail(EFtpError::Usage, "The transfer is an upload");
    if (m_endOfData || !m_data.IsOpen()) {
        m_endOfData = true;
        return true;
    }
    CFtpError error;
    if (!m_data.Receive(buffer, size, received, m_timeoutMs, error)) return Fail(error.code, error.text);
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
    if (abort)
        m_data.Abandon();
    else
        m_data.Finish(m_timeoutMs);
    CFtpError error;
    if (!std::exchange(m_connection, nullptr)->FinishTransfer(*this, error)) Fail(error.code, error.text);
    return !m_failed;
}

void CFtpDataStream::Detach() {
    m_data.Abandon();
    m_connection = nullptr;
    Fail(EFtpError::Closed, "Connection closed");
}

}  // namespace velmora::protocol
