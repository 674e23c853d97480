#include <filesystem>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QClipboard>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include "app/common/name_filter.h"
#include "app/panes/folder_comparison.h"
#include "app/panes/file_list_ctrl.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/panes/local_folder_model.h"
#include "app/panes/local_pane.h"
#include "app/panes/remote_editor.h"
#include "app/shell/main_dlg.h"
#include "app_fixture.h"
#include "support/temp_dir.h"

namespace parcelo {
namespace {

using velmora::test::ReadFile;
using velmora::test::TempDir;
using velmora::test::WriteFile;
namespace fs = std::filesystem;

// The names a view shows, in its order.
std::vector<std::string> Shown(const QAbstractItemView& view) {
    std::vector<std::string> names;
    const QAbstractItemModel* model = view.model();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (const auto* tree = qobject_cast<const QTreeView*>(&view); tree != nullptr && tree->isRowHidden(row, {})) {
            continue;
        }
        names.push_back(model->index(row, 0).data().toString().toStdString());
    }
    return names;
}

void Type(QWidget* widget, const QString& text) {
    for (const QChar letter : text) QTest::keyClick(widget, letter.toLatin1());
}

// Takes the files the program asks the desktop to open.
class COpenedFiles : public QObject {
    Q_OBJECT

public:
    COpenedFiles() { QDesktopServices::setUrlHandler("file", this, "Open"); }
    ~COpenedFiles() override { QDesktopServices::unsetUrlHandler("file"); }
    std::vector<std::string> paths;

public slots:
    void Open(const QUrl& url) { paths.push_back(url.toLocalFile().toStdString()); }
};

// The main window's two panes, the server's on pyftpdlib.
class FileCommandsTest : public test::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        for (const char* name : {"report-2025.txt", "Report-2026.TXT", "photo.jpg", "notes.md"}) {
            WriteFile(server.Path(name), name);
            WriteFile(local / name, name);
        }
        fs::create_directories(server.Path("reports"));
        fs::create_directories(local / "reports");
        main.resize(1100, 700);
        main.show();
        QApplication::setActiveWindow(&main);
        ASSERT_TRUE(local_pane().SetFolder(local.path()));
    }
    void TearDown() override {
        main.hide();
        AppTest::TearDown();
    }
    CLocalPane& local_pane() { return main.GetLocal(); }
    CFtpTreeDlg& browser() { return main.GetBrowser(); }
    void Connect() {
        ASSERT_TRUE(ConnectAndWait(browser(), Login()));
        QApplication::setActiveWindow(&main);
    }

    TempDir local;
    CMainDlg main{context};
};

TEST(NameFilterTest, TextIsFoundAnywhereAndWildcardsMatchTheWholeName) {
    CNameFilter filter;
    EXPECT_TRUE(filter.Matches("anything"));
    filter.SetPattern("REP");
    EXPECT_TRUE(filter.Matches("my-report.txt"));
    EXPECT_FALSE(filter.Matches("photo.jpg"));
    filter.SetPattern("*.txt");
    EXPECT_TRUE(filter.Matches("A.TXT"));
    EXPECT_FALSE(filter.Matches("a.txt.bak"));
    filter.SetPattern("f?.c");
    EXPECT_TRUE(filter.Matches("f1.c"));
    EXPECT_FALSE(filter.Matches("f10.c"));
    // Signs of regular expressions are plain letters here.
    filter.SetPattern("a+b(");
    EXPECT_TRUE(filter.Matches("xa+b(y"));
    EXPECT_FALSE(filter.Matches("aab"));
}

