#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include <QMetaObject>
#include <QObject>

namespace velmora {
class CMsg;
}

namespace parcelo {

// A call on its way to another thread, which publishes itself. Qt hands a
// posted call over under a lock of its own, which ThreadSanitizer cannot see
// in a Qt that is not built with it; without more, every capture would look
// raced. So the poster's last write to the call object is a release store of
// a flag, and the receiving thread's first read (to run the call, or to
// destroy it unrun) is an acquire load of it: everything the poster wrote
// before posting is ordered before the call, and a write it makes after
// posting is still a race the sanitizer reports.
template <typename Call>
class CPublishedCall {
public:
    explicit CPublishedCall(Call call) : m_call(std::move(call)) { Publish(); }
    CPublishedCall(CPublishedCall&& other) noexcept : m_call(std::move(other.m_call)) { Publish(); }
    CPublishedCall(const CPublishedCall&) = delete;
    CPublishedCall& operator=(const CPublishedCall&) = delete;
    CPublishedCall& operator=(CPublishedCall&&) = delete;
    ~CPublishedCall() { Receive(); }

    void operator()() {
        Receive();
        m_call();
    }

private:
    void Publish() { m_published.store(true, std::memory_order_release); }
    void Receive() { [[maybe_unused]] const bool published = m_published.load(std::memory_order_acquire); }

    Call m_call;
    std::atomic<bool> m_published{false};
};

// True on the thread the window lives on.
bool IsWindowThread(const QObject* window);

// Runs `call` later on the thread `window` lives on, from any thread (on the
// window's own thread too: then after the current event). A call still
// queued when the window goes is dropped with it. Every post to a window
// thread goes through here.
template <typename Call>
void PostToWindowThread(QObject* window, Call call) {
    QMetaObject::invokeMethod(window, CPublishedCall<Call>(std::move(call)), Qt::QueuedConnection);
}

// The way for other threads to ask questions in a window, until the window
// closes it: when the questions are no longer wanted, and always before the
// window goes (the gate may outlive it, in what other threads keep).
class CQuestionGate {
public:
    void Close();
    bool IsClosed() const { return m_closed.load(); }

private:
    friend bool AskOnWindowThread(QObject* window, const std::shared_ptr<CQuestionGate>& gate,
                                  std::function<bool(std::string&)> ask, std::string& answer);
    std::mutex m_lock;  // held while a question is posted, so that the window cannot go meanwhile
    std::atomic<bool> m_closed{false};
};

// Asks `ask` on the window's thread from another thread and waits for its
// answer: whether it gave one, and the text it wrote. Once the gate is
// closed the wait ends with no answer and a question still queued is not
// asked: a window closes it before it waits for the asking thread, which
// would otherwise wait for a window that is waiting for it.
bool AskOnWindowThread(QObject* window, const std::shared_ptr<CQuestionGate>& gate,
                       std::function<bool(std::string&)> ask, std::string& answer);

// Runs `handle` with the message on the window's thread: at once when called
// there, otherwise later with a copy of the message, so that a broadcast from
// a transfer thread never touches a widget and never waits for the window.
// A copy still queued when the window goes is dropped with it.
void HandleOnWindowThread(QObject* window, velmora::CMsg& msg, const std::function<void(velmora::CMsg&)>& handle);

}  // namespace parcelo
