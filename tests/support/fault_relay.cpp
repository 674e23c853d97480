#include "support/fault_relay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <utility>

namespace velmora::test {
namespace {

// A bound for every wait, so that a broken test still ends.
constexpr int kWaitBoundMs = 30000;

int Listen(uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

int Connect(const std::string& host, uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1 ||
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool SendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

bool SendLine(int fd, const std::string& line) { return SendAll(fd, line.data(), line.size()); }

// Closes with a reset instead of an orderly end.
void Reset(int fd) {
    const linger now{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &now, sizeof now);
    ::close(fd);
}

// Waits until one of `fds` is readable or the relay stops; false on stop or time-out.
bool WaitReadable(std::vector<pollfd>& fds, int stopFd) {
    fds.push_back({stopFd, POLLIN, 0});
    const int ready = ::poll(fds.data(), fds.size(), kWaitBoundMs);
    const bool stopping = fds.back().revents != 0;
    fds.pop_back();
    return ready > 0 && !stopping;
}

// Cuts complete lines (with their CRLF) off the front of `buffer`.
bool TakeLine(std::string& buffer, std::string& line) {
    const size_t end = buffer.find('\n');
    if (end == std::string::npos) return false;
    line = buffer.substr(0, end + 1);
    buffer.erase(0, end + 1);
    return true;
}

// The data port a 227 or 229 reply names.
bool PassivePort(const std::string& line, uint16_t& port) {
    unsigned a, b, c, d, high, low, number;
    const size_t open = line.find('(');
    if (open == std::string::npos) return false;
    if (line.rfind("229", 0) == 0 && std::sscanf(line.c_str() + open, "(|||%u|)", &number) == 1) {
        port = static_cast<uint16_t>(number);
        return true;
    }
    if (line.rfind("227", 0) == 0 &&
        std::sscanf(line.c_str() + open, "(%u,%u,%u,%u,%u,%u)", &a, &b, &c, &d, &high, &low) == 6) {
        port = static_cast<uint16_t>(high * 256 + low);
        return true;
    }
    return false;
}

// One more of at most `limit` (-1: no limit), counted in `done`.
bool TakeOne(std::atomic<int>& done, int limit) {
    int count = done.load();
    if (limit < 0) {
        ++done;
        return true;
    }
    while (count < limit) {
        if (done.compare_exchange_weak(count, count + 1)) return true;
    }
    return false;
}

}  // namespace

FaultRelay::FaultRelay(std::string serverHost, uint16_t serverPort, FaultPlan plan)
    : m_host(std::move(serverHost)), m_serverPort(serverPort), m_plan(plan) {}

FaultRelay::~FaultRelay() {
    if (m_stop[1] >= 0) {
        const char byte = 0;
        (void)!::write(m_stop[1], &byte, 1);
    }
    // Threads may still add threads until the accept loop is joined.
    for (size_t i = 0;; ++i) {
        std::thread thread;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (i >= m_threads.size()) break;
            thread = std::move(m_threads[i]);
        }
        if (thread.joinable()) thread.join();
    }
    if (m_listener >= 0) ::close(m_listener);
    for (const int fd : m_stop) {
        if (fd >= 0) ::close(fd);
    }
}

bool FaultRelay::Start() {
    if (::pipe2(m_stop, O_CLOEXEC) != 0) return false;
    m_listener = Listen(m_port);
    if (m_listener < 0) return false;
    Spawn(std::thread(&FaultRelay::AcceptLoop, this));
    return true;
}

void FaultRelay::Spawn(std::thread thread) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_threads.push_back(std::move(thread));
}

std::vector<std::string> FaultRelay::GetCommands() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_commands;
}

std::vector<std::string> FaultRelay::GetCommands(const std::string& verb) const {
    std::vector<std::string> matching;
    for (const std::string& command : GetCommands()) {
        if (command.rfind(verb, 0) == 0) matching.push_back(command);
    }
    return matching;
}

void FaultRelay::Record(const std::string& command) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_commands.push_back(command);
}

bool FaultRelay::ResetsLeft() const {
    return !m_bResetsStopped && (m_plan.resets < 0 || m_resetsDone.load() < m_plan.resets);
}

bool FaultRelay::ShouldReset() { return !m_bResetsStopped && TakeOne(m_resetsDone, m_plan.resets); }

bool FaultRelay::ShouldStall() {
    if (!TakeOne(m_stallsDone, m_plan.stalls)) return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stallSignal.notify_all();
    return true;
}

