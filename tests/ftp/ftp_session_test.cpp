#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "ftp/ftp_session.h"
#include "ftp/open_session.h"
#include "ftp/session_checks.h"
#include "ftp/session_login.h"
#include "platform/clock.h"
#include "support/fake_ftp_server.h"
#include "support/ftp_server.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::FakeFtpServer;
using test::FakeFtpSession;

constexpr int64_t kTime = 1577934245;
constexpr uint64_t kFileTime = (kTime + 11644473600) * uint64_t{10000000};

// A server lacking `without`, serving /in/info.bin (12,345 bytes, kTime)
// and the folder /in/sub/.
struct Server {
    explicit Server(const std::string& without) : server({.commandLog = log / "commands", .without = without}) {}

    bool StartAndConnect(CFtpSession& session) {
        EXPECT_TRUE(server.Start()) << server.GetError();
        if (!server.IsRunning()) return false;
        test::WriteFile(server.Path("in/info.bin"), std::string(12345, 'x'));
        fs::create_directories(server.Path("in/sub"));
        fs::last_write_time(server.Path("in/info.bin"),
                            fs::file_time_type::clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(kTime))));
        return test::ConnectSession(session, server.GetHost(), server.GetPort(), server.GetUser(),
                                    server.GetPassword());
    }

    test::TempDir log;
    test::FtpServer server;
};

// One fact alone costs the one command that tells it; several facts cost one
// machine question where the server sends them all, else a command each.
TEST(FtpSessionFacts, EachQuestionTakesTheFewestRoundTripsTheServerAllows) {
    struct Case {
        const char* without;
        int sizes, times, machine;  // commands sent for the questions below
    };
    for (const Case& c : {Case{"", 1, 1, 3}, Case{"MLST,MLSD", 4, 2, 0}}) {
        SCOPED_TRACE(c.without);
        Server server(c.without);
        CFtpSession session;
        ASSERT_TRUE(server.StartAndConnect(session)) << session.GetLastError();
        CRemoteFacts facts;
        ASSERT_TRUE(session.GetFactsOnly("/in/info.bin", FactSize, facts)) << session.GetLastError();
        EXPECT_EQ(facts.size, std::optional<uint64_t>(12345));
        ASSERT_TRUE(session.GetFactsOnly("/in/info.bin", FactTime, facts)) << session.GetLastError();
        EXPECT_EQ(facts.modified, kFileTime);

        ASSERT_TRUE(session.GetFacts("/in/info.bin", facts)) << session.GetLastError();
        EXPECT_TRUE(facts.exists && !facts.folder);
        EXPECT_EQ(facts.size, std::optional<uint64_t>(12345));
        EXPECT_EQ(facts.modified, kFileTime);
        EXPECT_EQ(facts.precision, uint64_t{10000000});
        // A missing file is an answer, not a failure.
        ASSERT_TRUE(session.GetFacts("/in/none.bin", facts)) << session.GetLastError();
        EXPECT_FALSE(facts.exists);
        ASSERT_TRUE(session.GetFacts("/in/sub", facts)) << session.GetLastError();
        EXPECT_TRUE(facts.exists && facts.folder);

        EXPECT_EQ(server.server.Received("SIZE"), c.sizes);
        EXPECT_EQ(server.server.Received("MDTM"), c.times);
        EXPECT_EQ(server.server.Received("MLST"), c.machine);
        EXPECT_TRUE(session.IsConnected());
    }
}

// The names a listing of `folder` brings, in order; "failed: ..." when it fails.
std::vector<std::string> ListedNames(CFtpSession& session, const std::string& folder) {
    std::vector<std::string> names;
    const bool listed = session.List(
        folder, [&](CFtpDir&& entry) { return names.push_back(entry.GetName()), true; }, nullptr);
    return listed ? names : std::vector<std::string>{"failed: " + session.GetLastError()};
}

