#include "app/common/queued_refresh.h"

#include <QMetaObject>

namespace parcelo {

CQueuedRefresh::CQueuedRefresh(QObject* window, std::function<void()> refresh)
    : QObject(window), m_refresh(std::move(refresh)) {}

void CQueuedRefresh::Request() {
    if (m_bPending.exchange(true)) return;
    QMetaObject::invokeMethod(this, "Run", Qt::QueuedConnection);
}

void CQueuedRefresh::Run() {
    m_bPending = false;
    m_refresh();
}

}  // namespace parcelo