bool FaultRelay::WaitForStall(std::chrono::milliseconds bound) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_stallSignal.wait_for(lock, bound, [this] { return m_stallsDone.load() > 0; });
}

bool FaultRelay::ShouldDropControl() {
    return m_plan.dropControlAfterTransfers > 0 && ++m_transfers == m_plan.dropControlAfterTransfers;
}

bool FaultRelay::IsHiddenFeature(const std::string& line) const {
    // Features are the lines of the FEAT reply that start with a blank.
    if (line.empty() || line[0] != ' ') return false;
    const size_t start = line.find_first_not_of(' ');
    const size_t end = line.find_first_of(" \r\n", start);
    const std::string name = start == std::string::npos ? std::string() : line.substr(start, end - start);
    return std::find(m_plan.hideFeatures.begin(), m_plan.hideFeatures.end(), name) != m_plan.hideFeatures.end();
}

void FaultRelay::AcceptLoop() {
    for (;;) {
        std::vector<pollfd> fds{{m_listener, POLLIN, 0}};
        if (!WaitReadable(fds, m_stop[0])) return;
        const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        const int index = ++m_sessions;
        Spawn(std::thread(&FaultRelay::RunSession, this, client, index));
    }
}

void FaultRelay::RunSession(int client, int index) {
    const int server = Connect(m_host, m_serverPort);
    const bool refuseLogin = m_plan.sessionsAllowed >= 0 && index > m_plan.sessionsAllowed;
    const bool stripTls = m_plan.stripTlsAfterSessions >= 0 && index > m_plan.stripTlsAfterSessions;
    std::string fromClient;
    std::string fromServer;
    bool open = server >= 0;
    bool encrypted = false;  // after a 234: TLS records, passed on as they come
    while (open) {
        std::vector<pollfd> fds{{client, POLLIN, 0}, {server, POLLIN, 0}};
        if (!WaitReadable(fds, m_stop[0])) break;
        char buffer[4096];
        std::string line;
        if (encrypted) {
            const int from = fds[0].revents != 0 ? client : server;
            const ssize_t count = ::recv(from, buffer, sizeof buffer, 0);
            open = count > 0 && SendAll(from == client ? server : client, buffer, static_cast<size_t>(count));
            continue;
        }
        if (fds[0].revents != 0) {
            const ssize_t count = ::recv(client, buffer, sizeof buffer, 0);
            if (count <= 0) break;
            fromClient.append(buffer, static_cast<size_t>(count));
            while (open && TakeLine(fromClient, line)) {
                Record(line.substr(0, line.find_first_of("\r\n")));
                if (stripTls && line.rfind("AUTH", 0) == 0) {
                    open = SendLine(client, "502 Command not implemented.\r\n");
                } else if (m_plan.refuseRest && line.rfind("REST", 0) == 0) {
                    open = SendLine(client, "502 REST not implemented.\r\n");
                } else if (refuseLogin && line.rfind("PASS", 0) == 0) {
                    open = SendLine(client, "530 Login incorrect.\r\n");
                } else {
                    open = SendLine(server, line);
                }
            }
        }
        if (open && fds[1].revents != 0) {
            const ssize_t count = ::recv(server, buffer, sizeof buffer, 0);
            if (count <= 0) break;
            fromServer.append(buffer, static_cast<size_t>(count));
            while (open && TakeLine(fromServer, line)) {
                if (m_plan.replyDelayMs > 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(m_plan.replyDelayMs));
                uint16_t port = 0;
                if (PassivePort(line, port)) {
                    const uint16_t relayPort = OpenDataPipe(port);
                    line = line.rfind("229", 0) == 0
                               ? "229 Entering Extended Passive Mode (|||" + std::to_string(relayPort) + "|)\r\n"
                               : "227 Entering Passive Mode (127,0,0,1," + std::to_string(relayPort / 256) + "," +
                                     std::to_string(relayPort % 256) + ").\r\n";
                }
                if (m_plan.refuseRest && line.find("REST STREAM") != std::string::npos) continue;
                if (stripTls && line.find("AUTH TLS") != std::string::npos) continue;
                if (IsHiddenFeature(line)) continue;
                open = SendLine(client, line);
                // The TLS handshake follows the 234 at once; the server sends
                // nothing more in clear.
                if (open && line.rfind("234", 0) == 0) {
                    encrypted = true;
                    open = fromClient.empty() || SendAll(server, fromClient.data(), fromClient.size());
                    break;
                }
                if (open && line.rfind("226", 0) == 0 && ShouldDropControl()) open = false;
            }
        }
    }
    ::close(client);
    if (server >= 0) ::close(server);
}

