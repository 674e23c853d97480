#include "app/transfer_queue.h"

#include <QMetaObject>

#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"

namespace parcelo {
namespace {

// Ends the thread before any part of the object goes: a waiting thread is
// released without running.
void Dispose(std::unique_ptr<CTransferThread>& thread) {
    thread->Abandon();
    thread->Wait();
    thread.reset();
}

}  // namespace

CTransferQueue::CTransferQueue(QObject* parent) : QObject(parent) {}

void CTransferQueue::Shutdown() {
    m_bShutDown = true;
    for (auto& thread : m_waiting) Dispose(thread);
    m_waiting.clear();
    if (m_pRunning) {
        velmora::CMsgSend cancel(velmora::MSG_CANCEL, 1, 0, 0);
        Dispose(m_pRunning);
    }
}

void CTransferQueue::Submit(std::unique_ptr<CTransferThread> thread) {
    if (!thread || m_bShutDown) return;
    // The end is told on the transfer thread; the queue acts on its own.
    thread->Start([this] { QMetaObject::invokeMethod(this, "ReapFinished", Qt::QueuedConnection); });
    m_waiting.push_back(std::move(thread));
    if (IsBusy()) {
        emit WaitingCountChanged(GetWaitingCount());
        return;
    }
    StartNext();
}

void CTransferQueue::ReapFinished() {
    if (!m_pRunning || !m_pRunning->IsFinished()) return;
    const velmora::CMoverAPI& api = m_pRunning->GetApi();
    emit JobEnded(api.GetErrorNumber(), api.GetStrError());
    Dispose(m_pRunning);
    StartNext();
    emit TransferEnded(!IsBusy());
}

void CTransferQueue::StartNext() {
    if (m_waiting.empty()) return;
    m_pRunning = std::move(m_waiting.front());
    m_waiting.pop_front();
    emit JobStarted();
    m_pRunning->SetEvent();
    emit WaitingCountChanged(GetWaitingCount());
}

}  // namespace parcelo
