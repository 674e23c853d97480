#include "support/recording_relay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/loopback.h"

namespace velmora::test {

namespace {

constexpr int kAcceptTimeoutMs = 20000;

int ConnectToLoopback(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

}  // namespace

RecordingRelay::RecordingRelay(uint16_t targetPort) : m_targetPort(targetPort) {
    const int listener = ListenOnLoopback(m_port, 1);
    if (listener < 0 || ::pipe2(m_stopPipe, O_CLOEXEC) != 0) return;
    m_thread = std::thread([this, listener] { Run(listener); });
}

RecordingRelay::~RecordingRelay() {
    if (m_stopPipe[1] >= 0) ::close(m_stopPipe[1]);  // wakes every poll below
    if (m_thread.joinable()) m_thread.join();
    if (m_stopPipe[0] >= 0) ::close(m_stopPipe[0]);
}

std::string RecordingRelay::GetClientBytes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_clientBytes;
}

void RecordingRelay::Run(int listener) {
    pollfd waits[2] = {{listener, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
    if (::poll(waits, 2, kAcceptTimeoutMs) > 0 && (waits[0].revents & POLLIN)) {
        const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        const int server = client >= 0 ? ConnectToLoopback(m_targetPort) : -1;
        if (server >= 0) Forward(client, server);
        if (server >= 0) ::close(server);
        if (client >= 0) ::close(client);
    }
    ::close(listener);
}

void RecordingRelay::Forward(int client, int server) {
    char buffer[65536];
    for (;;) {
        pollfd waits[3] = {{client, POLLIN, 0}, {server, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
        if (::poll(waits, 3, -1) <= 0 || waits[2].revents != 0) return;
        for (int side = 0; side < 2; ++side) {
            if (waits[side].revents == 0) continue;
            const ssize_t count = ::recv(waits[side].fd, buffer, sizeof buffer, 0);
            if (count <= 0) return;  // either side ended: the relay ends both
            if (side == 0) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_clientBytes.append(buffer, static_cast<size_t>(count));
            }
            if (::send(waits[1 - side].fd, buffer, static_cast<size_t>(count), MSG_NOSIGNAL) != count) return;
        }
    }
}

int CountTlsRecords(const std::string& stream, int contentType) {
    int count = 0;
    for (size_t at = 0; at + 5 <= stream.size();) {
        const auto byte = [&](size_t i) { return static_cast<unsigned char>(stream[at + i]); };
        if (byte(0) == contentType) ++count;
        at += 5 + (static_cast<size_t>(byte(3)) << 8 | byte(4));
    }
    return count;
}

}  // namespace velmora::test