// A server that offers MLSD but lists only where the session stands: it
// refuses MLSD with a folder's name, and knows /a/ and /b/ but not /none/.
FakeFtpServer::Script ListsOnlyWhereItStands() {
    return [](FakeFtpSession& s) {
        if (!s.Reply("220 fake") || !s.Expect("FEAT", "211-Features:\r\n MLST type*;size*;\r\n211 End") ||
            !s.Expect("USER", "331 more") || !s.Expect("PASS", "230 in"))
            return;
        std::string folder = "/";
        while (auto command = s.ReadCommand()) {
            if (command->rfind("CWD ", 0) == 0) {
                const std::string to = command->substr(4);
                if (to == "/a/" || to == "/b/") folder = to;
                s.Reply(to == "/a/" || to == "/b/" ? "250 there" : "550 no such folder");
            } else if (*command == "PWD") {
                s.Reply("257 \"/\"");
            } else if (*command == "EPSV") {
                s.Reply("229 Entering Extended Passive Mode (|||" + std::to_string(s.ListenForData()) + "|)");
            } else if (*command == "MLSD") {
                s.Reply("150 here");
                if (s.AcceptData()) s.SendData("type=file;size=1; in" + folder.substr(1, 1) + "\r\n");
                s.CloseData();
                s.Reply("226 done");
            } else if (command->rfind("MLSD ", 0) == 0) {
                s.Reply("501 no arguments, please");
            } else if (*command == "QUIT") {
                s.Reply("221 bye");
                return;
            } else {
                s.Reply("200 ok");
            }
        }
    };
}

// A machine listing names its folder instead of entering it first, a round
// trip less per folder. A server that will not list by name is asked in the
// folder, then always so, and a folder that is not there fails as it did.
TEST(FtpSessionListing, AMachineListingNamesItsFolderWhereTheServerAllows) {
    {
        Server server("");
        CFtpSession session;
        ASSERT_TRUE(server.StartAndConnect(session)) << session.GetLastError();
        EXPECT_EQ(ListedNames(session, "/in/"), (std::vector<std::string>{"info.bin", "sub"}));
        EXPECT_EQ(ListedNames(session, "/in/sub/"), std::vector<std::string>{});
        EXPECT_EQ(server.server.Received("MLSD"), 2);
        EXPECT_EQ(server.server.Received("CWD"), 0);
    }
    FakeFtpServer fake(ListsOnlyWhereItStands());
    CFtpSession session;
    ASSERT_TRUE(test::ConnectSession(session, "127.0.0.1", fake.GetPort())) << session.GetLastError();
    const size_t before = fake.GetCommands().size();
    EXPECT_EQ(ListedNames(session, "/a/"), std::vector<std::string>{"ina"});
    EXPECT_EQ(ListedNames(session, "/b/"), std::vector<std::string>{"inb"});
    const std::vector<std::string> failed = ListedNames(session, "/none/");
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_NE(failed[0].find("550 no such folder"), std::string::npos) << failed[0];
    const std::vector<std::string> commands = fake.GetCommands();
    EXPECT_EQ(std::vector<std::string>(commands.begin() + static_cast<std::ptrdiff_t>(before), commands.end()),
              (std::vector<std::string>{"EPSV", "MLSD /a/", "CWD /a/", "EPSV", "MLSD", "CWD /b/", "EPSV", "MLSD",
                                        "CWD /none/"}));
}

// A command the server does not know is tried once per session.
TEST(FtpSessionFacts, ACommandTheServerDoesNotKnowIsNotAskedAgain) {
    Server server("SIZE,MDTM,MLST,MLSD");
    CFtpSession session;
    ASSERT_TRUE(server.StartAndConnect(session)) << session.GetLastError();
    CRemoteFacts facts;
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(session.GetFactsOnly("/in/info.bin", FactSize | FactTime, facts));
        EXPECT_EQ(session.GetLastErrorKind(), ERemoteError::Unsupported);
    }
    // The folder is still told by entering it.
    ASSERT_TRUE(session.GetFacts("/in/sub", facts)) << session.GetLastError();
    EXPECT_TRUE(facts.folder);
    EXPECT_EQ(server.server.Received("SIZE"), 1);
    EXPECT_EQ(server.server.Received("MDTM"), 1);
}

