#include <algorithm>
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

#include "app/common/app_settings.h"
#include "app/common/status_relay.h"
#include "app/transfers/progress_bar_dlg.h"
#include "app/transfers/transfer_queue.h"
#include "app/transfers/transfer_thread.h"
#include "app_test_support.h"
#include "messaging/log_file.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"
#include "messaging/progress_status.h"
#include "support/ftp_server.h"

namespace parcelo {
namespace {

using namespace std::chrono_literals;
using namespace velmora;

using Script = std::function<bool()>;

// A transfer thread that runs a script in place of the engine's request.
class ScriptedTransfer : public CTransferThread {
public:
    explicit ScriptedTransfer(Script script) : m_script(std::move(script)) {}
    ~ScriptedTransfer() override {
        Abandon();
        Wait();
    }

protected:
    bool DoCopy() override { return m_script(); }

private:
    Script m_script;
};

std::unique_ptr<CTransferThread> Transfer(Script script) { return std::make_unique<ScriptedTransfer>(std::move(script)); }

// What the transfers of a test did, from whichever thread they ran on.
struct Journal {
    std::mutex lock;
    std::vector<int> order;
    int running = 0;
    int mostAtOnce = 0;
    bool offWindowThread = true;

    Script Entry(int id, std::shared_future<void> gate = {}) {
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
    ScriptedTransfer thread([&runs] { return ++runs > 0; });
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
        ScriptedTransfer thread([&ran] { return ran = true; });
        thread.Start();
    }
    EXPECT_FALSE(ran);
}

// A request that runs until it hears a cancel request, as the engine does.
Script RunUntilCancelled(std::atomic<bool>& started, std::atomic<bool>& cancelled) {
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

// What the windows hear: the commands that drive them, and on which thread.
class WindowEar : public CListener {
public:
    struct Heard {
        int32_t cmd, subCmd, unit;
        bool onWindowThread;
    };
    WindowEar() { CMsgBox::Box().Subscribe("WindowEar", this); }
    ~WindowEar() override { CMsgBox::Box().Unsubscribe(this); }
    void OnMsg(CMsg& msg) override {
        if (msg.Cmd() != MSG_RUN_START && msg.Cmd() != MSG_RUN_END && msg.Cmd() != MSG_PROGRESS) return;
        std::lock_guard<std::mutex> guard(lock);
        heard.push_back({msg.Cmd(), msg.SubCmd(), msg.Unit(),
                         QThread::currentThread() == QCoreApplication::instance()->thread()});
    }
    std::vector<Heard> Snapshot() {
        std::lock_guard<std::mutex> guard(lock);
        return heard;
    }

private:
    std::mutex lock;
    std::vector<Heard> heard;
};

class TransferToServerTest : public velmora::test::FtpServerTest {};

TEST_F(TransferToServerTest, AFolderIsUploadedWhileTheWindowFollowsOnItsOwnThread) {
    velmora::test::TempDir dir;
    velmora::test::WriteFile(dir / "up/a.txt", "alpha");
    velmora::test::WriteFile(dir / "up/sub/b.bin", velmora::test::RandomBytes(300000));
    test::CUserFolders folders;
    CAppSettings settings;
    CProgressBarDlg progress(settings);
    CStatusRelay relay;
    WindowEar ear;
    int transferred = 0;
    QObject::connect(&relay, &CStatusRelay::FileTransferred, [&transferred] { ++transferred; });
    bool idle = false;
    CTransferQueue queue;
    QObject::connect(&queue, &CTransferQueue::TransferEnded, [&idle](bool nowIdle) { idle = nowIdle; });

    CFtpLoginInfo login;
    login.SetHost(server.GetHost());
    login.SetPort(server.GetPort());
    login.SetLoginName(server.GetUser());
    login.SetPassword(server.GetPassword());
    auto thread = std::make_unique<CTransferThread>();
    ASSERT_TRUE(thread->GetApi().UploadFolderA(login, CFtpPath(dir / "up"), CFtpPath("/inbox/")));
    queue.Submit(std::move(thread));
    ASSERT_TRUE(test::WaitFor([&] {
        const auto heard = ear.Snapshot();
        return idle && !heard.empty() && heard.back().cmd == MSG_RUN_END;
    }));
    test::ProcessEvents();

    EXPECT_EQ(velmora::test::ReadFile(server.Path("inbox/up/a.txt")), "alpha");
    EXPECT_EQ(velmora::test::ReadFile(server.Path("inbox/up/sub/b.bin")), velmora::test::RandomBytes(300000));
    EXPECT_EQ(transferred, 2);
    const auto heard = ear.Snapshot();
    EXPECT_EQ(heard.front().cmd, MSG_RUN_START);
    EXPECT_TRUE(std::any_of(heard.begin(), heard.end(), [](const WindowEar::Heard& h) {
        return h.cmd == MSG_PROGRESS && h.subCmd == MSG_PROGRESS_POS && h.unit == PROGRESS_UNIT_FILES;
    }));
    EXPECT_TRUE(std::all_of(heard.begin(), heard.end(), [](const WindowEar::Heard& h) { return h.onWindowThread; }));
    EXPECT_FALSE(progress.IsRunning());
    // Folders the engine creates count as items too; the bytes are the files'.
    const std::string caption = progress.GetCaptionText();
    EXPECT_TRUE(caption.starts_with("Copying ") && caption.ends_with(" items (293.0 KiB)")) << caption;
    EXPECT_EQ(progress.findChild<QLabel*>("caption")->text().toStdString(), progress.GetCaptionText());
}

}  // namespace
}  // namespace parcelo
