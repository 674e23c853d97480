#include <gtest/gtest.h>

#include <string>

#include "tasks/trans_point.h"

namespace velmora {
namespace {

CFtpLoginInfo Login(const std::string& host, int port, const std::string& folder) {
    CFtpLoginInfo login;
    login.SetHostName("Work server");
    login.SetHost(host);
    login.SetPort(port);
    login.SetLoginName("anna");
    login.SetPassword("secret");
    CFtpPath start;
    start.SetDir(folder);
    login.SetFtpPath(start);
    return login;
}

TEST(TransPointTest, DescriptionsByType) {
    CTransPoint folder(ePointFolder, CFtpPath("/data/in/"));
    EXPECT_EQ(folder.GetDescription(), "Folder\r\n - /data/in/");
    folder.SetPointType(ePointFile);
    EXPECT_EQ(folder.GetDescription(), "File\r\n - /data/in/");
    folder.SetPointType(ePointEmail);
    EXPECT_EQ(folder.GetDescription(), "Email");
    folder.SetPointType(ePointNone);
    EXPECT_EQ(folder.GetDescription(), "None");
    folder.SetPointType(9);
    EXPECT_EQ(folder.GetDescription(), "");

    const CFtpLoginInfo login = Login("ftp.example.com", 21, "/in/");
    const CTransPoint ftp(ePointFtp, login);
    EXPECT_EQ(ftp.GetDescription(), "FTP Site:\r\n" + login.GetDescription());
}

TEST(TransPointTest, LoginAndPasswordBelongOnlyToAnFtpSite) {
    CTransPoint folder(ePointFolder, Login("h", 21, "/"));
    folder.SetLogin("bob");
    folder.SetPWD("pw");
    EXPECT_EQ(folder.GetLogin(), "");
    EXPECT_EQ(folder.GetPWD(), "");
    EXPECT_EQ(folder.GetFtpLoginInfo().GetLoginName(), "anna");

    folder.SetPointType(ePointFtp);
    folder.SetLogin("bob");
    folder.SetPWD("pw");
    EXPECT_EQ(folder.GetLogin(), "bob");
    EXPECT_EQ(folder.GetPWD(), "pw");
}

TEST(TransPointTest, KeysAreReadWithoutRegardToCase) {
    CTransPoint point;
    EXPECT_TRUE(point.ReadXMLAttr("T-POINT-TYPE", "4"));
    EXPECT_EQ(point.GetPointType(), ePointFtp);
    EXPECT_TRUE(point.ReadXMLAttr("T-Point-Name", "Upload"));
    EXPECT_EQ(point.GetName(), "Upload");
}

// The point's path and its login's start folder write the same attribute
// names; each must come back to its owner, with the login's host and
// account.
TEST(TransPointTest, AttributeTextKeepsPathAndLoginApart) {
    CTransPoint point(ePointFtp, Login("ftp.example.com", 2121, "/start/"), CFtpPath("/in/box/"));
    point.SetName("it's \"quoted\"");
    std::string text;
    point.WriteXML(text);

    CTransPoint read;
    ASSERT_TRUE(read.ReadXML(text));
    EXPECT_EQ(read.GetPointType(), ePointFtp);
    EXPECT_EQ(read.GetName(), "it's \"quoted\"");
    EXPECT_EQ(read.GetStrPath(), "/in/box/");
    const CFtpLoginInfo login = read.GetFtpLoginInfo();
    EXPECT_EQ(login.GetHost(), "ftp.example.com");
    EXPECT_EQ(login.GetPort(), 2121);
    EXPECT_EQ(login.GetLoginName(), "anna");
    EXPECT_EQ(login.GetPassword(), "secret");
    EXPECT_EQ(login.GetRemotePath(), "/start/");
}

TEST(TransPointTest, FtpAddressIsSplitIntoLoginAndServerFolder) {
    CTransPoint point(ePointFtp);
    ASSERT_TRUE(point.SetPureURL("ftp://an%20na:p%40ss:w@files.example.org:2121/in/"));
    const CFtpLoginInfo login = point.GetFtpLoginInfo();
    EXPECT_EQ(login.GetHost(), "files.example.org");
    EXPECT_EQ(login.GetPort(), 2121);
    EXPECT_EQ(login.GetLoginName(), "an na");
    EXPECT_EQ(login.GetPassword(), "p@ss:w");
    EXPECT_EQ(point.GetStrPath(), "/in/");
    EXPECT_EQ(login.GetRemotePath(), "/in/");

    // Without an account the login stays; without a port it is 21 again;
    // without a path the folder is the server's root.
    ASSERT_TRUE(point.SetPureURL("ftp://other.example.org"));
    EXPECT_EQ(point.GetFtpLoginInfo().GetHost(), "other.example.org");
    EXPECT_EQ(point.GetFtpLoginInfo().GetPort(), 21);
    EXPECT_EQ(point.GetLogin(), "an na");
    EXPECT_EQ(point.GetStrPath(), "/");

    ASSERT_TRUE(point.SetPureURL("ftp://[::1]:2122/up/"));
    EXPECT_EQ(point.GetHostAddress(), "::1");
    EXPECT_EQ(point.GetFtpLoginInfo().GetPort(), 2122);
    EXPECT_EQ(point.GetStrPath(), "/up/");
}

TEST(TransPointTest, SchemeCarriesTheTlsMode) {
    const struct {
        const char* url;
        protocol::ETlsMode mode;
        int port;
    } cases[] = {{"ftp://h/in/", protocol::ETlsMode::Plain, 21},
                 {"FTPES://h/in/", protocol::ETlsMode::Require, 21},
                 {"ftps://h/in/", protocol::ETlsMode::Implicit, 990},
                 {"ftps://h:2990/in/", protocol::ETlsMode::Implicit, 2990}};
    for (const auto& c : cases) {
        CTransPoint point(ePointFtp);
        ASSERT_TRUE(point.SetPureURL(c.url)) << c.url;
        EXPECT_EQ(point.GetFtpLoginInfo().GetTlsMode(), c.mode) << c.url;
        EXPECT_EQ(point.GetFtpLoginInfo().GetPort(), c.port) << c.url;
        // What a job database keeps reads back to the same connection.
        CTransPoint read(ePointFtp);
        ASSERT_TRUE(read.SetPureURL(point.GetPureURL())) << point.GetPureURL();
        EXPECT_EQ(read.GetFtpLoginInfo().GetTlsMode(), c.mode) << point.GetPureURL();
        EXPECT_EQ(read.GetFtpLoginInfo().GetPort(), c.port) << point.GetPureURL();
    }
}

TEST(TransPointTest, AnSftpSchemeChoosesTheProtocolAndPort22) {
    for (const auto& [url, port] : {std::pair{"sftp://u@h/in/", 22}, std::pair{"SFTP://h:2222/in/", 2222}}) {
        CTransPoint point(ePointFtp);
        ASSERT_TRUE(point.SetPureURL(url)) << url;
        EXPECT_TRUE(point.GetFtpLoginInfo().IsSftp()) << url;
        EXPECT_EQ(point.GetFtpLoginInfo().GetPort(), port) << url;
        CTransPoint read(ePointFtp);
        ASSERT_TRUE(read.SetPureURL(point.GetPureURL())) << point.GetPureURL();
        EXPECT_TRUE(read.GetFtpLoginInfo().IsSftp()) << point.GetPureURL();
        EXPECT_EQ(read.GetFtpLoginInfo().GetPort(), port) << point.GetPureURL();
    }
    CTransPoint point(ePointFtp);
    ASSERT_TRUE(point.SetPureURL("ftp://h/in/"));
    EXPECT_FALSE(point.GetFtpLoginInfo().IsSftp());
}

TEST(TransPointTest, UnreadableFtpAddressChangesNothing) {
    CTransPoint point(ePointFtp, Login("keep.example.com", 21, "/"), CFtpPath("/keep/"));
    for (const char* url :
         {"ftp://host:99999/x", "ftp://host:12ab/x", "http://host/x", "scp://host/x", "ftp:///x", "ftp://[::1/x"}) {
        EXPECT_FALSE(point.SetPureURL(url)) << url;
        EXPECT_EQ(point.GetHostAddress(), "keep.example.com") << url;
        EXPECT_EQ(point.GetStrPath(), "/keep/") << url;
    }
}

TEST(TransPointTest, LocationsReadBackWhatTheyWrite) {
    for (const CFtpLoginInfo& login : {Login("ftp.example.com", 21, "/in/"), Login("ftp.example.com", 2121, "/in/"),
                                       Login("::1", 2121, "/x/y/")}) {
        const CTransPoint written(ePointFtp, login, CFtpPath(login.GetRemotePath()));
        CTransPoint read(ePointFtp);
        ASSERT_TRUE(read.SetPureURL(written.GetPureURL())) << written.GetPureURL();
        EXPECT_EQ(read.GetHostAddress(), login.GetHost());
        EXPECT_EQ(read.GetFtpLoginInfo().GetPort(), login.GetPort());
        EXPECT_EQ(read.GetStrPath(), login.GetRemotePath());
        EXPECT_EQ(read.GetPureURL(), written.GetPureURL());
    }
    EXPECT_EQ(CTransPoint(ePointFtp, Login("h", 21, "/in/")).GetPureURL().rfind("ftp://h/", 0), 0u);

    const CTransPoint file(ePointFile, CFtpPath("/data/a.txt"));
    EXPECT_EQ(file.GetPureURL(), "file:///data/a.txt");
    const CTransPoint share(ePointNetwork, CFtpPath("\\\\srv\\share\\docs\\"));
    EXPECT_EQ(share.GetPureURL(), "network:\\\\srv\\share\\docs\\");
    for (const CTransPoint* point : {&file, &share}) {
        CTransPoint read(point->GetPointType());
        ASSERT_TRUE(read.SetPureURL(point->GetPureURL()));
        EXPECT_EQ(read.GetStrPath(), point->GetStrPath());
    }
}

}  // namespace
}  // namespace velmora
