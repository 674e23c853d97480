#include <atomic>
#include <thread>

#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QToolButton>
#include <gtest/gtest.h>

#include "app/common/app_settings.h"
#include "app/transfers/progress_bar_dlg.h"
#include "app_test_support.h"
#include "messaging/log_status.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "messaging/progress_status.h"
#include "platform/clock.h"

namespace parcelo {
namespace {

using namespace velmora;

void Send(CMsg& msg) { CMsgBox::Box().Send(msg); }

void SendCmd(int32_t cmd, int32_t argc = 0) {
    CMsg msg(cmd, argc, 0, 0);
    Send(msg);
}

void SendProgress(int32_t unit, int32_t subCmd, int32_t argc = 0, int32_t argv = 0) {
    CProgressStatus status(unit, subCmd, argc, argv);
    Send(status);
}

// The reply of the window to a cancel query.
int32_t AskCancel() {
    CProgressStatus query(PROGRESS_UNIT_FILES, MSG_PROGRESS_CHECK_CANCEL, 0, 0);
    Send(query);
    return query.Result();
}

// Remembers the cancel requests broadcast.
class CancelWatcher : public CListener {
public:
    CancelWatcher() { CMsgBox::Box().Subscribe("CancelWatcher", this); }
    ~CancelWatcher() override { CMsgBox::Box().Unsubscribe(this); }
    void OnMsg(CMsg& msg) override {
        if (msg.Cmd() == MSG_CANCEL && msg.Argc() == 1) ++cancels;
    }
    int cancels = 0;
};

class ProgressBarDlgTest : public ::testing::Test {
protected:
    ProgressBarDlgTest() : settings(PARCELO_SKIN_DIR "/../") { dlg.show(); }

    std::string Line(const char* name) { return dlg.findChild<QLabel*>(name)->text().toStdString(); }
    QProgressBar* Bar(int id) { return dlg.findChild<QProgressBar*>(QString::number(id)); }
    QProgressBar* Overall() { return Bar(CProgressBarDlg::kOverallBarId); }
    QProgressBar* PerFile() { return Bar(CProgressBarDlg::kFileBarId); }
    QToolButton* Stop() { return dlg.findChild<QToolButton*>(QString::number(CProgressBarDlg::kStopId)); }