uint16_t FaultRelay::OpenDataPipe(uint16_t serverPort) {
    uint16_t port = 0;
    const int listener = Listen(port);
    if (listener >= 0) Spawn(std::thread(&FaultRelay::RunDataPipe, this, listener, serverPort));
    return port;
}

void FaultRelay::RunDataPipe(int listener, uint16_t serverPort) {
    std::vector<pollfd> waiting{{listener, POLLIN, 0}};
    const int client = WaitReadable(waiting, m_stop[0]) ? ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC) : -1;
    ::close(listener);
    if (client < 0) return;
    const int server = Connect(m_host, serverPort);
    if (server < 0) {
        ::close(client);
        return;
    }
    // Each side is passed on to the other until both have ended.
    const int ends[2] = {client, server};
    bool ended[2] = {false, false};
    uint64_t carried = 0;
    uint64_t toClient = 0;
    uint64_t toServer = 0;
    bool reset = false;
    enum { kUndecided, kStalls, kPasses } stall = kUndecided;
    const auto stalls = [&](uint64_t after, uint64_t carriedThatWay) {
        if (after == 0 || carriedThatWay < after) return false;
        if (stall == kUndecided) stall = ShouldStall() ? kStalls : kPasses;
        return stall == kStalls;
    };
    const auto stalled = [&] { return stalls(m_plan.stallDataAfter, toClient); };
    const auto uploadStalled = [&] { return stalls(m_plan.stallUploadAfter, toServer); };
    while (!(ended[0] && ended[1]) && !reset && !(ended[0] && stalled())) {
        std::vector<pollfd> fds{{ended[0] || uploadStalled() ? -1 : client, POLLIN, 0},
                                {ended[1] || stalled() ? -1 : server, POLLIN, 0}};
        if (!WaitReadable(fds, m_stop[0])) break;
        for (int side = 0; side < 2 && !reset; ++side) {
            if (fds[side].revents == 0) continue;
            char buffer[65536];
            size_t room = sizeof buffer;
            // Exactly up to the cut while a reset is due.
            if (carried < m_plan.resetDataAfter && m_plan.resetDataAfter - carried < room && ResetsLeft())
                room = static_cast<size_t>(m_plan.resetDataAfter - carried);
            if (side == 1 && m_plan.stallDataAfter > toClient)
                room = static_cast<size_t>(std::min<uint64_t>(room, m_plan.stallDataAfter - toClient));
            if (side == 0 && m_plan.stallUploadAfter > toServer)
                room = static_cast<size_t>(std::min<uint64_t>(room, m_plan.stallUploadAfter - toServer));
            const ssize_t count = ::recv(ends[side], buffer, room, 0);
            if (count <= 0) {
                ended[side] = true;
                ::shutdown(ends[1 - side], SHUT_WR);
                continue;
            }
            const auto flipAt = static_cast<uint64_t>(m_plan.flipDataAt);
            if (m_plan.flipDataAt >= 0 && flipAt >= carried && flipAt < carried + static_cast<uint64_t>(count) &&
                TakeOne(m_flipsDone, m_plan.flips))
                buffer[flipAt - carried] = static_cast<char>(~buffer[flipAt - carried]);
            if (!SendAll(ends[1 - side], buffer, static_cast<size_t>(count))) {
                ended[0] = ended[1] = true;
                break;
            }
            carried += static_cast<uint64_t>(count);
            if (side == 1) toClient += static_cast<uint64_t>(count);
            if (side == 0) toServer += static_cast<uint64_t>(count);
            m_dataBytes += static_cast<uint64_t>(count);
            reset = m_plan.resetDataAfter > 0 && carried >= m_plan.resetDataAfter && ShouldReset();
        }
    }
    if (reset) {
        // The client sees its connection reset. The server's side ends in
        // order, so that it keeps all it was given (a reset would make its
        // system drop what it had not read yet, and some servers then never
        // answer the transfer).
        Reset(client);
        ::shutdown(server, SHUT_WR);
        ::close(server);
        return;
    }
    ::close(client);
    ::close(server);
}

}  // namespace velmora::test
