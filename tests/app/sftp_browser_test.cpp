// The browser over SFTP against OpenSSH's sshd on loopback: the host-key
// questions and the encryption label. sshd needs root; where it cannot run
// the tests are skipped.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/panes/file_list_ctrl.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/common/app_settings.h"
#include "app/panes/session_security_label.h"
#include "app/transfers/transfer_settings.h"
#include "app_fixture.h"
#include "ftp/login_info.h"
#include "messaging/log_file.h"
#include "support/sftp_server.h"
#include "support/temp_dir.h"

namespace parcelo {
namespace {

std::string ReadAll(const std::string& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class SftpBrowserTest : public test::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        if (geteuid() != 0) GTEST_SKIP() << "sshd needs root";
        sshd = std::make_unique<velmora::test::SftpServer>("sshd");
        std::string reason;
        if (!sshd->Start(reason)) GTEST_SKIP() << reason;
        // The user's own ~/.ssh/known_hosts is the test's, empty.
        const char* home = std::getenv("HOME");
        oldHome = home ? home : "";
        setenv("HOME", homeDir.path().c_str(), 1);
        ownKnownHosts = folders.DataHome() + "/Parcelo/known_hosts";

        info.SetHostName("Secure");
        info.SetProtocol(velmora::ERemoteProtocol::Sftp);
        info.SetHost("127.0.0.1");
        info.SetPort(sshd->GetPort());
        info.SetLoginName(sshd->GetUser());
        info.SetPassword(sshd->GetPassword());
        info.SetFtpPath(velmora::CFtpPath(sshd->Home(), velmora::PATH_FOLDER));
        velmora::CSshSettings ssh;
        ssh.useAgent = false;
        info.SetSshSettings(ssh);
        velmora::test::WriteFile(sshd->Home("readme.txt"), "over ssh");
        sshd->Own();
    }
    void TearDown() override {
        if (!oldHome.empty()) setenv("HOME", oldHome.c_str(), 1);
        AppTest::TearDown();
    }

    velmora::test::TempDir homeDir;
    std::string oldHome;
    std::string ownKnownHosts;
    std::unique_ptr<velmora::test::SftpServer> sshd;
    velmora::CFtpLoginInfo info;
};

TEST_F(SftpBrowserTest, AnUnknownHostKeyIsAskedAboutAndTrustedOnlyWhenTheUserSaysSo) {
    CFtpTreeDlg browser(context);
    auto* label = browser.findChild<CSessionSecurityLabel*>("encryptionIndicator");
    ASSERT_NE(label, nullptr);
    std::string fingerprint;
    velmora::test::RunShell("ssh-keygen -l -f " + sshd->File("ssh/host_ed25519.pub"), &fingerprint);

    prompter.answers = {false};  // Cancel: nothing is stored
    EXPECT_FALSE(ConnectAndWait(browser, info));
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].title, CFtpTreeDlg::kUnknownHostKeyTitle);
    const std::string& text = prompter.asked[0].text;
    EXPECT_NE(text.find("127.0.0.1, port " + std::to_string(sshd->GetPort())), std::string::npos) << text;
    EXPECT_NE(text.find("Key type: ssh-ed25519"), std::string::npos) << text;
    const size_t at = text.find("Fingerprint: SHA256:");
    ASSERT_NE(at, std::string::npos) << text;
    EXPECT_NE(fingerprint.find(text.substr(at + 13, text.find('\n', at) - at - 13)), std::string::npos)
        << fingerprint << " vs " << text;
    EXPECT_FALSE(std::filesystem::exists(ownKnownHosts));
    EXPECT_FALSE(sink.GetState().online);
    EXPECT_TRUE(prompter.shown.empty());

    prompter.answers = {true};  // "Trust": stored in our own file, and the login goes again
    bool connected = false;
    QObject::connect(&browser, &CFtpTreeDlg::ConnectFinished, [&](bool ok) { connected = ok; });
    EXPECT_FALSE(ConnectAndWait(browser, info));
    ASSERT_TRUE(test::WaitFor([&] { return connected; }, std::chrono::seconds(30))) << sink.GetState().error;
    EXPECT_NE(ReadAll(ownKnownHosts).find("[127.0.0.1]:" + std::to_string(sshd->GetPort()) + " ssh-ed25519 "),
              std::string::npos)
        << ReadAll(ownKnownHosts);
    EXPECT_EQ(std::filesystem::status(ownKnownHosts).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    ASSERT_EQ(browser.GetTree()->model()->rowCount(), 1);
    const CFtpListCtrl& list = *browser.GetList();
    bool listed = false;
    for (int row = 0; row < list.GetRowCount(); ++row) listed |= list.GetPathAt(row).GetFileName(true) == "readme.txt";
    EXPECT_TRUE(listed);

    label->Refresh();
    EXPECT_EQ(label->GetState(), CSessionSecurityLabel::Encrypted);
    EXPECT_EQ(label->text().toStdString(), "SSH (host key verified)");

    // Known now: the next login asks nothing.
    prompter.asked.clear();
    EXPECT_TRUE(ConnectAndWait(browser, info)) << sink.GetState().error;
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(SftpBrowserTest, AChangedHostKeyIsShownLoudlyAndNeverOfferedForTrust) {
    velmora::test::WriteFile(ownKnownHosts, sshd->KnownHostsLine("ssh/other_ed25519.pub") + "\n");
    const std::string before = ReadAll(ownKnownHosts);
    CFtpTreeDlg browser(context);
    prompter.answers = {true, true};  // whatever would be asked, it would be trusted

    EXPECT_FALSE(ConnectAndWait(browser, info));
    test::ProcessEvents();
    EXPECT_TRUE(prompter.asked.empty());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, CFtpTreeDlg::kChangedHostKeyTitle);
    EXPECT_NE(prompter.shown[0].text.find("HAS CHANGED"), std::string::npos) << prompter.shown[0].text;
    EXPECT_EQ(ReadAll(ownKnownHosts), before);
    EXPECT_FALSE(sink.GetState().online);
    EXPECT_FALSE(browser.IsConnecting());

    // A fingerprint kept with the connection that is not the server's is refused the same way.
    std::filesystem::remove(ownKnownHosts);
    velmora::CSshSettings ssh = info.GetSshSettings();
    ssh.fingerprint = "SHA256:AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA";
    info.SetSshSettings(ssh);
    EXPECT_FALSE(ConnectAndWait(browser, info));
    EXPECT_TRUE(prompter.asked.empty());
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[1].title, CFtpTreeDlg::kChangedHostKeyTitle);
    EXPECT_FALSE(std::filesystem::exists(ownKnownHosts));
}

