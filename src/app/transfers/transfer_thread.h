#pragma once

#include <atomic>
#include <cstdint>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "engine/mover_api.h"

namespace parcelo {

// What a run of the engine came to, counted on the transfer thread as the
// run ends.
struct CRunCounts {
    int processed = 0;
    int skipped = 0;
    int64_t totalBytes = 0;
    bool aborted = false;
    // What moved, not what was planned.
    int64_t processedBytes = 0;
};

// The thread of one transfer. Started, it blocks on its start event; the
// window thread records the request on the thread's api, then signals; the
// thread runs the request (DoCopy) and ends. The request is complete before
// the signal, so it needs no lock of its own.
class CTransferThread {
public:
    // Publishes the new thread as the current transfer thread.
    CTransferThread();
    // A thread still blocked is released without running; then the thread
    // is waited for. Clears the current transfer thread when it is this one.
    // A class that overrides DoCopy must do the same (Abandon, Wait) in its
    // own destructor, before its part of the object goes.
    virtual ~CTransferThread();
    CTransferThread(const CTransferThread&) = delete;
    CTransferThread& operator=(const CTransferThread&) = delete;

    // The most recently made transfer thread that still exists, or null.
    static CTransferThread* GetCurrent() { return m_pCurrent.load(); }

    // The settings each transfer's job starts from, as the program's
    // settings make them; a run takes a copy when it starts.
    static void SetJobDefaults(const velmora::CJobSettings& settings);
    static velmora::CJobSettings GetJobDefaults();

    // Where the window thread records the request, before SetEvent.
    velmora::CMoverAPI& GetApi() { return m_api; }
    // Starts the thread, which blocks on its event at once; `onEnd` is
    // called on the thread when its run is over. False when already started.
    bool Start(std::function<void()> onEnd = {});
    // Signals the start event: the thread runs its request.
    void SetEvent();
    // Releases the thread without running its request (the program ends).
    void Abandon();
    bool IsSignalled() const;
    // True once the run is over (the thread may still be finishing).
    bool IsFinished() const { return m_bFinished.load(std::memory_order_acquire); }
    // Waits until the thread has ended.
    void Wait();
    // The counts of the request's run; zero until it has run (read them
    // once IsFinished holds).
    const CRunCounts& GetCounts() const { return m_counts; }

protected:
    virtual bool InitInstance() { return true; }
    // Runs the recorded request with the job defaults; false when there is
    // none. Its result is not used: success and failure reach the windows as
    // messages.
    virtual bool DoCopy();

private:
    void Run();
    void Release(bool run);

    static std::atomic<CTransferThread*> m_pCurrent;

    mutable std::mutex m_mutex;
    std::condition_variable m_event;
    bool m_bSignalled = false;
    bool m_bRun = false;
    std::atomic<bool> m_bFinished{false};
    velmora::CMoverAPI m_api;
    CRunCounts m_counts;
    std::function<void()> m_onEnd;
    std::thread m_thread;
};

}  // namespace parcelo
