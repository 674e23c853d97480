#include "app/transfers/transfer_queue.h"

#include <QMetaObject>

#include "base/format.h"
#include "messaging/msg.h"
#include "messaging/msg_box.h"
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

void BroadcastCancel() { velmora::CMsgSend cancel(velmora::MSG_CANCEL, 1, 0, 0); }

std::string DoneText(const CRunCounts& counts) {
    std::string text = velmora::Format(counts.processed == 1 ? "%d item copied" : "%d items copied", counts.processed);
    if (counts.skipped > 0) text += velmora::Format(", %d skipped", counts.skipped);
    return text;
}

}  // namespace

CTransferQueue::CTransferQueue(QObject* parent) : QObject(parent) {
    velmora::CMsgBox::Box().Subscribe(kListenerName, this);
}

CTransferQueue::~CTransferQueue() {
    Shutdown();
    velmora::CMsgBox::Box().Unsubscribe(this);
}

void CTransferQueue::OnMsg(velmora::CMsg& msg) {
    if (msg.Cmd() == velmora::MSG_CANCEL && msg.Argc() == 1) m_bCancelHeard = true;
}

void CTransferQueue::Shutdown() {
    m_bShutDown = true;
    for (CPending& pending : m_waiting) Dispose(pending.thread);
    m_waiting.clear();
    if (m_running.thread) {
        BroadcastCancel();
        Dispose(m_running.thread);
        m_running.id = 0;
    }
}

int CTransferQueue::Submit(std::unique_ptr<CTransferThread> thread) {
    if (!thread || m_bShutDown) return 0;
    CTransferEntry entry;
    entry.id = ++m_nLastId;
    entry.request = thread->GetApi();
    CTransferListModel::Describe(entry);
    m_model.Add(std::move(entry));
    Enqueue(m_nLastId, std::move(thread));
    return m_nLastId;
}

void CTransferQueue::Enqueue(int id, std::unique_ptr<CTransferThread> thread) {
    // The end is told on the transfer thread; the queue acts on its own.
    thread->Start([this] { QMetaObject::invokeMethod(this, "ReapFinished", Qt::QueuedConnection); });
    m_waiting.push_back({id, std::move(thread)});
    if (IsBusy()) {
        emit WaitingCountChanged(GetWaitingCount());
        return;
    }
    StartNext();
}

bool CTransferQueue::Cancel(int id) {
    if (id != 0 && id == m_running.id) {
        BroadcastCancel();
        return true;
    }
    for (auto at = m_waiting.begin(); at != m_waiting.end(); ++at) {
        if (at->id != id) continue;
        Dispose(at->thread);
        m_waiting.erase(at);
        SetState(id, CTransferEntry::Cancelled, "Cancelled before it started");
        emit WaitingCountChanged(GetWaitingCount());
        emit EntryEnded(id);
        return true;
    }
    return false;
}

bool CTransferQueue::Remove(int id) {
    const CTransferEntry* entry = m_model.Find(id);
    if (entry == nullptr || id == m_running.id) return false;
    if (!entry->IsOver()) Cancel(id);
    m_model.Remove(id);
    return true;
}

bool CTransferQueue::Retry(int id) {
    const CTransferEntry* entry = m_model.Find(id);
    if (m_bShutDown || entry == nullptr || !entry->IsOver() || entry->request.GetRequest() == velmora::CMoverAPI::eNone) {
        return false;
    }
    auto thread = std::make_unique<CTransferThread>();
    thread->GetApi() = entry->request;
    thread->GetApi().Clear();
    SetState(id, CTransferEntry::Waiting);
    Enqueue(id, std::move(thread));
    return true;
}

void CTransferQueue::CancelRunning() {
    if (IsBusy()) BroadcastCancel();
}

void CTransferQueue::CancelWaiting() {
    while (!m_waiting.empty()) Cancel(m_waiting.front().id);
}

void CTransferQueue::CancelAll() {
    CancelWaiting();
    CancelRunning();
}

void CTransferQueue::ReapFinished() {
    if (!m_running.thread || !m_running.thread->IsFinished()) return;
    const velmora::CMoverAPI& api = m_running.thread->GetApi();
    const long errors = api.GetErrorNumber();
    const std::string lastError = api.GetStrError();
    emit JobEnded(errors, lastError);
    const int id = m_running.id;
    Conclude(id, errors, lastError);
    Dispose(m_running.thread);
    m_running.id = 0;
    emit EntryEnded(id);
    StartNext();
    emit TransferEnded(!IsBusy());
}

void CTransferQueue::Conclude(int id, long errors, const std::string& lastError) {
    const CRunCounts& counts = m_running.thread->GetCounts();
    m_model.Update(id, [&](CTransferEntry& entry) {
        if (counts.totalBytes > 0) entry.size = counts.totalBytes;
        if (m_bCancelHeard || counts.aborted) {
            entry.state = CTransferEntry::Cancelled;
            entry.result = "Cancelled";
        } else if (errors > 0) {
            entry.state = CTransferEntry::Failed;
            entry.result = velmora::Format(errors == 1 ? "%ld error: %s" : "%ld errors: %s", errors, lastError.c_str());
        } else {
            entry.state = CTransferEntry::Done;
            entry.result = DoneText(counts);
        }
    });
}

void CTransferQueue::SetState(int id, CTransferEntry::EState state, const std::string& result) {
    m_model.Update(id, [&](CTransferEntry& entry) {
        entry.state = state;
        entry.result = result;
    });
}

void CTransferQueue::StartNext() {
    if (IsBusy() || m_waiting.empty()) return;
    m_running = std::move(m_waiting.front());
    m_waiting.pop_front();
    m_bCancelHeard = false;
    SetState(m_running.id, CTransferEntry::Running);
    emit JobStarted();
    m_running.thread->SetEvent();
    emit WaitingCountChanged(GetWaitingCount());
}

}  // namespace parcelo
