#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/password.h"
#include "ftp/login_info.h"
#include "ftp/password_store.h"
#include "support/secret_service.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using test::ReadFile;
using test::WriteFile;

std::vector<std::string> Entry(const std::string& guid) {
    return {"application", "Parcelo", "kind", "connection", "connection", guid};
}

// The saved connections of one user, in a file, with the desktop's keyring
// running beside them.
class ConnectionPasswordsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string reason;
        keyring = test::ProcessSecretService(reason);
        if (!keyring) GTEST_SKIP() << reason;
        SetPasswordStore(EPasswordStore::Auto);
    }
    void TearDown() override { SetPasswordStore(EPasswordStore::Auto); }

    static CFtpLoginInfo* Add(CFtpLoginInfoList& list, const std::string& name, const std::string& password) {
        CFtpLoginInfo* info = list.AddNewConnection(nullptr);
        info->SetHostName(name);
        info->SetHost("ftp.example.org");
        info->SetPort(2121);
        info->SetLoginName("alice");
        info->SetPassword(password);
        return info;
    }

    // What another program (or an older version) finds in the file.
    std::string FileText() const { return ReadFile(file); }

    test::SecretServiceSession* keyring = nullptr;
    test::TempDir dir;
    std::string file = dir / "FtpPropList.xml";
};

TEST_F(ConnectionPasswordsTest, TheFileKeepsAMarkerAndTheKeyringThePasswordUntilItIsNeeded) {
    CFtpLoginInfoList list;
    const std::string guid = Add(list, "Work", "p@ss word!")->GetStrGUID();
    ASSERT_TRUE(list.SaveXML(file)) << list.GetLastError();
    EXPECT_TRUE(list.GetSaveNotices().empty());

    const std::string text = FileText();
    EXPECT_EQ(text.find("p@ss word!"), std::string::npos);
    EXPECT_EQ(text.find(StrEnc("p@ss word!")), std::string::npos);
    EXPECT_NE(text.find("ftp_pwd=''"), std::string::npos) << text;
    EXPECT_EQ(keyring->Lookup(Entry(guid)), "p@ss word!");
    const std::string entry = keyring->Search(Entry(guid));
    EXPECT_NE(entry.find("label = Parcelo: password of the connection 'Work' (alice@ftp.example.org:2121)"),
              std::string::npos)
        << entry;
    EXPECT_NE(entry.find("attribute.port = 2121"), std::string::npos) << entry;

    // Reading the list asks the keyring nothing; the password is read when
    // the connection is used.
    CFtpLoginInfoList read;
    ASSERT_TRUE(read.LoadXML(file));
    CFtpLoginInfo& work = *read.GetHead();
    EXPECT_TRUE(work.IsPasswordPending());
    EXPECT_EQ(work.GetPassword(), "");
    std::string error;
    ASSERT_EQ(FetchSavedPassword(work, error), platform::ESecretResult::Ok) << error;
    EXPECT_EQ(work.GetPassword(), "p@ss word!");
    EXPECT_FALSE(work.IsPasswordChanged());
}

TEST_F(ConnectionPasswordsTest, AChangedPasswordOrAccountUpdatesTheOneEntryOfTheConnection) {
    CFtpLoginInfoList list;
    const std::string guid = Add(list, "Work", "first")->GetStrGUID();
    ASSERT_TRUE(list.SaveXML(file)) << list.GetLastError();

    CFtpLoginInfoList edited;
    ASSERT_TRUE(edited.LoadXML(file));
    edited.GetHead()->SetPassword("second");
    ASSERT_TRUE(edited.SaveXML(file)) << edited.GetLastError();
    EXPECT_EQ(keyring->Lookup(Entry(guid)), "second");

    // A new server address without a new password: the entry follows.
    CFtpLoginInfoList moved;
    ASSERT_TRUE(moved.LoadXML(file));
    moved.GetHead()->SetHost("ftp2.example.org");
    ASSERT_TRUE(moved.SaveXML(file)) << moved.GetLastError();
    const std::string entries = keyring->Search(Entry(guid));
    EXPECT_NE(entries.find("attribute.host = ftp2.example.org"), std::string::npos) << entries;
    EXPECT_EQ(entries.find("[/", entries.find("[/") + 1), std::string::npos) << "one entry: " << entries;
    EXPECT_EQ(keyring->Lookup(Entry(guid)), "second");
}

TEST_F(ConnectionPasswordsTest, ADeletedOrForgottenConnectionTakesItsEntryAlong) {
    CFtpLoginInfoList list;
    CFtpLoginInfo* gone = Add(list, "Gone", "one");
    const std::string goneGuid = gone->GetStrGUID();
    const std::string keptGuid = Add(list, "Kept", "two")->GetStrGUID();
    ASSERT_TRUE(list.SaveXML(file)) << list.GetLastError();

    list.RemoveAndDestroy(gone);
    ASSERT_TRUE(list.SaveXML(file)) << list.GetLastError();
    EXPECT_EQ(keyring->Lookup(Entry(goneGuid)), "");
    EXPECT_EQ(keyring->Lookup(Entry(keptGuid)), "two");

    // "Remember password" turned off: asked at each login from now on.
    list.GetHead()->SetPasswordRest(EPasswordStore::None);
    ASSERT_TRUE(list.SaveXML(file)) << list.GetLastError();
    EXPECT_EQ(keyring->Lookup(Entry(keptGuid)), "");
    EXPECT_EQ(FileText().find(StrEnc("two")), std::string::npos);
    CFtpLoginInfoList read;
    ASSERT_TRUE(read.LoadXML(file));
    EXPECT_EQ(read.GetHead()->GetPasswordRest(), EPasswordStore::None);
    EXPECT_FALSE(read.GetHead()->IsPasswordPending());
    EXPECT_EQ(read.GetHead()->GetPassword(), "");
}

