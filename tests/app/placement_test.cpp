#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <gtest/gtest.h>

#include "app/common/balloon_tip.h"
#include "app/common/screen_place.h"
#include "app/shell/main_dlg.h"
#include "app/shell/window_state.h"
#include "app/tray/dash_bord_dlg.h"
#include "app_fixture.h"

namespace parcelo {
namespace {

TEST(ScreenPlaceTest, AWindowIsKeptFullyOnTheScreenThatHoldsIt) {
    // Two screens: a smaller one left of the main one, which has a panel.
    const QRect left(-1280, 0, 1280, 1024);
    const QRect main(0, 0, 1920, 1040);
    const QList<QRect> rooms{main, left};
    EXPECT_EQ(RoomAt({-10, 500}, rooms), left);
    EXPECT_EQ(RoomAt({100, 500}, rooms), main);
    // Off every screen: the nearest one.
    EXPECT_EQ(RoomAt({5000, 5000}, rooms), main);
    EXPECT_EQ(RoomAt({-5000, 10}, rooms), left);
    EXPECT_EQ(RoomAt({0, 0}, {}), QRect());

    const QRect tray(0, 0, 170, 150);
    // Thrown past the bottom right corner with 17 pixels left on screen.
    EXPECT_EQ(KeepInside(tray.translated(1903, 1023), main), QPoint(1750, 890));
    // Across the two screens: onto the one that holds most of it.
    const QRect across = tray.translated(-100, 10);
    EXPECT_EQ(KeepInside(across, RoomAt(across.center(), rooms)), QPoint(-170, 10));
    EXPECT_EQ(KeepInside(tray.translated(-1300, -40), left), QPoint(-1280, 0));
    // Larger than the screen: its top left corner stays on it.
    EXPECT_EQ(KeepInside(QRect(-50, -50, 4000, 4000), main), QPoint(0, 0));
    EXPECT_EQ(KeepInside(tray.translated(30, 40), main), QPoint(30, 40));
}

TEST(ScreenPlaceTest, APlaceIsClearWhenItFitsOnTheScreenAndCoversNothingToAvoid) {
    const QRect room(0, 0, 1000, 800);
    const QSize size(200, 100);
    const QRect window(0, 0, 600, 500);
    // The first is moved onto the screen, where it covers the window; the
    // second is clear.
    EXPECT_EQ(FirstClearPlace(size, {{-50, 450}, {700, 900}}, {window}, room), QPoint(700, 700));
    EXPECT_EQ(FirstClearPlace(size, {{10, 10}}, {}, room), QPoint(10, 10));
    EXPECT_EQ(FirstClearPlace(size, {{10, 10}, {100, 100}}, {window}, room), std::nullopt);
    // Larger than the screen: never clear.
    EXPECT_EQ(FirstClearPlace(QSize(1200, 10), {{0, 0}}, {}, room), std::nullopt);
}

TEST(ScreenPlaceTest, ALargeWindowMakesWayForASmallOneThatCoversIt) {
    const QRect room(0, 0, 1600, 900);
    const QRect tray(1400, 700, 170, 150);
    const QSize least(600, 400);
    // Both on the screen, and at least the gap apart.
    const auto expectApart = [&](const std::optional<SideBySide>& way) {
        ASSERT_TRUE(way.has_value());
        const QRect small(way->small, tray.size());
        EXPECT_FALSE(small.intersects(way->large.adjusted(-6, -6, 6, 6)));
        EXPECT_TRUE(room.contains(small));
        EXPECT_TRUE(room.contains(way->large));
    };
    // The tray over the bottom right corner of a window too wide to leave
    // room either side: the window moves left, the tray right, each as
    // little as they must.
    const QRect wide(100, 20, 1400, 860);
    const std::optional<SideBySide> right = MakeWayFor(tray, wide, least, room, 6);
    expectApart(right);
    EXPECT_EQ(right->small, QPoint(1406, 700));
    EXPECT_EQ(right->large, QRect(0, 20, 1400, 860));
    // Over its left end: the window moves right and keeps its size.
    const std::optional<SideBySide> left = MakeWayFor(tray.translated(-1350, -400), wide, least, room, 6);
    expectApart(left);
    EXPECT_EQ(left->small, QPoint(24, 300));
    EXPECT_EQ(left->large, QRect(200, 20, 1400, 860));
    // Wider than the screen leaves beside the tray, and partly off it:
    // narrowed onto the screen, down to its least width and no further.
    const std::optional<SideBySide> narrowed = MakeWayFor(tray, QRect(-20, 20, 1590, 860), {1424, 400}, room, 6);
    expectApart(narrowed);
    EXPECT_EQ(narrowed->large, QRect(0, 20, 1424, 860));
    // Then it is shortened instead, to let the tray below it.
    const QRect full(0, 20, 1600, 860);
    const std::optional<SideBySide> shortened = MakeWayFor(tray, full, {1425, 400}, room, 6);
    expectApart(shortened);
    EXPECT_EQ(shortened->large, QRect(0, 0, 1600, 744));
    EXPECT_EQ(shortened->small, QPoint(1400, 750));
    EXPECT_EQ(MakeWayFor(tray, full, {1425, 745}, room, 6), std::nullopt);
}

class TrayPlacementTest : public test::AppTest {
protected:
    // A left-button drag of the tray from its middle to a point on the desktop.
    static void Drag(CDashBordDlg& tray, const QPoint& to) {
        const QPoint grip(tray.width() / 2, tray.height() / 2);
        QMouseEvent press(QEvent::MouseButtonPress, grip, tray.mapToGlobal(grip), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(&tray, &press);
        QMouseEvent move(QEvent::MouseMove, grip, to, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&tray, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, grip, to, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&tray, &release);
    }
    static QRect Room() { return QGuiApplication::primaryScreen()->availableGeometry(); }
};

TEST_F(TrayPlacementTest, TheTrayIsFullyOnScreenAfterEveryRestartWhereverItWasLeft) {
    // Left on a screen that is gone now.
    CWindowState::WritePoint(CDashBordDlg::kPositionName, QPoint(5000, -3000));
    const QPoint throws[] = {{5000, 5000}, {-5000, -5000}, {Room().right(), Room().center().y()}, {-3, 20}};
    for (int run = 0; run < 10; ++run) {
        CDashBordDlg tray(context);
        tray.ShowMainWindow(run % 2 == 0);
        tray.show();
        test::ProcessEvents();
        EXPECT_TRUE(Room().contains(tray.frameGeometry())) << run;
        Drag(tray, throws[run % 4]);
        EXPECT_TRUE(Room().contains(tray.frameGeometry())) << run;
    }
    // A press the tray never saw moves nothing.
    CDashBordDlg tray(context);
    const QPoint before = tray.pos();
    QMouseEvent move(QEvent::MouseMove, QPoint(5, 5), QPoint(300, 300), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(&tray, &move);
    EXPECT_EQ(tray.pos(), before);
}

TEST_F(TrayPlacementTest, TheMainWindowComesBackWhereItWasAndAsLargeAsItWas) {
    QRect left;
    {
        CDashBordDlg tray(context);
        tray.ShowMainWindow(true);
        tray.GetMainWindow().setGeometry(QRect(QPoint(24, 30), tray.GetMainWindow().minimumSizeHint()));
        test::ProcessEvents();
        left = tray.GetMainWindow().geometry();
        tray.ShowMainWindow(false);
    }
    CDashBordDlg tray(context);
    tray.ShowMainWindow(true);
    test::ProcessEvents();
    // Within the width of a window frame, which the platform may add.
    const QRect back = tray.GetMainWindow().geometry();
    EXPECT_NEAR(back.x(), left.x(), 4);
    EXPECT_NEAR(back.y(), left.y(), 4);
    EXPECT_NEAR(back.width(), left.width(), 4);
    EXPECT_NEAR(back.height(), left.height(), 4);
}

// A main window too wide to leave room beside it kept the tray over its
// bottom right corner, where the tray hid the "Stop all" button.
TEST_F(TrayPlacementTest, TheTrayNeverCoversTheMainWindow) {
    CDashBordDlg tray(context);
    tray.ShowMainWindow(true);
    CMainDlg& main = tray.GetMainWindow();
    tray.show();
    tray.move(Room().right() - tray.width() - 20, Room().bottom() - tray.height() - 20);
    main.setGeometry(Room().adjusted(10, 10, -10, -50));
    const auto expectClear = [&](const char* when) {
        test::ProcessEvents();
        EXPECT_FALSE(tray.frameGeometry().intersects(main.frameGeometry())) << when;
        EXPECT_TRUE(Room().contains(tray.frameGeometry())) << when;
        EXPECT_TRUE(Room().contains(main.frameGeometry())) << when;
    };
    expectClear("the window moved over the tray");
    // Dragged by the user onto the window's left end.
    Drag(tray, main.frameGeometry().topLeft() + QPoint(40, 200));
    expectClear("the tray dragged onto the window");
}

// The balloon went up-left of the tray's corner: pushed down onto the
// screen, or wider than the room beside the tray, it covered the tray or the
// main window's controls.
TEST_F(TrayPlacementTest, TheStatusBalloonCoversNeitherTheTrayNorTheMainWindow) {
    CDashBordDlg tray(context);
    tray.ShowMainWindow(true);
    CMainDlg& main = tray.GetMainWindow();
    tray.show();
    // At the top of the screen, right of the main window.
    main.setGeometry(QRect(Room().topLeft(), QSize(Room().width() / 2, Room().height() / 2)));
    tray.move(main.frameGeometry().right() + 10, Room().top());
    test::ProcessEvents();
    ASSERT_FALSE(tray.frameGeometry().intersects(main.frameGeometry()));
    tray.OnStatus();
    QRect balloon = tray.GetBalloon().frameGeometry();
    ASSERT_TRUE(tray.GetBalloon().isVisible());
    EXPECT_FALSE(balloon.intersects(main.frameGeometry()));
    EXPECT_FALSE(balloon.intersects(tray.frameGeometry()));
    EXPECT_TRUE(Room().contains(balloon));

    // At the bottom right, a window filling the rest of the screen, with a
    // text wider than the room beside it: the text wraps.
    const QRect corner(Room().right() - 169, Room().bottom() - 149, 170, 150);
    const QRect window(Room().left(), Room().top(), corner.left() - 4, Room().height());
    const std::string text = "Disconnected\r\nError: 'The server closed the connection while the folder was listed'";
    tray.GetBalloon().ShowBalloon(corner, {window}, "Status", text, 1000);
    balloon = tray.GetBalloon().frameGeometry();
    EXPECT_FALSE(balloon.intersects(window));
    EXPECT_FALSE(balloon.intersects(corner));
    EXPECT_TRUE(Room().contains(balloon));
    // Shown again with room to spare, it is as wide as its text.
    tray.GetBalloon().ShowBalloon(corner, {}, "Status", text, 1000);
    EXPECT_GT(tray.GetBalloon().width(), corner.width());
}

}  // namespace
}  // namespace parcelo
