#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "app/connections/ftp_connections_dlg.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/panes/last_folders.h"
#include "app/shell/main_dlg.h"
#include "app_fixture.h"
#include "ftp/ftp_node.h"
#include "support/temp_dir.h"

namespace parcelo {
namespace {

using velmora::test::WriteFile;
namespace fs = std::filesystem;

class LastFolderTest : public test::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        WriteFile(server.Path("pub/docs/a.txt"), "alpha");
        fs::create_directories(settings.GetProjectsFolder());
        velmora::CFtpLoginInfoList saved;
        saved.AddTail(new velmora::CFtpLoginInfo(Login("Home")));
        ASSERT_TRUE(saved.SaveXML(settings.GetCurProject()));
        settings.SetSelConnection("Home");
    }
    std::string Current() const { return sink.GetCurrent() != nullptr ? sink.GetCurrent()->GetDoc() : ""; }
    // A start of the program's main window: it connects to the selected
    // connection (the session of an earlier start has ended).
    void Start(CMainDlg& main) {
        sink.Session().Logoff();
        sink.DestroyTree();
        bool ended = false;
        QObject::connect(&main.GetBrowser(), &CFtpTreeDlg::ConnectFinished, [&ended] { ended = true; });
        main.Initialize();
        ASSERT_TRUE(test::WaitFor([&ended] { return ended; }, std::chrono::seconds(20)));
    }
};

TEST_F(LastFolderTest, EachConnectionOpensAtTheFolderItShowedLast) {
    {
        CMainDlg main(context);
        Start(main);
        EXPECT_EQ(Current(), "/");
        main.GetBrowser().OpenFolder("/pub/docs/");
        ASSERT_TRUE(test::WaitFor([&] { return Current() == "/pub/docs/"; })) << Current();
        EXPECT_EQ(main.GetBrowser().GetTree()->currentIndex().data().toString().toStdString(), "docs");
    }
    EXPECT_EQ(CLastFolders::Read("Home"), "/pub/docs/");
    EXPECT_EQ(CLastFolders::Read("Elsewhere"), "");
    {
        CMainDlg main(context);
        Start(main);
        ASSERT_TRUE(test::WaitFor([&] { return Current() == "/pub/docs/"; })) << Current();
        EXPECT_EQ(main.GetBrowser().GetTree()->currentIndex().data().toString().toStdString(), "docs");
    }

    // A folder that has gone since: the nearest one left opens.
    fs::remove_all(server.Path("pub/docs"));
    CMainDlg main(context);
    Start(main);
    ASSERT_TRUE(test::WaitFor([&] { return Current() == "/pub/"; })) << Current();
}

}  // namespace
}  // namespace parcelo
