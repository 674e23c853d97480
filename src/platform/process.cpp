#include "platform/process.h"

#include <sys/prctl.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <mutex>
#include <sstream>

#include "platform/system.h"

extern char** environ;

namespace velmora::platform {
namespace {

std::mutex g_childrenMutex;
std::vector<pid_t> g_children;

// Collects the started processes that have ended since the last call.
void ReapChildren() {
    std::erase_if(g_children, [](pid_t child) { return waitpid(child, nullptr, WNOHANG) != 0; });
}

// What a started program must not inherit: our open files and sockets, a
// blocked signal mask, an ignored SIGPIPE.
class SpawnSettings {
public:
    SpawnSettings() {
        posix_spawn_file_actions_init(&m_actions);
        posix_spawn_file_actions_addclosefrom_np(&m_actions, 3);
        posix_spawnattr_init(&m_attributes);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&m_attributes, &none);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        posix_spawnattr_setsigdefault(&m_attributes, &defaults);
        posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSettings() {
        posix_spawnattr_destroy(&m_attributes);
        posix_spawn_file_actions_destroy(&m_actions);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    const posix_spawn_file_actions_t* actions() const { return &m_actions; }
    const posix_spawnattr_t* attributes() const { return &m_attributes; }

private:
    posix_spawn_file_actions_t m_actions;
    posix_spawnattr_t m_attributes;
};

std::vector<std::string> SplitCommand(const std::string& command) {
    std::vector<std::string> words;
    std::istringstream in(command);
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

}  // namespace

bool StartProcess(const std::vector<std::string>& arguments, int* processId, std::string* error) {
    if (arguments.empty() || arguments.front().empty()) {
        if (error != nullptr) *error = "No program to start";
        return false;
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    std::lock_guard lock(g_childrenMutex);
    ReapChildren();
    pid_t child = 0;
    // glibc reports a failed exec (program not found) as the result here.
    const SpawnSettings settings;
    const int result =
        posix_spawnp(&child, argv[0], settings.actions(), settings.attributes(), argv.data(), environ);
    if (result != 0) {
        if (error != nullptr) *error = arguments.front() + ": " + SystemErrorText(result);
        return false;
    }
    g_children.push_back(child);
    if (processId != nullptr) *processId = child;
    return true;
}

bool OpenInTextEditor(std::string_view file, int* processId, std::string* error) {
    std::vector<std::vector<std::string>> candidates;
    for (const char* variable : {"VISUAL", "EDITOR"}) {
        std::vector<std::string> command = SplitCommand(GetEnvironment(variable));
        if (!command.empty()) candidates.push_back(std::move(command));
    }
    candidates.push_back({"xdg-open"});
    for (auto& command : candidates) {
        command.emplace_back(file);
        if (StartProcess(command, processId, error)) return true;
    }
    return false;
}

void KeepSecretsInProcess() { ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0); }

std::thread StartThreadWithoutSignals(std::function<void()> body) {
    // The new thread takes the mask of the one that starts it.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &previous);
    std::thread thread(std::move(body));
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return thread;
}

}  // namespace velmora::platform
