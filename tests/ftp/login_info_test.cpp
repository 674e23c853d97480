#include "ftp/login_info.h"

#include <sys/stat.h>

#include <memory>

#include <gtest/gtest.h>

#include "base/password.h"
#include "support/fake_controls.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using test::FakeListCtrl;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

CFtpLoginInfo MakeConnection() {
    CFtpLoginInfo info;
    info.SetHostName("Work 'main' <site>");
    info.SetHost("ftp.example.org");
    info.SetLoginName("alice");
    info.SetPassword("p@ss word!");
    info.SetPort(2121);
    info.SetPassive(false);
    info.SetRetries(7);
    info.SetRetryDelay(1500);
    info.SetCurAttempt(1);
    info.SetAnonymous(true);
    info.SetDescr("nightly backups");
    info.SetFolder("Work/Backups");
    info.SetLocalPath("/home/alice/backups");
    info.SetTimeout(45);
    info.SetFtpPath(CFtpPath("/pub/incoming/", PATH_FOLDER));
    info.SetTlsMode(protocol::ETlsMode::Require);
    info.SetTlsFingerprint("SHA256:" + std::string(64, 'C'));
    info.SetModified(5);
    info.SetChecked(true);
    info.CreateGUID();
    return info;
}

// Every persisted field, the password scrambled.
std::string AttributeText(const CFtpLoginInfo& info) {
    std::string text;
    info.WriteXMLAttr(text);
    return text;
}

TEST(FtpLoginInfoTest, CloneKeepsClassAndEveryField) {
    const CFtpLoginInfo info = MakeConnection();
    std::unique_ptr<CObj> copy(static_cast<const CObj&>(info).Clone());
    auto* typed = dynamic_cast<CFtpLoginInfo*>(copy.get());
    ASSERT_NE(typed, nullptr);
    EXPECT_EQ(AttributeText(*typed), AttributeText(info));
    EXPECT_EQ(typed->GetPassword(), "p@ss word!");
    EXPECT_EQ(typed->GetCurAttempt(), 1);
}

TEST(FtpLoginInfoTest, EqualityCountsIdentityFieldsOnly) {
    const CFtpLoginInfo info = MakeConnection();
    CFtpLoginInfo other = info;
    other.SetDescr("something else");
    other.SetPassive(true);
    other.SetRetries(1);
    other.SetRetryDelay(10);
    other.SetAnonymous(false);
    EXPECT_TRUE(info.IsEqual(other));

    other.SetPort(21);
    EXPECT_FALSE(info.IsEqual(other));
    other = info;
    other.SetPassword("P@ss word!");
    EXPECT_FALSE(info.IsEqual(other));
    other = info;
    other.SetFtpPath(CFtpPath("/pub/other/", PATH_FOLDER));
    EXPECT_FALSE(info.IsEqual(other));
}

TEST(FtpLoginInfoTest, UrlsAndSummary) {
    CFtpLoginInfo info = MakeConnection();
    info.SetTlsMode(protocol::ETlsMode::Plain);
    info.SetFtpPath(CFtpPath("/pub/a.txt"));
    EXPECT_EQ(info.GetURL_(), "ftp.example.org/pub/a.txt");
    EXPECT_EQ(info.GetPureURL(), "ftp://ftp.example.org:2121//pub/a.txt");
    info.SetPort(21);
    EXPECT_EQ(info.GetPureURL(), "ftp://ftp.example.org//pub/a.txt");
    EXPECT_EQ(info.GetRemotePath(), "/pub/");
    EXPECT_EQ(info.GetDescription(),
              " - Host Name:.....'Work 'main' <site>'\r\n"
              " - Description:...'nightly backups'\r\n"
              " - Host Address:..'ftp.example.org'\r\n"
              " - Login Name:....'alice'\r\n"
              " - Remote Path:...'/pub/a.txt'");
}

TEST(FtpLoginInfoTest, AttributeTextScramblesPasswordAndReadsAnyCase) {
    const CFtpLoginInfo info = MakeConnection();
    std::string text;
    info.WriteXMLAttr(text);
    EXPECT_EQ(text.find("p@ss"), std::string::npos);
    EXPECT_NE(text.find(" ftp_pwd='" + StrEnc("p@ss word!") + "' "), std::string::npos);
    EXPECT_EQ(text.find("CObj::"), std::string::npos);

    CFtpLoginInfo read;
    read.ReadXMLAttr(" FTP_PORT='990'  Ftp_Host_Addr='h'  GUID='{X}' FTP_PWD='" + StrEnc("pw") + "' ");
    EXPECT_EQ(read.GetPort(), 990);
    EXPECT_EQ(read.GetHost(), "h");
    EXPECT_EQ(read.GetPassword(), "pw");
    EXPECT_EQ(read.GetStrGUID(), "{X}");

    CFtpLoginInfo anonymous;
    anonymous.ReadXMLAttr(" ftp_host_addr='h' ftp_retries='many' ");
    EXPECT_FALSE(anonymous.GetStrGUID().empty());
    EXPECT_EQ(anonymous.GetRetries(), 0);
}

