#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include <QElapsedTimer>
#include <QObject>

#include "app/transfers/transfer_list_model.h"
#include "app/transfers/transfer_thread.h"
#include "messaging/listener.h"

namespace parcelo {

// Runs transfers one at a time, in the order they were asked for: a
// transfer asked for while another runs waits its turn. Lives on the
// window thread and owns every transfer thread it is given. Every transfer
// is an entry of its list (GetModel) until the user removes it: waiting,
// running (with its percentage, speed and time left), then done, failed or
// cancelled, with what it moved or why not; or paused by the user.
//
// With a store file (SetStore) the unfinished entries are written to it as
// they change, and Restore brings them back after a restart: as waiting
// entries that run once started (Start), continuing what the earlier run
// left of each file, as "--continue" does. The file holds the connections'
// passwords scrambled as the connections file does, and is the owner's only.
class CTransferQueue : public QObject, public velmora::CListener {
    Q_OBJECT

public:
    static constexpr const char* kListenerName = "CTransferQueue";

    explicit CTransferQueue(QObject* parent = nullptr);
    ~CTransferQueue() override;

    // Takes a thread whose request is recorded, starts it (it blocks at
    // once) and signals it when the transfers before it have ended; answers
    // its entry's id. After Shutdown the thread is dropped without running
    // (and the answer is 0).
    int Submit(std::unique_ptr<CTransferThread> thread);
    // The file that keeps the unfinished entries (empty: none).
    void SetStore(std::string path) { m_strStore = std::move(path); }
    // Makes the password of a login brought back by Restore ready (from the
    // keyring, or asked for) before its entry first runs; false keeps the
    // entry waiting. Without one the stored login goes as it is.
    using LoginReady = std::function<bool(velmora::CFtpLoginInfo& login)>;
    void SetLoginReady(LoginReady ready) { m_loginReady = std::move(ready); }
    // Brings back the entries of the store file, waiting to be started;
    // answers how many. A file that cannot be read brings none.
    int Restore();
    // Writes the unfinished entries to the store file now.
    bool Save() const;
    // For the program's end: waiting transfers are dropped, a running one
    // is asked to stop and waited for.
    void Shutdown();

    // The user's commands on an entry. Cancel drops a waiting transfer
    // (it ends cancelled) or asks the running one to stop. Remove takes a
    // waiting or ended entry off the list (a running one stays). Retry asks
    // for an ended transfer's request again, in the same entry. Each
    // answers whether it applied.
    bool Cancel(int id);
    bool Remove(int id);
    bool Retry(int id);
    // Pause stops a running entry (its part is kept) or holds a waiting one;
    // Start runs a paused entry, or one brought back by Restore, continuing
    // what its files have. MoveUp and MoveDown change the order in which
    // waiting entries run (and the list's).
    bool Pause(int id);
    bool Start(int id);
    // Starts every entry that waits without being queued (after Restore).
    int StartAll();
    bool MoveUp(int id) { return Move(id, -1); }
    bool MoveDown(int id) { return Move(id, 1); }
    // The entry waits in line or runs (rather than waiting to be started).
    bool IsQueued(int id) const;
    // The tray's "Stop": the running transfer is asked to stop.
    void CancelRunning();
    // Every waiting transfer is dropped (each ends cancelled).
    void CancelWaiting();
    // "Stop all": the waiting transfers are dropped and the running one is
    // asked to stop.
    void CancelAll();

    bool IsBusy() const { return m_running.thread != nullptr; }
    int GetWaitingCount() const { return static_cast<int>(m_waiting.size()); }
    // The running entry's id; 0 when none runs.
    int GetRunningId() const { return m_running.id; }
    CTransferListModel& GetModel() { return m_model; }
    const CTransferListModel& GetModel() const { return m_model; }

    // Hears cancel requests (any thread): the running transfer then ends
    // as cancelled. Hears the running transfer's progress (on the window
    // thread, where the status relay sends it) for its entry.
    void OnMsg(velmora::CMsg& msg) override;
    // The entry that runs; null when none.
    const CTransferEntry* GetRunningEntry() const { return m_model.Find(m_running.id); }

signals:
    void WaitingCountChanged(int count);
    // The next transfer thread is let run (its entry's id).
    void JobStarted(int id);
    // The request of a transfer thread has run: with that many errors, the
    // engine's latest one in words, and what it did.
    void JobEnded(long errors, const std::string& lastError, const CRunCounts& counts);
    // The entry's transfer has ended (its state tells how).
    void EntryEnded(int id);
    // A transfer thread has ended; `idle` when no other one follows.
    void TransferEnded(bool idle);

private:
    struct CPending {
        int id = 0;
        std::unique_ptr<CTransferThread> thread;
    };

    // Called (queued) on the window thread when a transfer thread ends.
    void ReapFinished();
    void Enqueue(int id, std::unique_ptr<CTransferThread> thread);
    // A thread for the entry's request again, continuing what it left.
    void Requeue(int id, bool continuing);
    bool ReadyLogin(int id);
    bool Move(int id, int step);
    void OnProgress(const velmora::CMsg& msg);
    // The store file follows the list.
    void Changed();
    void StartNext();
    // The running entry's final state, from the run's results.
    void Conclude(int id, long errors, const std::string& lastError);
    void SetState(int id, CTransferEntry::EState state, const std::string& result = {});

    bool m_bShutDown = false;
    int m_nLastId = 0;
    std::atomic<bool> m_bCancelHeard{false};
    // The running entry is being paused rather than cancelled.
    bool m_bPausing = false;
    std::string m_strStore;
    LoginReady m_loginReady;
    QElapsedTimer m_runClock;
    qint64 m_nLastShown = -1;
    CPending m_running;
    std::deque<CPending> m_waiting;
    CTransferListModel m_model;
};

}  // namespace parcelo