// Typing in the list narrows it at once; Backspace takes letters back before
// it goes up a folder; Escape clears; a new folder starts unfiltered.
TEST_F(FileCommandsTest, TypingInTheLocalListFiltersItAndEscapeClears) {
    QTreeView* view = local_pane().GetView();
    view->setFocus();
    Type(view, "rep");
    EXPECT_EQ(local_pane().GetFilterField()->text(), "rep");
    EXPECT_TRUE(view->hasFocus());
    EXPECT_EQ(Shown(*view), (std::vector<std::string>{"reports", "report-2025.txt", "Report-2026.TXT"}));
    QTest::keyClick(view, Qt::Key_Backspace);
    EXPECT_EQ(local_pane().GetFilterField()->text(), "re");
    EXPECT_EQ(local_pane().GetFolder(), local.path());

    // Only rows that show are selected, and taken by the commands.
    Type(view, "*.txt");
    EXPECT_EQ(Shown(*view), (std::vector<std::string>{"report-2025.txt", "Report-2026.TXT"}));
    view->selectAll();
    EXPECT_EQ(local_pane().GetSelectedPaths(),
              (std::vector<std::string>{local / "Report-2026.TXT", local / "report-2025.txt"}));

    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_EQ(local_pane().GetFilterField()->text(), "");
    EXPECT_EQ(Shown(*view).size(), 5u);

    // Escape in the field too, and the list has the focus again.
    local_pane().GetFilterField()->setFocus();
    local_pane().GetFilterField()->setText("photo");
    EXPECT_EQ(Shown(*view), (std::vector<std::string>{"photo.jpg"}));
    QTest::keyClick(local_pane().GetFilterField(), Qt::Key_Escape);
    EXPECT_EQ(Shown(*view).size(), 5u);
    EXPECT_TRUE(view->hasFocus());

    Type(view, "reports");
    ASSERT_TRUE(local_pane().SetFolder(local / "reports"));
    EXPECT_EQ(local_pane().GetFilterField()->text(), "");
    // With the field empty, Backspace goes up again.
    QTest::keyClick(view, Qt::Key_Backspace);
    EXPECT_EQ(local_pane().GetFolder(), local.path());
}

// The server list: filtered rows are never acted on (a selected row the
// filter hides is not deleted), and a refresh keeps the filter.
TEST_F(FileCommandsTest, TypingInTheServerListFiltersItAndHiddenRowsAreNotActedOn) {
    Connect();
    CFtpListCtrl* list = browser().GetList();
    list->setFocus();
    list->SelectByName({"photo.jpg", "notes.md", "report-2025.txt"});
    Type(list, "report");
    EXPECT_EQ(Shown(*list), (std::vector<std::string>{"reports", "report-2025.txt", "Report-2026.TXT"}));
    ASSERT_EQ(list->GetSelectedPaths().GetCount(), 1);
    EXPECT_EQ(list->GetSelectedPaths().GetHead()->GetFileName(true), "report-2025.txt");
    list->selectAll();
    prompter.answers.push_back(true);
    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_TRUE(test::WaitFor([&] { return browser().IsIdle() && !HasRemote("Report-2026.TXT"); }));
    EXPECT_FALSE(HasRemote("report-2025.txt"));
    EXPECT_TRUE(HasRemote("photo.jpg"));
    EXPECT_TRUE(HasRemote("notes.md"));

    // Backspace edits the filter (the browser's Up waits until it is empty).
    QTest::keyClick(list, Qt::Key_Backspace);
    EXPECT_EQ(browser().GetFilterField()->text(), "repor");
    WriteFile(server.Path("reporting.log"), "new");
    browser().OnRefresh();
    ASSERT_TRUE(test::WaitFor([&] { return browser().IsIdle(); }));
    EXPECT_EQ(Shown(*list), (std::vector<std::string>{"reports", "reporting.log"}));

    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_EQ(Shown(*list), (std::vector<std::string>{"reports", "notes.md", "photo.jpg", "reporting.log"}));
}