TEST(FtpLoginInfoTest, EveryTlsSettingIsStored) {
    CFtpLoginInfo info = MakeConnection();
    info.SetTlsCaFile("/etc/extra ca's.pem");
    info.SetTlsInsecure(true);
    const std::string text = AttributeText(info);
    EXPECT_NE(text.find(" ftp_tls='2' "), std::string::npos) << text;
    EXPECT_NE(text.find(" ftp_tls_insecure='1' "), std::string::npos) << text;

    CFtpLoginInfo read;
    read.ReadXMLAttr(text);
    EXPECT_EQ(read.GetTlsMode(), protocol::ETlsMode::Require);
    EXPECT_EQ(read.GetTlsFingerprint(), "SHA256:" + std::string(64, 'C'));
    EXPECT_EQ(read.GetTlsCaFile(), "/etc/extra ca's.pem");
    EXPECT_TRUE(read.IsTlsInsecure());

    // Written before TLS existed, or by a newer program: plain FTP that
    // trusts the system's authorities only.
    CFtpLoginInfo old;
    old.ReadXMLAttr(" ftp_host_addr='h' ftp_port='21' ");
    EXPECT_EQ(old.GetTlsMode(), protocol::ETlsMode::Plain);
    EXPECT_TRUE(old.GetTlsCaFile().empty());
    EXPECT_FALSE(old.IsTlsInsecure());
    old.ReadXMLAttr(" ftp_tls='9' ");
    EXPECT_EQ(old.GetTlsMode(), protocol::ETlsMode::Plain);

    // The URL's scheme says which TLS must hold; implicit TLS defaults to 990.
    info.SetFtpPath(CFtpPath("/in/", PATH_FOLDER));
    EXPECT_EQ(info.GetPureURL(), "ftpes://ftp.example.org:2121//in/");
    info.SetTlsMode(protocol::ETlsMode::Implicit);
    info.SetPort(990);
    EXPECT_EQ(info.GetPureURL(), "ftps://ftp.example.org//in/");
    info.SetTlsMode(protocol::ETlsMode::Auto);
    EXPECT_EQ(info.GetPureURL(), "ftp://ftp.example.org:990//in/");
}

TEST(FtpLoginInfoTest, AnSftpConnectionKeepsItsProtocolAndSshSettingsAndFtpOnesWriteNone) {
    CFtpLoginInfo info = MakeConnection();
    const std::string ftp = AttributeText(info);
    for (const char* name : {"protocol=", "ssh_"}) EXPECT_EQ(ftp.find(name), std::string::npos) << ftp;

    info.SetProtocol(ERemoteProtocol::Sftp);
    CSshSettings ssh;
    ssh.fingerprint = "SHA256:abcDEF+/0123456789";
    ssh.identities = {"/home/a/.ssh/id_ed25519", "/keys/with space & 'quote'"};
    ssh.useAgent = false;
    info.SetSshSettings(ssh);
    CFtpLoginInfo read;
    read.ReadXMLAttr(AttributeText(info));
    EXPECT_TRUE(read.IsSftp());
    EXPECT_EQ(read.GetSshSettings().fingerprint, ssh.fingerprint);
    EXPECT_EQ(read.GetSshSettings().identities, ssh.identities);
    EXPECT_FALSE(read.GetSshSettings().useAgent);

    // Older files, and FTP connections, read as FTP that offers the agent.
    CFtpLoginInfo old;
    old.ReadXMLAttr(" ftp_host_addr='h' ftp_port='21' ");
    EXPECT_FALSE(old.IsSftp());
    EXPECT_TRUE(old.GetSshSettings().useAgent);

    info.SetFtpPath(CFtpPath("/in/", PATH_FOLDER));
    info.SetPort(22);
    EXPECT_EQ(info.GetPureURL(), "sftp://ftp.example.org//in/");
    info.SetPort(2222);
    EXPECT_EQ(info.GetPureURL(), "sftp://ftp.example.org:2222//in/");
}

