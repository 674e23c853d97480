#include <future>
#include <memory>
#include <regex>

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEnterEvent>
#include <QMimeData>
#include <QProgressBar>
#include <QUrl>
#include <gtest/gtest.h>

#include "app/common/balloon_tip.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/shell/main_dlg.h"
#include "app/tray/dash_bord_dlg.h"
#include "app_fixture.h"
#include "ear.h"
#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"
#include "messaging/progress_status.h"

namespace parcelo {
namespace {

using velmora::CMsgSend;
using namespace velmora;

int AskToCancel() { return CMsgSend(MSG_PROGRESS_CHECK_CANCEL, 0, 0, 0).Result(); }

void Announce(int32_t cmd) { CMsgSend announce(cmd, 0, 0, 0); }

class TrayTest : public test::AppTest {
protected:
    void Connect() { ASSERT_TRUE(ConnectAndWait(tray.GetMainWindow().GetBrowser(), Login())); }
    // The file manager's drag of one local file, entering the tray.
    Qt::DropAction DragEnter(const QMimeData& data) {
        QDragEnterEvent enter(QPoint(80, 60), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&tray, &enter);
        return enter.dropAction();
    }
    std::unique_ptr<QMimeData> LocalFile(const std::string& name, const std::string& content) {
        velmora::test::WriteFile(local / name, content);
        auto data = std::make_unique<QMimeData>();
        data->setUrls({QUrl::fromLocalFile(QString::fromStdString(local / name))});
        return data;
    }
    std::vector<int> Ticks(int count) {
        std::vector<int> seen;
        for (int i = 0; i < count; ++i) {
            tray.OnTimerTick();
            seen.push_back(tray.GetOpacity());
        }
        return seen;
    }