    test::CUserFolders folders;
    CAppSettings settings;
    CProgressBarDlg dlg{settings};
};

TEST_F(ProgressBarDlgTest, ScriptedTransferDrivesBarsAndLines) {
    EXPECT_FALSE(Overall()->isVisible());
    SendCmd(MSG_RUN_START);
    SendProgress(PROGRESS_UNIT_FILES, MSG_PROGRESS_START, 1);
    SendProgress(PROGRESS_UNIT_FILES, MSG_PROGRESS_RANGE, 0, 3);
    CProgressStatus caption(PROGRESS_UNIT_FILES, MSG_PROGRESS_CAPTION, "Copying...");
    Send(caption);
    test::ProcessEvents();
    EXPECT_TRUE(Overall()->isVisible());
    EXPECT_TRUE(PerFile()->isVisible());
    EXPECT_EQ(Overall()->maximum(), 3);
    EXPECT_EQ(Line("caption"), "Copying...");

    // Items count on the overall bar only until the run's bytes are known.
    CProgressStatus one(PROGRESS_UNIT_FILES, MSG_PROGRESS_POS, 1, 0);
    one.TotalItems(1);
    one.TotalBytes(1536);
    one.ProcessedBytes(768);
    one.CurFile("/data/report.pdf");
    Send(one);
    test::ProcessEvents();
    EXPECT_EQ(Line("caption"), "Copying 1 item (1.5 KiB)");
    EXPECT_EQ(Line("curFile"), "/data/report.pdf");
    EXPECT_EQ(Overall()->value(), Overall()->maximum() / 2);

    CProgressStatus three(PROGRESS_UNIT_FILES, MSG_PROGRESS_POS, 2, 0);
    three.TotalItems(3);
    three.TotalBytes(5368709120);
    Send(three);

    SendProgress(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_RANGE, 0, 1024);
    CProgressStatus half(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_POS, 512, 0);
    half.ProcessedBytes(512);
    half.TotalBytes(1024);
    half.StartTime(platform::Now());
    Send(half);
    test::ProcessEvents();
    EXPECT_EQ(Line("caption"), "Copying 3 items (5.0 GiB)");
    EXPECT_EQ(Line("status"), " 50% (512 B) - Computing Time Remaining");
    EXPECT_EQ(PerFile()->maximum(), 1024);
    EXPECT_EQ(PerFile()->value(), 512);

    // A finished file fills its bar; a new one starts it again.
    SendProgress(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_FINISH);
    test::ProcessEvents();
    EXPECT_EQ(PerFile()->value(), 1024);
    SendProgress(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_START);
    test::ProcessEvents();
    EXPECT_EQ(PerFile()->value(), 0);

    SendProgress(PROGRESS_UNIT_FILES, MSG_PROGRESS_FINISH);
    SendCmd(MSG_RUN_END);
    test::ProcessEvents();
    EXPECT_FALSE(Overall()->isVisible());
    EXPECT_FALSE(PerFile()->isVisible());
    EXPECT_FALSE(dlg.IsRunning());
}

// A file of 4 GB and more: its byte range does not fit a bar as it is.
TEST_F(ProgressBarDlgTest, ByteRangesBeyondABarsRangeKeepTheirProportion) {
    SendCmd(MSG_RUN_START);
    SendProgress(PROGRESS_UNIT_FILES, MSG_PROGRESS_START, 1);
    CProgressStatus range(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_RANGE, 0, int64_t{5} << 30);
    Send(range);
    CProgressStatus quarter(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_POS, (int64_t{5} << 30) / 4, 0);
    Send(quarter);
    test::ProcessEvents();
    EXPECT_GT(PerFile()->maximum(), 0);
    EXPECT_EQ(PerFile()->value(), PerFile()->maximum() / 4);
    SendCmd(MSG_RUN_END);
}

TEST_F(ProgressBarDlgTest, EachJobStartsCleanAndEndsInAStateThatSaysHowItEnded) {
    // A one-file job moves the overall bar with its bytes.
    SendCmd(MSG_RUN_START);
    SendProgress(PROGRESS_UNIT_FILES, MSG_PROGRESS_START, 1);
    SendProgress(PROGRESS_UNIT_FILES, MSG_PROGRESS_RANGE, 0, 1);
    CProgressStatus quarter(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_POS, 512, 0);
    quarter.TotalItems(1);
    quarter.TotalBytes(2048);
    quarter.ProcessedBytes(512);
    quarter.CurFile("/data/first.bin");
    Send(quarter);
    test::ProcessEvents();
    EXPECT_EQ(Overall()->value(), Overall()->maximum() / 4);
    SendCmd(MSG_RUN_END);
    dlg.ShowOutcome(0, "", CRunCounts{1, 0, 2048, false, 2048});
    test::ProcessEvents();
    EXPECT_EQ(Line("caption"), "Done: 1 item copied (2.0 KiB)");
    EXPECT_EQ(Line("curFile"), "");
    EXPECT_EQ(Line("status"), "");

    // The next job shows nothing of the last one, and a cancel says so.
    Send(quarter);
    SendCmd(MSG_RUN_START);
    test::ProcessEvents();
    EXPECT_EQ(Line("caption"), "");
    EXPECT_EQ(Line("curFile"), "");
    EXPECT_EQ(Overall()->value(), 0);
    Send(quarter);
    SendCmd(MSG_CANCEL, 1);
    SendCmd(MSG_RUN_END);
    dlg.ShowOutcome(1, "Cancelled by the user", CRunCounts{});
    test::ProcessEvents();
    EXPECT_EQ(Line("caption"), CProgressBarDlg::kCancelledText);
    EXPECT_EQ(Line("status"), "");

    // A failed job counts its errors and names the first.
    SendCmd(MSG_RUN_START);
    CLogStatus::Send(LOG_ERROR, "Ftp", "ERROR:", "550 first.bin: Permission denied");
    CLogStatus::Send(LOG_ERROR, "Ftp", "ERROR:", "550 second.bin: Permission denied");
    SendCmd(MSG_RUN_END);
    dlg.ShowOutcome(2, "550 second.bin: Permission denied", CRunCounts{});
    test::ProcessEvents();
    EXPECT_EQ(Line("caption"), "Failed: 2 errors");
    EXPECT_EQ(Line("status"), "550 first.bin: Permission denied");
    EXPECT_FALSE(Overall()->isVisible());

    // Files named without a listing: no bytes known beforehand, the ones
    // that moved are told.
    SendCmd(MSG_RUN_START);
    CProgressStatus unknown(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_POS, 3072, 0);
    unknown.TotalItems(1);
    unknown.ProcessedBytes(3072);
    Send(unknown);
    SendCmd(MSG_RUN_END);
    dlg.ShowOutcome(0, "", CRunCounts{1, 0, 3072, false, 3072});
    test::ProcessEvents();
    EXPECT_EQ(Line("caption"), "Done: 1 item copied (3.0 KiB)");
}

// The summary says what the job did, not what it planned: a synchronisation
// that compared 801 items and sent 2, a download whose only file was skipped.
TEST_F(ProgressBarDlgTest, TheSummaryCountsWhatWasCopiedNotWhatWasPlanned) {
    SendCmd(MSG_RUN_START);
    CProgressStatus planned(PROGRESS_UNIT_FILES, MSG_PROGRESS_POS, 801, 0);
    planned.TotalItems(801);
    planned.TotalBytes(801 * 1024);
    Send(planned);
    SendCmd(MSG_RUN_END);
    dlg.ShowOutcome(0, "", CRunCounts{2, 799, 801 * 1024, false, 2048});
    test::ProcessEvents();
    EXPECT_EQ(Line("caption"), "Done: 2 items copied (2.0 KiB), 799 skipped");

    SendCmd(MSG_RUN_START);
    SendCmd(MSG_RUN_END);
    dlg.ShowOutcome(0, "", CRunCounts{0, 1, 25, false, 0});
    test::ProcessEvents();
    EXPECT_EQ(Line("caption"), "Done: 0 items copied (0 B), 1 skipped");
}

// A continued file's line says what its bar shows: the part it had before
// counts, for both.
TEST_F(ProgressBarDlgTest, AContinuedFilesTextAgreesWithItsBar) {
    SendCmd(MSG_RUN_START);
    SendProgress(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_START, 1);
    SendProgress(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_RANGE, 0, 1000);
    CProgressStatus resumed(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_POS, 550, 0);
    resumed.TotalItems(1);
    resumed.TotalBytes(1000);
    resumed.ProcessedBytes(150);
    Send(resumed);
    test::ProcessEvents();
    EXPECT_EQ(PerFile()->value() * 100 / PerFile()->maximum(), 55);
    EXPECT_EQ(Line("status").rfind(" 55% (550 B) - ", 0), 0u) << Line("status");
}

TEST_F(ProgressBarDlgTest, StopDuringARunAsksToCancel) {
    CancelWatcher watcher;
    SendCmd(MSG_RUN_START);
    EXPECT_EQ(AskCancel(), 0);
    QSignalSpy finished(&dlg, &QDialog::finished);

    Stop()->click();
    EXPECT_EQ(watcher.cancels, 1);
    EXPECT_EQ(AskCancel(), 1);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(finished.count(), 0);

    // The next run starts without the old request.
    SendCmd(MSG_RUN_END);
    SendCmd(MSG_RUN_START);
    EXPECT_EQ(AskCancel(), 0);
}

TEST_F(ProgressBarDlgTest, StopOutsideARunClosesTheWindow) {
    CancelWatcher watcher;
    QSignalSpy finished(&dlg, &QDialog::finished);
    Stop()->click();
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), 1);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(watcher.cancels, 0);
}

