#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace parcelo {

// The thread of one transfer. Started, it blocks on its start event; the
// window thread records the request, then signals; the thread runs the
// request (DoCopy) and ends. The request is complete before the signal, so
// it needs no lock of its own.
//
// The request is recorded as a callable for now; once the transfer engine's
// request holder exists, the thread owns one and DoCopy runs it.
class CTransferThread {
public:
    using Request = std::function<bool()>;

    // Publishes the new thread as the current transfer thread.
    CTransferThread();
    // A thread still blocked is released without running; then the thread
    // is waited for. Clears the current transfer thread when it is this one.
    virtual ~CTransferThread();
    CTransferThread(const CTransferThread&) = delete;
    CTransferThread& operator=(const CTransferThread&) = delete;

    // The most recently made transfer thread that still exists, or null.
    static CTransferThread* GetCurrent() { return m_pCurrent.load(); }

    // Records what the thread runs; call before SetEvent.
    void Record(Request request) { m_request = std::move(request); }
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

protected:
    virtual bool InitInstance() { return true; }
    // Runs the recorded request; false when there is none. Its result is
    // not used: success and failure reach the windows as messages.
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
    Request m_request;
    std::function<void()> m_onEnd;
    std::thread m_thread;
};

}  // namespace parcelo
