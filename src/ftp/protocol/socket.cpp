#include "ftp/protocol/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>
#include <utility>

#include "base/format.h"

namespace velmora::protocol {

namespace {

static_assert(sizeof(sockaddr_storage) <= CSocketAddress::kCapacity);

// How long a wait with a cancel question goes before it asks again.
constexpr int kCancelSliceMs = 20;

std::string SystemText(int code) { return std::generic_category().message(code); }

const sockaddr* AsSockaddr(const CSocketAddress& address) {
    return static_cast<const sockaddr*>(address.Data());
}

int Family(const CSocketAddress& address) { return AsSockaddr(address)->sa_family; }

bool FailFromErrno(int code, CFtpError& error) {
    if (code == EPIPE || code == ECONNRESET) return error.Set(EFtpError::Closed, "Connection reset by server");
    return error.Set(EFtpError::Closed, SystemText(code));
}

int OpenStreamSocket(int family) {
    return ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
}

}  // namespace

const char kTimedOutText[] = "Connection timed out";
const char kClosedText[] = "Connection closed by server";

TDeadline DeadlineAfter(int timeoutMs) { return std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs); }

int RemainingMs(TDeadline deadline) {
    using namespace std::chrono;
    const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// ---- CSocketAddress ----

bool CSocketAddress::IsIPv6() const { return m_length != 0 && Family(*this) == AF_INET6; }

uint16_t CSocketAddress::GetPort() const {
    if (m_length == 0) return 0;
    if (IsIPv6()) return ntohs(reinterpret_cast<const sockaddr_in6*>(m_storage)->sin6_port);
    return ntohs(reinterpret_cast<const sockaddr_in*>(m_storage)->sin_port);
}

void CSocketAddress::SetPort(uint16_t port) {
    if (m_length == 0) return;
    if (IsIPv6())
        reinterpret_cast<sockaddr_in6*>(m_storage)->sin6_port = htons(port);
    else
        reinterpret_cast<sockaddr_in*>(m_storage)->sin_port = htons(port);
}

std::string CSocketAddress::GetHostText() const {
    if (m_length == 0) return {};
    char text[INET6_ADDRSTRLEN] = {};
    const void* address = IsIPv6() ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(m_storage)->sin6_addr)
                                   : static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(m_storage)->sin_addr);
    if (!inet_ntop(Family(*this), address, text, sizeof text)) return {};
    return text;
}

bool CSocketAddress::IsSameHost(const CSocketAddress& other) const {
    if (m_length == 0 || other.m_length == 0 || Family(*this) != Family(other)) return false;
    if (IsIPv6()) {
        const auto* a = reinterpret_cast<const sockaddr_in6*>(m_storage);
        const auto* b = reinterpret_cast<const sockaddr_in6*>(other.m_storage);
        return std::memcmp(&a->sin6_addr, &b->sin6_addr, sizeof a->sin6_addr) == 0;
    }
    return reinterpret_cast<const sockaddr_in*>(m_storage)->sin_addr.s_addr ==
           reinterpret_cast<const sockaddr_in*>(other.m_storage)->sin_addr.s_addr;
}

// ---- CSocket ----

CSocket::~CSocket() { Close(); }

CSocket::CSocket(CSocket&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_cancelled(std::move(other.m_cancelled)),
      m_cancelScope(other.m_cancelScope) {}

CSocket& CSocket::operator=(CSocket&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
        m_cancelled = std::move(other.m_cancelled);
        m_cancelScope = other.m_cancelScope;
    }
    return *this;
}

void CSocket::Close() {
    if (m_fd >= 0) ::close(std::exchange(m_fd, -1));
}

void CSocket::Abandon() {
    if (m_fd < 0) return;
    ::shutdown(m_fd, SHUT_RDWR);
    Close();
}

void CSocket::ShutdownSend() {
    if (m_fd >= 0) ::shutdown(m_fd, SHUT_WR);
}

bool CSocket::WaitFor(short events, int timeoutMs, CFtpError& error) const {
    const TDeadline deadline = DeadlineAfter(timeoutMs);
    pollfd entry{m_fd, events, 0};
    // A wait that begins after the cancel (a cancelled job's clean-up) runs
    // as usual, unless the socket hears a cancel in every wait.
    const bool cancelledBefore = m_cancelScope == ECancelScope::WaitsUnderWay && IsCancelled();
    for (;;) {
        // With a cancel question the wait goes in short slices, so that a
        // cancel is heard at once even when the peer stays silent.
        const int slice = m_cancelled ? std::min(RemainingMs(deadline), kCancelSliceMs) : RemainingMs(deadline);
        const int ready = ::poll(&entry, 1, slice);
        if (ready > 0) return true;  // errors and hang-ups surface in the call that follows
        if (ready < 0 && errno != EINTR) return FailFromErrno(errno, error);
        if (!cancelledBefore && IsCancelled()) return error.Set(EFtpError::Cancelled, "Cancelled");
        if (ready == 0 && RemainingMs(deadline) == 0) return error.Set(EFtpError::TimedOut, kTimedOutText);
    }
}