TEST_F(ProgressBarDlgTest, CancelFromTheTrayIsAnsweredToo) {
    SendCmd(MSG_RUN_START);
    SendCmd(MSG_CANCEL, 1);
    EXPECT_EQ(AskCancel(), 1);
}

TEST_F(ProgressBarDlgTest, CancelQueryNeverTurnsAYesIntoANo) {
    // A query before the run's start message (a late relayed start) must not
    // cancel the transfer, and another listener's yes stands.
    EXPECT_EQ(AskCancel(), 0);

    class SaysYes : public CListener {
    public:
        void OnMsg(CMsg& msg) override {
            if (msg.Cmd() == MSG_PROGRESS && msg.SubCmd() == MSG_PROGRESS_CHECK_CANCEL) msg.Result(1);
        }
    } yes;
    CMsgBox::Box().Unsubscribe(&dlg);
    CMsgBox::Box().Subscribe("SaysYes", &yes);
    CMsgBox::Box().Subscribe(CProgressBarDlg::kListenerName, &dlg);
    SendCmd(MSG_RUN_START);
    EXPECT_EQ(AskCancel(), 1);
    CMsgBox::Box().Unsubscribe(&yes);
}

TEST_F(ProgressBarDlgTest, WaitingTransfersAreCounted) {
    dlg.SetWaitingCount(1);
    test::ProcessEvents();
    EXPECT_EQ(Line("waiting"), "1 transfer waiting");
    dlg.SetWaitingCount(3);
    test::ProcessEvents();
    EXPECT_EQ(Line("waiting"), "3 transfers waiting");
    dlg.SetWaitingCount(0);
    test::ProcessEvents();
    EXPECT_EQ(Line("waiting"), "");
}