// A server whose FEAT names nothing, answering SIZE and MDTM all the same,
// and announcing the length of what it sends.
FakeFtpServer::Script UnlistedFactsServer() {
    return [](FakeFtpSession& s) {
        if (!s.Reply("220 fake") || !s.Expect("FEAT", "211 no features") || !s.Expect("USER", "331 more") ||
            !s.Expect("PASS", "230 in") || !s.Expect("TYPE", "200 binary") || !s.Expect("PWD", "257 \"/\""))
            return;
        while (auto command = s.ReadCommand()) {
            if (command->rfind("SIZE", 0) == 0) {
                s.Reply("213 300000");
            } else if (command->rfind("MDTM", 0) == 0) {
                s.Reply("213 20200102030405");
            } else if (command->rfind("EPSV", 0) == 0) {
                s.Reply("229 Entering Extended Passive Mode (|||" + std::to_string(s.ListenForData()) + "|)");
            } else if (command->rfind("RETR", 0) == 0) {
                s.Reply("150 Opening BINARY mode data connection for a.bin (300000 bytes)");
                if (s.AcceptData()) s.SendData(std::string(1000, 'a'));
                s.CloseData();
                s.Reply("226 Transfer complete");
            } else if (command->rfind("QUIT", 0) == 0) {
                s.Reply("221 bye");
                return;
            } else {
                s.Reply("250 ok");
            }
        }
    };
}

// A server whose FEAT calls for both options, and which reads the four
// commands that set a session up before it answers any of them: a client
// that waits for an answer in between gets none and times out.
FakeFtpServer::Script SetUpInOneTurn(const std::string& typeReply, const std::string& pwdReply) {
    return [=](FakeFtpSession& s) {
        if (!s.Reply("220 fake") ||
            !s.Expect("FEAT", "211-Features:\r\n UTF8\r\n MLST type*;size;modify*;\r\n211 End") ||
            !s.Expect("USER", "331 more") || !s.Expect("PASS", "230 in"))
            return;
        for (int i = 0; i < 4; ++i) {
            if (!s.ReadCommand()) return;
        }
        s.Reply(typeReply) && s.Reply("501 no such option") && s.Reply("200 facts set") && s.Reply(pwdReply);
        s.WaitForClientToLeave();
    };
}

TEST(FtpSessionStart, TheCommandsAfterTheLoginGoInOneRoundTrip) {
    CSessionOptions quick;
    quick.receiveTimeoutMs = 3000;
    {
        FakeFtpServer fake(SetUpInOneTurn("200 binary", "257 \"/home/u\" is where you are"));
        CFtpSession session;
        ASSERT_TRUE(test::ConnectSession(session, "127.0.0.1", fake.GetPort(), "u", "p", quick))
            << session.GetLastError();
        EXPECT_EQ(session.GetHomeFolder(), "/home/u");
        const std::vector<std::string> commands = fake.GetCommands();
        ASSERT_GE(commands.size(), 7u);
        EXPECT_EQ(std::vector<std::string>(commands.begin() + 3, commands.begin() + 7),
                  (std::vector<std::string>{"TYPE I", "OPTS UTF8 ON", "OPTS MLST type;size;modify;", "PWD"}));
    }
    {
        // A reply that names no folder leaves the session at the root.
        FakeFtpServer fake(SetUpInOneTurn("200 binary", "257 somewhere"));
        CFtpSession session;
        ASSERT_TRUE(test::ConnectSession(session, "127.0.0.1", fake.GetPort(), "u", "p", quick))
            << session.GetLastError();
        EXPECT_EQ(session.GetHomeFolder(), "/");
    }
    {
        // A refused TYPE I fails the login with the server's words, after
        // all four replies were read.
        FakeFtpServer fake(SetUpInOneTurn("504 no binary here", "257 \"/\""));
        CFtpSession session;
        EXPECT_FALSE(test::ConnectSession(session, "127.0.0.1", fake.GetPort(), "u", "p", quick));
        EXPECT_NE(session.GetLastError().find("504 no binary here"), std::string::npos) << session.GetLastError();
    }
}