TEST_F(FileCommandsTest, LocalRenameAndNewFolderNeverReplaceAnEntry) {
    QTreeView* view = local_pane().GetView();
    view->setFocus();
    local_pane().SelectNames({"notes.md"});
    prompter.names.push_back("notes-old.md");
    QTest::keyClick(view, Qt::Key_F2);
    EXPECT_EQ(ReadFile(local / "notes-old.md"), "notes.md");
    EXPECT_FALSE(fs::exists(local / "notes.md"));
    EXPECT_EQ(local_pane().GetSelectedPaths(), (std::vector<std::string>{local / "notes-old.md"}));

    // Onto a name in use, or a name no entry can have: refused, nothing lost.
    for (const char* name : {"photo.jpg", "sub/x", ".."}) {
        prompter.names.push_back(name);
        QTest::keyClick(view, Qt::Key_F2);
    }
    ASSERT_EQ(prompter.shown.size(), 3u);
    EXPECT_EQ(prompter.shown[0].text, "'photo.jpg' is already in this folder.");
    EXPECT_EQ(ReadFile(local / "notes-old.md"), "notes.md");
    EXPECT_EQ(ReadFile(local / "photo.jpg"), "photo.jpg");

    // F7 in the local list makes a local folder, under a free name.
    fs::create_directories(local / "New Folder");
    prompter.names.push_back("New Folder (2)");
    QTest::keyClick(view, Qt::Key_F7);
    EXPECT_EQ(prompter.asked.back().text, "New Folder (2)");
    EXPECT_TRUE(fs::is_directory(local / "New Folder (2)"));
    EXPECT_EQ(local_pane().GetSelectedPaths(), (std::vector<std::string>{local / "New Folder (2)"}));
    prompter.names.push_back("photo.jpg");
    local_pane().OnNewFolder();
    EXPECT_EQ(prompter.shown.back().text, "'photo.jpg' is already in this folder.");
    EXPECT_EQ(ReadFile(local / "photo.jpg"), "photo.jpg");
}

// Delete goes to the desktop's trash without a question; Shift+Delete asks
// first and then deletes for good, folders with what they hold.
TEST_F(FileCommandsTest, LocalDeleteGoesToTheTrashAndShiftDeleteAsksFirst) {
    QTreeView* view = local_pane().GetView();
    view->setFocus();
    local_pane().SelectNames({"report-2025.txt", "photo.jpg"});
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_FALSE(fs::exists(local / "photo.jpg"));
    const fs::path trash = fs::path(folders.DataHome()) / "Trash";
    EXPECT_EQ(ReadFile(trash / "files/photo.jpg"), "photo.jpg");
    EXPECT_EQ(ReadFile(trash / "files/report-2025.txt"), "report-2025.txt");
    EXPECT_TRUE(fs::exists(trash / "info/photo.jpg.trashinfo"));
    EXPECT_LT(local_pane().GetModel()->RowOf("photo.jpg"), 0);

    WriteFile(local / "reports/q1.txt", "q1");
    local_pane().SelectNames({"reports", "notes.md"});
    QTest::keyClick(view, Qt::Key_Delete, Qt::ShiftModifier);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_NE(prompter.asked[0].text.find("notes.md\nreports"), std::string::npos) << prompter.asked[0].text;
    EXPECT_TRUE(fs::exists(local / "reports/q1.txt"));
    prompter.answers.push_back(true);
    QTest::keyClick(view, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_FALSE(fs::exists(local / "reports"));
    EXPECT_FALSE(fs::exists(local / "notes.md"));
    EXPECT_FALSE(fs::exists(trash / "files/reports"));
    EXPECT_TRUE(prompter.shown.empty());
}

// Enter on a file hands it to the desktop's application; Ctrl+Shift+C
// copies the selected paths (or the folder's).
TEST_F(FileCommandsTest, LocalFilesOpenWithTheDesktopAndTheirPathsCopy) {
    COpenedFiles opened;
    QTreeView* view = local_pane().GetView();
    view->setFocus();
    local_pane().SelectNames({"photo.jpg"});
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(opened.paths, (std::vector<std::string>{local / "photo.jpg"}));

    local_pane().SelectNames({"photo.jpg", "notes.md"});
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), local / "notes.md" + "\n" + local / "photo.jpg");
    view->clearSelection();
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), local.path());
}

