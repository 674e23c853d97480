#include "platform/process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstring>
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
    const int result = posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ);
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

}  // namespace velmora::platform
