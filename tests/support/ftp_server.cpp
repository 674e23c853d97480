#include "support/ftp_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>

#include "support/loopback.h"

extern char** environ;

namespace velmora::test {

namespace {

constexpr int kStartTimeoutMs = 20000;
constexpr int kStopTimeoutMs = 5000;

const char kPython[] = "/usr/bin/python3";

std::string ScriptPath() { return std::string(VELMORA_SOURCE_DIR) + "/tests/support/ftpd.py"; }

// Reads one line from `fd` within `timeoutMs`; false on time-out or end of file.
bool ReadLine(int fd, std::string& line, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    line.clear();
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd entry{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) <= 0) return false;
        char c = 0;
        if (::read(fd, &c, 1) != 1) return false;
        if (c == '\n') return true;
        line += c;
    }
}

}  // namespace

FtpServer::FtpServer(FtpServerOptions options) : m_options(std::move(options)) {}

FtpServer::~FtpServer() { Stop(); }

std::string FtpServer::Path(const std::string& remote) const {
    return remote.empty() || remote.front() != '/' ? m_root / remote : m_root.path() + remote;
}

bool FtpServer::Fail(const std::string& error) {
    m_error = error;
    Stop();
    return false;
}

int FtpServer::Received(const std::string& command) const {
    std::ifstream log(m_options.commandLog);
    int count = 0;
    // A command with arguments, or one alone on its line (MLSD, LIST).
    const std::string word = "<- " + command;
    for (std::string line; std::getline(log, line);) {
        count += line.find(word + " ") != std::string::npos || line.ends_with(word);
    }
    return count;
}

int FtpServer::OpenSessions() const {
    std::ifstream log(m_options.commandLog);
    int open = 0;
    for (std::string line; std::getline(log, line);) {
        if (line.find("FTP session opened") != std::string::npos) ++open;
        if (line.find("FTP session closed") != std::string::npos) --open;
    }
    return open;
}

bool FtpServer::Start() {
    if (IsRunning()) return true;
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return Fail("pipe failed");
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return Fail("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    const std::string script = ScriptPath();
    const bool tls = !m_options.tlsCertFile.empty() && !m_options.tlsKeyFile.empty();
    const std::string commandLog = "--command-log=" + m_options.commandLog;
    std::vector<const char*> argv = {kPython, script.c_str(), m_root.path().c_str(), "0", m_options.user.c_str(),
                                     m_options.password.c_str(), m_options.host.c_str()};
    if (!m_options.commandLog.empty()) argv.push_back(commandLog.c_str());
    const std::string sessionLimit = "--max-cons-per-ip=" + std::to_string(m_options.maxSessionsPerAddress);
    if (m_options.maxSessionsPerAddress > 0) argv.push_back(sessionLimit.c_str());
    const std::string without = "--without=" + m_options.without;
    if (!m_options.without.empty()) argv.push_back(without.c_str());
    if (tls && m_options.tlsOptional) argv.push_back("--tls-optional");
    const std::string refuseList = "--refuse-list=" + m_options.refuseList;
    if (!m_options.refuseList.empty()) argv.push_back(refuseList.c_str());
    const std::string cut = "--cut-upload-after=" + std::to_string(m_options.cutUploadAfter);
    if (m_options.cutUploadAfter > 0) argv.push_back(cut.c_str());
    std::vector<std::string> failures;
    for (const std::string& failure : m_options.failCommands) failures.push_back("--fail-command=" + failure);
    for (const std::string& failure : failures) argv.push_back(failure.c_str());
    if (tls) {
        argv.push_back(m_options.tlsCertFile.c_str());
        argv.push_back(m_options.tlsKeyFile.c_str());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int status = ::posix_spawn(&pid, kPython, &actions, nullptr, const_cast<char**>(argv.data()), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    m_stdinFd = in[1];
    m_stdoutFd = out[0];
    if (status != 0) return Fail(std::string("cannot start ") + kPython);
    m_pid = pid;
    m_pidFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    std::string line;
    if (!ReadLine(m_stdoutFd, line, kStartTimeoutMs) || line.rfind("READY ", 0) != 0)
        return Fail("the FTP server did not start: " + line);
    m_port = static_cast<uint16_t>(std::atoi(line.c_str() + 6));
    return m_port != 0 || Fail("the FTP server reported no port: " + line);
}

bool FtpServer::WaitForExit(int timeoutMs) {
    if (m_pidFd >= 0) {
        pollfd entry{m_pidFd, POLLIN, 0};
        if (::poll(&entry, 1, timeoutMs) <= 0) return false;
    }
    return ::waitpid(m_pid, nullptr, m_pidFd >= 0 ? WNOHANG : 0) == m_pid;
}

void FtpServer::Stop() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        if (!WaitForExit(kStopTimeoutMs)) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
    }
    CloseFd(m_pidFd);
    CloseFd(m_stdinFd);
    CloseFd(m_stdoutFd);
}

bool FtpServer::HasIPv6Loopback() {
    const int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

}  // namespace velmora::test
