// The desktop program's passwords in a real Secret Service (gnome-keyring in
// a D-Bus session of this test program's own).

#include <filesystem>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include "app/connections/ftp_connection_prop_dlg.h"
#include "app/connections/ftp_connections_dlg.h"
#include "app/shell/main_dlg.h"
#include "app_fixture.h"
#include "base/password.h"
#include "ftp/password_store.h"
#include "support/secret_service.h"

namespace parcelo {
namespace {

using velmora::EPasswordStore;
using velmora::test::ReadFile;

class DesktopKeyringTest : public test::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        std::string reason;
        keyring = velmora::test::ProcessSecretService(reason);
        if (!keyring) GTEST_SKIP() << reason;
        velmora::SetPasswordStore(EPasswordStore::Auto);
        std::filesystem::create_directories(settings.GetProjectsFolder());
    }
    void TearDown() override {
        velmora::SetPasswordStore(EPasswordStore::Auto);
        AppTest::TearDown();
    }

    // The test server's account, as the properties page fills it in.
    void FillIn(velmora::CFtpLoginInfo& info) const {
        info.SetHostName("Office");
        info.SetHost(server.GetHost());
        info.SetPort(server.GetPort());
        info.SetTlsMode(velmora::ETlsMode::Plain);
        info.SetLoginName(server.GetUser());
        info.SetPassword(server.GetPassword());
    }
    // A connection saved at an earlier start, selected when it ended, with
    // its password in the keyring; answers its GUID.
    std::string SaveConnection() {
        velmora::CFtpLoginInfoList list;
        velmora::CFtpLoginInfo* info = list.AddNewConnection(nullptr);
        FillIn(*info);
        EXPECT_TRUE(list.SaveXML(settings.GetCurProject())) << list.GetLastError();
        EXPECT_EQ(info->GetPasswordRest(), EPasswordStore::Keyring);
        settings.SetSelConnection("Office");
        return info->GetStrGUID();
    }
    // Logs in again with the connection shown; answers whether it connected.
    static bool ApplyAndWait(CMainDlg& window) {
        bool ended = false;
        bool connected = false;
        const QMetaObject::Connection heard =
            QObject::connect(&window.GetBrowser(), &CFtpTreeDlg::ConnectFinished, [&](bool ok) {
                ended = true;
                connected = ok;
            });
        window.GetConnections().GetProperties()->OnApply();
        test::WaitFor([&] { return ended; }, std::chrono::seconds(30));
        QObject::disconnect(heard);
        return connected;
    }
    static std::vector<std::string> Entry(const std::string& guid) {
        return {"application", "Parcelo", "kind", "connection", "connection", guid};
    }
    size_t PasswordQuestions() const {
        size_t count = 0;
        for (const auto& question : prompter.asked) count += question.title == "Password";
        return count;
    }
    // Every file the program keeps for the user (settings, connections,
    // logs) that holds the password, in clear or scrambled.
    std::vector<std::string> FilesHoldingThePassword() const {
        std::vector<std::string> found;
        for (const std::string& root : {folders.DataHome(), folders.ConfigHome()}) {
            if (!std::filesystem::exists(root)) continue;
            for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
                if (!entry.is_regular_file()) continue;
                const std::string text = ReadFile(entry.path().string());
                if (text.find(server.GetPassword()) != std::string::npos ||
                    text.find(velmora::StrEnc(server.GetPassword())) != std::string::npos)
                    found.push_back(entry.path().string());
            }
        }
        return found;
    }

    velmora::test::SecretServiceSession* keyring = nullptr;
};

TEST_F(DesktopKeyringTest, APasswordTypedInThePropertiesRestsInTheKeyringAndTheNextLoginReadsIt) {
    std::string guid;
    {
        CMainDlg window(context);
        window.Initialize();
        velmora::CFtpLoginInfo* info = window.GetConnections().OnNew();
        guid = info->GetStrGUID();
        FillIn(*info);
        settings.SetSelConnection("Office");
        ASSERT_TRUE(window.GetConnectionStore().Save());
    }
    EXPECT_EQ(keyring->Lookup(Entry(guid)), server.GetPassword());
    EXPECT_NE(ReadFile(settings.GetCurProject()).find("ftp_pwd_store='keyring'"), std::string::npos);

    CMainDlg window(context);
    window.Initialize();
    ASSERT_TRUE(test::WaitFor([&] { return sink.IsOnline(); })) << sink.GetState().error;
    EXPECT_EQ(PasswordQuestions(), 0u);
    ASSERT_TRUE(ApplyAndWait(window));
    EXPECT_EQ(PasswordQuestions(), 0u);
    settings.Save();
    EXPECT_EQ(FilesHoldingThePassword(), std::vector<std::string>{});
}