// From the connection to the first command about a file the client waits
// for the greeting and four answers (FEAT, USER, PASS, and the set-up sent
// in one write), six round trips with the connect. lftp waits for the
// greeting, FEAT, USER, PASS, PWD and TYPE I: seven.
TEST(FtpSessionStart, TakesSixRoundTripsToTheFirstFileCommand) {
    std::atomic<int> turnsBeforeFile = -1;
    FakeFtpServer fake([&](FakeFtpSession& s) {
        if (!s.Reply("220 fake") ||
            !s.Expect("FEAT", "211-Features:\r\n UTF8\r\n SIZE\r\n MDTM\r\n EPSV\r\n REST STREAM\r\n211 End") ||
            !s.Expect("USER", "331 more") || !s.Expect("PASS", "230 in"))
            return;
        for (auto command = s.ReadCommand(); command; command = s.ReadCommand()) {
            if (command->starts_with("TYPE") || command->starts_with("OPTS")) {
                s.Reply("200 ok");
            } else if (command->starts_with("PWD")) {
                s.Reply("257 \"/\"");
            } else {
                turnsBeforeFile = s.Turns() - 1;
                s.Reply("421 enough");
                return;
            }
        }
    });
    CSessionOptions quick;
    quick.receiveTimeoutMs = 3000;
    CFtpSession session;
    ASSERT_TRUE(test::ConnectSession(session, "127.0.0.1", fake.GetPort(), "u", "p", quick)) << session.GetLastError();
    EXPECT_EQ(session.OpenRead("/pub/file.bin", 0), nullptr);
    const int connectAndGreeting = 2;
    EXPECT_EQ(connectAndGreeting + turnsBeforeFile, 6);
}

// Times asked for together go in batches of 64, a round trip each; a
// refused or unreadable answer leaves its file without a time, and a name
// that cannot be sent is not.
TEST(FtpSessionFacts, TimesAskedTogetherGoInBatches) {
    std::atomic<int> turns = 0;
    FakeFtpServer fake([&](FakeFtpSession& s) {
        if (!s.Reply("220 fake") || !s.Expect("FEAT", "211-Features:\r\n MDTM\r\n211 End") ||
            !s.Expect("USER", "331 more") || !s.Expect("PASS", "230 in"))
            return;
        const int loggedIn = s.Turns();
        for (auto command = s.ReadCommand(); command; command = s.ReadCommand()) {
            turns = s.Turns() - loggedIn;
            if (command->starts_with("PWD")) {
                s.Reply("257 \"/\"");
            } else if (*command == "MDTM /refused") {
                s.Reply("550 no such file");
            } else if (*command == "MDTM /garbled") {
                s.Reply("213 soon");
            } else if (command->starts_with("MDTM /f")) {
                s.Reply("213 " + std::to_string(20200102030000 + std::stoi(command->substr(7)) % 60));
            } else {
                s.Reply("200 ok");
            }
        }
    });
    CFtpSession session;
    ASSERT_TRUE(test::ConnectSession(session, "127.0.0.1", fake.GetPort())) << session.GetLastError();
    std::vector<std::string> paths = {"/refused", "/garbled", "/line\r\nDELE /x"};
    for (int i = 0; i < 70; ++i) paths.push_back("/f" + std::to_string(i));
    std::vector<uint64_t> times;
    ASSERT_TRUE(session.AskModifiedTimes(paths, times)) << session.GetLastError();
    ASSERT_EQ(times.size(), paths.size());
    EXPECT_EQ(std::vector<uint64_t>(times.begin(), times.begin() + 3), std::vector<uint64_t>(3, 0));
    for (int i = 0; i < 70; ++i) EXPECT_EQ(times[3 + i], platform::UnixToFileTime(1577934000 + i % 60)) << i;
    EXPECT_EQ(turns, 3) << "the set-up, then 72 questions in two batches";
    EXPECT_TRUE(session.IsConnected());
}

