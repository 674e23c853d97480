#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <QUrl>
#include <gtest/gtest.h>

#include "app/common/drag_item.h"
#include "app/common/path_bar.h"
#include "app/connections/ftp_connection_prop_dlg.h"
#include "app/connections/ftp_connections_dlg.h"
#include "app/panes/file_list_ctrl.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/panes/local_folder_model.h"
#include "app/panes/local_pane.h"
#include "app/shell/main_dlg.h"
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

// The rows as the view shows them: name and size.
std::vector<std::pair<std::string, std::string>> Rows(const CLocalFolderModel& model) {
    std::vector<std::pair<std::string, std::string>> rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        rows.emplace_back(model.index(row, CLocalFolderModel::COLUMN_NAME).data().toString().toStdString(),
                          model.index(row, CLocalFolderModel::COLUMN_SIZE).data().toString().toStdString());
    }
    return rows;
}

std::vector<std::string> Names(const CLocalFolderModel& model) {
    std::vector<std::string> names;
    for (const auto& [name, size] : Rows(model)) names.push_back(name);
    return names;
}

class LocalPaneTest : public test::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        WriteFile(server.Path("top.txt"), "top");
        WriteFile(server.Path("pub/a.txt"), "alpha");
        WriteFile(server.Path("pub/deep/b.txt"), "beta");
        WriteFile(local / "up.txt", "up");
        WriteFile(local / "second.txt", "second");
        fs::create_directories(local / "sub");
        main.resize(1100, 700);
        main.show();
        // Keys reach the window's shortcuts only while it is the active one.
        QApplication::setActiveWindow(&main);
        ASSERT_TRUE(pane().SetFolder(local.path()));
    }
    void TearDown() override {
        main.hide();
        AppTest::TearDown();
    }
    CLocalPane& pane() { return main.GetLocal(); }
    CFtpTreeDlg& browser() { return main.GetBrowser(); }
    void Connect() {
        ASSERT_TRUE(ConnectAndWait(browser(), Login()));
        // The wait window was the active one while it showed; keys reach the
        // window's shortcuts only while the window is active again.
        QApplication::setActiveWindow(&main);
    }
    QPoint RowPoint(const std::string& name) {
        const int row = pane().GetModel()->RowOf(QString::fromStdString(name));
        return pane().GetView()->visualRect(pane().ViewIndex(row)).center();
    }
    void OpenServerFolder(const std::string& folder) {
        browser().OpenFolder(folder);
        ASSERT_TRUE(test::WaitFor([&] { return sink.GetCurrent() != nullptr && sink.GetCurrent()->GetDoc() == folder; }));
        test::WaitFor([&] { return browser().IsIdle(); });
    }

    TempDir local;
    CMainDlg main{context};
};

