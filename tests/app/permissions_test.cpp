#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "app/common/permissions_dlg.h"
#include "app/panes/file_list_ctrl.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app_fixture.h"
#include "support/sftp_server.h"
#include "support/temp_dir.h"

namespace parcelo {
namespace {

using velmora::test::WriteFile;
namespace fs = std::filesystem;

unsigned ModeOf(const std::string& path) { return static_cast<unsigned>(fs::status(path).permissions() & fs::perms::mask); }

TEST(PermissionsDlgTest, ListedTextsGiveTheirModes) {
    EXPECT_EQ(ParseModeText("-rw-r--r--"), 0644u);
    EXPECT_EQ(ParseModeText("drwxr-sr-x"), 02755u);
    EXPECT_EQ(ParseModeText("-rwSr--r-T"), 05644u);
    EXPECT_EQ(ParseModeText("rwxrwxrwt"), 01777u);
    for (const char* text : {"", "-rw-r--r-", "-rw-r--r--+", "(RWED,RWE,R,R)", "-rq-r--r--"}) {
        EXPECT_EQ(ParseModeText(text), std::nullopt) << text;
    }
    EXPECT_EQ(FormatMode(0644), "644");
    EXPECT_EQ(FormatMode(02755), "2755");
    EXPECT_EQ(FormatMode(0), "000");
}

// The boxes and the octal value follow each other; set-id bits survive a
// change of the boxes; OK waits for a whole value.
TEST(PermissionsDlgTest, BoxesAndTheOctalValueFollowEachOther) {
    CPermissionsChoice offered;
    offered.subject = "'run.sh'";
    offered.mode = 02754;
    CPermissionsDlg dialog(offered);
    using D = CPermissionsDlg;
    EXPECT_TRUE(dialog.GetBox(D::OWNER, D::EXECUTE)->isChecked());
    EXPECT_TRUE(dialog.GetBox(D::GROUP, D::EXECUTE)->isChecked());
    EXPECT_FALSE(dialog.GetBox(D::GROUP, D::WRITE)->isChecked());
    EXPECT_TRUE(dialog.GetBox(D::OTHERS, D::READ)->isChecked());
    EXPECT_EQ(dialog.GetOctalEdit()->text(), "2754");

    dialog.GetBox(D::OTHERS, D::READ)->click();
    EXPECT_EQ(dialog.GetOctalEdit()->text(), "2750");
    EXPECT_EQ(dialog.GetChoice().mode, 02750u);

    QPushButton* ok = dialog.findChild<QPushButton*>();
    QLineEdit* octal = dialog.GetOctalEdit();
    octal->selectAll();
    QTest::keyClicks(octal, "60");
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_EQ(dialog.GetChoice().mode, 02750u);
    QTest::keyClicks(octal, "1");
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_EQ(dialog.GetChoice().mode, 0601u);
    EXPECT_TRUE(dialog.GetBox(D::OWNER, D::WRITE)->isChecked());
    EXPECT_FALSE(dialog.GetBox(D::OWNER, D::EXECUTE)->isChecked());
    EXPECT_TRUE(dialog.GetBox(D::OTHERS, D::EXECUTE)->isChecked());
    // Files only: no folder, no recursion to offer.
    EXPECT_FALSE(dialog.GetChoice().recursive);
    EXPECT_TRUE(dialog.GetRecursiveBox()->isHidden());

    offered.offerRecursion = true;
    CPermissionsDlg folders(offered);
    EXPECT_FALSE(folders.GetScopeBox()->isEnabled());
    folders.GetRecursiveBox()->click();
    folders.GetScopeBox()->setCurrentIndex(static_cast<int>(EPermissionsScope::FoldersOnly));
    EXPECT_TRUE(folders.GetChoice().recursive);
    EXPECT_EQ(folders.GetChoice().scope, EPermissionsScope::FoldersOnly);
}

class ServerPermissionsTest : public test::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        WriteFile(server.Path("a.txt"), "a");
        WriteFile(server.Path("x.txt"), "x");
        WriteFile(server.Path("tree/b.txt"), "b");
        WriteFile(server.Path("tree/sub/c.txt"), "c");
        fs::permissions(server.Path("a.txt"), fs::perms(0604));
        ASSERT_TRUE(ConnectAndWait(browser, Login()));
    }
    // The list's permissions text of a row.
    std::string Listed(const std::string& name) const {
        const CFtpListCtrl& list = *browser.GetList();
        for (int row = 0; row < list.GetRowCount(); ++row) {
            if (test::Cell(list, row, 0).toString().toStdString() == name) {
                return test::Cell(list, row, CRemoteFolderModel::COLUMN_PERMISSIONS).toString().toStdString();
            }
        }
        return "(no row)";
    }
    void Apply(const std::vector<std::string>& names, unsigned mode, bool recursive = false,
               EPermissionsScope scope = EPermissionsScope::FilesAndFolders) {
        browser.GetList()->SelectByName(names);
        CPermissionsChoice answer;
        answer.mode = mode;
        answer.recursive = recursive;
        answer.scope = scope;
        prompter.permissionAnswers.push_back(answer);
        browser.OnPermissions(CFtpTreeDlg::PANE_LIST);
        ASSERT_TRUE(test::WaitFor([&] { return browser.IsIdle(); }));
    }

