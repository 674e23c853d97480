#include <atomic>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QLabel>
#include <QThread>
#include <gtest/gtest.h>

#include "app/app_settings.h"
#include "app/progress_bar_dlg.h"
#include "app/transfer_queue.h"
#include "app/transfer_thread.h"
#include "app_test_support.h"
#include "messaging/log_file.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"
#include "messaging/progress_status.h"

namespace parcelo {
namespace {

using namespace std::chrono_literals;
using namespace velmora;

std::unique_ptr<CTransferThread> Transfer(CTransferThread::Request request) {
    auto thread = std::make_unique<CTransferThread>();
    thread->Record(std::move(request));
    return thread;
}

// What the transfers of a test did, from whichever thread they ran on.
struct Journal {
    std::mutex lock;
    std::vector<int> order;
    int running = 0;
    int mostAtOnce = 0;
    bool offWindowThread = true;

    CTransferThread::Request Entry(int id, std::shared_future<void> gate = {}) {
        return [this, id, gate] {
            Enter(id);
            if (gate.valid()) gate.wait_for(10s);
            Leave();
            return true;
        };
    }
    void Enter(int id) {
        std::lock_guard<std::mutex> guard(lock);
        order.push_back(id);
        mostAtOnce = std::max(mostAtOnce, ++running);
        offWindowThread = offWindowThread && QThread::currentThread() != QCoreApplication::instance()->thread();
    }
    void Leave() {
        std::lock_guard<std::mutex> guard(lock);
        --running;
    }
    std::vector<int> Order() {
        std::lock_guard<std::mutex> guard(lock);
        return order;
    }
};

TEST(TransferQueueTest, TransfersRunOneAtATimeAndWaitersAreShown) {
    test::CUserFolders folders;
    CAppSettings settings;
    CProgressBarDlg progress(settings);
    CTransferQueue queue;
    QObject::connect(&queue, &CTransferQueue::WaitingCountChanged, &progress, &CProgressBarDlg::SetWaitingCount);
    bool idle = false;
    QObject::connect(&queue, &CTransferQueue::TransferEnded, [&idle](bool nowIdle) { idle = nowIdle; });

    Journal journal;
    std::promise<void> release;
    queue.Submit(Transfer(journal.Entry(1, release.get_future().share())));
    ASSERT_TRUE(test::WaitFor([&] { return journal.Order().size() == 1; }));
    queue.Submit(Transfer(journal.Entry(2)));
    queue.Submit(Transfer(journal.Entry(3)));
    EXPECT_TRUE(queue.IsBusy());
    EXPECT_EQ(queue.GetWaitingCount(), 2);
    test::ProcessEvents();
    EXPECT_EQ(progress.findChild<QLabel*>("waiting")->text().toStdString(), "2 transfers waiting");
    EXPECT_EQ(journal.Order(), std::vector<int>{1});

    release.set_value();
    ASSERT_TRUE(test::WaitFor([&] { return idle; }));
    EXPECT_EQ(journal.Order(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(journal.mostAtOnce, 1);
    EXPECT_TRUE(journal.offWindowThread);
    EXPECT_FALSE(queue.IsBusy());
    test::ProcessEvents();
    EXPECT_EQ(progress.findChild<QLabel*>("waiting")->text().toStdString(), "");
}

TEST(TransferThreadTest, TheNewestThreadIsTheCurrentOneUntilItGoes) {
    auto first = std::make_unique<CTransferThread>();
    auto second = std::make_unique<CTransferThread>();
    EXPECT_EQ(CTransferThread::GetCurrent(), second.get());
    first.reset();
    EXPECT_EQ(CTransferThread::GetCurrent(), second.get());
    second.reset();
    EXPECT_EQ(CTransferThread::GetCurrent(), nullptr);
}

TEST(TransferThreadTest, RunsOnlyAfterItsEventAndOnlyOnce) {
    std::atomic<int> runs{0};
    std::atomic<bool> ended{false};
    CTransferThread thread;
    thread.Record([&runs] { return ++runs > 0; });
    ASSERT_TRUE(thread.Start([&ended] { ended = true; }));
    EXPECT_FALSE(thread.Start());
    EXPECT_FALSE(thread.IsSignalled());
    thread.SetEvent();
    thread.SetEvent();
    thread.Wait();
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(thread.IsFinished());
    EXPECT_TRUE(ended);
}

TEST(TransferThreadTest, AThreadGoneBeforeItsTurnNeverRuns) {
    std::atomic<bool> ran{false};
    {
        CTransferThread thread;
        thread.Record([&ran] { return ran = true; });
        thread.Start();
    }
    EXPECT_FALSE(ran);
}

// A request that runs until it hears a cancel request, as the engine does.
CTransferThread::Request RunUntilCancelled(std::atomic<bool>& started, std::atomic<bool>& cancelled) {
    return [&started, &cancelled] {
        struct Ear : CListener {
            std::mutex lock;
            std::condition_variable heard;
            bool cancel = false;
            void OnMsg(CMsg& msg) override {
                if (msg.Cmd() != MSG_CANCEL || msg.Argc() != 1) return;
                std::lock_guard<std::mutex> guard(lock);
                cancel = true;
                heard.notify_all();
            }
        } ear;
        CMsgBox::Box().Subscribe("Ear", &ear);
        started = true;
        {
            std::unique_lock<std::mutex> guard(ear.lock);
            cancelled = ear.heard.wait_for(guard, 10s, [&ear] { return ear.cancel; });
        }
        CMsgBox::Box().Unsubscribe(&ear);
        return true;
    };
}

TEST(TransferQueueTest, ShutdownStopsTheRunningTransferAndDropsTheWaiting) {
    std::atomic<bool> started{false}, cancelled{false}, waiterRan{false};
    CTransferQueue queue;
    queue.Submit(Transfer(RunUntilCancelled(started, cancelled)));
    queue.Submit(Transfer([&waiterRan] { return waiterRan = true; }));
    ASSERT_TRUE(test::WaitFor([&] { return started.load(); }));

    queue.Shutdown();
    EXPECT_TRUE(cancelled);
    EXPECT_FALSE(waiterRan);
    EXPECT_FALSE(queue.IsBusy());
    EXPECT_EQ(queue.GetWaitingCount(), 0);

    queue.Submit(Transfer([&waiterRan] { return waiterRan = true; }));
    EXPECT_FALSE(queue.IsBusy());
    EXPECT_FALSE(waiterRan);
}

TEST(TransferQueueTest, AFailingTransferEndsAloneAndIsLogged) {
    Journal journal;
    bool idle = false;
    CTransferQueue queue;
    QObject::connect(&queue, &CTransferQueue::TransferEnded, [&idle](bool nowIdle) { idle = nowIdle; });
    queue.Submit(Transfer([]() -> bool { throw std::runtime_error("disk on fire"); }));
    queue.Submit(Transfer(journal.Entry(2)));
    ASSERT_TRUE(test::WaitFor([&] { return idle; }));
    EXPECT_EQ(journal.Order(), std::vector<int>{2});
    EXPECT_NE(CLogFile().GetPendingText().find("disk on fire"), std::string::npos);
}

TEST(TransferQueueTest, TheProgressWindowFollowsATransferFromStartToEnd) {
    test::CUserFolders folders;
    CAppSettings settings;
    CProgressBarDlg progress(settings);
    progress.show();
    std::atomic<bool> sawRunning{false};
    bool idle = false;
    CTransferQueue queue;
    QObject::connect(&queue, &CTransferQueue::TransferEnded, [&idle](bool nowIdle) { idle = nowIdle; });

    queue.Submit(Transfer([&progress, &sawRunning] {
        CMsgRun run;
        CMsgProgress start(PROGRESS_UNIT_FILES, MSG_PROGRESS_START, 1, 0);
        for (int i = 1; i <= 2; ++i) {
            CProgressStatus pos(PROGRESS_UNIT_FILES, MSG_PROGRESS_POS, i, 0);
            pos.TotalItems(2);
            pos.TotalBytes(3 << 20);
            pos.CurFile("part" + std::to_string(i));
            CMsgSend sent(pos);
        }
        sawRunning = progress.IsRunning();
        CMsgProgress finish(PROGRESS_UNIT_FILES, MSG_PROGRESS_FINISH, 0, 0);
        return true;
    }));
    ASSERT_TRUE(test::WaitFor([&] { return idle; }));
    test::ProcessEvents();
    EXPECT_TRUE(sawRunning);
    EXPECT_FALSE(progress.IsRunning());
    EXPECT_EQ(progress.findChild<QLabel*>("caption")->text().toStdString(), "Copying 2 items (3.0 MB)");
    EXPECT_EQ(progress.findChild<QLabel*>("curFile")->text().toStdString(), "part2");
}

}  // namespace
}  // namespace parcelo