TEST_F(ConnectionPasswordsTest, ScrambledPasswordsMoveIntoTheKeyringTheFirstTimeTheFileIsWritten) {
    const std::string guid = "{6F1C2D3E-0000-4000-8000-00000000A11C}";
    WriteFile(file, "\r\n<CFtpLoginInfoList  tag='' >\r\n<CFtpLoginInfo  GUID='" + guid +
                        "'  ftp_host_name='Legacy'  ftp_host_addr='legacy.example.org'  ftp_login_name='bob'  "
                        "ftp_pwd='" + StrEnc("old secret") + "'  ftp_port='21' ></CFtpLoginInfo>\r\n"
                        "</CFtpLoginInfoList>\r\n");
    CFtpLoginInfoList list;
    ASSERT_TRUE(list.LoadXML(file));
    EXPECT_EQ(list.GetHead()->GetPassword(), "old secret");
    // Explicitly kept in the file: it stays there.
    SetPasswordStore(EPasswordStore::File);
    ASSERT_TRUE(list.SaveXML(file)) << list.GetLastError();
    EXPECT_NE(FileText().find(StrEnc("old secret")), std::string::npos);
    EXPECT_EQ(keyring->Lookup(Entry(guid)), "");

    SetPasswordStore(EPasswordStore::Auto);
    ASSERT_TRUE(list.SaveXML(file)) << list.GetLastError();
    EXPECT_EQ(FileText().find(StrEnc("old secret")), std::string::npos);
    EXPECT_EQ(keyring->Lookup(Entry(guid)), "old secret");
    CFtpLoginInfoList read;
    ASSERT_TRUE(read.LoadXML(file));
    std::string error;
    ASSERT_EQ(FetchSavedPassword(*read.GetHead(), error), platform::ESecretResult::Ok) << error;
    EXPECT_EQ(read.GetHead()->GetPassword(), "old secret");
}

TEST_F(ConnectionPasswordsTest, AMarkerWhoseEntryIsGoneIsAnErrorNamingTheConnectionAndStaysForTheFix) {
    CFtpLoginInfoList list;
    const std::string guid = Add(list, "Work", "pw")->GetStrGUID();
    ASSERT_TRUE(list.SaveXML(file)) << list.GetLastError();
    std::string error;
    ASSERT_EQ(platform::ClearSecrets(ConnectionSecretQuery(guid), error), platform::ESecretResult::Ok) << error;

    CFtpLoginInfoList read;
    ASSERT_TRUE(read.LoadXML(file));
    EXPECT_EQ(FetchSavedPassword(*read.GetHead(), error), platform::ESecretResult::NotFound);
    EXPECT_NE(error.find("'Work'"), std::string::npos) << error;
    // Saved again untouched, the connection still says where its password
    // belongs; a new password puts it there.
    ASSERT_TRUE(read.SaveXML(file)) << read.GetLastError();
    EXPECT_NE(FileText().find("ftp_pwd_store='keyring'"), std::string::npos);
    read.GetHead()->SetPassword("again");
    ASSERT_TRUE(read.SaveXML(file)) << read.GetLastError();
    EXPECT_EQ(keyring->Lookup(Entry(guid)), "again");
}

TEST_F(ConnectionPasswordsTest, StoringNothingLeavesEarlierPasswordsWhereTheyAre) {
    CFtpLoginInfoList list;
    SetPasswordStore(EPasswordStore::File);
    const std::string oldGuid = Add(list, "Old", "in the file")->GetStrGUID();
    ASSERT_TRUE(list.SaveXML(file)) << list.GetLastError();

    SetPasswordStore(EPasswordStore::None);
    const std::string newGuid = Add(list, "New", "asked each time")->GetStrGUID();
    ASSERT_TRUE(list.SaveXML(file)) << list.GetLastError();
    EXPECT_EQ(keyring->Lookup(Entry(newGuid)), "");
    EXPECT_EQ(keyring->Lookup(Entry(oldGuid)), "");
    const std::string text = FileText();
    EXPECT_EQ(text.find(StrEnc("asked each time")), std::string::npos);
    EXPECT_NE(text.find(StrEnc("in the file")), std::string::npos);
    CFtpLoginInfoList read;
    ASSERT_TRUE(read.LoadXML(file));
    EXPECT_EQ(read.GetHead()->GetPassword(), "in the file");
    EXPECT_EQ(read.GetTail()->GetPasswordRest(), EPasswordStore::None);
}

}  // namespace
}  // namespace velmora