TEST_F(LocalPaneTest, UploadAndDownloadGoBetweenThePanesByKeysAndButtons) {
    Connect();
    pane().SelectNames({"up.txt", "second.txt"});
    EXPECT_EQ(pane().GetSelectedPaths(), (std::vector<std::string>{local / "second.txt", local / "up.txt"}));
    QTest::keyClick(pane().GetView(), Qt::Key_U, Qt::ControlModifier);
    ASSERT_TRUE(test::WaitFor([&] { return transfersEnded > 0 || queue.IsBusy(); }));
    EXPECT_EQ(WaitForTransfers(), 1);
    EXPECT_EQ(ReadFile(server.Path("up.txt")), "up");
    EXPECT_EQ(ReadFile(server.Path("second.txt")), "second");

    browser().GetList()->SelectByName({"top.txt"});
    QTest::keyClick(browser().GetList(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(WaitForTransfers(), 2);
    EXPECT_EQ(ReadFile(local / "top.txt"), "top");
    // The download shows in the local list without a refresh by hand.
    ASSERT_TRUE(test::WaitFor([&] { return pane().GetModel()->RowOf("top.txt") >= 0; }));

    // The buttons do the same; a local file in the way is asked about.
    WriteFile(local / "top.txt", "mine");
    browser().GetList()->SelectByName({"top.txt"});
    pane().findChild<QPushButton*>("download")->click();
    EXPECT_EQ(WaitForTransfers(), 3);
    EXPECT_EQ(prompter.targetQuestions.size(), 1u);
    EXPECT_EQ(ReadFile(local / "top.txt"), "mine");
}

// A folder row, or the server folder itself, is fetched whole: never a
// "SIZE" of the folder and a "RETR" with no name.
TEST_F(LocalPaneTest, DownloadOfAFolderFetchesTheFolder) {
    Connect();
    browser().GetList()->SelectByName({"pub"});
    pane().findChild<QPushButton*>("download")->click();
    EXPECT_EQ(WaitForTransfers(), 1);
    EXPECT_EQ(ReadFile(local / "pub/a.txt"), "alpha");
    EXPECT_EQ(ReadFile(local / "pub/deep/b.txt"), "beta");

    // A folder and a file selected together go as one transfer.
    fs::remove_all(local / "pub");
    browser().GetList()->SelectByName({"pub", "top.txt"});
    main.GetAction("download")->trigger();
    EXPECT_EQ(WaitForTransfers(), 2);
    EXPECT_EQ(ReadFile(local / "pub/deep/b.txt"), "beta");
    EXPECT_EQ(ReadFile(local / "top.txt"), "top");

    // Nothing selected: the folder the server pane shows.
    OpenServerFolder("/pub/");
    browser().GetList()->clearSelection();
    ASSERT_TRUE(pane().SetFolder(local / "sub"));
    main.GetAction("download")->trigger();
    EXPECT_EQ(WaitForTransfers(), 3);
    EXPECT_EQ(ReadFile(local / "sub/pub/a.txt"), "alpha");
    EXPECT_EQ(ReadFile(local / "sub/pub/deep/b.txt"), "beta");
}

TEST_F(LocalPaneTest, ServerRowsDroppedOnALocalFolderAreDownloadedThereAndOtherDropsRefused) {
    Connect();
    CDropItem drag(CClipFormats(), CFtpListCtrl::kFormatName);
    drag.GetPaths().Add(new CFtpPath("/pub/a.txt"));
    std::unique_ptr<QMimeData> data(drag.CreateMimeData());
    QWidget* viewport = pane().GetView()->viewport();
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

TEST_F(LocalPaneTest, FoldersOpenByEnterThePathFieldAndTheHistory) {
    pane().SelectNames({"sub"});
    PressKey(pane().GetView(), Qt::Key_Return);
    EXPECT_EQ(pane().GetFolder(), local / "sub");
    PressKey(pane().GetView(), Qt::Key_Backspace);
    EXPECT_EQ(pane().GetFolder(), local.path());
    EXPECT_FALSE(pane().SetFolder(local / "up.txt"));
    EXPECT_EQ(pane().GetFolder(), local.path());

    // A path typed or pasted into the field; one that is no folder changes nothing.
    QLineEdit* path = pane().GetPathBar()->GetEdit();
    path->setText(QString::fromStdString(local / "sub"));
    PressKey(path, Qt::Key_Return);
    EXPECT_EQ(pane().GetFolder(), local / "sub");
    path->setText(QString::fromStdString(local / "nowhere"));
    PressKey(path, Qt::Key_Return);
    EXPECT_EQ(pane().GetFolder(), local / "sub");
    EXPECT_EQ(path->text().toStdString(), local / "sub");

    // Back and forward, by the keys, wherever the focus is in the pane.
    pane().GetView()->setFocus();
    QTest::keyClick(pane().GetView(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(pane().GetFolder(), local.path());
    QTest::keyClick(pane().GetView(), Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(pane().GetFolder(), local / "sub");
    // The folder tree follows.
    EXPECT_EQ(pane().GetFolderTree()->currentIndex().data().toString().toStdString(), "sub");
    // Enter in the path field never connects anywhere.
    EXPECT_FALSE(browser().IsConnecting());
}

// The folder tree opens at the pane's folder, in sight, not at the top of
// the file system, also when the folder was chosen before the pane was
// first shown (a start in the tray): its folders are read in the
// background, and the tree follows once they are.
TEST_F(LocalPaneTest, TheFolderTreeShowsThePanesFolderInSight) {
    fs::create_directories(local / "sub/inner/most");
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(local / "sub/inner/most"));
    CFtpTreeDlg browser(context);
    CLocalPane fresh(context, browser);
    qputenv("HOME", home);
    // As the program's settings are applied at its start.
    fresh.SetShowHidden(false);
    fresh.resize(500, 600);
    fresh.show();
    QTreeView* tree = fresh.GetFolderTree();
    const auto inSight = [&] {
        const QModelIndex current = tree->currentIndex();
        if (!current.isValid() || current.data().toString() != "most") return false;
        for (QModelIndex above = current.parent(); above.isValid() && above != tree->rootIndex();
             above = above.parent()) {
            if (!tree->isExpanded(above)) return false;
        }
        const QRect row = tree->visualRect(current);
        return row.isValid() && tree->viewport()->rect().contains(row.center());
    };
    EXPECT_TRUE(test::WaitFor(inSight));
}

TEST_F(LocalPaneTest, NothingMovesWithoutAConnection) {
    pane().SelectNames({"up.txt"});
    EXPECT_FALSE(pane().OnUpload());
    EXPECT_FALSE(pane().OnDownload());
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].text, CLocalPane::kNotConnected);
    EXPECT_EQ(queue.GetModel().rowCount(), 0);
}

TEST_F(LocalPaneTest, TheUploadCommandTakesFilesAsWellAsAFolder) {
    Connect();
    prompter.uploadPicks.push_back({local / "up.txt", local / "second.txt"});
    browser().OnUpload();
    ASSERT_TRUE(test::WaitFor([&] { return transfersEnded > 0 || queue.IsBusy(); }));
    EXPECT_EQ(WaitForTransfers(), 1);
    EXPECT_EQ(ReadFile(server.Path("up.txt")), "up");
    EXPECT_EQ(ReadFile(server.Path("second.txt")), "second");
    // The picker started in the local pane's folder, not the home folder.
    ASSERT_FALSE(prompter.asked.empty());

    WriteFile(local / "sub/deep.txt", "deep");
    prompter.uploadPicks.push_back({local / "sub"});
    browser().OnUpload();
    ASSERT_TRUE(test::WaitFor([&] { return transfersEnded == 2; }));
    EXPECT_EQ(ReadFile(server.Path("sub/deep.txt")), "deep");
    // The new folder shows in the server's list once the upload has ended.
    ASSERT_TRUE(test::WaitFor([&] {
        const auto names = browser().GetList();
        for (int row = 0; row < names->GetRowCount(); ++row) {
            if (names->GetPathAt(row).GetTailDir() == "sub") return true;
        }
        return false;
    }));
}

TEST_F(LocalPaneTest, FolderPickersStartAtTheLocalPanesFolder) {
    Connect();
    ASSERT_TRUE(pane().SetFolder(local / "sub"));
    browser().GetList()->SelectByName({"top.txt"});
    browser().OnDownload(CFtpTreeDlg::PANE_LIST);
    ASSERT_FALSE(prompter.asked.empty());
    EXPECT_EQ(prompter.asked.back().text, local / "sub");

    // The Site Manager's local folder: at the pane's folder while the field
    // is empty, else at the field's folder; the pick fills the field.
    CFtpConnectionPropDlg& props = *main.GetConnections().GetProperties();
    velmora::CFtpLoginInfo* site = main.GetConnections().OnNew();
    auto* field = props.findChild<QLineEdit*>("localPath");
    auto* browse = props.findChild<QPushButton*>("browseLocalPath");
    prompter.folders.push_back(local.path());
    browse->click();
    EXPECT_EQ(prompter.asked.back().title, CFtpConnectionPropDlg::kLocalFolderPickerTitle);
    EXPECT_EQ(prompter.asked.back().text, local / "sub");
    EXPECT_EQ(field->text().toStdString(), local.path());
    EXPECT_EQ(site->GetLocalPath(), local.path());
    browse->click();
    EXPECT_EQ(prompter.asked.back().text, local.path());
    EXPECT_EQ(site->GetLocalPath(), local.path());
}

// A list's columns as the window lays them out: each shows its rows' texts
// whole, and the name takes the width the others leave.
void ExpectColumnsFit(const QTreeView& view) {
    // What the rows need, measured on them (public through the base).
    const QAbstractItemView& rows = view;
    int others = 0;
    for (int column = 1; column < view.model()->columnCount(); ++column) {
        EXPECT_GE(view.columnWidth(column), rows.sizeHintForColumn(column)) << "column " << column;
        others += view.columnWidth(column);
    }
    EXPECT_GE(view.columnWidth(0), rows.sizeHintForColumn(0));
    EXPECT_EQ(view.columnWidth(0) + others, view.viewport()->width());
}

// In both panes a name is cut short only where the window is too narrow for
// it, and a size or a date never is.
TEST_F(LocalPaneTest, TheNameTakesTheWidthTheOtherColumnsLeave) {
    const std::string name = "holiday-photos-2026-12-28.tar.gz";
    constexpr uint64_t kLongestSize = 1073636966;  // "1023.9 MiB"
    WriteFile(local / name, "");
    fs::resize_file(local / name, kLongestSize);
    ASSERT_TRUE(pane().SetFolder(local.path()));
    auto* listed = new CFtpPath("/" + name);
    listed->Length(kLongestSize);
    listed->LastWriteTime(133716276000000000ULL);  // 2024-09-28 22:40 UTC
    velmora::CFtpPathList files;
    files.Add(listed);
    browser().GetList()->Fill(velmora::CFtpPathList(), files);
    main.resize(1600, 700);
    test::ProcessEvents();

    ExpectColumnsFit(*pane().GetView());
    ExpectColumnsFit(*browser().GetList());
}

// Every row is read whole from one listing: after files change size and the
// folder is read again, no name shows beside another file's size.
TEST(LocalFolderModelTest, NamesKeepTheirOwnSizesThroughChangesAndSorting) {
    TempDir folder;
    WriteFile(folder / "README.txt", std::string(12, 'r'));
    WriteFile(folder / "data.bin", std::string(3000, 'd'));
    WriteFile(folder / "f10.txt", "x");
    WriteFile(folder / "f2.txt", "xx");
    fs::create_directories(folder / "zeta");
    fs::create_directories(folder / ".hidden");
    CLocalFolderModel model;
    ASSERT_TRUE(model.SetFolder(QString::fromStdString(folder.path())));
    // Folders first, then natural order; hidden entries left out.
    EXPECT_EQ(Names(model), (std::vector<std::string>{"zeta", "data.bin", "f2.txt", "f10.txt", "README.txt"}));

    model.sort(CLocalFolderModel::COLUMN_SIZE, Qt::DescendingOrder);
    WriteFile(folder / "README.txt", std::string(12341985, 'r'));
    WriteFile(folder / "f10.txt", std::string(5000, 'x'));
    model.Refresh();
    const auto rows = Rows(model);
    EXPECT_EQ(rows, (std::vector<std::pair<std::string, std::string>>{{"zeta", ""},
                                                                      {"README.txt", "11.8 MiB"},
                                                                      {"f10.txt", "4.9 KiB"},
                                                                      {"data.bin", "2.9 KiB"},
                                                                      {"f2.txt", "2 B"}}));
    model.SetShowHidden(true);
    EXPECT_EQ(model.RowOf(".hidden"), 0);

    // A file's date is its time of change, whatever the time zone; a link
    // to a folder is a folder.
    const auto changed = std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(1600000000)));
    fs::last_write_time(folder / "f2.txt", changed);
    fs::create_directory_symlink(folder / "zeta", folder / "linked");
    model.Refresh();
    EXPECT_EQ(model.EntryAt(model.RowOf("f2.txt")).modified.toSecsSinceEpoch(), 1600000000);
    EXPECT_TRUE(model.IsFolderAt(model.RowOf("linked")));
}

TEST(FolderHistoryTest, BackAndForwardLikeABrowser) {
    CFolderHistory history;
    EXPECT_FALSE(history.CanGoBack());
    history.Visit("/a");
    history.Visit("/a");
    history.Visit("/b");
    history.Visit("/c");
    EXPECT_EQ(history.Back(), "/b");
    EXPECT_EQ(history.Back(), "/a");
    EXPECT_EQ(history.Back(), "");
    EXPECT_EQ(history.Forward(), "/b");
    // A new folder drops the ones ahead.
    history.Visit("/d");
    EXPECT_FALSE(history.CanGoForward());
    EXPECT_EQ(history.Back(), "/b");
    EXPECT_EQ(history.Current(), "/b");
}

}  // namespace
}  // namespace parcelo
