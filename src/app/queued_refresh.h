#pragma once

#include <atomic>
#include <functional>
#include <utility>

#include <QMetaObject>
#include <QObject>

namespace parcelo {

// Lets any thread ask a window to bring its widgets up to date from the
// state it stored: the refresh runs later on the window's own thread, and
// requests made while one is pending share it. A window owns one as a
// member; a request that is still queued when the window goes away is
// dropped with it.
class CQueuedRefresh {
public:
    CQueuedRefresh(QObject* window, std::function<void()> refresh)
        : m_pWindow(window), m_refresh(std::move(refresh)) {}
    CQueuedRefresh(const CQueuedRefresh&) = delete;
    CQueuedRefresh& operator=(const CQueuedRefresh&) = delete;

    void Request() {
        if (m_bPending.exchange(true)) return;
        QMetaObject::invokeMethod(
            m_pWindow,
            [this] {
                m_bPending = false;
                m_refresh();
            },
            Qt::QueuedConnection);
    }

private:
    QObject* m_pWindow;
    std::function<void()> m_refresh;
    std::atomic<bool> m_bPending{false};
};

}  // namespace parcelo
