#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "ftp_test_helpers.h"
#include "support/fake_ftp_server.h"

// Behaviour of the client against servers that misbehave: every case must
// end with a clear error within the configured time-outs, never a hang.
namespace velmora::protocol {
namespace {

using test::FakeFtpServer;
using test::FakeFtpSession;

CFtpOptions ShortTimeouts() {
    CFtpOptions options;
    options.connectTimeoutMs = 2000;
    options.sendTimeoutMs = 2000;
    options.receiveTimeoutMs = 300;
    options.connectRetries = 1;
    return options;
}

bool Connect(CFtpConnection& ftp, const FakeFtpServer& fake) {
    return ftp.Connect("127.0.0.1", fake.GetPort(), "user", "pass", true);
}

// Answers every command positively, as a minimal well-behaved server.
void AnswerEverything(FakeFtpSession& s) {
    while (auto command = s.ReadCommand()) {
        if (command->rfind("PWD", 0) == 0)
            s.Reply("257 \"/a\" is current");
        else
            s.Reply(command->rfind("CWD", 0) == 0 ? "250 ok" : "200 ok");
    }
}

// The server side of a download up to its data connection.
void StartDownload(FakeFtpSession& s) {
    s.Login();
    const uint16_t port = s.ListenForData();
    s.Expect("EPSV", "229 Entering Extended Passive Mode (|||" + std::to_string(port) + "|)");
    s.Expect("RETR", "150 Opening data connection");
    s.AcceptData();
}

// Reads until the end of the data or the first failure.
void ReadToEnd(CFtpDataStream& stream) {
    char block[4096];
    size_t received = 0;
    while (stream.Read(block, sizeof block, received) && received > 0) {
    }
}

TEST(HostileServer, SilenceEndsInATimeOutAndADroppedConnection) {
    FakeFtpServer silentGreeting([](FakeFtpSession& s) { s.WaitForClientToLeave(); });
    CFtpConnection ftp(ShortTimeouts());
    EXPECT_FALSE(Connect(ftp, silentGreeting));
    EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::TimedOut);
    EXPECT_EQ(ftp.GetLastError(), "Connection timed out");
    EXPECT_TRUE(IsTransient(ftp.GetLastErrorCode()));

    FakeFtpServer silentLater([](FakeFtpSession& s) {
        s.Login();
        s.ReadCommand();  // the CWD, never answered
        s.WaitForClientToLeave();
    });
    ASSERT_TRUE(Connect(ftp, silentLater)) << ftp.GetLastError();
    EXPECT_FALSE(ftp.SetCurrentDirectory("/x"));
    EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::TimedOut);
    // A late reply would be taken for the answer to the next command.
    EXPECT_FALSE(ftp.IsConnected());
    EXPECT_FALSE(ftp.Command("NOOP"));
    EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::Usage);
}

TEST(HostileServer, EndlessRepliesFailCleanly) {
    FakeFtpServer endlessLine([](FakeFtpSession& s) {
        s.SendRaw("220 ");
        const std::string chunk(4096, 'a');
        while (!s.IsStopping() && s.SendRaw(chunk)) {
        }
    });
    CFtpConnection ftp(ShortTimeouts());
    EXPECT_FALSE(Connect(ftp, endlessLine));
    EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::Protocol);
    EXPECT_EQ(ftp.GetLastError(), "Reply line from server too long");

    FakeFtpServer endlessReply([](FakeFtpSession& s) {
        s.Reply("220-welcome");
        while (!s.IsStopping() && s.Reply("220-and more")) {
        }
    });
    EXPECT_FALSE(Connect(ftp, endlessReply));
    EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::Protocol);
    EXPECT_EQ(ftp.GetLastError(), "Reply from server too long");
    EXPECT_FALSE(ftp.IsConnected());
}

TEST(HostileServer, GarbageAndShutdownRepliesCloseTheConnection) {
    FakeFtpServer garbage([](FakeFtpSession& s) {
        s.Reply("HTTP/1.1 400 Bad Request");
        s.WaitForClientToLeave();
    });
    CFtpConnection ftp(ShortTimeouts());
    EXPECT_FALSE(Connect(ftp, garbage));
    EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::Protocol);
    EXPECT_NE(ftp.GetLastError().find("Invalid reply from server"), std::string::npos);

    FakeFtpServer shuttingDown([](FakeFtpSession& s) {
        s.Login();
        s.Expect("MKD", "421 Service not available, closing control connection");
        s.WaitForClientToLeave();
    });
    ASSERT_TRUE(Connect(ftp, shuttingDown));
    EXPECT_FALSE(ftp.CreateDirectory("/x"));
    EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::Closed);
    EXPECT_EQ(ftp.GetLastError().substr(0, 3), "421");
    EXPECT_FALSE(ftp.IsConnected());
}