TEST(CompareFoldersTest, EachSideIsMarkedForWhatItHasMore) {
    const std::vector<CCompareEntry> local{
        {"same.txt", false, 10, 1000},   {"newer.txt", false, 10, 2000}, {"larger.txt", false, 99, 1000},
        {"slack.txt", false, 10, 1059},  {"mine.txt", false, 1, 1000},   {"docs", true, 0, 5000},
        {"clash", false, 1, 1000},       {"untimed.txt", false, 10, 0}};
    const std::vector<CCompareEntry> remote{
        {"same.txt", false, 10, 1000},  {"newer.txt", false, 50, 1000}, {"larger.txt", false, 10, 3000},
        {"slack.txt", false, 10, 1000}, {"theirs", true, 0, 0},         {"docs", true, 0, 1000},
        {"clash", true, 0, 1000},       {"untimed.txt", false, 10, 9000}};
    const CComparison marks = CompareFolders(local, remote);
    // A newer file that is smaller is marked newer here and larger there.
    EXPECT_EQ(marks.local, (TCompareMarks{{"newer.txt", ECompareMark::Newer},
                                          {"larger.txt", ECompareMark::Larger},
                                          {"mine.txt", ECompareMark::OnlyHere},
                                          {"clash", ECompareMark::OnlyHere}}));
    EXPECT_EQ(marks.remote, (TCompareMarks{{"newer.txt", ECompareMark::Larger},
                                           {"larger.txt", ECompareMark::Newer},
                                           {"theirs", ECompareMark::OnlyHere},
                                           {"clash", ECompareMark::OnlyHere}}));
}

// Both lists are marked from their listings while the comparison is on,
// again when a pane reads its folder again; off, the marks go.
TEST_F(FileCommandsTest, CompareFoldersMarksBothListsWithALegend) {
    WriteFile(local / "local-only.txt", "l");
    WriteFile(server.Path("server-only.txt"), "s");
    WriteFile(server.Path("notes.md"), "much longer than the local notes");
    fs::last_write_time(server.Path("photo.jpg"), fs::last_write_time(server.Path("photo.jpg")) - std::chrono::hours(24 * 400));
    Connect();
    local_pane().Refresh();

    const auto localMark = [&](const char* name) {
        const int row = local_pane().GetModel()->RowOf(name);
        return local_pane().GetModel()->index(row, 0).data(Qt::BackgroundRole).value<QColor>();
    };
    const auto remoteMark = [&](const std::string& name) {
        CFtpListCtrl* list = browser().GetList();
        for (int row = 0; row < list->GetRowCount(); ++row) {
            if (test::Cell(*list, row, 0).toString().toStdString() == name) {
                return test::Cell(*list, row, CRemoteFolderModel::COLUMN_DATE, Qt::BackgroundRole).value<QColor>();
            }
        }
        return QColor(Qt::magenta);
    };
    main.GetAction("compareFolders")->trigger();
    EXPECT_TRUE(main.GetComparison().GetLegend()->isVisible());
    EXPECT_EQ(localMark("local-only.txt"), MarkColour(ECompareMark::OnlyHere));
    EXPECT_EQ(localMark("photo.jpg"), MarkColour(ECompareMark::Newer));
    EXPECT_FALSE(localMark("notes.md").isValid());
    EXPECT_FALSE(localMark("report-2025.txt").isValid());
    EXPECT_FALSE(localMark("reports").isValid());
    EXPECT_EQ(remoteMark("server-only.txt"), MarkColour(ECompareMark::OnlyHere));
    EXPECT_EQ(remoteMark("notes.md"), MarkColour(ECompareMark::Larger));
    EXPECT_FALSE(remoteMark("photo.jpg").isValid());
    EXPECT_FALSE(remoteMark("reports").isValid());

    // The server's folder read again: its new file is only there.
    WriteFile(server.Path("later.txt"), "later");
    browser().OnRefresh();
    ASSERT_TRUE(test::WaitFor([&] { return browser().IsIdle() && remoteMark("later.txt").isValid(); }));
    EXPECT_EQ(remoteMark("later.txt"), MarkColour(ECompareMark::OnlyHere));
    // Another local folder: everything of the server's is only there.
    ASSERT_TRUE(local_pane().SetFolder(local / "reports"));
    EXPECT_EQ(remoteMark("reports"), MarkColour(ECompareMark::OnlyHere));

    main.GetAction("compareFolders")->trigger();
    EXPECT_FALSE(main.GetComparison().GetLegend()->isVisible());
    EXPECT_FALSE(remoteMark("server-only.txt").isValid());
}