    CFtpTreeDlg browser{context};
};

// The list shows what the listing tells; the dialog starts from it, and
// the list shows the new mode once the server has it.
TEST_F(ServerPermissionsTest, TheListShowsPermissionsAndTheDialogChangesThem) {
    EXPECT_EQ(Listed("a.txt"), "-rw----r--");
    EXPECT_EQ(Listed("tree"), "drwxr-xr-x");
    EXPECT_FALSE(test::Cell(*browser.GetList(), 0, CRemoteFolderModel::COLUMN_OWNER).toString().isEmpty());

    Apply({"a.txt"}, 0640);
    ASSERT_EQ(prompter.permissionQuestions.size(), 1u);
    EXPECT_EQ(prompter.permissionQuestions[0].mode, 0604u);
    EXPECT_EQ(prompter.permissionQuestions[0].subject, "'a.txt'");
    EXPECT_FALSE(prompter.permissionQuestions[0].offerRecursion);
    EXPECT_EQ(ModeOf(server.Path("a.txt")), 0640u);
    EXPECT_EQ(Listed("a.txt"), "-rw-r-----");
    EXPECT_TRUE(prompter.shown.empty());
}

// Into folders: the scope picks the files or the folders below, and the
// chosen folder itself when folders are in scope.
TEST_F(ServerPermissionsTest, RecursionReachesTheEntriesItsScopeNames) {
    Apply({"tree"}, 0700, true, EPermissionsScope::FoldersOnly);
    EXPECT_TRUE(prompter.permissionQuestions.at(0).offerRecursion);
    EXPECT_EQ(ModeOf(server.Path("tree")), 0700u);
    EXPECT_EQ(ModeOf(server.Path("tree/sub")), 0700u);
    EXPECT_EQ(ModeOf(server.Path("tree/b.txt")), 0644u);

    Apply({"tree"}, 0600, true, EPermissionsScope::FilesOnly);
    EXPECT_EQ(ModeOf(server.Path("tree/b.txt")), 0600u);
    EXPECT_EQ(ModeOf(server.Path("tree/sub/c.txt")), 0600u);
    EXPECT_EQ(ModeOf(server.Path("tree")), 0700u);

    // A mode that shuts folders is set on them after what they hold.
    Apply({"tree", "x.txt"}, 0644, true);
    EXPECT_EQ(ModeOf(server.Path("tree/sub/c.txt")), 0644u);
    EXPECT_EQ(ModeOf(server.Path("tree/sub")), 0644u);
    EXPECT_EQ(ModeOf(server.Path("tree")), 0644u);
    EXPECT_EQ(ModeOf(server.Path("x.txt")), 0644u);
    EXPECT_TRUE(prompter.shown.empty());
}

