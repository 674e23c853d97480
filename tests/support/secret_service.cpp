#include "support/secret_service.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>

extern char** environ;

namespace velmora::test {
namespace {

constexpr int kBoundMs = 20000;
constexpr const char* kUnlockPassword = "keyring-test";

const char* const kPrograms[] = {"dbus-run-session", "dbus-send", "gnome-keyring-daemon", "secret-tool"};

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    for (size_t start = 0; start <= dirs.size();) {
        const size_t end = std::min(dirs.find(':', start), dirs.size());
        if (::access((dirs.substr(start, end - start) + "/" + program).c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

// What a child's output pipe gives within the bound: everything up to its
// end, or (lineOnly) up to the first line end.
bool ReadBounded(int fd, std::string& text, bool lineOnly) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBoundMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd entry{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) <= 0) return false;
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, lineOnly ? 1 : sizeof buffer);
        if (n <= 0) return !lineOnly;
        if (lineOnly && buffer[0] == '\n') return true;
        text.append(buffer, static_cast<size_t>(n));
    }
}

bool WaitBounded(int pid, int& status) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBoundMs);
    while (std::chrono::steady_clock::now() < deadline) {
        const int done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) return true;
        if (done < 0) return false;
        // The child ends on its own a moment after its output closed.
        ::poll(nullptr, 0, 5);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return false;
}

struct Child {
    int pid = -1;
    int inFd = -1;   // its standard input, ours to write
    int outFd = -1;  // its standard output, ours to read
};

// Starts `arguments` with pipes on standard input and output, standard
// error discarded or (withErrors) on the output pipe too, and `env` laid
// over this process's environment.
bool Spawn(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& env, Child& child,
           bool withErrors = false) {
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return false;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return false;
    }
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text(*entry);
        if (!env.count(text.substr(0, text.find('=')))) environment.push_back(text);
    }
    for (const auto& [name, value] : env) environment.push_back(name + "=" + value);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    if (withErrors) {
        posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(in[1]);
        ::close(out[0]);
        return false;
    }
    child = {pid, in[1], out[0]};
    return true;
}

}  // namespace

SecretServiceSession::SecretServiceSession() = default;

SecretServiceSession::~SecretServiceSession() { Stop(); }

bool SecretServiceSession::Start() {
    for (const char* program : kPrograms) {
        if (!OnPath(program)) {
            m_error = std::string("no Secret Service for this test: ") + program +
                      " is missing (make deps installs gnome-keyring, dbus and libsecret-tools)";
            return false;
        }
    }
    const std::string runtime = m_dir / "run";
    std::filesystem::create_directories(runtime);
    ::chmod(runtime.c_str(), 0700);
    // The daemon unlocks (and first creates) the login keyring with the
    // password on its standard input; the shell then holds the session
    // open until its own standard input, our pipe, closes.
    const std::string script = std::string("printf '%s' '") + kUnlockPassword +
                               "' | gnome-keyring-daemon --unlock --components=secrets >/dev/null 2>&1"
                               " && echo \"$DBUS_SESSION_BUS_ADDRESS\"; exec cat >/dev/null";
    Child child;
    if (!Spawn({"dbus-run-session", "--", "sh", "-c", script},
               {{"XDG_DATA_HOME", m_dir / "data"}, {"XDG_RUNTIME_DIR", runtime}}, child)) {
        m_error = "cannot start dbus-run-session";
        return false;
    }
    m_pid = child.pid;
    m_holdFd = child.inFd;
    const bool started = ReadBounded(child.outFd, m_address, /*lineOnly=*/true) && !m_address.empty();
    ::close(child.outFd);
    if (started) return true;
    m_error = "the keyring daemon did not start in its D-Bus session";
    Stop();
    return false;
}

void SecretServiceSession::Stop() {
    if (m_holdFd >= 0) ::close(m_holdFd);
    m_holdFd = -1;
    int status = 0;
    if (m_pid > 0) WaitBounded(m_pid, status);
    m_pid = -1;
}

namespace {

// Runs a program in the session, `input` on its standard input; false when it
// could not be run or did not end within the bound. secret-tool prints
// attributes on standard error.
bool RunIn(const SecretServiceSession& session, std::vector<std::string> arguments, const std::string& input,
           std::string& output, int& status, bool withErrors = false) {
    Child child;
    if (!Spawn(arguments, session.Environment(), child, withErrors)) return false;
    const bool written = input.empty() || ::write(child.inFd, input.data(), input.size()) ==
                                              static_cast<ssize_t>(input.size());
    ::close(child.inFd);
    const bool read = ReadBounded(child.outFd, output, /*lineOnly=*/false);
    ::close(child.outFd);
    return WaitBounded(child.pid, status) && written && read;
}

std::vector<std::string> Command(std::vector<std::string> command, const std::vector<std::string>& attributes) {
    command.insert(command.end(), attributes.begin(), attributes.end());
    return command;
}

}  // namespace

std::string SecretServiceSession::Lookup(const std::vector<std::string>& attributes) const {
    std::string output;
    int status = 0;
    if (!RunIn(*this, Command({"secret-tool", "lookup"}, attributes), {}, output, status) || status != 0) return {};
    return output;
}

std::string SecretServiceSession::Search(const std::vector<std::string>& attributes) const {
    std::string output;
    int status = 0;
    RunIn(*this, Command({"secret-tool", "search", "--all"}, attributes), {}, output, status, /*withErrors=*/true);
    return output;
}

bool SecretServiceSession::Store(const std::string& label, const std::string& secret,
                                 const std::vector<std::string>& attributes) const {
    std::string output;
    int status = 0;
    return RunIn(*this, Command({"secret-tool", "store", "--label=" + label}, attributes), secret, output, status) &&
           WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool SecretServiceSession::Clear(const std::vector<std::string>& attributes) const {
    std::string output;
    int status = 0;
    return RunIn(*this, Command({"secret-tool", "clear"}, attributes), {}, output, status) && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

bool SecretServiceSession::Lock() const {
    std::string output;
    int status = 0;
    return RunIn(*this,
                 {"dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.secrets", "/org/freedesktop/secrets",
                  "org.freedesktop.Secret.Service.Lock", "array:objpath:/org/freedesktop/secrets/collection/login"},
                 {}, output, status) &&
           WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

SecretServiceSession* ProcessSecretService(std::string& error) {
    static std::unique_ptr<SecretServiceSession> session;
    static std::string failure;
    if (!session && failure.empty()) {
        auto started = std::make_unique<SecretServiceSession>();
        if (started->Start()) {
            ::setenv("DBUS_SESSION_BUS_ADDRESS", started->Address().c_str(), 1);
            session = std::move(started);
        } else {
            failure = started->GetError();
        }
    }
    error = failure;
    return session.get();
}

}  // namespace velmora::test
