#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QUrl>
#include <gtest/gtest.h>

#include "app/common/drag_item.h"
#include "app/panes/file_list_ctrl.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/panes/local_pane.h"
#include "app_fixture.h"
#include "support/temp_dir.h"

namespace parcelo {
namespace {

using velmora::CFtpPath;
using velmora::test::ReadFile;
using velmora::test::TempDir;
using velmora::test::WriteFile;
namespace fs = std::filesystem;

// A drag entering the view's viewport and dropped at the point; answers
// whether the drop was taken.
bool DropAt(QWidget* viewport, const QMimeData* data, const QPoint& point) {
    QDragEnterEvent enter(point, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);
    QDropEvent drop(point, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &drop);
    return drop.isAccepted();
}

void PressKey(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(widget, &press);
}

class LocalPaneTest : public test::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        WriteFile(server.Path("top.txt"), "top");
        WriteFile(server.Path("pub/a.txt"), "alpha");
        WriteFile(local / "up.txt", "up");
        WriteFile(local / "second.txt", "second");
        fs::create_directories(local / "sub");
        page.addWidget(&pane);
        page.addWidget(&browser);
        page.resize(1000, 400);
        page.show();
        ASSERT_TRUE(pane.SetFolder(local.path()));
    }
    void TearDown() override {
        page.hide();
        AppTest::TearDown();
    }
    void Connect() { ASSERT_TRUE(ConnectAndWait(browser, Login())); }
    QPoint RowPoint(const std::string& name) {
        const QModelIndex index = pane.GetModel()->index(QString::fromStdString(local / name));
        return pane.GetView()->visualRect(index).center();
    }

    TempDir local;
    QSplitter page;
    CFtpTreeDlg browser{context};
    CLocalPane pane{context, browser};
};

TEST_F(LocalPaneTest, UploadAndDownloadGoBetweenThePanesByKeysAndButtons) {
    Connect();
    pane.SelectNames({"up.txt", "second.txt"});
    EXPECT_EQ(pane.GetSelectedPaths(), (std::vector<std::string>{local / "second.txt", local / "up.txt"}));
    PressKey(pane.GetView(), Qt::Key_U, Qt::ControlModifier);
    ASSERT_TRUE(test::WaitFor([&] { return transfersEnded > 0 || queue.IsBusy(); }));
    EXPECT_EQ(WaitForTransfers(), 1);
    EXPECT_EQ(ReadFile(server.Path("up.txt")), "up");
    EXPECT_EQ(ReadFile(server.Path("second.txt")), "second");

    browser.GetList()->SelectByName({"top.txt"});
    PressKey(browser.GetList(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(WaitForTransfers(), 2);
    EXPECT_EQ(ReadFile(local / "top.txt"), "top");

    // The buttons do the same; a local file in the way is asked about.
    WriteFile(local / "top.txt", "mine");
    browser.GetList()->SelectByName({"top.txt"});
    pane.findChild<QPushButton*>("download")->click();
    EXPECT_EQ(WaitForTransfers(), 3);
    EXPECT_EQ(prompter.targetQuestions.size(), 1u);
    EXPECT_EQ(ReadFile(local / "top.txt"), "mine");
}

TEST_F(LocalPaneTest, ServerRowsDroppedOnALocalFolderAreDownloadedThereAndOtherDropsRefused) {
    Connect();
    CDropItem drag(CClipFormats(), CFtpListCtrl::kFormatName);
    drag.GetPaths().Add(new CFtpPath("/pub/a.txt"));
    std::unique_ptr<QMimeData> data(drag.CreateMimeData());
    QWidget* viewport = pane.GetView()->viewport();
    ASSERT_TRUE(test::WaitFor([&] { return pane.GetView()->visualRect(pane.GetModel()->index(
                                                   QString::fromStdString(local / "sub"))).isValid(); }));
    EXPECT_TRUE(DropAt(viewport, data.get(), RowPoint("sub")));
    EXPECT_EQ(WaitForTransfers(), 1);
    EXPECT_EQ(ReadFile(local / "sub/a.txt"), "alpha");

    // Local files dropped here are not the browser's: nothing happens.
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString(local / "up.txt"))});
    EXPECT_FALSE(DropAt(viewport, &files, RowPoint("sub")));
    EXPECT_FALSE(queue.IsBusy());
    EXPECT_EQ(queue.GetModel().rowCount(), 1);
}

TEST_F(LocalPaneTest, EnterOpensAFolderBackspaceGoesUpAndNothingMovesWithoutAConnection) {
    pane.SelectNames({"sub"});
    PressKey(pane.GetView(), Qt::Key_Return);
    EXPECT_EQ(pane.GetFolder(), local / "sub");
    PressKey(pane.GetView(), Qt::Key_Backspace);
    EXPECT_EQ(pane.GetFolder(), local.path());
    EXPECT_FALSE(pane.SetFolder(local / "up.txt"));
    EXPECT_EQ(pane.GetFolder(), local.path());

    pane.SelectNames({"up.txt"});
    EXPECT_FALSE(pane.OnUpload());
    EXPECT_FALSE(pane.OnDownload());
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].text, CLocalPane::kNotConnected);
    EXPECT_EQ(queue.GetModel().rowCount(), 0);
}

TEST_F(LocalPaneTest, TheUploadCommandTakesFilesAsWellAsAFolder) {
    Connect();
    prompter.uploadPicks.push_back({local / "up.txt", local / "second.txt"});
    browser.OnUpload();
    ASSERT_TRUE(test::WaitFor([&] { return transfersEnded > 0 || queue.IsBusy(); }));
    EXPECT_EQ(WaitForTransfers(), 1);
    EXPECT_EQ(ReadFile(server.Path("up.txt")), "up");
    EXPECT_EQ(ReadFile(server.Path("second.txt")), "second");

    WriteFile(local / "sub/deep.txt", "deep");
    prompter.uploadPicks.push_back({local / "sub"});
    browser.OnUpload();
    ASSERT_TRUE(test::WaitFor([&] { return transfersEnded == 2; }));
    EXPECT_EQ(ReadFile(server.Path("sub/deep.txt")), "deep");
}

}  // namespace
}  // namespace parcelo