TEST_F(ProgressBarDlgTest, BroadcastsFromAnotherThreadReachWidgetsOnlyThroughQueuedCalls) {
    test::TakeQtWarnings();
    std::thread transfer([] {
        SendCmd(MSG_RUN_START);
        SendProgress(PROGRESS_UNIT_FILES, MSG_PROGRESS_START, 1);
        SendProgress(PROGRESS_UNIT_FILES, MSG_PROGRESS_RANGE, 0, 10);
        for (int i = 1; i <= 10; ++i) {
            CProgressStatus pos(PROGRESS_UNIT_FILES, MSG_PROGRESS_POS, i, 0);
            pos.TotalItems(10);
            pos.TotalBytes(10240);
            pos.ProcessedBytes(i * 1024);
            pos.CurFile("file" + std::to_string(i));
            Send(pos);
        }
    });
    transfer.join();

    // The state is stored, the widgets wait for the window's thread.
    EXPECT_TRUE(dlg.IsRunning());
    EXPECT_EQ(dlg.GetCurFileText(), "file10");
    EXPECT_EQ(Line("curFile"), "");
    EXPECT_FALSE(Overall()->isVisible());

    test::ProcessEvents();
    EXPECT_EQ(Line("curFile"), "file10");
    EXPECT_EQ(Line("caption"), "Copying 10 items (10.0 KiB)");
    EXPECT_EQ(Overall()->value(), Overall()->maximum());
    EXPECT_TRUE(Overall()->isVisible());
    const std::vector<std::string> warnings = test::TakeQtWarnings();
    EXPECT_TRUE(warnings.empty()) << warnings.front();
}

TEST_F(ProgressBarDlgTest, TheWindowRefreshesWhileATransferKeepsSending) {
    std::atomic<bool> done{false};
    std::thread transfer([&done] {
        for (int i = 1; i <= 300; ++i) {
            CProgressStatus pos(PROGRESS_UNIT_FILES, MSG_PROGRESS_POS, i, 0);
            pos.TotalItems(i);
            pos.CurFile("file" + std::to_string(i));
            Send(pos);
        }
        done = true;
    });
    EXPECT_TRUE(test::WaitFor([&done] { return done.load(); }));
    transfer.join();
    test::ProcessEvents();
    EXPECT_EQ(Line("curFile"), "file300");
    EXPECT_EQ(Line("caption"), "Copying 300 items (0 B)");
}

}  // namespace
}  // namespace parcelo