// A server file opened for editing: each save is offered for upload (or
// goes always), a server file changed meanwhile is asked about, and at the
// end only copies that reached the server are removed.
TEST_F(FileCommandsTest, AnEditedServerFileGoesBackAfterAQuestionAndItsCopyIsCleanedUp) {
    COpenedFiles opened;
    Connect();
    for (int answer = 0; answer < 4; ++answer) prompter.targetAnswers.push_back({ETargetAnswer::Overwrite, false});
    CFtpListCtrl* list = browser().GetList();
    list->setFocus();
    list->SelectByName({"notes.md"});
    QTest::keyClick(list, Qt::Key_F3);
    ASSERT_TRUE(test::WaitFor([&] { return !opened.paths.empty(); }, std::chrono::seconds(20)));
    const std::string copy = opened.paths[0];
    EXPECT_EQ(ReadFile(copy), "notes.md");
    EXPECT_NE(copy, server.Path("notes.md"));
    ASSERT_TRUE(test::WaitFor([&] { return browser().IsIdle(); }));

    const auto saved = [&](const std::string& text) {
        WriteFile(copy, text);
        return test::WaitFor([&] { return ReadFile(server.Path("notes.md")) == text && browser().IsIdle() && !queue.IsBusy(); },
                             std::chrono::seconds(20));
    };
    prompter.answers = {true};  // Upload
    EXPECT_TRUE(saved("first edit"));
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].title, CRemoteEditor::kChangedTitle);
    prompter.answers = {false, true};  // Always for this file
    EXPECT_TRUE(saved("second edit, longer"));
    EXPECT_TRUE(saved("third edit: no question"));
    EXPECT_EQ(prompter.asked.size(), 3u);

    // Changed on the server meanwhile: asked, and kept when the user says No.
    WriteFile(server.Path("notes.md"), "changed on the server by someone else");
    WriteFile(copy, "fourth edit");
    ASSERT_TRUE(test::WaitFor([&] { return prompter.asked.size() == 4; }, std::chrono::seconds(20)));
    EXPECT_EQ(prompter.asked[3].title, CRemoteEditor::kServerChangedTitle);
    ASSERT_TRUE(test::WaitFor([&] { return browser().IsIdle() && !queue.IsBusy(); }));
    EXPECT_EQ(ReadFile(server.Path("notes.md")), "changed on the server by someone else");

    // Another file, only viewed (Enter on its row, the folder stays); at the
    // end its copy goes, the unsent one stays.
    list->SelectByName({"photo.jpg"});
    list->setCurrentIndex(list->selectionModel()->selectedRows().front());
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_TRUE(test::WaitFor([&] { return opened.paths.size() == 2; }, std::chrono::seconds(20)));
    EXPECT_EQ(sink.GetCurrent()->GetDoc(), "/");
    const std::string viewed = opened.paths[1];
    prompter.shown.clear();
    browser().GetEditor().Cleanup();
    EXPECT_FALSE(fs::exists(viewed));
    EXPECT_EQ(ReadFile(copy), "fourth edit");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.shown[0].text.find(copy), std::string::npos) << prompter.shown[0].text;
    fs::remove_all(fs::path(copy).parent_path().parent_path());
}

}  // namespace
}  // namespace parcelo

#include "file_commands_test.moc"
