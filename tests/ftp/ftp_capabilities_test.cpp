#include <gtest/gtest.h>

#include <algorithm>

#include "ftp/protocol/ftp_capabilities.h"
#include "ftp/protocol/ftp_connection.h"
#include "support/fake_ftp_server.h"
#include "support/ftp_server.h"

namespace velmora::protocol {
namespace {

using test::FakeFtpServer;
using test::FakeFtpSession;

TEST(FtpCapabilities, FeatureListsOfRealServersAreRead) {
    // pyftpdlib's reply, as sent.
    const CFtpCapabilities py = ParseFeatures(211,
                                              "211-Features supported:\n EPRT\n EPSV\n MDTM\n MFMT\n"
                                              " MLST type*;perm*;size*;modify*;unique*;unix.mode;unix.uid;\n"
                                              " REST STREAM\n SIZE\n TVFS\n UTF8\n211 End FEAT.");
    EXPECT_TRUE(py.listed);
    EXPECT_TRUE(py.utf8 && py.mlsd && py.restStream && py.size && py.mdtm && py.mfmt && py.epsv);
    EXPECT_FALSE(py.authTls);
    EXPECT_TRUE(py.HasMlstFact("unix.mode"));
    EXPECT_TRUE(py.HasMlstFact("Modify"));
    EXPECT_TRUE(py.IsMlstFactOn("modify"));
    EXPECT_FALSE(py.IsMlstFactOn("unix.mode"));
    EXPECT_FALSE(py.HasMlstFact("media-type"));

    // Unindented lines, lower case, "REST" without STREAM, several AUTH mechanisms.
    const CFtpCapabilities odd = ParseFeatures(211, "211-Extensions\nutf8\nREST\nAUTH SSL;TLS\nmlst size;\n211 End");
    EXPECT_TRUE(odd.utf8 && odd.mlsd && odd.authTls);
    EXPECT_FALSE(odd.restStream);
    EXPECT_TRUE(odd.HasMlstFact("size"));
    EXPECT_FALSE(odd.IsMlstFactOn("size"));

    EXPECT_TRUE(ParseFeatures(211, "211-Features:\n AUTH TLS\n PBSZ\n211 End").authTls);
    EXPECT_FALSE(ParseFeatures(211, "211-Features:\n AUTH TLS-X\n211 End").authTls);
    // "211 no features": listed, nothing offered.
    const CFtpCapabilities none = ParseFeatures(211, "211 No features");
    EXPECT_TRUE(none.listed);
    EXPECT_FALSE(none.utf8 || none.mlsd || none.size);
}

TEST(FtpCapabilities, AnErrorReplyGivesThePlainRecord) {
    for (int code : {500, 502, 530}) {
        const CFtpCapabilities caps = ParseFeatures(code, "500 FEAT not understood\n UTF8\n MLST size*;");
        EXPECT_FALSE(caps.listed || caps.utf8 || caps.mlsd) << code;
        EXPECT_TRUE(caps.mlstFacts.empty());
    }
}

TEST(FtpCapabilities, TheSessionReadsFeaturesOnceAndSwitchesOnUtf8) {
    test::FtpServer server;
    ASSERT_TRUE(server.Start()) << server.GetError();
    CFtpConnection ftp;
    ASSERT_TRUE(ftp.Connect(server.GetHost(), server.GetPort(), server.GetUser(), server.GetPassword(), true));
    const CFtpCapabilities& caps = ftp.GetCapabilities();
    EXPECT_TRUE(caps.listed && caps.utf8 && caps.mlsd && caps.mfmt && caps.restStream);
    ftp.Close();
    EXPECT_FALSE(ftp.GetCapabilities().listed);
}

TEST(FtpCapabilities, FeaturesRefusedBeforeLoginAreAskedAgainAfterIt) {
    FakeFtpServer fake([](FakeFtpSession& s) {
        s.Reply("220 hello");
        s.Expect("FEAT", "530 Please login with USER and PASS.");
        s.Expect("USER", "331 password please");
        s.Expect("PASS", "230 welcome");
        s.Expect("FEAT", "211-Features:\r\n UTF8\r\n SIZE\r\n211 End");
        s.Expect("TYPE", "200 binary");
        s.Expect("OPTS UTF8 ON", "200 Always in UTF8 mode.");
        s.Expect("PWD", "257 \"/\"");
        s.Expect("NOOP", "200 ok");
        s.WaitForClientToLeave();
    });
    CFtpConnection ftp;
    ASSERT_TRUE(ftp.Connect("127.0.0.1", fake.GetPort(), "u", "p", true)) << ftp.GetLastError();
    EXPECT_TRUE(ftp.GetCapabilities().utf8);
    EXPECT_TRUE(ftp.GetCapabilities().size);
    EXPECT_TRUE(ftp.Command("NOOP")) << ftp.GetLastError();
    ftp.Close();
    const auto commands = fake.GetCommands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "FEAT"), 2);
}

TEST(FtpCapabilities, WithoutFeaturesNoOptionIsSent) {
    FakeFtpServer fake([](FakeFtpSession& s) {
        s.Login();
        s.Expect("NOOP", "200 ok");
        s.WaitForClientToLeave();
    });
    CFtpConnection ftp;
    ASSERT_TRUE(ftp.Connect("127.0.0.1", fake.GetPort(), "u", "p", true)) << ftp.GetLastError();
    EXPECT_FALSE(ftp.GetCapabilities().listed);
    EXPECT_TRUE(ftp.Command("NOOP")) << ftp.GetLastError();
}

}  // namespace
}  // namespace velmora::protocol