    velmora::test::TempDir local;
    CDashBordDlg tray{context};
};

TEST_F(TrayTest, WithoutAConnectionTheMainWindowAndTheStatusAreShown) {
    EXPECT_FALSE(tray.IsConnected());
    EXPECT_EQ(tray.GetPicture(), CDashBordDlg::PICTURE_DISCONNECTED);
    EXPECT_TRUE(tray.GetMainWindow().isVisible());
    ASSERT_TRUE(tray.GetBalloon().isVisible());
    EXPECT_EQ(tray.GetBalloon().GetTitle(), "Status");
    EXPECT_EQ(tray.GetBalloon().GetText(), "Disconnected");
    EXPECT_EQ(tray.GetOpacity(), CDashBordDlg::kStartOpacity);

    tray.OnToggle();
    EXPECT_FALSE(tray.GetMainWindow().isVisible());
    EXPECT_FALSE(tray.GetBalloon().isVisible());
    tray.OnToggle();
    EXPECT_TRUE(tray.GetMainWindow().isVisible());
    EXPECT_TRUE(std::regex_match(CDashBordDlg::GetAboutText(),
                                 std::regex("Parcelo\nVersion [0-9]+\\.[0-9]+\\.[0-9]+    \\(b[0-9]+\\)")));
}

TEST_F(TrayTest, ThePictureFollowsConnectionRunAndDrag) {
    tray.ShowMainWindow(false);
    Announce(MSG_RUN_START);
    EXPECT_TRUE(tray.IsRunning());
    EXPECT_EQ(tray.GetPicture(), CDashBordDlg::PICTURE_DISCONNECTED);
    Announce(MSG_RUN_END);

    Connect();
    // The connected state is read again within a hundred steps.
    Ticks(CDashBordDlg::kCountdown);
    EXPECT_EQ(tray.GetPicture(), CDashBordDlg::PICTURE_EMPTY);

    Announce(MSG_RUN_START);
    EXPECT_EQ(tray.GetPicture(), CDashBordDlg::PICTURE_FULL);
    Announce(MSG_RUN_END);
    EXPECT_EQ(tray.GetPicture(), CDashBordDlg::PICTURE_EMPTY);

    const auto data = LocalFile("a.txt", "a");
    EXPECT_EQ(DragEnter(*data), Qt::CopyAction);
    EXPECT_EQ(tray.GetPicture(), CDashBordDlg::PICTURE_FULL_R);
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(&tray, &leave);
    EXPECT_EQ(tray.GetPicture(), CDashBordDlg::PICTURE_EMPTY);
}

TEST_F(TrayTest, StopDuringARunMakesTheNextCancelQueryAnswerYes) {
    test::CEar cancels(MSG_CANCEL);
    tray.OnStop();
    EXPECT_EQ(AskToCancel(), 0);
    ASSERT_EQ(cancels.Heard().size(), 1u);
    EXPECT_EQ(cancels.Heard()[0].Argc(), 1);

    Connect();
    tray.ReadConnected();
    Announce(MSG_RUN_START);
    EXPECT_EQ(AskToCancel(), 0);
    tray.OnStop();
    EXPECT_FALSE(tray.IsRunning());
    EXPECT_EQ(tray.GetPicture(), CDashBordDlg::PICTURE_EMPTY);
    // Asked by a transfer thread, answered there at once.
    EXPECT_EQ(std::async(std::launch::async, AskToCancel).get(), 1);
    EXPECT_EQ(CMsgProgress(PROGRESS_UNIT_FILES, MSG_PROGRESS_CHECK_CANCEL, 0, 0).Result(), 1);
    Announce(MSG_RUN_END);
}

TEST_F(TrayTest, OpacityMovesTenAStepAndNeverPassesTheTop) {
    EXPECT_EQ(Ticks(1), std::vector<int>{CDashBordDlg::kStartOpacity});
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&tray, &enter);
    EXPECT_TRUE(tray.IsHover());
    EXPECT_EQ(tray.GetTargetOpacity(), 255);
    const std::vector<int> up = Ticks(16);
    EXPECT_EQ(up.front(), 130);
    EXPECT_EQ(up[12], 250);
    EXPECT_EQ(up[13], 255);
    EXPECT_EQ(up.back(), 255);

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&tray, &leave);
    EXPECT_EQ(tray.GetTargetOpacity(), 155);
    const std::vector<int> down = Ticks(12);
    EXPECT_EQ(down.front(), 245);
    EXPECT_EQ(down[9], 155);
    EXPECT_EQ(down.back(), 155);
    for (size_t i = 1; i < up.size(); ++i) EXPECT_LE(up[i] - up[i - 1], 10);
    for (size_t i = 1; i < down.size(); ++i) EXPECT_LE(down[i - 1] - down[i], 10);
}

TEST_F(TrayTest, DropsAreRefusedWhileTheMainWindowIsShown) {
    Connect();
    const auto data = LocalFile("dropped.txt", "payload");
    ASSERT_TRUE(tray.GetMainWindow().isVisible());
    EXPECT_EQ(DragEnter(*data), Qt::IgnoreAction);
    EXPECT_FALSE(tray.IsReceiving());
    EXPECT_EQ(tray.GetOpacity(), CDashBordDlg::kStartOpacity);

    tray.ShowMainWindow(false);
    EXPECT_EQ(DragEnter(*data), Qt::CopyAction);
    EXPECT_TRUE(tray.IsReceiving());
    EXPECT_EQ(tray.GetOpacity(), 255);
    QDropEvent drop(QPointF(80, 60), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&tray, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_FALSE(tray.IsReceiving());
    ASSERT_TRUE(test::WaitFor([&] { return transfersEnded > 0 || queue.IsBusy(); }));
    EXPECT_EQ(WaitForTransfers(), 1);
    EXPECT_EQ(velmora::test::ReadFile(server.Path("dropped.txt")), "payload");
}

// Waits until the bar shows `numerator` / `denominator` of its range.
bool Shows(const QProgressBar* bar, int numerator, int denominator) {
    return test::WaitFor([&] { return bar->value() == bar->maximum() * numerator / denominator; });
}

// Counts the paints a widget gets.
class CPaintCounter : public QObject {
public:
    explicit CPaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int GetCount() const { return m_nCount; }

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++m_nCount;
        return false;
    }

private:
    int m_nCount = 0;
};

