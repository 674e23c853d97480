#include "app/common/queued_refresh.h"

#include "app/common/window_thread.h"

namespace parcelo {

CQueuedRefresh::CQueuedRefresh(QObject* window, std::function<void()> refresh)
    : QObject(window), m_refresh(std::move(refresh)) {}

void CQueuedRefresh::Request() {
    if (m_bPending.exchange(true)) return;
    PostToWindowThread(this, [this] { Run(); });
}

void CQueuedRefresh::Run() {
    m_bPending = false;
    m_refresh();
}

}  // namespace parcelo