// What the server refuses is named; the rest is changed all the same.
TEST_F(ServerPermissionsTest, RefusedEntriesAreNamedAndTheOthersChanged) {
    fs::remove(server.Path("a.txt"));
    Apply({"a.txt", "x.txt"}, 0600);
    EXPECT_EQ(ModeOf(server.Path("x.txt")), 0600u);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "Permissions");
    const std::string& text = prompter.shown[0].text;
    EXPECT_NE(text.find("refused 1 of 2 changes"), std::string::npos) << text;
    EXPECT_NE(text.find("\n/a.txt: 550"), std::string::npos) << text;
    EXPECT_EQ(text.find("x.txt"), std::string::npos) << text;

    // Cancelled in the dialog: nothing is sent.
    browser.GetList()->SelectByName({"x.txt"});
    browser.OnPermissions(CFtpTreeDlg::PANE_LIST);
    EXPECT_TRUE(browser.IsIdle());
    EXPECT_EQ(ModeOf(server.Path("x.txt")), 0600u);
}

// vsftpd and ProFTPD on loopback (tests/support/real_ftp_servers.sh), where
// root can start them; SITE CHMOD as each of them takes it.
class RealServerPermissionsTest : public test::AppTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        AppTest::SetUp();
        if (geteuid() != 0) GTEST_SKIP() << GetParam() << " needs root";
        std::string out;
        const int status = velmora::test::RunShell(Script("start " + std::string(GetParam())), &out);
        std::istringstream ready(out);
        std::string word;
        ready >> word >> port >> user;
        if (status != 0 || word != "READY") GTEST_SKIP() << GetParam() << " is not available here";
        started = true;
    }
    void TearDown() override {
        if (started) velmora::test::RunShell(Script("stop"));
        AppTest::TearDown();
    }
    // The script's command line for `command` ("start vsftpd", "stop") on the test's folder.
    std::string Script(const std::string& command) const {
        return "PARCELO_FTP_SERVERS_CACHE=" REAL_SERVERS_CACHE " " REAL_SERVERS_SCRIPT " " + command + " " + dir.path();
    }
    std::string Home(const std::string& path) const { return dir / ("home/" + path); }

    velmora::test::TempDir dir;
    bool started = false;
    int port = 0;
    std::string user;
};

TEST_P(RealServerPermissionsTest, FilesAndFoldersTakeTheModeAndRefusalsAreNamed) {
    WriteFile(Home("doc.txt"), "doc");
    WriteFile(Home("tree/in.txt"), "in");
    velmora::test::RunShell("chown -R 2000:2000 " + dir / "home");
    WriteFile(Home("roots.txt"), "not the user's");  // root's: the server refuses
    velmora::CFtpLoginInfo info = Login("Real");
    info.SetPort(port);
    info.SetLoginName(user);
    info.SetPassword("secret");
    CFtpTreeDlg browser(context);
    ASSERT_TRUE(ConnectAndWait(browser, info)) << sink.GetState().error;
    browser.GetList()->SelectByName({"doc.txt", "roots.txt", "tree"});
    CPermissionsChoice answer;
    answer.mode = 0640;
    answer.recursive = true;
    answer.scope = EPermissionsScope::FilesOnly;
    prompter.permissionAnswers.push_back(answer);
    browser.OnPermissions(CFtpTreeDlg::PANE_LIST);
    ASSERT_TRUE(test::WaitFor([&] { return browser.IsIdle(); }, std::chrono::seconds(30)));
    EXPECT_EQ(ModeOf(Home("doc.txt")), 0640u);
    EXPECT_EQ(ModeOf(Home("tree/in.txt")), 0640u);
    EXPECT_EQ(ModeOf(Home("tree")), 0755u);
    EXPECT_EQ(ModeOf(Home("roots.txt")), 0644u);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.shown[0].text.find("refused 1 of 3"), std::string::npos) << prompter.shown[0].text;
    EXPECT_NE(prompter.shown[0].text.find("/roots.txt: 550"), std::string::npos) << prompter.shown[0].text;
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServerPermissionsTest, ::testing::Values("vsftpd", "proftpd"));

}  // namespace
}  // namespace parcelo
