#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>

#include <gtest/gtest.h>
#include <QThread>
#include <QWidget>

#include "app/common/window_thread.h"
#include "app_test_support.h"

namespace parcelo {
namespace {

using namespace std::chrono_literals;
using test::ProcessEvents;
using test::WaitFor;

// A login thread's question is asked on the window's thread and its answer
// handed back; once the window closes the gate, a thread waiting for an
// answer gets none at once, and a question still queued is never asked, so
// a window that waits for that thread does not wait for ever.
TEST(WindowThreadTest, AQuestionFromAnotherThreadIsAskedInTheWindowUntilItsGateCloses) {
    auto window = std::make_unique<QWidget>();
    auto gate = std::make_shared<CQuestionGate>();
    std::atomic<bool> askedOnWindowThread{false};
    std::atomic<int> asked{0};
    auto ask = [&](std::string& text) {
        ++asked;
        askedOnWindowThread = QThread::currentThread() == window->thread();
        text = "123456";
        return true;
    };
    auto askFromThread = [&] {
        return std::async(std::launch::async, [&] {
            std::string answer = "unchanged";
            const bool given = AskOnWindowThread(window.get(), gate, ask, answer);
            return given ? answer : "no answer, " + answer;
        });
    };

    auto answered = askFromThread();
    ASSERT_TRUE(WaitFor([&] { return answered.wait_for(0s) == std::future_status::ready; }));
    EXPECT_EQ(answered.get(), "123456");
    EXPECT_TRUE(askedOnWindowThread);

    // The window does not take its events while the thread waits: closing
    // the gate alone ends the wait.
    auto waiting = askFromThread();
    EXPECT_EQ(waiting.wait_for(200ms), std::future_status::timeout);
    gate->Close();
    ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(waiting.get(), "no answer, unchanged");
    ProcessEvents();
    EXPECT_EQ(asked, 1) << "a question queued before the gate closed was asked after it";

    EXPECT_EQ(askFromThread().get(), "no answer, unchanged");
    // The window goes with the closed gate still held by the thread's side.
    window.reset();
    ProcessEvents();
    EXPECT_EQ(asked, 1);
}

}  // namespace
}  // namespace parcelo