TEST(FtpLoginInfoTest, BookmarksAndSyncBrowsingRoundTripAndOlderTextsHaveNone) {
    CFtpLoginInfo info = MakeConnection();
    const std::string plain = AttributeText(info);
    for (const char* name : {"ftp_bookmarks", "ftp_sync_browse"}) EXPECT_EQ(plain.find(name), std::string::npos);

    const std::vector<CSiteBookmark> bookmarks = {{"Site & 'assets'", "/home/a/web/assets", "/var/www/assets/"},
                                                  {"", "/home/a/empty name", "/"}};
    info.SetBookmarks(bookmarks);
    info.SetSyncBrowsing(true);
    CFtpLoginInfo read;
    read.ReadXMLAttr(AttributeText(info));
    EXPECT_EQ(read.GetBookmarks(), bookmarks);
    EXPECT_TRUE(read.IsSyncBrowsing());
    EXPECT_EQ(CFtpLoginInfo(read).GetBookmarks(), bookmarks);

    // Separators inside a field cannot split it; a line short of its fields
    // is dropped, not half read.
    info.SetBookmarks({{"two\tparts", "/a\nb", "/c"}});
    read.ReadXMLAttr(AttributeText(info));
    EXPECT_EQ(read.GetBookmarks(), (std::vector<CSiteBookmark>{{"two parts", "/a b", "/c"}}));
    read.ReadXMLAttr(" ftp_host_addr='h' ftp_bookmarks='only&#9;two&#10;a&#9;b&#9;c' ");
    EXPECT_EQ(read.GetBookmarks(), (std::vector<CSiteBookmark>{{"a", "b", "c"}}));

    CFtpLoginInfo old;
    old.ReadXMLAttr(" ftp_host_addr='h' ftp_port='21' ");
    EXPECT_TRUE(old.GetBookmarks().empty());
    EXPECT_FALSE(old.IsSyncBrowsing());
}

TEST(FtpLoginInfoListTest, FileRoundTripKeepsEveryFieldButTheAttempt) {
    TempDir dir;
    const std::string file = dir / "FtpPropList.xml";
    CFtpLoginInfoList list("projects");
    list.Add(new CFtpLoginInfo(MakeConnection()));
    CFtpLoginInfo second;
    second.SetHostName("Second");
    second.SetHost("::1");
    second.CreateGUID();
    // Values of several lines come back whole from the file too.
    second.SetProtocol(ERemoteProtocol::Sftp);
    CSshSettings ssh;
    ssh.identities = {"/home/a/.ssh/id_ed25519", "/keys/second key"};
    second.SetSshSettings(ssh);
    second.SetDescr("first line\r\nsecond line");
    list.Add(new CFtpLoginInfo(second));
    ASSERT_TRUE(list.SaveXML(file)) << list.GetLastError();

    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const std::string text = ReadFile(file);
    EXPECT_EQ(text.rfind("\r\n<CFtpLoginInfoList  tag='projects' >\r\n<CFtpLoginInfo ", 0), 0u);
    EXPECT_EQ(text.find("p@ss word!"), std::string::npos);

    CFtpLoginInfoList read;
    ASSERT_TRUE(read.LoadXML(file));
    EXPECT_EQ(read.GetTag(), "projects");
    ASSERT_EQ(read.GetCount(), 2);
    EXPECT_EQ(AttributeText(*read.GetHead()), AttributeText(*list.GetHead()));
    EXPECT_EQ(read.GetHead()->GetPassword(), "p@ss word!");
    EXPECT_EQ(read.GetHead()->GetPort(), 2121);
    EXPECT_EQ(read.GetHead()->GetCurAttempt(), 3);  // not stored
    EXPECT_EQ(read.GetHead()->GetFolder(), "Work/Backups");
    EXPECT_EQ(read.GetHead()->GetLocalPath(), "/home/alice/backups");
    EXPECT_EQ(read.GetHead()->GetTimeout(), 45);
    EXPECT_EQ(AttributeText(*read.GetTail()), AttributeText(*list.GetTail()));
    EXPECT_EQ(read.GetTail()->GetSshSettings().identities, ssh.identities);
    EXPECT_EQ(read.GetTail()->GetDescr(), "first line\r\nsecond line");

    ASSERT_TRUE(read.LoadXML(file));  // appends
    EXPECT_EQ(read.GetCount(), 4);
}

// The tests run without a desktop keyring, as a server or a cron job does.
TEST(FtpLoginInfoListTest, WithoutAKeyringAPasswordStaysScrambledInTheFileAndTheSaveSaysWhere) {
    TempDir dir;
    const std::string file = dir / "FtpPropList.xml";
    CFtpLoginInfoList list;
    CFtpLoginInfo* info = list.AddNewConnection(nullptr);
    info->SetHostName("Work");
    info->SetPassword("first");
    ASSERT_TRUE(list.SaveXML(file)) << list.GetLastError();
    ASSERT_EQ(list.GetSaveNotices().size(), 1u);
    const std::string notice = list.GetSaveNotices().front();
    EXPECT_NE(notice.find("Secret Service"), std::string::npos) << notice;
    EXPECT_NE(notice.find("'Work'"), std::string::npos) << notice;
    EXPECT_NE(notice.find(file), std::string::npos) << notice;
    EXPECT_NE(ReadFile(file).find(StrEnc("first")), std::string::npos);
    ASSERT_TRUE(list.SaveXML(file));
    EXPECT_TRUE(list.GetSaveNotices().empty()) << "said once, when the password was saved";

    // The keyring asked for by name: nothing is written without it.
    SetPasswordStore(EPasswordStore::Keyring);
    info->SetPassword("second");
    EXPECT_FALSE(list.SaveXML(file));
    SetPasswordStore(EPasswordStore::Auto);
    EXPECT_NE(list.GetLastError().find("'Work'"), std::string::npos) << list.GetLastError();
    EXPECT_NE(ReadFile(file).find(StrEnc("first")), std::string::npos);
}