// An encrypted key file's passphrase is asked before the login, again while
// it is wrong, and kept for the program's run.
TEST_F(SftpBrowserTest, AnEncryptedKeyFilesPassphraseIsAskedOnceAndOpensTheLogin) {
    velmora::test::WriteFile(ownKnownHosts, sshd->KnownHostsLine() + "\n");
    velmora::CSshSettings ssh = info.GetSshSettings();
    ssh.identities = {sshd->File("ssh/client_locked")};
    info.SetSshSettings(ssh);
    info.SetPassword("not the password");
    CFtpTreeDlg browser(context);

    prompter.passwords = {"wrong", "open sesame"};
    EXPECT_TRUE(ConnectAndWait(browser, info)) << sink.GetState().error;
    ASSERT_EQ(prompter.asked.size(), 2u);
    EXPECT_EQ(prompter.asked[0].title, "Key passphrase");
    EXPECT_NE(prompter.asked[0].text.find("client_locked"), std::string::npos) << prompter.asked[0].text;
    EXPECT_NE(prompter.asked[1].text.find("does not open"), std::string::npos) << prompter.asked[1].text;

    EXPECT_TRUE(ConnectAndWait(browser, info)) << sink.GetState().error;
    EXPECT_EQ(prompter.asked.size(), 2u);
}

// Over SFTP the permissions go by setstat; a file of another user is
// refused by the server and named.
TEST_F(SftpBrowserTest, PermissionsAreSetOverSftpAndRefusalsNamed) {
    velmora::test::WriteFile(ownKnownHosts, sshd->KnownHostsLine() + "\n");
    velmora::test::WriteFile(sshd->Home("roots.txt"), "not yours");  // made after Own(): root's
    std::filesystem::permissions(sshd->Home("roots.txt"), std::filesystem::perms(0644));
    CFtpTreeDlg browser(context);
    ASSERT_TRUE(ConnectAndWait(browser, info)) << sink.GetState().error;
    browser.GetList()->SelectByName({"readme.txt", "roots.txt"});
    CPermissionsChoice answer;
    answer.mode = 0600;
    prompter.permissionAnswers.push_back(answer);
    browser.OnPermissions(CFtpTreeDlg::PANE_LIST);
    ASSERT_TRUE(test::WaitFor([&] { return browser.IsIdle(); }, std::chrono::seconds(30)));
    EXPECT_EQ(std::filesystem::status(sshd->Home("readme.txt")).permissions() & std::filesystem::perms::mask,
              std::filesystem::perms(0600));
    EXPECT_EQ(std::filesystem::status(sshd->Home("roots.txt")).permissions() & std::filesystem::perms::mask,
              std::filesystem::perms(0644));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.shown[0].text.find("roots.txt"), std::string::npos) << prompter.shown[0].text;
    EXPECT_EQ(prompter.shown[0].text.find("readme.txt"), std::string::npos) << prompter.shown[0].text;
}

// With the protocol trace on, the log file shows an SFTP session's requests
// (the login's methods, the listing) and never its password.
TEST_F(SftpBrowserTest, TheProtocolTraceShowsSftpRequestsAndNeverThePassword) {
    velmora::test::WriteFile(ownKnownHosts, sshd->KnownHostsLine() + "\n");
    CTransferSettings traced;
    traced.protocolTrace = true;
    ApplyTransferSettings(traced);
    // The test's log file is not open: its text waits in memory.
    const size_t before = velmora::CLogFile().GetPendingText().size();
    CFtpTreeDlg browser(context);
    const bool connected = ConnectAndWait(browser, info);
    ApplyTransferSettings(CTransferSettings());
    ASSERT_TRUE(connected) << sink.GetState().error;
    const std::string log = velmora::CLogFile().GetPendingText().substr(before);
    for (const char* line : {"> SSH connect 127.0.0.1", "> SSH auth password", "< SSH login accepted", "> OPENDIR ",
                             " entries"})
        EXPECT_NE(log.find(line), std::string::npos) << line << " in\n" << log;
    EXPECT_EQ(log.find(sshd->GetPassword()), std::string::npos) << log;
}

}  // namespace
}  // namespace parcelo