TEST_F(TrayTest, BarsAndPercentFollowTheOverallAndTheFileProgress) {
    CMsgProgress start(PROGRESS_UNIT_FILES, MSG_PROGRESS_START, 1, 0);
    EXPECT_TRUE(tray.GetOverallBar()->isVisibleTo(&tray));
    EXPECT_TRUE(tray.GetFileBar()->isVisibleTo(&tray));

    // The engine counts files on this unit; the bar follows the run's
    // bytes (beyond 32 bits) instead: one file of three is a quarter here.
    CMsgProgress range(PROGRESS_UNIT_FILES, MSG_PROGRESS_RANGE, 0, 3);
    CProgressStatus position(PROGRESS_UNIT_FILES, MSG_PROGRESS_POS, 1, 0);
    position.ProcessedBytes(1500000000LL);
    position.TotalBytes(6000000000LL);
    CMsgSend sent(position);
    EXPECT_TRUE(Shows(tray.GetOverallBar(), 1, 4));
    EXPECT_EQ(tray.GetPercentText(), "25%");

    // Within a file the run's counters move the percent on.
    CMsgProgress fileRange(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_RANGE, 0, 200);
    CProgressStatus filePosition(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_POS, 100, 0);
    filePosition.ProcessedBytes(3000000000LL);
    filePosition.TotalBytes(6000000000LL);
    CMsgSend fileSent(filePosition);
    EXPECT_TRUE(Shows(tray.GetFileBar(), 1, 2));
    EXPECT_EQ(tray.GetPercentText(), "50%");
    EXPECT_TRUE(Shows(tray.GetOverallBar(), 1, 2));
    CMsgProgress fileDone(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_FINISH, 0, 0);
    EXPECT_TRUE(Shows(tray.GetFileBar(), 1, 1));

    CMsgProgress finish(PROGRESS_UNIT_FILES, MSG_PROGRESS_FINISH, 0, 0);
    EXPECT_FALSE(tray.GetOverallBar()->isVisibleTo(&tray));
    EXPECT_EQ(tray.GetPercentText(), "");
}

// A run of small files brings thousands of progress messages a second. A
// bar repaints itself, and with it the translucent tray, at each new value:
// the bars show the progress a few times a second instead, or the window
// stops for seconds at a time.
TEST_F(TrayTest, ABurstOfProgressRepaintsTheBarsOnlyAFewTimes) {
    constexpr int kFiles = 500;
    tray.show();
    CMsgProgress start(PROGRESS_UNIT_FILES, MSG_PROGRESS_START, 1, 0);
    CMsgProgress range(PROGRESS_UNIT_FILES, MSG_PROGRESS_RANGE, 0, kFiles);
    test::ProcessEvents();
    CPaintCounter paints(tray.GetFileBar());
    for (int file = 1; file <= kFiles; ++file) {
        CMsgProgress fileRange(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_RANGE, 0, 100);
        CMsgProgress fileStart(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_START, 0, 0);
        CMsgProgress fileDone(PROGRESS_UNIT_FILE_BYTES, MSG_PROGRESS_FINISH, 0, 0);
        CMsgSend done(CProgressStatus(PROGRESS_UNIT_FILES, MSG_PROGRESS_POS, file, 0));
    }
    EXPECT_TRUE(Shows(tray.GetOverallBar(), 1, 1));
    EXPECT_TRUE(Shows(tray.GetFileBar(), 1, 1));
    EXPECT_LE(paints.GetCount(), 5);
}

}  // namespace
}  // namespace parcelo
