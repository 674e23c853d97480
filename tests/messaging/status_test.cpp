#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "messaging/msg_box.h"
#include "messaging/progress_status.h"
#include "messaging/status_queue.h"
#include "messaging/transfer_run.h"
#include "messaging/transfer_status.h"
#include "messaging/worker.h"
#include "messaging_test_support.h"

namespace velmora {
namespace {

using test::Recorder;

constexpr int64_t kGiB = int64_t{1} << 30;

// Subscribes a recorder for the lifetime of the test.
class Subscribed : public ::testing::Test {
protected:
    void SetUp() override { CMsgBox::Box().Subscribe("recorder", &rec); }
    void TearDown() override { CMsgBox::Box().Unsubscribe(&rec); }

    const CTransferStatus& StatusAt(size_t index) {
        const auto* status = dynamic_cast<const CTransferStatus*>(rec.messages.at(index).Object());
        EXPECT_NE(status, nullptr);
        return *status;
    }

    Recorder rec;
};

TEST(CProgressStatus, CountersLiveInThreeSlotsMadeByTheFirstSetter) {
    CProgressStatus progress(2, 6, 5, "five");
    EXPECT_EQ(progress.Cmd(), 16);
    EXPECT_EQ(progress.Unit(), 2);
    EXPECT_EQ(progress.SubCmd(), 6);
    EXPECT_EQ(progress.TotalBytes(), 0);
    EXPECT_EQ(progress.StartTime(), 0);
    EXPECT_EQ(progress.CurFile(), "");
    EXPECT_EQ(progress.GetCount(), 0);

    progress.TotalItems(7);
    EXPECT_EQ(progress.GetCount(), 3);
    progress.TotalBytes(5 * kGiB);
    progress.ProcessedBytes(kGiB + 1);
    progress.StartTime(1700000000);
    progress.CurFile("a.txt");
    EXPECT_EQ(progress.TotalBytes(), 5 * kGiB);
    EXPECT_EQ(progress.ProcessedBytes(), kGiB + 1);
    EXPECT_EQ(progress.TotalItems(), 7);
    EXPECT_EQ(progress.StartTime(), 1700000000);
    EXPECT_EQ(progress.CurFile(), "a.txt");
    EXPECT_EQ(progress.GetCount(), 3);

    const CProgressStatus copy(progress);
    EXPECT_EQ(copy.ProcessedBytes(), kGiB + 1);
    EXPECT_EQ(copy.CurFile(), "a.txt");
    EXPECT_EQ(CProgressStatus(0, 4, "Caption").GetCaptionText(), "Caption");
    EXPECT_EQ(CProgressStatus(0, 7, 0, 5 * kGiB).LLArgv(), 5 * kGiB);
}

TEST(CProgressStatus, Percentage) {
    CProgressStatus progress(0, 6, 0, 0);
    EXPECT_EQ(progress.GetStrProgress(), " 0%");
    progress.TotalBytes(200);
    progress.ProcessedBytes(50);
    EXPECT_EQ(progress.GetStrProgress(), "25%");
    progress.ProcessedBytes(14);
    EXPECT_EQ(progress.GetStrProgress(), " 7%");
    progress.ProcessedBytes(300);
    EXPECT_EQ(progress.GetStrProgress(), "150%");
    // Byte counts beyond 32 bits.
    progress.TotalBytes(10 * kGiB);
    progress.ProcessedBytes(5 * kGiB);
    EXPECT_EQ(progress.GetStrProgress(), "50%");
}

TEST(FormatTimeRemaining, ShortAndLongForms) {
    EXPECT_EQ(FormatTimeRemaining(60), "60 Seconds Remaining");
    EXPECT_EQ(FormatTimeRemaining(1), "1 Seconds Remaining");
    EXPECT_EQ(FormatTimeRemaining(61), "1 Minute 1 Seconds Remaining");
    EXPECT_EQ(FormatTimeRemaining(125), "2 Minutes 5 Seconds Remaining");
    EXPECT_EQ(FormatTimeRemaining(3600), "1 Hour 0 Minutes 0 Seconds Remaining");
    EXPECT_EQ(FormatTimeRemaining(7322), "2 Hours 2 Minutes 2 Seconds Remaining");
    // Whole days are dropped: 25 hours show as 1.
    EXPECT_EQ(FormatTimeRemaining(90000), "1 Hour 0 Minutes 0 Seconds Remaining");
}

TEST(CProgressStatus, TimeRemainingFromTheStartTime) {
    const int64_t start = 1700000000;
    CProgressStatus progress(0, 6, 0, 0);
    progress.StartTime(start);
    progress.TotalBytes(8 * kGiB);
    EXPECT_EQ(progress.GetStrTimeRemaining(start + 100), "Computing Time Remaining");  // nothing processed

    progress.ProcessedBytes(2 * kGiB);
    EXPECT_EQ(progress.GetStrTimeRemaining(start + 3), "Computing Time Remaining");
    EXPECT_EQ(progress.GetStrTimeRemaining(start + 4), "Computing Time Remaining");
    EXPECT_EQ(progress.GetStrTimeRemaining(start + 5), "15 Seconds Remaining");
    // A quarter done after 100 s: 300 s to go, above 4 GiB.
    EXPECT_EQ(progress.ComputeTimeRemaining(start + 100), 300);
    EXPECT_EQ(progress.GetStrTimeRemaining(start + 100), "5 Minutes 0 Seconds Remaining");
}

TEST(CTransferStatus, TimeRemainingHasNoComputingPhase) {
    CTransferStatus status(MSG_PROGRESS, false);
    status.SetStartTime(1000);
    EXPECT_EQ(status.GetStrTimeRemaining(1100), "0 Seconds Remaining");
    status.TotalBytes(100 * kGiB);
    status.ProcessedBytes(50 * kGiB);
    EXPECT_EQ(status.GetTimeRemaining(1002), 2);
    EXPECT_EQ(status.GetStrTimeRemaining(1061), "1 Minute 1 Seconds Remaining");
}

TEST(CTransferStatus, CopyAndClearKeepWhatTheyShould) {
    CTransferStatus original(CFtpPath("/src/a.txt"), CFtpPath("/dst/a.txt"), CTransferStatus::STATUS_TRANSFERRED,
                             true);
    original.SetFire(false);
    original.SetStartTime(10);
    original.m_nIndex = 4;
    original.m_strText = "text";
    original.ProcessedBytes(6 * kGiB);

    CTransferStatus copy(original);
    EXPECT_EQ(copy.GetStatus(), CTransferStatus::STATUS_TRANSFERRED);
    EXPECT_EQ(copy.GetSource().GetPath(), "/src/a.txt");
    EXPECT_EQ(copy.GetDestination().GetPath(), "/dst/a.txt");
    EXPECT_EQ(copy.GetStartTime(), 10);
    EXPECT_EQ(copy.m_strText, "text");
    EXPECT_EQ(copy.ProcessedBytes(), 6 * kGiB);
    EXPECT_EQ(copy.m_nIndex, -1);

    copy.Clear();
    EXPECT_EQ(copy.GetStatus(), CTransferStatus::STATUS_NONE);
    EXPECT_EQ(copy.GetSource().GetPath(), "");
    EXPECT_EQ(copy.ProcessedBytes(), 0);
    EXPECT_EQ(copy.GetStartTime(), 10);
}

TEST_F(Subscribed, TransferStatusFiresOnceOnDestruction) {
    { CTransferStatus quiet(MSG_PROGRESS, false); }
    EXPECT_TRUE(rec.messages.empty());

    {
        CTransferStatus firing(CProgressStatus(1, 6, 3, 0), true);
        CTransferStatus copy(firing);  // copies never inherit the flag
        EXPECT_FALSE(copy.IsFire());
    }
    ASSERT_EQ(rec.Commands(), (std::vector<int>{14}));
    EXPECT_EQ(StatusAt(0).GetProgressStatus().Argc(), 3);
    EXPECT_NE(StatusAt(0).GetStopTime(), 0);
    EXPECT_FALSE(StatusAt(0).IsFire());

    {
        CTransferStatus fired(MSG_RUN_START, true);
        fired.Fire();
    }
    EXPECT_EQ(rec.Commands(), (std::vector<int>{14, 14}));
}

TEST_F(Subscribed, TransferRunAnnouncesStartThenEndTwice) {
    { CTransferRun run; }
    ASSERT_EQ(rec.Commands(), (std::vector<int>{14, 14, 14}));
    EXPECT_EQ(StatusAt(0).GetProgressStatus().Cmd(), 9);
    EXPECT_EQ(StatusAt(1).GetProgressStatus().Cmd(), 10);
    EXPECT_EQ(StatusAt(2).GetProgressStatus().Cmd(), 10);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(StatusAt(i).GetStatus(), CTransferStatus::STATUS_PROGRESS);
    EXPECT_NE(StatusAt(2).GetStopTime(), 0);
}

// Records its start and stop among the messages it hears.
class CLoggingWorker : public CWorker {
public:
    explicit CLoggingWorker(std::vector<std::string>& events) : m_events(events) {}
    void WorkerStart() override { m_events.push_back("start"); }
    void WorkerStop() override { m_events.push_back("stop"); }

private:
    std::vector<std::string>& m_events;
};

TEST_F(Subscribed, RunnerBracketsTheWorker) {
    std::vector<std::string> events;
    rec.onMsg = [&](CMsg& msg) { events.push_back(std::to_string(msg.Cmd())); };
    { CRunner runner(nullptr); }
    CLoggingWorker worker(events);
    { CRunner runner(&worker); }
    EXPECT_EQ(events, (std::vector<std::string>{"9", "10", "9", "start", "stop", "10"}));
}

TEST_F(Subscribed, StatusQueueIsFirstInFirstOutAndOwnsWhatItHolds) {
    {
        CTStatusQueue queue;
        EXPECT_EQ(queue.Get(), nullptr);
        for (int i = 1; i <= 3; ++i) {
            auto* status = new CTransferStatus(MSG_PROGRESS, false);
            status->ProcessedBytes(i);
            queue.Put(status);
        }
        std::unique_ptr<CTransferStatus> first(queue.Get());
        ASSERT_TRUE(first);
        EXPECT_EQ(first->ProcessedBytes(), 1);
        // What is left is deleted with the queue; a firing status shows it.
        queue.Put(new CTransferStatus(MSG_RUN_END, true));
        EXPECT_TRUE(rec.messages.empty());
    }
    EXPECT_EQ(rec.Commands(), (std::vector<int>{14}));
}

}  // namespace
}  // namespace velmora
