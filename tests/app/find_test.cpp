#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>

#include "app/panes/find_dlg.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/panes/remote_find.h"
#include "app_fixture.h"
#include "support/fault_relay.h"
#include "support/temp_dir.h"

namespace parcelo {
namespace {

using velmora::test::WriteFile;
namespace fs = std::filesystem;

TEST(FindCriteriaTest, NameSizeAndTimeBoundsTogether) {
    CFindCriteria criteria;
    EXPECT_TRUE(criteria.Matches("anything", true, 0, 0));
    criteria.name.SetPattern("*.LOG");
    EXPECT_TRUE(criteria.Matches("app.log", false, 10, 0));
    EXPECT_FALSE(criteria.Matches("app.log.1", false, 10, 0));
    criteria.name.SetPattern("port");
    EXPECT_TRUE(criteria.Matches("Report.pdf", false, 10, 0));

    criteria.name.SetPattern("");
    criteria.minSize = 100;
    criteria.maxSize = 200;
    EXPECT_TRUE(criteria.Matches("a", false, 100, 0));
    EXPECT_TRUE(criteria.Matches("a", false, 200, 0));
    EXPECT_FALSE(criteria.Matches("a", false, 99, 0));
    EXPECT_FALSE(criteria.Matches("a", false, 201, 0));
    // A folder has no size of its own to compare.
    EXPECT_FALSE(criteria.Matches("a", true, 150, 0));

    criteria = CFindCriteria();
    criteria.newerThan = 1000;
    criteria.olderThan = 2000;
    EXPECT_TRUE(criteria.Matches("a", true, 0, 1000));
    EXPECT_FALSE(criteria.Matches("a", false, 0, 999));
    EXPECT_FALSE(criteria.Matches("a", false, 0, 2000));
}

class FindTest : public test::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        WriteFile(server.Path("find/one.log"), "1");
        WriteFile(server.Path("find/readme.txt"), "r");
        WriteFile(server.Path("find/sub/two.log"), std::string(5000, '2'));
        WriteFile(server.Path("find/sub/deeper/three.log"), "3");
        fs::create_directories(server.Path("find/logs.log"));
        const auto old = fs::last_write_time(server.Path("find/readme.txt")) - std::chrono::hours(24 * 400);
        fs::last_write_time(server.Path("find/sub/deeper/three.log"), old);
    }
    std::unique_ptr<CFtpTreeDlg> Open(uint16_t port) {
        velmora::CFtpLoginInfo info = Login();
        info.SetPort(port);
        auto browser = std::make_unique<CFtpTreeDlg>(context);
        EXPECT_TRUE(ConnectAndWait(*browser, info));
        test::WaitFor([&] { return browser->IsIdle(); });
        return browser;
    }
    static std::vector<std::string> Found(CFindDlg& dialog) {
        std::vector<std::string> paths;
        for (int row = 0; row < dialog.GetResults().rowCount(); ++row) paths.push_back(dialog.GetResults().At(row).path);
        std::sort(paths.begin(), paths.end());
        return paths;
    }
    static bool RunSearch(CFindDlg& dialog) {
        bool ended = false;
        const QMetaObject::Connection heard = QObject::connect(&dialog, &CFindDlg::SearchEnded, [&] { ended = true; });
        const bool started = dialog.Find();
        if (started) test::WaitFor([&] { return ended; });
        QObject::disconnect(heard);
        return started && ended;
    }
};

