#include "support/stream_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velmora::test {

namespace {

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace

StreamRelay::StreamRelay(uint16_t serverPort, StreamFaults faults) : m_serverPort(serverPort), m_faults(faults) {}

StreamRelay::~StreamRelay() {
    if (m_wake[1] >= 0) (void)::write(m_wake[1], "x", 1);
    if (m_acceptor.joinable()) m_acceptor.join();
    for (std::thread& thread : m_threads) thread.join();
    for (int fd : {m_listener, m_wake[0], m_wake[1]}) {
        if (fd >= 0) ::close(fd);
    }
}

bool StreamRelay::Start() {
    if (::pipe(m_wake) != 0) return false;
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 16) != 0 || ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return false;
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { AcceptLoop(); });
    return true;
}

void StreamRelay::AcceptLoop() {
    for (;;) {
        pollfd fds[2] = {{m_listener, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 || fds[1].revents) return;
        const int client = ::accept(m_listener, nullptr, nullptr);
        if (client < 0) continue;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_threads.emplace_back([this, client] { Pass(client); });
    }
}

bool StreamRelay::WaitForStall(std::chrono::milliseconds bound) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_stallSignal.wait_for(lock, bound, [this] { return m_stalled; });
}

void StreamRelay::Pass(int client) {
    const int server = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = Loopback(m_serverPort);
    if (server < 0 || ::connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(client);
        if (server >= 0) ::close(server);
        return;
    }
    uint64_t toClient = 0;
    char buffer[16384];
    for (;;) {
        const bool stalled = m_faults.stallAfterBytes && toClient >= m_faults.stallAfterBytes;
        pollfd fds[3] = {{client, POLLIN, 0}, {stalled ? -1 : server, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0 || fds[2].revents) break;
        if (fds[0].revents) {
            const ssize_t got = ::read(client, buffer, sizeof buffer);
            if (got <= 0 || ::send(server, buffer, static_cast<size_t>(got), MSG_NOSIGNAL) != got) break;
        }
        if (fds[1].revents) {
            size_t want = sizeof buffer;
            if (m_faults.stallAfterBytes) want = std::min<uint64_t>(want, m_faults.stallAfterBytes - toClient);
            const ssize_t got = ::read(server, buffer, want);
            if (got > 0 && m_faults.delayMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(m_faults.delayMs));
            if (got <= 0 || ::send(client, buffer, static_cast<size_t>(got), MSG_NOSIGNAL) != got) break;
            toClient += static_cast<uint64_t>(got);
            if (m_faults.stallAfterBytes && toClient >= m_faults.stallAfterBytes) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_stalled = true;
                m_stallSignal.notify_all();
            }
            if (m_faults.resetAfterBytes && toClient >= m_faults.resetAfterBytes && !m_resetDone.exchange(true)) {
                // A zero linger time makes close send a reset instead of an orderly end.
                const linger reset{1, 0};
                ::setsockopt(client, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
                break;
            }
        }
    }
    ::close(client);
    ::close(server);
}

}  // namespace velmora::test
