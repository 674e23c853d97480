#include "app/common/window_thread.h"

#include <memory>

#include <QThread>

#include "messaging/msg.h"

namespace parcelo {

bool IsWindowThread(const QObject* window) { return QThread::currentThread() == window->thread(); }

void HandleOnWindowThread(QObject* window, velmora::CMsg& msg, const std::function<void(velmora::CMsg&)>& handle) {
    if (IsWindowThread(window)) {
        handle(msg);
        return;
    }
    std::shared_ptr<velmora::CMsg> copy(static_cast<velmora::CMsg*>(msg.Clone()));
    PostToWindowThread(window, [copy, handle] { handle(*copy); });
}

}  // namespace parcelo
