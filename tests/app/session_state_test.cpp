// The tray's status balloon and the browser's encryption indicator read the
// session on the window thread while the browser's worker logs in, lists and
// logs off over TLS. Built with ThreadSanitizer (make test-tsan), a read that
// reaches into the connection under the worker stops this test.

#include <chrono>
#include <set>
#include <string>

#include <gtest/gtest.h>
#include <QTimer>

#include "app/panes/ftp_tree_dlg.h"
#include "app/panes/session_security_label.h"
#include "app_fixture.h"
#include "support/temp_dir.h"

namespace parcelo {
namespace {

using velmora::test::WriteFile;

class SessionStateTest : public test::AppTest {
protected:
    static void Settle(CFtpTreeDlg& browser) {
        EXPECT_TRUE(test::WaitFor([&] { return browser.IsIdle(); }, std::chrono::seconds(30)));
        test::ProcessEvents();
    }
};

TEST_F(SessionStateTest, TheWindowReadsTheStateWhileTheWorkerConnectsListsAndLogsOff) {
    test::CTlsServer tls;
    ASSERT_TRUE(tls.Start());
    WriteFile(tls.server->Path("pub/docs/a.txt"), "alpha");
    WriteFile(tls.server->Path("in/b.txt"), "beta");

    velmora::CFtpLoginInfo info = Login();
    info.SetPort(tls.server->GetPort());
    info.SetTlsMode(velmora::ETlsMode::Require);
    info.SetTlsFingerprint(tls.certificates.Fingerprint());
    velmora::CFtpLoginInfo incomplete = info;
    incomplete.SetLoginName("");

    CFtpTreeDlg browser(context);
    browser.show();
    auto* indicator = browser.findChild<CSessionSecurityLabel*>("encryptionIndicator");
    ASSERT_NE(indicator, nullptr);
    // What the tray and the indicator read, at every turn of the window's
    // event loop while the jobs run.
    std::set<std::string> texts;
    std::set<CSessionSecurityLabel::EState> states;
    QTimer reader;
    QObject::connect(&reader, &QTimer::timeout, [&] {
        texts.insert(sink.GetStatusText());
        sink.IsOnline();
        indicator->Refresh();
        states.insert(indicator->GetState());
    });
    reader.start(0);

    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(ConnectAndWait(browser, info)) << sink.GetState().error;
        Settle(browser);
        browser.OnRefresh();
        Settle(browser);
        // Settings without a login name log the session off on the worker.
        EXPECT_FALSE(ConnectAndWait(browser, incomplete));
        Settle(browser);
        EXPECT_FALSE(sink.GetState().online);
    }
    reader.stop();

    bool encrypted = false;
    for (const std::string& text : texts) {
        EXPECT_EQ(text.find("Not encrypted"), std::string::npos) << text;
        encrypted = encrypted || text.find("\r\nEncrypted: TLSv1.") != std::string::npos;
    }
    EXPECT_TRUE(encrypted);
    EXPECT_EQ(states.count(CSessionSecurityLabel::Plain), 0u);
    EXPECT_EQ(states.count(CSessionSecurityLabel::Encrypted), 1u);
    EXPECT_EQ(sink.GetStatusText(),
              "Disconnected\r\nError: 'Ftp: The connection has no server address or no login name'");
    EXPECT_EQ(indicator->GetState(), CSessionSecurityLabel::Offline);
}

}  // namespace
}  // namespace parcelo
