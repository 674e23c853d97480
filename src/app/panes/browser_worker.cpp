#include "app/panes/browser_worker.h"

#include <utility>

#include "app/common/window_thread.h"

namespace parcelo {

CBrowserWorker::CBrowserWorker(QObject* parent) : QObject(parent) {}

CBrowserWorker::~CBrowserWorker() { Abandon(); }

void CBrowserWorker::Abandon() {
    m_bCancelled = true;
    if (m_thread.joinable()) m_thread.join();
    m_result = {};
}

bool CBrowserWorker::Start(Work work, Result result) {
    if (IsRunning()) return false;
    m_bCancelled = false;
    m_result = std::move(result);
    m_thread = std::thread([this, work = std::move(work)] {
        work();
        PostToWindowThread(this, [this] { OnEnded(); });
    });
    return true;
}

void CBrowserWorker::OnEnded() {
    if (!m_thread.joinable()) return;
    m_thread.join();
    Result result = std::exchange(m_result, {});
    if (!m_bCancelled) result();
    emit Finished();
}

}  // namespace parcelo