TEST(HostileServer, AConnectionDroppedMidTransferIsAFailure) {
    FakeFtpServer dropping([](FakeFtpSession& s) {
        StartDownload(s);
        s.SendData(std::string(10000, 'd'));
        s.Hangup();
    });
    CFtpConnection ftp(ShortTimeouts());
    ASSERT_TRUE(Connect(ftp, dropping)) << ftp.GetLastError();
    auto stream = ftp.OpenFile("file.bin", EFtpAccess::Read);
    ASSERT_TRUE(stream) << ftp.GetLastError();
    ReadToEnd(*stream);
    EXPECT_EQ(stream->GetByteCount(), 10000u);
    // End of data looked normal; only the missing confirmation reveals the loss.
    EXPECT_FALSE(stream->Close());
    EXPECT_EQ(stream->GetLastErrorCode(), EFtpError::Closed);
    EXPECT_EQ(stream->GetLastError(), "Connection closed by server");
    EXPECT_FALSE(ftp.IsConnected());
}

TEST(HostileServer, AServerThatTricklesBytesFailsTheLowSpeedLimit) {
    FakeFtpServer trickling([](FakeFtpSession& s) {
        StartDownload(s);
        // Each byte well within the receive time-out, far too few in all.
        while (!s.IsStopping() && s.SendData("x")) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    });
    CFtpOptions options = ShortTimeouts();
    options.lowSpeedBytes = 50;
    options.lowSpeedSeconds = 1;
    CFtpConnection ftp(options);
    ASSERT_TRUE(Connect(ftp, trickling)) << ftp.GetLastError();
    auto stream = ftp.OpenFile("file.bin", EFtpAccess::Read);
    ASSERT_TRUE(stream) << ftp.GetLastError();
    ReadToEnd(*stream);
    EXPECT_EQ(stream->GetLastErrorCode(), EFtpError::TimedOut);
    EXPECT_EQ(stream->GetLastError(), "Transfer too slow: fewer than 50 bytes in 1 seconds");
    EXPECT_LT(stream->GetByteCount(), 50u);
    EXPECT_TRUE(IsTransient(stream->GetLastErrorCode()));
}

TEST(HostileServer, AServerThatFallsSilentFailsTheLowSpeedLimitBeforeTheTimeOut) {
    FakeFtpServer silent([](FakeFtpSession& s) {
        StartDownload(s);
        s.SendData("0123456789");
        s.ReceiveDataToEnd();  // until the client gives up
        s.Reply("426 Transfer aborted");
        AnswerEverything(s);
    });
    CFtpOptions options = ShortTimeouts();
    options.receiveTimeoutMs = 20000;
    options.lowSpeedBytes = 50;
    options.lowSpeedSeconds = 1;
    CFtpConnection ftp(options);
    ASSERT_TRUE(Connect(ftp, silent)) << ftp.GetLastError();
    auto stream = ftp.OpenFile("file.bin", EFtpAccess::Read);
    ASSERT_TRUE(stream) << ftp.GetLastError();
    ReadToEnd(*stream);
    EXPECT_EQ(stream->GetLastErrorCode(), EFtpError::TimedOut);
    EXPECT_EQ(stream->GetLastError(), "Transfer too slow: fewer than 50 bytes in 1 seconds");
    EXPECT_EQ(stream->GetByteCount(), 10u);
}

TEST(HostileServer, AFailedFinalReplyFailsTheUpload) {
    FakeFtpServer diskFull([](FakeFtpSession& s) {
        s.Login();
        const uint16_t port = s.ListenForData();
        s.Expect("EPSV", "229 (|||" + std::to_string(port) + "|)");
        s.Expect("STOR", "150 go ahead");
        s.AcceptData();
        s.ReceiveDataToEnd();
        s.Reply("452 Insufficient storage space");
        AnswerEverything(s);
    });
    CFtpConnection ftp(ShortTimeouts());
    ASSERT_TRUE(Connect(ftp, diskFull));
    EXPECT_FALSE(Upload(ftp, "a.bin", "some bytes"));
    EXPECT_TRUE(ftp.IsConnected());
    EXPECT_EQ(ftp.GetLastError(), "452 Insufficient storage space");
    EXPECT_TRUE(ftp.Command("NOOP"));
}

TEST(HostileServer, TheAddressOfAPassiveReplyIsIgnored) {
    FakeFtpServer redirecting([](FakeFtpSession& s) {
        s.Login();
        s.Expect("EPSV", "500 EPSV not understood");
        const uint16_t port = s.ListenForData();
        // Names a host that is not the server: the client must not go there.
        s.Expect("PASV", "227 Entering Passive Mode (192,0,2,7," + std::to_string(port / 256) + "," +
                             std::to_string(port % 256) + ")");
        s.Expect("LIST", "150 Here comes the listing");
        if (s.AcceptData()) s.SendData("-rw-r--r-- 1 u g 5 Jan 02  2020 a.txt\r\n");
        s.CloseData();
        s.Reply("226 Done");
        AnswerEverything(s);
    });
    CFtpConnection ftp(ShortTimeouts());
    ASSERT_TRUE(Connect(ftp, redirecting));
    auto listing = ftp.OpenCommand("LIST");
    ASSERT_TRUE(listing) << ftp.GetLastError();
    std::string text;
    EXPECT_TRUE(listing->ReadAll(text, 4096)) << listing->GetLastError();
    EXPECT_EQ(text, "-rw-r--r-- 1 u g 5 Jan 02  2020 a.txt\r\n");
}

