#include "support/fake_ftp_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "support/loopback.h"

namespace velmora::test {

namespace {

// A safety bound for every wait of a script: long enough for any client
// time-out a test configures, short enough that a broken test still ends.
constexpr int kWaitMs = 30000;

int ListenOrThrow(uint16_t& port) {
    const int fd = ListenOnLoopback(port, 4);
    if (fd < 0) throw std::runtime_error("cannot listen on the loopback address");
    return fd;
}

// Blocking sends get the same bound as the waits.
// Bounded sends, each sent at once: replies that follow one the client does
// not answer (150, then 226) would otherwise wait for its delayed ACK.
void BoundSends(int fd) {
    const timeval bound{kWaitMs / 1000, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

bool SendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(sent));
    }
    return true;
}

}  // namespace

// ---- FakeFtpSession ----

FakeFtpSession::FakeFtpSession(int control, int stopFd, std::function<void(const std::string&)> record)
    : m_control(control), m_stopFd(stopFd), m_record(std::move(record)) {}

FakeFtpSession::~FakeFtpSession() { Hangup(); }

bool FakeFtpSession::IsStopping() const {
    pollfd entry{m_stopFd, POLLIN, 0};
    return ::poll(&entry, 1, 0) > 0;
}

bool FakeFtpSession::WaitReadable(int fd) const {
    pollfd entries[2] = {{fd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
    return ::poll(entries, 2, kWaitMs) > 0 && entries[1].revents == 0 && entries[0].revents != 0;
}

std::optional<std::string> FakeFtpSession::ReadCommand() {
    // Nothing of the command has come yet: the client waited for the server.
    if (m_buffer.empty()) ++m_turns;
    for (;;) {
        const size_t end = m_buffer.find("\r\n");
        if (end != std::string::npos) {
            std::string line = m_buffer.substr(0, end);
            m_buffer.erase(0, end + 2);
            m_record(line);
            return line;
        }
        char chunk[1024];
        if (m_control < 0 || !WaitReadable(m_control)) return std::nullopt;
        const ssize_t count = ::recv(m_control, chunk, sizeof chunk, 0);
        if (count <= 0) return std::nullopt;
        m_buffer.append(chunk, static_cast<size_t>(count));
    }
}

bool FakeFtpSession::Expect(std::string_view verb, std::string_view reply) {
    const auto command = ReadCommand();
    return command && command->rfind(verb, 0) == 0 && Reply(reply);
}

bool FakeFtpSession::Reply(std::string_view line) { return SendRaw(std::string(line) + "\r\n"); }

bool FakeFtpSession::SendRaw(std::string_view bytes) { return m_control >= 0 && SendAll(m_control, bytes); }

bool FakeFtpSession::Login() {
    return Reply("220 fake server") && Expect("FEAT", "502 no features here") &&
           Expect("USER", "331 password please") && Expect("PASS", "230 welcome") && Expect("TYPE", "200 binary") &&
           Expect("PWD", "257 \"/\"");
}

uint16_t FakeFtpSession::ListenForData() {
    CloseFd(m_dataListener);
    uint16_t port = 0;
    m_dataListener = ListenOrThrow(port);
    return port;
}

bool FakeFtpSession::AcceptData() {
    if (m_dataListener < 0 || !WaitReadable(m_dataListener)) return false;
    m_data = ::accept4(m_dataListener, nullptr, nullptr, SOCK_CLOEXEC);
    if (m_data >= 0) BoundSends(m_data);
    return m_data >= 0;
}

bool FakeFtpSession::SendData(std::string_view bytes) { return m_data >= 0 && SendAll(m_data, bytes); }

std::string FakeFtpSession::ReceiveDataToEnd() {
    std::string received;
    char chunk[16384];
    while (m_data >= 0 && WaitReadable(m_data)) {
        const ssize_t count = ::recv(m_data, chunk, sizeof chunk, 0);
        if (count <= 0) break;
        received.append(chunk, static_cast<size_t>(count));
    }
    return received;
}

void FakeFtpSession::CloseData() {
    CloseFd(m_data);
    CloseFd(m_dataListener);
}

void FakeFtpSession::Hangup() {
    CloseData();
    CloseFd(m_control);
}

void FakeFtpSession::WaitForClientToLeave() {
    while (const auto command = ReadCommand()) {
        // A client that says goodbye waits for the answer before it hangs up.
        if (command->rfind("QUIT", 0) == 0) {
            Reply("221 Goodbye");
            return;
        }
    }
}

// ---- FakeFtpServer ----

FakeFtpServer::FakeFtpServer(Script script) : m_script(std::move(script)) {
    if (::pipe2(m_stopPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    m_listener = ListenOrThrow(m_port);
    m_thread = std::thread([this] { Run(); });
}

FakeFtpServer::~FakeFtpServer() {
    const char stop = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_stopPipe[1], &stop, 1);
    m_thread.join();
    CloseFd(m_listener);
    CloseFd(m_stopPipe[0]);
    CloseFd(m_stopPipe[1]);
}

std::vector<std::string> FakeFtpServer::GetCommands() const {
    std::lock_guard lock(m_mutex);
    return m_commands;
}

void FakeFtpServer::Run() {
    auto record = [this](const std::string& line) {
        std::lock_guard lock(m_mutex);
        m_commands.push_back(line);
    };
    for (;;) {
        pollfd entries[2] = {{m_listener, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
        if (::poll(entries, 2, -1) <= 0 || entries[1].revents != 0) return;
        const int control = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (control < 0) continue;
        BoundSends(control);
        FakeFtpSession session(control, m_stopPipe[0], record);
        m_script(session);
    }
}

}  // namespace velmora::test
