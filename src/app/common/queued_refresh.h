#pragma once

#include <atomic>
#include <functional>

#include <QObject>

namespace parcelo {

// Lets any thread ask a window to bring its widgets up to date from the
// state it stored: the refresh runs later on the window's own thread, and
// requests made while one is pending share it. Made as a child of the
// window, so a request still queued when the window goes away is dropped
// with it.
class CQueuedRefresh : public QObject {
    Q_OBJECT

public:
    CQueuedRefresh(QObject* window, std::function<void()> refresh);

    // Safe from any thread; never waits for the window's thread.
    void Request();

private:
    void Run();

    std::function<void()> m_refresh;
    std::atomic<bool> m_bPending{false};
};

}  // namespace parcelo
