#include <atomic>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QAbstractButton>
#include <QTreeView>
#include <gtest/gtest.h>

#include "app/transfers/transfer_queue.h"
#include "app/transfers/transfer_queue_pane.h"
#include "app/transfers/transfer_status_line.h"
#include "app/transfers/transfer_thread.h"
#include "app_fixture.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "base/password.h"
#include "ftp/password_store.h"
#include "messaging/progress_status.h"
#include "platform/file_stream.h"
#include "support/temp_dir.h"

namespace parcelo {
namespace {

using namespace std::chrono_literals;
using velmora::CFtpPath;
using velmora::CFtpPathList;
using velmora::test::ReadFile;
using velmora::test::TempDir;
using velmora::test::WriteFile;
namespace fs = std::filesystem;

// A transfer whose run waits for its gate, and says when it ran (and, with
// a tag, in which turn).
class GatedTransfer : public CTransferThread {
public:
    GatedTransfer(std::shared_future<void> gate, std::atomic<int>& ran, int tag = 0, int* turns = nullptr)
        : m_gate(std::move(gate)), m_ran(ran), m_nTag(tag), m_pTurns(turns) {}
    ~GatedTransfer() override {
        Abandon();
        Wait();
    }

protected:
    bool DoCopy() override {
        const int turn = m_ran++;
        if (m_pTurns != nullptr) m_pTurns[turn] = m_nTag;
        m_gate.wait_for(10s);
        return true;
    }

private:
    std::shared_future<void> m_gate;
    std::atomic<int>& m_ran;
    int m_nTag;
    int* m_pTurns;
};

CTransferEntry::EState StateOf(const CTransferQueue& queue, int id) {
    const CTransferEntry* entry = queue.GetModel().Find(id);
    EXPECT_NE(entry, nullptr);
    return entry != nullptr ? entry->state : CTransferEntry::Waiting;
}

TEST(TransferQueueListTest, WaitingTransfersAreCancelledOrRemovedWithoutRunningAndStopAllEmptiesTheQueue) {
    std::promise<void> release;
    const std::shared_future<void> gate = release.get_future().share();
    std::atomic<int> ran{0};
    CTransferQueue queue;
    const int first = queue.Submit(std::make_unique<GatedTransfer>(gate, ran));
    const int second = queue.Submit(std::make_unique<GatedTransfer>(gate, ran));
    const int third = queue.Submit(std::make_unique<GatedTransfer>(gate, ran));
    const int fourth = queue.Submit(std::make_unique<GatedTransfer>(gate, ran));
    ASSERT_TRUE(test::WaitFor([&] { return ran == 1; }));
    EXPECT_EQ(queue.GetRunningId(), first);
    EXPECT_EQ(StateOf(queue, first), CTransferEntry::Running);
    EXPECT_EQ(StateOf(queue, second), CTransferEntry::Waiting);
    EXPECT_EQ(queue.GetModel().rowCount(), 4);

    // The running one cannot leave the list; a waiting one can.
    EXPECT_FALSE(queue.Remove(first));
    EXPECT_TRUE(queue.Remove(second));
    EXPECT_EQ(queue.GetModel().Find(second), nullptr);
    EXPECT_TRUE(queue.Cancel(third));
    EXPECT_EQ(StateOf(queue, third), CTransferEntry::Cancelled);
    EXPECT_EQ(queue.GetWaitingCount(), 1);

    // Stop all: the waiting one ends cancelled, the running one is asked to
    // stop and ends cancelled once its run is over.
    queue.CancelAll();
    EXPECT_EQ(StateOf(queue, fourth), CTransferEntry::Cancelled);
    EXPECT_EQ(queue.GetWaitingCount(), 0);
    release.set_value();
    ASSERT_TRUE(test::WaitFor([&] { return !queue.IsBusy(); }));
    EXPECT_EQ(StateOf(queue, first), CTransferEntry::Cancelled);
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(queue.GetModel().rowCount(), 3);
}

TEST(TransferQueueListTest, ARunThatEndsWithoutACancelIsDoneEvenAfterAnEarlierStop) {
    std::promise<void> release;
    release.set_value();
    std::atomic<int> ran{0};
    CTransferQueue queue;
    // A Stop pressed while nothing ran does not mark the next transfer.
    velmora::CMsgSend stop(velmora::MSG_CANCEL, 1, 0, 0);
    const int id = queue.Submit(std::make_unique<GatedTransfer>(release.get_future().share(), ran));
    ASSERT_TRUE(test::WaitFor([&] { return !queue.IsBusy(); }));
    EXPECT_EQ(StateOf(queue, id), CTransferEntry::Done);
    EXPECT_FALSE(queue.Retry(id)) << "a request the engine does not know cannot be asked for again";
}

// The running row shows its percentage, speed and time left, and so does the
// status line; a held row waits out its turn until started; moved rows run
// in their new order.
TEST(TransferQueueListTest, RowsShowProgressArePausedStartedAndRunInTheOrderShown) {
    std::promise<void> release;
    const std::shared_future<void> gate = release.get_future().share();
    std::atomic<int> ran{0};
    int turns[4] = {};
    CTransferQueue queue;
    CTransferStatusLine status(queue);
    std::vector<int> ids;
    for (int tag = 1; tag <= 4; ++tag) {
        ids.push_back(queue.Submit(std::make_unique<GatedTransfer>(gate, ran, tag, turns)));
    }
    ASSERT_TRUE(test::WaitFor([&] { return ran == 1; }));

    velmora::CProgressStatus progress(velmora::PROGRESS_UNIT_FILES, velmora::MSG_PROGRESS_POS, 0, 0);
    progress.TotalBytes(4000);
    progress.ProcessedBytes(1000);
    velmora::CMsgBox::Box().Send(progress);
    const QModelIndex row = queue.GetModel().index(0, CTransferListModel::COLUMN_PROGRESS);
    EXPECT_EQ(row.data().toString(), "25 %");
    EXPECT_EQ(row.data(CTransferListModel::kPercentRole).toInt(), 25);
    EXPECT_EQ(status.GetPercent(), 25);
    EXPECT_TRUE(status.GetText().contains("(3 waiting)")) << status.GetText().toStdString();
    // Within one long file, the file's progress moves the run on.
    velmora::CProgressStatus withinFile(velmora::PROGRESS_UNIT_FILE_BYTES, velmora::MSG_PROGRESS_POS, 500, 0);
    withinFile.TotalBytes(4000);
    withinFile.ProcessedBytes(2000);
    velmora::CMsgBox::Box().Send(withinFile);
    EXPECT_EQ(row.data().toString(), "50 %");
    EXPECT_EQ(status.GetPercent(), 50);

    EXPECT_TRUE(queue.Pause(ids[1]));
    EXPECT_EQ(StateOf(queue, ids[1]), CTransferEntry::Paused);
    EXPECT_FALSE(queue.IsQueued(ids[1]));
    EXPECT_TRUE(queue.MoveUp(ids[3]));
    EXPECT_FALSE(queue.MoveUp(ids[0]));
    EXPECT_EQ(queue.GetModel().RowOf(ids[3]), 2);
    release.set_value();
    ASSERT_TRUE(test::WaitFor([&] { return !queue.IsBusy(); }));
    EXPECT_EQ(StateOf(queue, ids[1]), CTransferEntry::Paused);
    EXPECT_EQ((std::vector<int>(turns, turns + 3)), (std::vector<int>{1, 4, 3}));
    // The line agrees with the rows: nothing runs, and the held row waits for a start.
    EXPECT_TRUE(status.GetText().startsWith("No transfer running")) << status.GetText().toStdString();

    // Started, it runs (its request again: here one the engine does not know).
    EXPECT_TRUE(queue.Start(ids[1]));
    EXPECT_TRUE(queue.IsQueued(ids[1]));
    ASSERT_TRUE(test::WaitFor([&] { return !queue.IsBusy(); }));
    EXPECT_TRUE(queue.GetModel().Find(ids[1])->IsOver());
    EXPECT_EQ(status.GetPercent(), -1);
}

class QueueToServerTest : public test::AppTest {
protected:
    const CTransferEntry& Entry(int id) { return *queue.GetModel().Find(id); }
};

TEST_F(QueueToServerTest, EntriesTellWhereFromWhereToAndHowTheyEndedAndAFailedOneIsRetried) {
    TempDir local;
    WriteFile(local / "up.bin", std::string(3000, 'u'));
    WriteFile(server.Path("docs/here.txt"), "here");
    fs::create_directories(local / "down");

    const int up = queue.Submit(UploadThread(local / "up.bin", "/inbox/"));
    const int missing = queue.Submit(DownloadThread("/docs/gone.txt", local / "down"));
    EXPECT_EQ(WaitForTransfers(), 2);

    const CTransferEntry& sent = Entry(up);
    EXPECT_EQ(sent.state, CTransferEntry::Done) << sent.result;
    EXPECT_EQ(sent.source, local / "up.bin");
    EXPECT_EQ(sent.destination, "ftp://127.0.0.1:" + std::to_string(server.GetPort()) + "/inbox/");
    EXPECT_EQ(sent.size, 3000);
    EXPECT_EQ(sent.result, "1 item copied");
    const QModelIndex size = queue.GetModel().index(0, CTransferListModel::COLUMN_SIZE);
    EXPECT_EQ(size.data().toString().toStdString(), "2.9 KiB");
    EXPECT_EQ(ReadFile(server.Path("inbox/up.bin")), std::string(3000, 'u'));

    const CTransferEntry& failed = Entry(missing);
    EXPECT_EQ(failed.state, CTransferEntry::Failed);
    EXPECT_TRUE(failed.source.ends_with("/docs/gone.txt")) << failed.source;
    EXPECT_TRUE(failed.result.starts_with("1 error: ")) << failed.result;
    EXPECT_FALSE(fs::exists(local / "down/gone.txt"));

    // Once the file is there, the same request brings it, in the same entry.
    WriteFile(server.Path("docs/gone.txt"), "back");
    ASSERT_TRUE(queue.Retry(missing));
    EXPECT_EQ(Entry(missing).state, CTransferEntry::Running);
    EXPECT_EQ(WaitForTransfers(), 3);
    EXPECT_EQ(Entry(missing).state, CTransferEntry::Done) << Entry(missing).result;
    // Named without a listing, the file's size is what moved.
    EXPECT_EQ(Entry(missing).size, 4);
    EXPECT_EQ(ReadFile(local / "down/gone.txt"), "back");
    EXPECT_EQ(queue.GetModel().rowCount(), 2);
}

TEST_F(QueueToServerTest, ThePaneActsOnTheSelectedEntriesAndOffersOnlyWhatApplies) {
    TempDir local;
    WriteFile(server.Path("a.txt"), "a");
    CTransferQueuePane pane(queue);
    pane.resize(700, 200);
    pane.show();
    const auto button = [&pane](const char* text) {
        for (QAbstractButton* found : pane.findChildren<QAbstractButton*>()) {
            if (found->text() == text) return found;
        }
        return static_cast<QAbstractButton*>(nullptr);
    };
    const int id = queue.Submit(DownloadThread("/a.txt", local.path()));
    EXPECT_EQ(WaitForTransfers(), 1);
    ASSERT_EQ(pane.GetView()->model()->rowCount(), 1);
    EXPECT_EQ(pane.GetView()->model()->index(0, 0).data().toString(), "Done");

    EXPECT_FALSE(button("Retry")->isEnabled());
    pane.SelectEntry(id);
    EXPECT_EQ(pane.GetSelectedIds(), std::vector<int>{id});
    EXPECT_TRUE(button("Retry")->isEnabled());
    EXPECT_TRUE(button("Remove")->isEnabled());
    EXPECT_FALSE(button("Cancel")->isEnabled());

    // Retried, the entry runs again (and the local copy is asked about).
    prompter.targetAnswers.push_back({ETargetAnswer::Overwrite, false});
    button("Retry")->click();
    EXPECT_EQ(WaitForTransfers(), 2);
    EXPECT_EQ(prompter.targetQuestions.size(), 1u);
    EXPECT_EQ(queue.GetModel().rowCount(), 1);

    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(pane.GetView(), &del);
    EXPECT_EQ(queue.GetModel().rowCount(), 0);
}

// What was unfinished at the end comes back at the next start, waiting, in
// its order; Start continues a part already fetched rather than fetching it
// again; the store, which holds logins, is the owner's only.
TEST_F(QueueToServerTest, UnfinishedEntriesComeBackAfterARestartAndStartContinuesThem) {
    TempDir local;
    const std::string store = local / "queue.json";
    WriteFile(server.Path("big.bin"), std::string(5000, 's'));
    WriteFile(server.Path("small.txt"), "small");
    WriteFile(local / "up.txt", "up");
    fs::create_directories(local / "down");
    // The earlier run fetched 1000 bytes of big.bin before it ended.
    WriteFile(velmora::platform::PartialPath(local / "down/big.bin"), std::string(1000, 'p'));
    {
        std::promise<void> release;
        std::atomic<int> ran{0};
        CTransferQueue before;
        before.SetStore(store);
        before.Submit(std::make_unique<GatedTransfer>(release.get_future().share(), ran));
        const int big = before.Submit(DownloadThread("/big.bin", local / "down"));
        const int up = before.Submit(UploadThread(local / "up.txt", "/in/"));
        before.Submit(DownloadThread("/small.txt", local / "down"));
        before.Pause(up);
        before.MoveDown(big);
        ASSERT_TRUE(test::WaitFor([&] { return ran == 1; }));
        // The program ends with all of them unfinished.
        release.set_value();
        before.Shutdown();
    }
    EXPECT_EQ(fs::status(store).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    CTransferQueue after;
    after.SetStore(store);
    ASSERT_EQ(after.Restore(), 3);
    const CTransferListModel& model = after.GetModel();
    std::vector<std::string> sources;
    for (int row = 0; row < model.rowCount(); ++row) {
        EXPECT_EQ(model.At(row).state, CTransferEntry::Waiting);
        EXPECT_FALSE(after.IsQueued(model.At(row).id));
        sources.push_back(fs::path(model.At(row).source).filename());
    }
    EXPECT_EQ(sources, (std::vector<std::string>{"up.txt", "big.bin", "small.txt"}));
    EXPECT_FALSE(after.IsBusy());

    EXPECT_EQ(after.StartAll(), 3);
    ASSERT_TRUE(test::WaitFor([&] { return !after.IsBusy(); }, 20s));
    for (int row = 0; row < model.rowCount(); ++row) {
        EXPECT_EQ(model.At(row).state, CTransferEntry::Done) << model.At(row).result;
    }
    EXPECT_EQ(ReadFile(server.Path("in/up.txt")), "up");
    EXPECT_EQ(ReadFile(local / "down/small.txt"), "small");
    // Continued: the part fetched before is kept, the rest follows it.
    EXPECT_EQ(ReadFile(local / "down/big.bin"), std::string(1000, 'p') + std::string(4000, 's'));
    EXPECT_TRUE(prompter.targetQuestions.empty());

    // Finished, nothing is left for the next start.
    CTransferQueue third;
    third.SetStore(store);
    EXPECT_EQ(third.Restore(), 0);
}

// A password that is not saved never reaches the store; the entry brought
// back asks for it when started, and waits on when the question is cancelled.
TEST_F(QueueToServerTest, ALoginBroughtBackGetsItsPasswordBeforeItRuns) {
    TempDir local;
    const std::string store = local / "queue.json";
    WriteFile(server.Path("a.txt"), "a");
    {
        std::promise<void> release;
        std::atomic<int> ran{0};
        CTransferQueue before;
        before.SetStore(store);
        before.Submit(std::make_unique<GatedTransfer>(release.get_future().share(), ran));
        auto thread = DownloadThread("/a.txt", local.path());
        velmora::CFtpLoginInfo login = thread->GetApi().GetLoginInfo();
        login.SetPasswordRest(velmora::EPasswordStore::None);
        velmora::CFtpPathList files;
        files.Add(new CFtpPath("/a.txt"));
        thread->GetApi().DownloadFilesA(login, files, CFtpPath(local.path(), velmora::PATH_FOLDER));
        before.Submit(std::move(thread));
        release.set_value();
        before.Shutdown();
    }
    EXPECT_EQ(ReadFile(store).find(velmora::StrEnc(server.GetPassword())), std::string::npos);

    CTransferQueue after;
    after.SetStore(store);
    ASSERT_EQ(after.Restore(), 1);
    const int id = after.GetModel().At(0).id;
    std::vector<std::string> asked;
    bool answer = false;
    after.SetLoginReady([&](velmora::CFtpLoginInfo& login) {
        asked.push_back(login.GetPassword());
        if (answer) login.SetPassword(server.GetPassword());
        return answer;
    });
    EXPECT_FALSE(after.Start(id));
    EXPECT_FALSE(after.IsQueued(id));
    answer = true;
    ASSERT_TRUE(after.Start(id));
    ASSERT_TRUE(test::WaitFor([&] { return !after.IsBusy(); }, 20s));
    EXPECT_EQ(after.GetModel().At(0).state, CTransferEntry::Done) << after.GetModel().At(0).result;
    EXPECT_EQ(ReadFile(local / "a.txt"), "a");
    EXPECT_EQ(asked, (std::vector<std::string>{"", ""}));
}

TEST(TransferQueueStoreTest, AnUnreadableStoreBringsNothingBack) {
    TempDir folder;
    for (const std::string& text : {std::string("not json"), std::string("{\"entries\": [{\"request\": 99}, 7]}"),
                                    std::string("{\"entries\": [{\"request\": 3, \"login\": \"\"}]}")}) {
        WriteFile(folder / "queue.json", text);
        CTransferQueue queue;
        queue.SetStore(folder / "queue.json");
        EXPECT_EQ(queue.Restore(), 0) << text;
        EXPECT_EQ(queue.GetModel().rowCount(), 0);
    }
}

}  // namespace
}  // namespace parcelo
