#include "app/transfer_queue.h"

#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"

namespace parcelo {

CTransferQueue::CTransferQueue(QObject* parent) : QObject(parent) {}

void CTransferQueue::Shutdown() {
    m_bShutDown = true;
    for (auto& thread : m_waiting) {
        thread->Abandon();
        thread->wait();
    }
    m_waiting.clear();
    if (m_pRunning) {
        velmora::CMsgSend cancel(velmora::MSG_CANCEL, 1, 0, 0);
        m_pRunning->wait();
        m_pRunning.reset();
    }
}

void CTransferQueue::Submit(std::unique_ptr<CTransferThread> thread) {
    if (!thread || m_bShutDown) return;
    CTransferThread* started = thread.get();
    // Queued: finished is emitted on the transfer thread itself.
    connect(started, &QThread::finished, this, [this, started] { OnFinished(started); }, Qt::QueuedConnection);
    started->start();
    m_waiting.push_back(std::move(thread));
    if (IsBusy()) {
        emit WaitingCountChanged(GetWaitingCount());
        return;
    }
    StartNext();
}

void CTransferQueue::OnFinished(CTransferThread* thread) {
    if (thread != m_pRunning.get()) return;
    m_pRunning->wait();
    m_pRunning.reset();
    StartNext();
    emit TransferEnded(!IsBusy());
}

void CTransferQueue::StartNext() {
    if (m_waiting.empty()) return;
    m_pRunning = std::move(m_waiting.front());
    m_waiting.pop_front();
    m_pRunning->SetEvent();
    emit WaitingCountChanged(GetWaitingCount());
}

}  // namespace parcelo