// The search walks the whole tree below the folder, by name, by size and
// by date, and keeps the window free while it lists.
TEST_F(FindTest, FindsByNameSizeAndDateBelowTheFolder) {
    auto browser = Open(server.GetPort());
    CFindDlg dialog(*browser, browser.get());
    dialog.SetFolder("/find");
    dialog.findChild<QLineEdit*>("name")->setText("*.log");
    ASSERT_TRUE(RunSearch(dialog));
    EXPECT_EQ(Found(dialog), (std::vector<std::string>{"/find/logs.log/", "/find/one.log", "/find/sub/deeper/three.log",
                                                       "/find/sub/two.log"}));
    EXPECT_EQ(dialog.GetStatus().toStdString(), "4 found in 4 folders");
    EXPECT_TRUE(dialog.GetResults().At(0).path.starts_with("/find/"));

    // A size leaves folders out.
    dialog.findChild<QLineEdit*>("minSize")->setText("1k");
    ASSERT_TRUE(RunSearch(dialog));
    EXPECT_EQ(Found(dialog), std::vector<std::string>{"/find/sub/two.log"});
    EXPECT_EQ(dialog.GetResults().At(0).size, 5000u);

    dialog.findChild<QLineEdit*>("minSize")->clear();
    dialog.findChild<QCheckBox*>("olderOn")->setChecked(true);
    dialog.findChild<QDateEdit*>("older")->setDate(QDate::currentDate().addDays(-30));
    ASSERT_TRUE(RunSearch(dialog));
    EXPECT_EQ(Found(dialog), std::vector<std::string>{"/find/sub/deeper/three.log"});

    // What cannot be read as a size is said, and nothing starts.
    dialog.findChild<QLineEdit*>("maxSize")->setText("lots");
    EXPECT_FALSE(dialog.Find());
    EXPECT_TRUE(dialog.GetStatus().startsWith("A size is")) << dialog.GetStatus().toStdString();

    // Opening a result shows its folder in the server pane.
    dialog.GetResults().Clear();
    dialog.GetResults().Add({"/find/sub/two.log", false, 5000, 0});
    dialog.findChild<QTreeView*>("results")->activated(dialog.GetResults().index(0, 0));
    ASSERT_TRUE(test::WaitFor([&] { return sink.GetCurrent() != nullptr && sink.GetCurrent()->GetDoc() == "/find/sub/"; }));
}

// Stop ends a search that the server keeps slow, with what it found so far,
// and the browser works on afterwards.
TEST_F(FindTest, StopEndsASlowSearchAndKeepsWhatItFound) {
    velmora::test::FaultRelay relay(server.GetHost(), server.GetPort(), {.replyDelayMs = 40});
    ASSERT_TRUE(relay.Start());
    auto browser = Open(relay.GetPort());
    CFindDlg dialog(*browser, browser.get());
    dialog.SetFolder("/find/");
    bool ended = false;
    QObject::connect(&dialog, &CFindDlg::SearchEnded, [&] { ended = true; });
    ASSERT_TRUE(dialog.Find());
    EXPECT_TRUE(dialog.IsSearching());
    EXPECT_FALSE(dialog.findChild<QPushButton*>("find")->isEnabled());
    dialog.findChild<QPushButton*>("stop")->click();
    ASSERT_TRUE(test::WaitFor([&] { return ended; }));
    EXPECT_TRUE(dialog.GetStatus().startsWith("Stopped: ")) << dialog.GetStatus().toStdString();
    EXPECT_LT(dialog.GetResults().rowCount(), 6);
    EXPECT_FALSE(dialog.IsSearching());

    browser->OpenFolder("/find/sub/");
    EXPECT_TRUE(test::WaitFor([&] { return sink.GetCurrent() != nullptr && sink.GetCurrent()->GetDoc() == "/find/sub/"; }));
}

// Every label names its field, so that its "&" makes a key and never shows.
TEST_F(FindTest, EveryLabelWithAKeyHasItsField) {
    CFtpTreeDlg browser(context);
    CFindDlg dialog(browser, &browser);
    test::ExpectLabelsNameTheirFields(dialog);
}

// Without a connection there is nothing to search.
TEST_F(FindTest, WithoutAServerNothingStarts) {
    CFtpTreeDlg browser(context);
    CFindDlg dialog(browser, &browser);
    EXPECT_FALSE(dialog.Find());
    EXPECT_EQ(dialog.GetStatus().toStdString(), "Connect to a server first");
}

}  // namespace
}  // namespace parcelo
