#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "ftp/protocol/ftp_error.h"

// A thin layer over POSIX TCP sockets for the FTP code: every socket is
// non-blocking and every wait goes through poll with a time-out, so that no
// call can hang on a silent peer. Errors are reported as CFtpError.
namespace velmora::protocol {

extern const char kTimedOutText[];  // "Connection timed out"
extern const char kClosedText[];    // "Connection closed by server"

// Bounds a sequence of waits: each wait gets what is left of the time.
using TDeadline = std::chrono::steady_clock::time_point;
TDeadline DeadlineAfter(int timeoutMs);
int RemainingMs(TDeadline deadline);  // 0 once the deadline has passed

// An IPv4 or IPv6 socket address, kept as raw bytes so that this header needs
// no system headers.
class CSocketAddress {
public:
    bool IsEmpty() const { return m_length == 0; }
    bool IsIPv6() const;
    uint16_t GetPort() const;
    void SetPort(uint16_t port);
    // The numeric address: "127.0.0.1", "::1".
    std::string GetHostText() const;
    // True when both name the same host address (ports are not compared).
    bool IsSameHost(const CSocketAddress& other) const;

    const void* Data() const { return m_storage; }
    void* Data() { return m_storage; }
    unsigned GetLength() const { return m_length; }
    void SetLength(unsigned length) { m_length = length; }
    static constexpr unsigned kCapacity = 128;  // sizeof(sockaddr_storage)

private:
    alignas(8) unsigned char m_storage[kCapacity] = {};
    unsigned m_length = 0;
};

// When a cancel question ends a socket's waits.
enum class ECancelScope {
    WaitsUnderWay,  // only a wait under way when the cancel comes; a later wait runs as usual
    EveryWait,      // any wait once the cancel has come, also one that begins after it
};

class CSocket {
public:
    CSocket() = default;
    ~CSocket();
    CSocket(CSocket&& other) noexcept;
    CSocket& operator=(CSocket&& other) noexcept;
    CSocket(const CSocket&) = delete;
    CSocket& operator=(const CSocket&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    // Asked while a wait lasts (see CSessionOptions::cancelled): a cancel
    // ends the waits `scope` names with Cancelled. Moves with the socket.
    void SetCancelQuestion(std::function<bool()> cancelled, ECancelScope scope = ECancelScope::WaitsUnderWay) {
        m_cancelled = std::move(cancelled);
        m_cancelScope = scope;
    }
    // What the cancel question says (false without one).
    bool IsCancelled() const { return m_cancelled && m_cancelled(); }
    // Orderly close: data already sent is still delivered, then end of stream.
    void Close();
    // Ends both directions at once, then closes. Data still unread here
    // makes the system reset the connection, so a sending peer learns at
    // once that the transfer broke off. (A forced reset is not used: a peer
    // that has not yet accepted the connection may never notice it.)
    void Abandon();
    // Ends our direction only (the peer reads end-of-stream); receiving goes on.
    void ShutdownSend();

    // Resolves `host` (IPv4 or IPv6) and connects to the first address that
    // answers. Each address gets `timeoutMs`; the address list is tried up
    // to `rounds` times (at least once).
    bool Connect(const std::string& host, uint16_t port, int timeoutMs, int rounds, CFtpError& error);
    bool Connect(const CSocketAddress& address, int timeoutMs, CFtpError& error);
    // Listens on `local` (port 0: an ephemeral port) for one connection.
    bool Listen(const CSocketAddress& local, CFtpError& error);
    // Waits up to `timeoutMs` for a connection on a listening socket.
    bool Accept(CSocket& accepted, CSocketAddress& peer, int timeoutMs, CFtpError& error);

    bool GetLocalAddress(CSocketAddress& address) const;
    bool GetPeerAddress(CSocketAddress& address) const;

    // Sends every byte; `timeoutMs` bounds each wait for buffer space.
    bool SendAll(const void* data, size_t size, int timeoutMs, CFtpError& error);
    // Waits up to `timeoutMs` for data. True with `received` > 0 for data,
    // true with 0 when the peer ended the stream, false on error or time-out.
    bool Receive(void* buffer, size_t size, size_t& received, int timeoutMs, CFtpError& error);

private:
    explicit CSocket(int fd) : m_fd(fd) {}
    bool WaitFor(short events, int timeoutMs, CFtpError& error) const;

    int m_fd = -1;
    std::function<bool()> m_cancelled;
    ECancelScope m_cancelScope = ECancelScope::WaitsUnderWay;
};

}  // namespace velmora::protocol
