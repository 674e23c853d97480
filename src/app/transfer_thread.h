#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

#include <QThread>

namespace parcelo {

// The thread of one transfer. Started, it blocks on its start event; the
// window thread records the request, then signals; the thread runs the
// request (DoCopy) and ends. The request is complete before the signal, so
// it needs no lock of its own.
//
// The request is recorded as a callable for now; once the transfer engine's
// request holder exists, the thread owns one and DoCopy runs it.
class CTransferThread : public QThread {
    Q_OBJECT

public:
    using Request = std::function<bool()>;

    // Publishes the new thread as the current transfer thread.
    CTransferThread();
    // Clears the current transfer thread when it is this one.
    ~CTransferThread() override;

    // The most recently made transfer thread that still exists, or null.
    static CTransferThread* GetCurrent() { return m_pCurrent.load(); }

    // Records what the thread runs; call before SetEvent.
    void Record(Request request) { m_request = std::move(request); }
    // Signals the start event: the thread runs its request.
    void SetEvent();
    // Releases the thread without running its request (the program ends).
    void Abandon();
    bool IsSignalled() const;

protected:
    void run() override;
    virtual bool InitInstance() { return true; }
    // Runs the recorded request; false when there is none. Its result is
    // not used: success and failure reach the windows as messages.
    virtual bool DoCopy();

private:
    void Release(bool run);

    static std::atomic<CTransferThread*> m_pCurrent;

    mutable std::mutex m_mutex;
    std::condition_variable m_event;
    bool m_bSignalled = false;
    bool m_bRun = false;
    Request m_request;
};

}  // namespace parcelo
