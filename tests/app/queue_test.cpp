#include <atomic>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeView>
#include <gtest/gtest.h>

#include "app/transfers/transfer_queue.h"
#include "app/transfers/transfer_queue_pane.h"
#include "app/transfers/transfer_thread.h"
#include "app_fixture.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
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

// A transfer whose run waits for its gate, and says when it ran.
class GatedTransfer : public CTransferThread {
public:
    GatedTransfer(std::shared_future<void> gate, std::atomic<int>& ran) : m_gate(std::move(gate)), m_ran(ran) {}
    ~GatedTransfer() override {
        Abandon();
        Wait();
    }

protected:
    bool DoCopy() override {
        ++m_ran;
        m_gate.wait_for(10s);
        return true;
    }

private:
    std::shared_future<void> m_gate;
    std::atomic<int>& m_ran;
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
    EXPECT_EQ(size.data().toString().toStdString(), "2.9 KB");
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
        for (QPushButton* found : pane.findChildren<QPushButton*>()) {
            if (found->text() == text) return found;
        }
        return static_cast<QPushButton*>(nullptr);
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

}  // namespace
}  // namespace parcelo
