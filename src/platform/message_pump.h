#pragma once

#include <functional>

#include "platform/api.h"

// Lets long work on the GUI's thread keep the windows responsive: the
// desktop program installs a hook that processes its pending events.
namespace velmora::platform {

// Processes the pending GUI events; false when the program is quitting.
using MessagePumpHook = std::function<bool()>;

// Installs the hook for the calling thread (the GUI's); an empty hook
// removes it.
VELMORA_API void SetMessagePumpHook(MessagePumpHook hook);

// Runs the hook when called on the thread that installed it; on any other
// thread, or without a hook, does nothing and answers true: a transfer thread
// never runs the GUI's event loop.
VELMORA_API bool PumpPendingMessages();

}  // namespace velmora::platform
