#include "platform/message_pump.h"

#include <mutex>
#include <thread>

namespace velmora::platform {
namespace {

std::mutex g_mutex;
MessagePumpHook g_hook;
std::thread::id g_hookThread;

}  // namespace

void SetMessagePumpHook(MessagePumpHook hook) {
    std::lock_guard lock(g_mutex);
    g_hook = std::move(hook);
    g_hookThread = std::this_thread::get_id();
}

bool PumpPendingMessages() {
    MessagePumpHook hook;
    {
        std::lock_guard lock(g_mutex);
        if (!g_hook || g_hookThread != std::this_thread::get_id()) return true;
        hook = g_hook;
    }
    // Called outside the lock: the events it processes may pump again.
    return hook();
}

}  // namespace velmora::platform