TEST(FtpLoginInfoListTest, SavingReplacesAWorldReadableFileOwnerOnly) {
    TempDir dir;
    const std::string file = dir / "list.xml";
    WriteFile(file, "old");
    ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
    CFtpLoginInfoList list;
    list.AddNewConnection(nullptr);
    ASSERT_TRUE(list.SaveXML(file));
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    EXPECT_FALSE(list.SaveXML(dir / "missing/list.xml"));
    EXPECT_FALSE(list.GetLastError().empty());
}

TEST(FtpLoginInfoListTest, LoadingRejectsWhatIsNotAConnectionList) {
    TempDir dir;
    CFtpLoginInfoList list;
    EXPECT_FALSE(list.LoadXML(dir / "absent.xml"));
    EXPECT_EQ(list.GetLastError(), "");

    std::string foreign = "<CFtpPathList tag=''><CFilePath path='/a'></CFilePath></CFtpPathList>";
    EXPECT_FALSE(list.ReadXML(foreign));
    std::string empty = "<CFtpLoginInfoList tag='x'></CFtpLoginInfoList>";
    EXPECT_FALSE(list.ReadXML(empty));
    std::string wrongCase = "<cftplogininfolist tag='x'><CFtpLoginInfo ></CFtpLoginInfo></cftplogininfolist>";
    EXPECT_FALSE(list.ReadXML(wrongCase));
    EXPECT_EQ(list.GetCount(), 0);

    // A damaged element ends the reading; what came before it stays.
    std::string damaged =
        "<CFtpLoginInfoList tag='x'>\r\n<CFtpLoginInfo ftp_host_name='one'></CFtpLoginInfo>"
        "<Broken ftp_host_name='two'></Broken><CFtpLoginInfo ftp_host_name='three'></CFtpLoginInfo>"
        "</CFtpLoginInfoList>";
    EXPECT_TRUE(list.ReadXML(damaged));
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetHead()->GetHostName(), "one");
}

TEST(FtpLoginInfoListTest, LookupsByNameAndGuid) {
    CFtpLoginInfoList list;
    CFtpLoginInfo* first = list.AddNewConnection(nullptr);
    auto* noGuid = new CFtpLoginInfo();
    noGuid->SetHostName("bare");
    noGuid->SetHost("ftp.example.org");
    list.Add(noGuid);

    EXPECT_EQ(list.FindByHost("Connection 1"), first);
    EXPECT_EQ(list.FindByHost("connection 1"), nullptr);
    EXPECT_EQ(list.FindByHost("ftp.example.org"), nullptr);
    EXPECT_EQ(list.FindByGUID(first->GetStrGUID()), first);
    EXPECT_EQ(list.FindByGUID(""), nullptr);
}

TEST(FtpLoginInfoListTest, NewConnectionsAreNumberedByCountAndShownInTheControl) {
    FakeListCtrl control;
    control.SetImageCount(2);
    CFtpLoginInfoList list;
    CFtpLoginInfo* first = list.AddNewConnection(&control);
    EXPECT_EQ(first->GetHostName(), "Connection 1");
    EXPECT_FALSE(first->GetStrGUID().empty());
    first->SetHostName("Connection 3");
    list.AddNewConnection(&control);
    list.AddNewConnection(&control);
    EXPECT_EQ(list.AddNewConnection(&control)->GetHostName(), "Connection 4");

    ASSERT_EQ(control.rows().size(), 4u);
    EXPECT_EQ(control.rows()[0].data, first);
    EXPECT_EQ(control.rows()[3].columns[0], "Connection 4");
    EXPECT_EQ(control.rows()[3].image, 1);

    control.SetImageCount(0);
    list.Populate(control, 3);
    ASSERT_EQ(control.rows().size(), 4u);
    EXPECT_EQ(control.rows()[0].columns[0], "Connection 3");
    EXPECT_EQ(control.rows()[3].image, 0);
    EXPECT_EQ(control.rows()[2].image, 2);

    control.SetWindow(false);
    list.Populate(control, 0);
    EXPECT_EQ(control.rows().size(), 4u);
    EXPECT_EQ(CFtpLoginInfoList::Populate(control, nullptr, 1, 0), -1);
}

}  // namespace
}  // namespace velmora
