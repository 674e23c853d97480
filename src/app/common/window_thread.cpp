#include "app/common/window_thread.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include <QThread>

#include "messaging/msg.h"

namespace parcelo {

bool IsWindowThread(const QObject* window) { return QThread::currentThread() == window->thread(); }

namespace {

// How long an asking thread waits before it looks at the gate again.
constexpr std::chrono::milliseconds kStopCheck{20};

struct CWindowAnswer {
    std::mutex lock;
    std::condition_variable arrived;
    bool done = false;
    bool given = false;
    std::string text;
};

}  // namespace

void CQuestionGate::Close() {
    const std::lock_guard<std::mutex> guard(m_lock);
    m_closed = true;
}

bool AskOnWindowThread(QObject* window, const std::shared_ptr<CQuestionGate>& gate,
                       std::function<bool(std::string&)> ask, std::string& answer) {
    auto reply = std::make_shared<CWindowAnswer>();
    {
        const std::lock_guard<std::mutex> open(gate->m_lock);
        if (gate->IsClosed()) return false;
        PostToWindowThread(window, [reply, ask = std::move(ask), gate] {
            std::string text;
            const bool given = !gate->IsClosed() && ask(text);
            const std::lock_guard<std::mutex> guard(reply->lock);
            reply->done = true;
            reply->given = given;
            reply->text = std::move(text);
            reply->arrived.notify_all();
        });
    }
    std::unique_lock<std::mutex> guard(reply->lock);
    while (!reply->done) {
        if (gate->IsClosed()) return false;
        reply->arrived.wait_for(guard, kStopCheck);
    }
    if (reply->given) answer = std::move(reply->text);
    return reply->given;
}

void HandleOnWindowThread(QObject* window, velmora::CMsg& msg, const std::function<void(velmora::CMsg&)>& handle) {
    if (IsWindowThread(window)) {
        handle(msg);
        return;
    }
    std::shared_ptr<velmora::CMsg> copy(static_cast<velmora::CMsg*>(msg.Clone()));
    PostToWindowThread(window, [copy, handle] { handle(*copy); });
}

}  // namespace parcelo
