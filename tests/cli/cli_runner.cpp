#include "cli/cli_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <thread>

#include "support/temp_dir.h"

extern char** environ;

namespace velmora::test {
namespace {

constexpr auto kRunBound = std::chrono::seconds(90);

std::vector<std::string> Environment(const std::map<std::string, std::string>& changes) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text(*entry);
        const std::string name = text.substr(0, text.find('='));
        if (!changes.count(name)) result.push_back(text);
    }
    for (const auto& [name, value] : changes) {
        if (!value.empty()) result.push_back(name + "=" + value);
    }
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Reads both pipes until both are closed or the bound has passed.
bool Drain(int outFd, int errFd, CliResult& result) {
    const auto deadline = std::chrono::steady_clock::now() + kRunBound;
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* targets[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        if (poll(fds, 2, static_cast<int>(left.count())) < 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                targets[i]->append(buffer, static_cast<size_t>(n));
            } else {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    return true;
}

// Starts the built parcelo-cli; posix_spawn's result.
int SpawnCli(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& env,
             const posix_spawn_file_actions_t* actions, const posix_spawnattr_t* attributes, pid_t& pid) {
    std::vector<std::string> args = {PARCELO_CLI_PATH};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environment = Environment(env);
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(environment);
    return posix_spawn(&pid, argv[0], actions, attributes, argv.data(), envp.data());
}

}  // namespace

CliResult RunProgram(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& env,
                     const std::string& cwd) {
    CliResult result;
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    std::vector<std::string> args = arguments;
    std::vector<std::string> environment = Environment(env);
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(environment);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    if (spawned == 0) {
        if (!Drain(out[0], err[0], result)) kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    } else {
        result.err = std::strerror(spawned);
    }
    close(out[0]);
    close(err[0]);
    return result;
}

CliResult RunCli(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& env,
                 const std::string& cwd) {
    std::vector<std::string> full = {PARCELO_CLI_PATH};
    full.insert(full.end(), arguments.begin(), arguments.end());
    return RunProgram(full, env, cwd);
}

CliResult RunCliOnTerminal(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& env,
                           const std::string& prompt, const std::string& answer) {
    CliResult result;
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd : {0, 1, 2}) posix_spawn_file_actions_adddup2(&actions, slave, fd);
    posix_spawn_file_actions_addclose(&actions, master);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    const int spawned = SpawnCli(arguments, env, &actions, &attributes, pid);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(slave);
    if (spawned != 0) {
        close(master);
        result.err = std::strerror(spawned);
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + kRunBound;
    size_t asked = 0;  // the output up to the last prompt answered
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd fd = {master, POLLIN, 0};
        if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
            kill(pid, SIGKILL);
            break;
        }
        char buffer[4096];
        const ssize_t n = read(master, buffer, sizeof buffer);
        // The terminal reports an error once the program and its output are gone.
        if (n <= 0) break;
        result.out.append(buffer, static_cast<size_t>(n));
        if (const size_t at = result.out.find(prompt, asked); at != std::string::npos) {
            const std::string line = answer + "\n";
            if (write(master, line.data(), line.size()) != static_cast<ssize_t>(line.size())) break;
            asked = at + prompt.size();
        }
    }
    close(master);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

CliProcess::CliProcess(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& env,
                       const std::string& cwd) {
    int err[2];
    if (pipe2(err, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    pid_t pid = -1;
    if (SpawnCli(arguments, env, &actions, nullptr, pid) == 0) m_pid = pid;
    posix_spawn_file_actions_destroy(&actions);
    close(err[1]);
    m_errFd = err[0];
}

CliProcess::~CliProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    if (m_errFd >= 0) close(m_errFd);
}

bool CliProcess::ReadSome() {
    pollfd fd = {m_errFd, POLLIN, 0};
    if (m_errFd < 0 || poll(&fd, 1, static_cast<int>(std::chrono::milliseconds(kRunBound).count())) <= 0) {
        return false;
    }
    char buffer[4096];
    const ssize_t n = read(m_errFd, buffer, sizeof buffer);
    if (n <= 0) return false;
    m_result.err.append(buffer, static_cast<size_t>(n));
    return true;
}

bool CliProcess::WaitForError(const std::string& text) {
    while (m_result.err.find(text) == std::string::npos) {
        if (!ReadSome()) return false;
    }
    return true;
}

void CliProcess::Signal(int signal) {
    if (m_pid > 0) kill(m_pid, signal);
}

CliResult CliProcess::Finish() {
    while (ReadSome()) {
    }
    if (m_pid > 0) {
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        m_pid = -1;
    }
    return m_result;
}

bool WaitForSize(const std::string& path, uint64_t size) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
        std::error_code error;
        const uint64_t now = std::filesystem::file_size(path, error);
        if (!error && now >= size) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool SameTree(const std::string& a, const std::string& b, std::string& difference) {
    namespace fs = std::filesystem;
    std::set<std::string> names;
    for (const std::string& root : {a, b}) {
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            names.insert(fs::relative(entry.path(), root).string());
        }
    }
    for (const std::string& name : names) {
        const fs::path left = fs::path(a) / name;
        const fs::path right = fs::path(b) / name;
        if (fs::is_directory(left) != fs::is_directory(right) || !fs::exists(left) || !fs::exists(right)) {
            difference = name + " is not in both trees alike";
            return false;
        }
        if (!fs::is_directory(left) && ReadFile(left.string()) != ReadFile(right.string())) {
            difference = name + " differs";
            return false;
        }
    }
    return true;
}

}  // namespace velmora::test