// One round trip per file adds up over a folder of thousands of files.
TEST(HostileServer, ARepeatedChangeToTheSameFolderIsNotSent) {
    FakeFtpServer fake([](FakeFtpSession& s) {
        s.Login();
        s.Expect("CWD", "250 ok");
        s.Expect("CWD", "550 gone");
        AnswerEverything(s);
    });
    CFtpConnection ftp(ShortTimeouts());
    ASSERT_TRUE(Connect(ftp, fake));
    EXPECT_TRUE(ftp.SetCurrentDirectory("/a/b"));
    EXPECT_TRUE(ftp.SetCurrentDirectory("/a/b/"));
    EXPECT_TRUE(ftp.SetCurrentDirectory("/a/b"));
    EXPECT_FALSE(ftp.SetCurrentDirectory("/c"));
    EXPECT_TRUE(ftp.SetCurrentDirectory("/a/b"));  // forgotten after the failure: sent again
    EXPECT_TRUE(ftp.SetCurrentDirectory("sub"));   // relative: the folder is unknown afterwards
    EXPECT_TRUE(ftp.SetCurrentDirectory("/a/b"));
    std::string folder;
    EXPECT_TRUE(ftp.GetCurrentDirectory(folder));  // the reply names "/a"...
    EXPECT_TRUE(ftp.SetCurrentDirectory("/a"));    // ...so no CWD is needed for it
    ftp.Close();
    const auto commands = fake.GetCommands();
    const auto cwds = std::count_if(commands.begin(), commands.end(),
                                    [](const std::string& c) { return c.rfind("CWD", 0) == 0; });
    EXPECT_EQ(cwds, 5);
    EXPECT_EQ(commands.back(), "QUIT");
}

// A raw command may move the session ("CDUP", "SITE ..."): the folder known
// before it is not trusted afterwards.
TEST(HostileServer, ARawCommandForgetsTheKnownFolder) {
    FakeFtpServer fake([](FakeFtpSession& s) {
        s.Login();
        AnswerEverything(s);
    });
    CFtpConnection ftp(ShortTimeouts());
    ASSERT_TRUE(Connect(ftp, fake));
    EXPECT_TRUE(ftp.SetCurrentDirectory("/a"));
    EXPECT_TRUE(ftp.Command("CDUP"));
    EXPECT_TRUE(ftp.SetCurrentDirectory("/a"));
    ftp.Close();
    const auto commands = fake.GetCommands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "CWD /a"), 2);
}

TEST(HostileServer, ADroppedBrowsingSessionLogsInAgainAndReturnsToItsFolder) {
    int sessions = 0;
    FakeFtpServer idleLimit([&sessions](FakeFtpSession& s) {
        s.Login();
        s.Expect("CWD /a", "250 ok");
        if (++sessions == 1) return;  // the server's idle limit ends the first session here
        s.Expect("MKD x", "257 \"/a/x\" created");
        s.Expect("NOOP", "200 ok");
        s.WaitForClientToLeave();
    });
    CFtpOptions options = ShortTimeouts();
    options.reconnectWhenDropped = true;
    CFtpConnection ftp(options);
    ASSERT_TRUE(Connect(ftp, idleLimit)) << ftp.GetLastError();
    ASSERT_TRUE(ftp.SetCurrentDirectory("/a"));
    EXPECT_TRUE(ftp.CreateDirectory("x")) << ftp.GetLastError();
    // Recently used: no NOOP; idle: NOOP.
    EXPECT_TRUE(ftp.KeepAlive(3600));
    EXPECT_TRUE(ftp.KeepAlive(0));
    ftp.Close();
    const auto commands = idleLimit.GetCommands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "USER user"), 2);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "NOOP"), 1);
    // The new session went back to the folder before the command was sent again.
    const auto mkd = std::find(commands.begin(), commands.end(), "MKD x");
    ASSERT_NE(mkd, commands.end());
    EXPECT_EQ(*(mkd - 1), "CWD /a");
    EXPECT_EQ(std::count(commands.begin(), mkd, "USER user"), 2);
}

TEST(HostileServer, WithoutReconnectingADroppedSessionStaysAClearFailure) {
    FakeFtpServer idleLimit([](FakeFtpSession& s) {
        s.Login();
        s.Expect("NOOP", "421 Timeout: closing control connection");
    });
    CFtpConnection ftp(ShortTimeouts());
    ASSERT_TRUE(Connect(ftp, idleLimit)) << ftp.GetLastError();
    EXPECT_FALSE(ftp.KeepAlive(0));
    EXPECT_FALSE(ftp.IsConnected());
    EXPECT_FALSE(ftp.CreateDirectory("x"));
    EXPECT_EQ(ftp.GetLastError(), "Ftp connection is not open");
}

}  // namespace
}  // namespace velmora::protocol