TEST_F(DesktopKeyringTest, AMissingEntryIsAskedForAtLoginAndSavedAgain) {
    const std::string guid = SaveConnection();
    ASSERT_TRUE(keyring->Clear(Entry(guid)));

    CMainDlg window(context);
    window.Initialize();
    // Cancelled: no login, and nothing changes.
    ASSERT_TRUE(test::WaitFor([&] { return PasswordQuestions() == 1; }));
    EXPECT_NE(prompter.asked.back().text.find("no longer in the desktop keyring"), std::string::npos)
        << prompter.asked.back().text;
    EXPECT_FALSE(sink.IsOnline());
    EXPECT_EQ(keyring->Lookup(Entry(guid)), "");

    prompter.passwords.push_back(server.GetPassword());
    ASSERT_TRUE(ApplyAndWait(window)) << sink.GetState().error;
    EXPECT_EQ(PasswordQuestions(), 2u);
    EXPECT_EQ(keyring->Lookup(Entry(guid)), server.GetPassword());
    EXPECT_EQ(FilesHoldingThePassword(), std::vector<std::string>{});
}

TEST_F(DesktopKeyringTest, WithRememberOffThePasswordIsAskedOnceAndKeptForTheSessionOnly) {
    const std::string guid = SaveConnection();
    {
        CMainDlg window(context);
        window.Initialize();
        ASSERT_TRUE(test::WaitFor([&] { return sink.IsOnline(); }));
        auto* remember = window.GetConnections().GetProperties()->findChild<QCheckBox*>("rememberPassword");
        ASSERT_TRUE(remember->isChecked());
        remember->click();
        window.GetConnectionStore().Flush();
    }
    // Its entry went with the switch; the file keeps only the marker.
    EXPECT_EQ(keyring->Lookup(Entry(guid)), "");
    EXPECT_NE(ReadFile(settings.GetCurProject()).find("ftp_pwd_store='none'"), std::string::npos);
    EXPECT_EQ(FilesHoldingThePassword(), std::vector<std::string>{});

    CMainDlg window(context);
    window.Initialize();
    prompter.passwords.push_back(server.GetPassword());
    ASSERT_TRUE(ApplyAndWait(window)) << sink.GetState().error;
    EXPECT_EQ(PasswordQuestions(), 1u);
    EXPECT_FALSE(window.GetConnections().GetProperties()->findChild<QCheckBox*>("rememberPassword")->isChecked());
    // Logging in again in the same session asks nothing more.
    ASSERT_TRUE(ApplyAndWait(window));
    EXPECT_EQ(PasswordQuestions(), 1u);
    window.GetConnectionStore().Save();
    EXPECT_EQ(FilesHoldingThePassword(), std::vector<std::string>{});
}

// A locked keyring whose prompt is dismissed costs the new password its
// place at rest, not the user's other changes: the file is written, the
// password serves this session and is asked for at the next start.
TEST_F(DesktopKeyringTest, ANewPasswordTheLockedKeyringRefusesServesTheSessionAndTheOtherChangesAreSaved) {
    CMainDlg window(context);
    window.Initialize();
    velmora::CFtpLoginInfo* info = window.GetConnections().OnNew();
    FillIn(*info);
    settings.SetSelConnection("Office");
    ASSERT_TRUE(window.GetConnectionStore().Save());
    ASSERT_TRUE(keyring->Lock());

    info->SetPassword(server.GetPassword());
    info->SetLocalPath("/srv/renamed");
    ASSERT_TRUE(window.GetConnectionStore().Save());
    const std::string file = ReadFile(settings.GetCurProject());
    EXPECT_NE(file.find("/srv/renamed"), std::string::npos);
    EXPECT_NE(file.find("ftp_pwd_store='none'"), std::string::npos);
    EXPECT_EQ(FilesHoldingThePassword(), std::vector<std::string>{});
    const auto& notices = window.GetConnectionStore().GetList().GetSaveNotices();
    ASSERT_FALSE(notices.empty());
    EXPECT_NE(notices[0].find("kept for this session only"), std::string::npos) << notices[0];

    ASSERT_TRUE(ApplyAndWait(window)) << sink.GetState().error;
    EXPECT_EQ(PasswordQuestions(), 0u);
}

TEST_F(DesktopKeyringTest, TheChoiceOfStoreIsASettingThatNewPasswordsFollow) {
    CMainDlg window(context);
    window.Initialize();
    auto* choice = window.GetConnections().GetPasswordStoreChoice();
    EXPECT_EQ(choice->currentIndex(), static_cast<int>(EPasswordStore::Auto));
    choice->setCurrentIndex(static_cast<int>(EPasswordStore::File));
    emit choice->activated(choice->currentIndex());
    EXPECT_EQ(settings.GetPasswordStore(), EPasswordStore::File);
    EXPECT_EQ(velmora::GetPasswordStore(), EPasswordStore::File);

    velmora::CFtpLoginInfo* info = window.GetConnections().OnNew();
    info->SetPassword("typed in the file");
    ASSERT_TRUE(window.GetConnectionStore().Save());
    EXPECT_NE(ReadFile(settings.GetCurProject()).find(velmora::StrEnc("typed in the file")), std::string::npos);
    EXPECT_EQ(keyring->Lookup(Entry(info->GetStrGUID())), "");
}

}  // namespace
}  // namespace parcelo
