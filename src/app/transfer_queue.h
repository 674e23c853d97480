#pragma once

#include <deque>
#include <memory>
#include <string>

#include <QObject>

#include "app/transfer_thread.h"

namespace parcelo {

// Runs transfers one at a time: the engine's job state is process-wide, so
// a transfer asked for while another runs waits its turn. Lives on the
// window thread and owns every transfer thread it is given.
class CTransferQueue : public QObject {
    Q_OBJECT

public:
    explicit CTransferQueue(QObject* parent = nullptr);
    ~CTransferQueue() override { Shutdown(); }

    // Takes a thread whose request is recorded, starts it (it blocks at
    // once) and signals it when the transfers before it have ended. After
    // Shutdown the thread is dropped without running.
    void Submit(std::unique_ptr<CTransferThread> thread);
    // For the program's end: waiting transfers are dropped, a running one
    // is asked to stop and waited for.
    void Shutdown();

    bool IsBusy() const { return m_pRunning != nullptr; }
    int GetWaitingCount() const { return static_cast<int>(m_waiting.size()); }

signals:
    void WaitingCountChanged(int count);
    // The next transfer thread is let run.
    void JobStarted();
    // The request of a transfer thread has run: with that many errors, the
    // engine's latest one in words.
    void JobEnded(long errors, const std::string& lastError);
    // A transfer thread has ended; `idle` when no other one follows.
    void TransferEnded(bool idle);

private:
    // Called (queued) on the window thread when a transfer thread ends.
    Q_INVOKABLE void ReapFinished();
    void StartNext();

    bool m_bShutDown = false;
    std::unique_ptr<CTransferThread> m_pRunning;
    std::deque<std::unique_ptr<CTransferThread>> m_waiting;
};

}  // namespace parcelo