TEST(FtpSessionFacts, SizeAndTimeAreAskedWhereFeatDoesNotNameThem) {
    FakeFtpServer fake(UnlistedFactsServer());
    CFtpSession session;
    ASSERT_TRUE(test::ConnectSession(session, "127.0.0.1", fake.GetPort())) << session.GetLastError();
    CRemoteFacts facts;
    ASSERT_TRUE(session.GetFactsOnly("/a.bin", FactSize | FactTime, facts)) << session.GetLastError();
    EXPECT_EQ(facts.size, std::optional<uint64_t>(300000));
    EXPECT_EQ(facts.modified, (uint64_t{1577934245} + 11644473600) * uint64_t{10000000});

    // The length announced when the transfer begins counts where none was known.
    std::unique_ptr<CRemoteStream> stream = session.OpenRead("/a.bin", 0);
    ASSERT_NE(stream, nullptr) << session.GetLastError();
    EXPECT_EQ(stream->GetAnnouncedLength(), std::optional<uint64_t>(300000));
    char block[4096];
    size_t received = 0;
    do {
        ASSERT_TRUE(stream->Read(block, sizeof block, received)) << stream->GetLastError();
    } while (received > 0);
    EXPECT_TRUE(stream->Close()) << stream->GetLastError();
    std::string error;
    bool shorter = false;
    EXPECT_FALSE(CheckReadLength(*stream, 0, 0, error, shorter));
    EXPECT_TRUE(shorter);
    EXPECT_EQ(error, "Transfer incomplete: 1000 of 300000 bytes received");
}

TEST(FtpSession, WorksAlikeWithAndWithoutMachineFacts) {
    for (const char* without : {"", "MLST,MLSD"}) {
        SCOPED_TRACE(without);
        test::FtpServer server({.without = without});
        ASSERT_TRUE(server.Start()) << server.GetError();
        std::string error;
        std::unique_ptr<CRemoteSession> session = OpenRemoteSession(
            test::LoginTo(server.GetHost(), server.GetPort(), server.GetUser(), server.GetPassword()), {}, error);
        ASSERT_NE(session, nullptr) << error;
        EXPECT_EQ(session->GetScheme(), "ftp");
        EXPECT_EQ(session->GetHomeFolder(), "/");
        test::CheckSessionOperations(*session, "/check/");
    }
}

// What the session was refused for tells a caller what to do next.
TEST(FtpSession, FailuresAreSortedByWhatCanBeDoneAboutThem) {
    test::FtpServer server;
    ASSERT_TRUE(server.Start()) << server.GetError();
    std::string error;
    ERemoteError kind = ERemoteError::None;
    EXPECT_EQ(OpenRemoteSession(test::LoginTo(server.GetHost(), server.GetPort(), server.GetUser(), "wrong"), {}, error,
                                &kind),
              nullptr);
    EXPECT_EQ(kind, ERemoteError::LoginRefused);
    EXPECT_EQ(error.substr(0, 3), "530");
    const uint16_t closed = server.GetPort();
    server.Stop();
    EXPECT_EQ(OpenRemoteSession(test::LoginTo("127.0.0.1", closed), {}, error, &kind), nullptr);
    EXPECT_EQ(kind, ERemoteError::Unreachable);
    EXPECT_TRUE(IsTransient(kind));

    FakeFtpServer dropping([](FakeFtpSession& s) {
        s.Login();
        s.Expect("CWD", "450 busy, try later");
        s.Hangup();
    });
    CFtpSession session;
    ASSERT_TRUE(test::ConnectSession(session, "127.0.0.1", dropping.GetPort())) << session.GetLastError();
    EXPECT_FALSE(session.IsFolder("/busy"));
    EXPECT_EQ(session.GetLastErrorKind(), ERemoteError::Busy);
    EXPECT_EQ(session.OpenRead("/a/b.bin", 0), nullptr);
    EXPECT_EQ(session.GetLastErrorKind(), ERemoteError::Lost) << session.GetLastError();
}

}  // namespace
}  // namespace velmora
