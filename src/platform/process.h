#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/api.h"

namespace velmora::platform {

// Starts a program without a shell and without waiting for it. The first
// argument names the program (looked up in PATH when it has no "/").
// `processId` receives the new process's id. False, with the reason in
// `error`, when the program cannot be started. Processes that ended are
// collected on later calls, so none lingers as a zombie for long.
VELMORA_API bool StartProcess(const std::vector<std::string>& arguments, int* processId = nullptr,
                              std::string* error = nullptr);

// Opens the file in the user's text editor: the command of $VISUAL, else of
// $EDITOR (split at blanks, the file appended as the last argument), else
// "xdg-open". The next candidate is tried when one cannot be started.
VELMORA_API bool OpenInTextEditor(std::string_view file, int* processId = nullptr, std::string* error = nullptr);

// A thread of the library's own that never takes a signal sent to the
// process (Ctrl+C, a stop request), which stays for the host's threads to
// handle; it starts with every signal blocked.
VELMORA_API std::thread StartThreadWithoutSignals(std::function<void()> body);

// From now on the process leaves no core file, and no other process of
// the user may read its memory: it holds passwords. Safe to call often.
VELMORA_API void KeepSecretsInProcess();

}  // namespace velmora::platform
