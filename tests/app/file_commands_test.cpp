#include <filesystem>
#include <string>
#include <vector>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

#include "app/common/name_filter.h"
#include "app/panes/file_list_ctrl.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/panes/local_folder_model.h"
#include "app/panes/local_pane.h"
#include "app/shell/main_dlg.h"
#include "app_fixture.h"
#include "support/temp_dir.h"

namespace parcelo {
namespace {

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

}  // namespace
}  // namespace parcelo
