#pragma once

#include <functional>

class QObject;

namespace velmora {
class CMsg;
}

namespace parcelo {

// True on the thread the window lives on.
bool IsWindowThread(const QObject* window);

// Runs `handle` with the message on the window's thread: at once when called
// there, otherwise later with a copy of the message, so that a broadcast from
// a transfer thread never touches a widget and never waits for the window.
// A copy still queued when the window goes is dropped with it.
void HandleOnWindowThread(QObject* window, velmora::CMsg& msg, const std::function<void(velmora::CMsg&)>& handle);

}  // namespace parcelo
