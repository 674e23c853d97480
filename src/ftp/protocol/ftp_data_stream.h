#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "ftp/protocol/ftp_error.h"
#include "ftp/protocol/ftp_reply.h"
#include "ftp/protocol/transport.h"
#include "platform/api.h"

namespace velmora::protocol {

class CFtpConnection;

// One transfer on a data connection, opened by CFtpConnection::OpenFile or
// OpenCommand: a remote file read or written in blocks, or a listing read.
//
// Reading: call Read until it answers true with 0 bytes (end of data), then
// Close: only Close tells whether the server confirmed the transfer (a
// server that drops out mid-transfer also ends the data with end-of-stream).
// Writing: Write every block, then Close, which ends the data and waits for
// the server's confirmation.
// Stopping early (cancel, local error): Abort, or Close, or destroying the
// stream; the data connection is closed and the server's final reply is read,
// so the control connection stays usable. Every wait is bounded by the
// connection's time-outs, so a cancelled transfer never hangs.
class VELMORA_API CFtpDataStream {
public:
    ~CFtpDataStream();  // Abort() when still open
    CFtpDataStream(const CFtpDataStream&) = delete;
    CFtpDataStream& operator=(const CFtpDataStream&) = delete;

    // Up to `size` bytes. True with `received` 0 at the end of the data.
    bool Read(void* buffer, size_t size, size_t& received);
    bool Write(const void* data, size_t size);
    // Reads everything up to the end, then Close(). Fails without reading
    // more when the data grows beyond `limit` bytes.
    bool ReadAll(std::string& text, size_t limit);
    // Finishes the transfer; true only when it completed and the server
    // confirmed it (226/250). A read stream not read to its end is aborted.
    bool Close();
    // Abandons the transfer (the server keeps what it already wrote).
    void Abort();

    bool IsOpen() const { return m_connection != nullptr; }
    bool IsUpload() const { return m_upload; }
    uint64_t GetByteCount() const { return m_bytes; }
    // The length the server announced in its reply to the transfer command
    // ("150 ... (300000 bytes)"); 0 with false when it announced none.
    bool GetAnnouncedLength(uint64_t& length) const {
        length = m_announcedLength;
        return m_announced;
    }
    const std::string& GetLastError() const { return m_error.text; }
    EFtpError GetLastErrorCode() const { return m_error.code; }

private:
    friend class CFtpConnection;
    CFtpDataStream(CFtpConnection& connection, CTransport data, bool upload, int timeoutMs);

    bool Fail(EFtpError code, const std::string& text);
    bool IsCancelled() const;
    bool Finish(bool abort);
    void SetLowSpeedLimit(uint32_t bytesPerSecond, int seconds);
    // False (and the transfer failed) when the last window of the low-speed
    // limit ended with too few bytes.
    bool CheckSpeed();
    // Until the low-speed window ends (the time-out without a limit).
    int MsLeftInWindow() const;
    // The connection goes away first: the transfer is cut off.
    void Detach();

    CFtpConnection* m_connection;
    CTransport m_data;  // with TLS when the session protects its data (PROT P)
    bool m_upload;
    int m_timeoutMs;  // per wait for data or buffer space
    bool m_endOfData = false;
    bool m_failed = false;
    bool m_finalReplyRead = false;  // a server may confirm before the data is read
    bool m_announced = false;
    uint64_t m_announcedLength = 0;
    uint64_t m_bytes = 0;
    CFtpError m_error;
    uint64_t m_lowSpeedBytes = 0;  // per window; 0: no limit
    std::chrono::steady_clock::duration m_lowSpeedWindow{};
    std::chrono::steady_clock::time_point m_windowStart;
    uint64_t m_windowBytes = 0;  // m_bytes when the window started
};

}  // namespace velmora::protocol