bool CSocket::Connect(const std::string& host, uint16_t port, int timeoutMs, int rounds, CFtpError& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const int status = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (status != 0)
        return error.Set(EFtpError::Connect, Format("Cannot resolve host name %s: %s", host.c_str(), gai_strerror(status)));
    for (int round = 0; round < (rounds > 0 ? rounds : 1) && !IsOpen(); ++round) {
        for (const addrinfo* entry = found; entry && !IsOpen(); entry = entry->ai_next) {
            if (entry->ai_addrlen > CSocketAddress::kCapacity) continue;
            CSocketAddress address;
            std::memcpy(address.Data(), entry->ai_addr, entry->ai_addrlen);
            address.SetLength(entry->ai_addrlen);
            Connect(address, timeoutMs, error);
        }
    }
    ::freeaddrinfo(found);
    return IsOpen();
}

bool CSocket::Connect(const CSocketAddress& address, int timeoutMs, CFtpError& error) {
    Close();
    const int fd = OpenStreamSocket(Family(address));
    if (fd < 0) return error.Set(EFtpError::Connect, SystemText(errno));
    CSocket candidate(fd);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const std::string where = Format("%s port %u", address.GetHostText().c_str(), static_cast<unsigned>(address.GetPort()));
    if (::connect(fd, AsSockaddr(address), address.GetLength()) != 0) {
        if (errno != EINPROGRESS) return error.Set(EFtpError::Connect, "Cannot connect to " + where + ": " + SystemText(errno));
        if (!candidate.WaitFor(POLLOUT, timeoutMs, error)) return false;
        int code = 0;
        socklen_t length = sizeof code;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &code, &length) != 0) code = errno;
        if (code != 0) return error.Set(EFtpError::Connect, "Cannot connect to " + where + ": " + SystemText(code));
    }
    *this = std::move(candidate);
    return true;
}

bool CSocket::Listen(const CSocketAddress& local, CFtpError& error) {
    Close();
    const int fd = OpenStreamSocket(Family(local));
    if (fd < 0) return error.Set(EFtpError::Connect, SystemText(errno));
    CSocket candidate(fd);
    if (::bind(fd, AsSockaddr(local), local.GetLength()) != 0 || ::listen(fd, 1) != 0)
        return error.Set(EFtpError::Connect, "Cannot listen for a data connection: " + SystemText(errno));
    *this = std::move(candidate);
    return true;
}

bool CSocket::Accept(CSocket& accepted, CSocketAddress& peer, int timeoutMs, CFtpError& error) {
    if (!WaitFor(POLLIN, timeoutMs, error)) return false;
    socklen_t length = CSocketAddress::kCapacity;
    const int fd = ::accept4(m_fd, static_cast<sockaddr*>(peer.Data()), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return error.Set(EFtpError::Connect, "Cannot accept the data connection: " + SystemText(errno));
    peer.SetLength(length);
    accepted = CSocket(fd);
    return true;
}

bool CSocket::GetLocalAddress(CSocketAddress& address) const {
    socklen_t length = CSocketAddress::kCapacity;
    if (::getsockname(m_fd, static_cast<sockaddr*>(address.Data()), &length) != 0) return false;
    address.SetLength(length);
    return true;
}

bool CSocket::GetPeerAddress(CSocketAddress& address) const {
    socklen_t length = CSocketAddress::kCapacity;
    if (::getpeername(m_fd, static_cast<sockaddr*>(address.Data()), &length) != 0) return false;
    address.SetLength(length);
    return true;
}

bool CSocket::SendAll(const void* data, size_t size, int timeoutMs, CFtpError& error) {
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        if (!IsOpen()) return error.Set(EFtpError::Closed, kClosedText);
        const ssize_t sent = ::send(m_fd, next, size, MSG_NOSIGNAL);
        if (sent > 0) {
            next += sent;
            size -= static_cast<size_t>(sent);
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!WaitFor(POLLOUT, timeoutMs, error)) return false;
        } else if (errno != EINTR) {
            return FailFromErrno(errno, error);
        }
    }
    return true;
}

bool CSocket::Receive(void* buffer, size_t size, size_t& received, int timeoutMs, CFtpError& error) {
    received = 0;
    for (;;) {
        if (!IsOpen()) return error.Set(EFtpError::Closed, kClosedText);
        const ssize_t count = ::recv(m_fd, buffer, size, 0);
        if (count >= 0) {
            received = static_cast<size_t>(count);
            return true;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!WaitFor(POLLIN, timeoutMs, error)) return false;
        } else if (errno != EINTR) {
            return FailFromErrno(errno, error);
        }
    }
}

}  // namespace velmora::protocol
