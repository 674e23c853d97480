// The upload and download round trip against vsftpd and ProFTPD, started on
// loopback by tests/support/real_ftp_servers.sh, in plain FTP and over TLS.
// They need root; where a server cannot be started the test is skipped, not
// failed.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "cli/real_server.h"
#include "ftp/remote_tree.h"
#include "ftp/session_checks.h"
#include "ftp/session_login.h"
#include "support/fault_relay.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

class RealServerTest : public ::testing::TestWithParam<const char*> {};

TEST_P(RealServerTest, FolderTreeRoundTrip) {
    if (geteuid() != 0) GTEST_SKIP() << GetParam() << " needs root";
    RealServer server(GetParam());
    std::string reason;
    if (!server.Start(reason)) GTEST_SKIP() << reason;

    TempDir local;
    const std::string tree = local / "tree";
    WriteFile(tree + "/top.txt", "top\n");
    WriteFile(tree + "/a/b/deep.bin", RandomBytes(150000, 11));
    WriteFile(tree + "/a/empty.txt", "");
    std::filesystem::create_directories(tree + "/a/nothing");

    const CliResult up = RunCli({"upload", tree, server.Url("/in/")});
    ASSERT_EQ(up.status, 0) << up.err;
    std::string difference;
    EXPECT_TRUE(SameTree(tree, server.Home("in/tree"), difference)) << difference;

    const CliResult down = RunCli({"download", server.Url("/in/tree/"), local / "back"});
    ASSERT_EQ(down.status, 0) << down.err;
    EXPECT_TRUE(SameTree(tree, local / "back/tree", difference)) << difference;
}

TEST_P(RealServerTest, MirrorSendsOnlyWhatChangedBothWays) {
    if (geteuid() != 0) GTEST_SKIP() << GetParam() << " needs root";
    RealServer server(GetParam());
    std::string reason;
    if (!server.Start(reason)) GTEST_SKIP() << reason;

    TempDir local;
    const std::string site = local / "site";
    WriteFile(site + "/index.html", "home");
    WriteFile(site + "/it's a \"page\".html", "quoted");
    WriteFile(site + "/Grüße/ä b.txt", RandomBytes(60000, 2));
    ASSERT_EQ(RunCli({"mirror", site, server.Url("/www/")}).status, 0);
    EXPECT_EQ(server.Transfers('i'), 3);
    ASSERT_EQ(RunCli({"mirror", site, server.Url("/www/")}).status, 0);
    EXPECT_EQ(server.Transfers('i'), 3);

    WriteFile(site + "/index.html", "home, changed");
    WriteFile(site + "/new.txt", "new");
    std::filesystem::remove(site + "/it's a \"page\".html");
    const CliResult changed = RunCli({"mirror", "--delete", site, server.Url("/www/")});
    ASSERT_EQ(changed.status, 0) << changed.err;
    EXPECT_EQ(server.Transfers('i'), 5);
    std::string difference;
    EXPECT_TRUE(SameTree(site, server.Home("www"), difference)) << difference;

    ASSERT_EQ(RunCli({"mirror", server.Url("/www/"), local / "back"}).status, 0);
    ASSERT_EQ(RunCli({"mirror", server.Url("/www/"), local / "back"}).status, 0);
    EXPECT_EQ(server.Transfers('o'), 3);
    EXPECT_TRUE(SameTree(site, local / "back", difference)) << difference;
}

// ProFTPD takes the source's time after each upload (MFMT): a later change
// that keeps the size is still seen. vsftpd cannot: its files keep the
// time of the upload, so they are newer and a second run sends nothing.
TEST_P(RealServerTest, MirrorUploadsKeepTheSourcesTimeWhereTheServerTakesIt) {
    if (geteuid() != 0) GTEST_SKIP() << GetParam() << " needs root";
    RealServer server(GetParam());
    std::string reason;
    if (!server.Start(reason)) GTEST_SKIP() << reason;

    namespace fs = std::filesystem;
    const auto daysAgo = [](int days) { return fs::file_time_type::clock::now() - std::chrono::hours(24 * days); };
    const auto seconds = [](const std::string& file) {
        return std::chrono::floor<std::chrono::seconds>(fs::last_write_time(file)).time_since_epoch().count();
    };
    TempDir local;
    const std::string site = local / "site";
    WriteFile(site + "/page.html", "version 1");
    fs::last_write_time(site + "/page.html", daysAgo(3));
    ASSERT_EQ(RunCli({"mirror", site, server.Url("/www/")}).status, 0);
    ASSERT_EQ(RunCli({"mirror", site, server.Url("/www/")}).status, 0);
    EXPECT_EQ(server.Transfers('i'), 1);
    if (std::string(GetParam()) != "proftpd") return;

    EXPECT_EQ(seconds(server.Home("www/page.html")), seconds(site + "/page.html"));
    WriteFile(site + "/page.html", "version 2");
    fs::last_write_time(site + "/page.html", daysAgo(2));
    ASSERT_EQ(RunCli({"mirror", site, server.Url("/www/")}).status, 0);
    EXPECT_EQ(server.Transfers('i'), 2);
    EXPECT_EQ(ReadFile(server.Home("www/page.html")), "version 2");
}

// A cut in the middle of a file, both ways: the transfer goes on at the
// offset where the server allows it, else from the start.
TEST_P(RealServerTest, TransfersCutInTheMiddleGoOnWhereTheyBroke) {
    if (geteuid() != 0) GTEST_SKIP() << GetParam() << " needs root";
    RealServer server(GetParam());
    std::string reason;
    if (!server.Start(reason)) GTEST_SKIP() << reason;

    TempDir local;
    const std::string data = RandomBytes(3000000, 12);
    WriteFile(local / "cut.bin", data);
    for (const bool upload : {true, false}) {
        SCOPED_TRACE(upload ? "upload" : "download");
        FaultRelay relay("127.0.0.1", static_cast<uint16_t>(server.Port()), {.resetDataAfter = 1000000});
        ASSERT_TRUE(relay.Start());
        const std::string url = server.UrlAt(relay.GetPort(), upload ? "/in/" : "/in/cut.bin");
        const CliResult run = upload ? RunCli({"upload", local / "cut.bin", url})
                                     : RunCli({"download", url, local.path() + "/back/"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(ReadFile(upload ? server.Home("in/cut.bin") : local / "back/cut.bin") == data)
            << "different contents";
        EXPECT_EQ(relay.GetResets(), 1);
        // ProFTPD refuses to restart or append an upload unless configured
        // to: the file then goes again whole.
        if (!upload) {
            EXPECT_EQ(relay.GetCommands("REST").size(), 1u);
        }
    }
}

// What a user does by hand, on each server: the overwrite policy both
// ways, renaming a folder named with its "/", a server file copied to a new
// local name, wildcards, and a folder named without its "/" (servers word
// that refusal each their own way).
// Both servers name REST STREAM and SIZE in their FEAT reply: a continued
// transfer restarts where the target ends, an upload is checked with SIZE,
// and no command goes that the server would refuse.
TEST_P(RealServerTest, ContinuedTransfersAskWhatTheServerOffers) {
    if (geteuid() != 0) GTEST_SKIP() << GetParam() << " needs root";
    RealServer server(GetParam());
    std::string reason;
    if (!server.Start(reason)) GTEST_SKIP() << reason;

    TempDir local;
    const std::string data = RandomBytes(400000, 14);
    WriteFile(local / "up.bin", data);
    const CliResult up = RunCli({"upload", "-v", local / "up.bin", server.Url("/in/")});
    ASSERT_EQ(up.status, 0) << up.err;
    WriteFile(local / "back/.up.bin.part", data.substr(0, 150000));
    const CliResult down = RunCli({"download", "-v", "--continue", server.Url("/in/up.bin"), local / "back"});
    ASSERT_EQ(down.status, 0) << down.err;
    EXPECT_TRUE(ReadFile(local / "back/up.bin") == data) << "different contents";
    EXPECT_TRUE(std::regex_search(up.err, std::regex("(\\[[0-9]+\\] )> SIZE /in/up.bin\n\\1< 213 400000")))
        << up.err;
    EXPECT_NE(down.err.find("> REST 150000\n"), std::string::npos) << down.err;
    for (const std::string& trace : {up.err, down.err}) {
        EXPECT_EQ(trace.find("] < 500"), std::string::npos) << trace;
        EXPECT_EQ(trace.find("] < 502"), std::string::npos) << trace;
    }
}

TEST_P(RealServerTest, InteractiveCommandsWorkAlikeOnEveryServer) {
    if (geteuid() != 0) GTEST_SKIP() << GetParam() << " needs root";
    RealServer server(GetParam());
    std::string reason;
    if (!server.Start(reason)) GTEST_SKIP() << reason;
    namespace fs = std::filesystem;
    const auto age = [](const std::string& path, int years) {
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * years));
    };
    WriteFile(server.Home("pub/doc.txt"), "server");
    WriteFile(server.Home("pub/docs/inside.txt"), "inside");
    WriteFile(server.Home("pub/sub two/x.txt"), "x");
    for (const char* name : {"a.csv", "b.csv", "c.txt", "d1.log", "d2.log", "dx.log"}) {
        WriteFile(server.Home(std::string("pub/") + name), name);
    }
    server.Own();
    TempDir local;
    WriteFile(local / "doc.txt", "mine");

    // Another file of that name there is refused unless an option says what to do.
    const CliResult other = RunCli({"upload", local / "doc.txt", server.Url("/pub/")});
    EXPECT_EQ(other.status, 1);
    EXPECT_NE(other.err.find("--rename"), std::string::npos) << other.err;
    EXPECT_EQ(ReadFile(server.Home("pub/doc.txt")), "server");
    const CliResult up = RunCli({"upload", "--rename", local / "doc.txt", server.Url("/pub/")});
    ASSERT_EQ(up.status, 0) << up.err;
    EXPECT_NE(up.err.find("/pub/doc.txt is on the server: sent as doc(1).txt"), std::string::npos) << up.err;
    EXPECT_EQ(ReadFile(server.Home("pub/doc.txt")), "server");
    EXPECT_EQ(ReadFile(server.Home("pub/doc(1).txt")), "mine");
    const CliResult kept = RunCli({"upload", "--no-clobber", local / "doc.txt", server.Url("/pub/")});
    EXPECT_NE(kept.err.find("1 skipped"), std::string::npos) << kept.err;
    age(local / "doc.txt", 1);
    ASSERT_EQ(RunCli({"upload", "--newer", local / "doc.txt", server.Url("/pub/")}).status, 0);
    EXPECT_EQ(ReadFile(server.Home("pub/doc.txt")), "server");
    age(server.Home("pub/doc.txt"), 10);
    ASSERT_EQ(RunCli({"upload", "--newer", local / "doc.txt", server.Url("/pub/")}).status, 0);
    EXPECT_EQ(ReadFile(server.Home("pub/doc.txt")), "mine");
    WriteFile(local / "doc(1).txt", "local");
    const CliResult refused = RunCli({"download", server.Url("/pub/doc(1).txt"), local.path()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("--overwrite"), std::string::npos) << refused.err;
    EXPECT_EQ(ReadFile(local / "doc(1).txt"), "local");

    ASSERT_EQ(RunCli({"rename", server.Url("/pub/sub%20two/"), "sub three"}).status, 0);
    EXPECT_EQ(ReadFile(server.Home("pub/sub three/x.txt")), "x");
    const CliResult copied = RunCli({"copy", server.Url("/pub/docs/inside.txt"), local / "out/renamed.txt"});
    ASSERT_EQ(copied.status, 0) << copied.err;
    EXPECT_EQ(ReadFile(local / "out/renamed.txt"), "inside");
    // One file to a name that is no folder there takes that name, both ways.
    const CliResult named = RunCli({"upload", local / "doc.txt", server.Url("/pub/new/renamed.txt")});
    ASSERT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(ReadFile(server.Home("pub/new/renamed.txt")), "mine");
    ASSERT_EQ(RunCli({"download", server.Url("/pub/new/renamed.txt"), local / "back.txt"}).status, 0);
    EXPECT_EQ(ReadFile(local / "back.txt"), "mine");
    // Run again, neither sends anything: the files there are equal.
    const CliResult upAgain = RunCli({"upload", local / "doc.txt", server.Url("/pub/new/renamed.txt")});
    ASSERT_EQ(upAgain.status, 0) << upAgain.err;
    EXPECT_NE(upAgain.err.find("1 unchanged"), std::string::npos) << upAgain.err;
    const CliResult downAgain = RunCli({"download", server.Url("/pub/new/renamed.txt"), local / "back.txt"});
    ASSERT_EQ(downAgain.status, 0) << downAgain.err;
    EXPECT_NE(downAgain.err.find("1 unchanged"), std::string::npos) << downAgain.err;

    ASSERT_EQ(RunCli({"download", server.Url("/pub/*.csv"), local / "csv"}).status, 0);
    EXPECT_EQ(ReadFile(local / "csv/a.csv") + ReadFile(local / "csv/b.csv"), "a.csvb.csv");
    EXPECT_FALSE(fs::exists(local / "csv/c.txt"));
    ASSERT_EQ(RunCli({"rm", server.Url("/pub/d?.log")}).status, 0);
    EXPECT_FALSE(fs::exists(server.Home("pub/d1.log")) || fs::exists(server.Home("pub/d2.log")));
    EXPECT_FALSE(fs::exists(server.Home("pub/dx.log")));

    const CliResult folder = RunCli({"download", server.Url("/pub/docs"), local / "got"});
    EXPECT_EQ(folder.status, 1);
    EXPECT_NE(folder.err.find("it is a folder; add a trailing /"), std::string::npos) << folder.err;
    const CliResult folderCopy = RunCli({"copy", server.Url("/pub/docs"), local / "docs-copy"});
    EXPECT_EQ(folderCopy.status, 2);
    EXPECT_NE(folderCopy.err.find("is a folder: add a trailing /"), std::string::npos) << folderCopy.err;
    EXPECT_FALSE(fs::exists(local / "docs-copy"));
    const CliResult removed = RunCli({"rm", server.Url("/pub/docs")});
    EXPECT_EQ(removed.status, 1);
    EXPECT_NE(removed.err.find("/pub/docs: it is a folder (use rmdir)"), std::string::npos) << removed.err;
    EXPECT_TRUE(fs::exists(server.Home("pub/docs/inside.txt")));
}

// The remote session underneath every command: facts (MLST on ProFTPD, SIZE
// and MDTM on vsftpd), offsets, appending, renaming, deleting and folders.
TEST_P(RealServerTest, TheRemoteSessionAnswersAlikeOnEveryServer) {
    if (geteuid() != 0) GTEST_SKIP() << GetParam() << " needs root";
    RealServer server(GetParam());
    std::string reason;
    if (!server.Start(reason)) GTEST_SKIP() << reason;
    CFtpSession session;
    ASSERT_TRUE(ConnectSession(session, "127.0.0.1", static_cast<uint16_t>(server.Port()), server.User(), "secret"))
        << session.GetLastError();
    CheckSessionOperations(session, "/check/");
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServerTest, ::testing::Values("vsftpd", "proftpd"));

// A session held open on the server, as another program would.
class HeldSession {
public:
    // Connects until the server greets with 220: it may still count a
    // session that has just ended (its check of the server's port) and
    // turn this one away.
    explicit HeldSession(int port) {
        for (int attempt = 0; attempt < 50 && !m_open; ++attempt) {
            if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
            m_open = Connect(port);
        }
    }
    ~HeldSession() { Close(); }
    HeldSession(const HeldSession&) = delete;
    HeldSession& operator=(const HeldSession&) = delete;
    bool IsOpen() const { return m_open; }
    void Close() {
        if (m_fd >= 0) close(m_fd);
        m_fd = -1;
    }

private:
    bool Connect(int port) {
        Close();
        // Not inherited by the program under test, which would keep it open.
        m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        char greeting[4] = {};
        return m_fd >= 0 && connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
               recv(m_fd, greeting, 3, MSG_WAITALL) == 3 && std::string(greeting) == "220";
    }

    int m_fd = -1;
    bool m_open = false;
};

// vsftpd set to one session per address tells a second one to come back
// later (421): the upload says so while it waits, and goes on once the
// other session ends. Free names (--rename) need a session of their own,
// opened first: the transfer's session is then the one refused, and nothing
// is replaced.
TEST(RealBusyServerTest, ABusyServerIsRetriedAloudAndItsFilesAreNotReplacedBlindly) {
    if (geteuid() != 0) GTEST_SKIP() << "vsftpd needs root";
    RealServer server("vsftpd", "", "max_per_ip=1");
    std::string reason;
    if (!server.Start(reason)) GTEST_SKIP() << reason;
    TempDir local;
    WriteFile(local / "a.txt", "mine");

    HeldSession other(server.Port());
    ASSERT_TRUE(other.IsOpen());
    CliProcess up({"upload", "--overwrite", "--retries", "3", local / "a.txt", server.Url("/")});
    ASSERT_TRUE(up.WaitForError("retrying in 3 s (attempt 2 of 3)")) << up.Finish().err;
    other.Close();
    const CliResult waited = up.Finish();
    ASSERT_EQ(waited.status, 0) << waited.err;
    EXPECT_NE(waited.err.find("cannot connect to 127.0.0.1:" + std::to_string(server.Port()) + " (Ftp: 421"),
              std::string::npos)
        << waited.err;
    EXPECT_EQ(ReadFile(server.Home("a.txt")), "mine");

    WriteFile(local / "a.txt", "newer");
    const CliResult blind = RunCli({"upload", "--rename", "--retries", "1", local / "a.txt", server.Url("/")});
    EXPECT_EQ(blind.status, 1);
    EXPECT_NE(blind.err.find(": 421 "), std::string::npos) << blind.err;
    EXPECT_EQ(ReadFile(server.Home("a.txt")), "mine");
    EXPECT_FALSE(std::filesystem::exists(server.Home("a(1).txt")));
}


// Both listings describe one tree: names, kinds, sizes and times to the
// minute (MLSD in UTC, LIST in the server's local time, which is ours).
TEST(RealServerListings, MachineAndClassicListingsOfProFtpdAgree) {
    if (geteuid() != 0) GTEST_SKIP() << "proftpd needs root";
    RealServer server("proftpd");
    std::string reason;
    if (!server.Start(reason)) GTEST_SKIP() << reason;
    TempDir local;
    const std::string tree = local / "tree";
    WriteFile(tree + "/top.txt", "top\n");
    WriteFile(tree + "/.hidden", "h");
    WriteFile(tree + "/ leading blank.txt", "b");
    WriteFile(tree + "/a/b/deep.bin", RandomBytes(150000, 11));
    WriteFile(tree + "/a/\xc3\xa9t\xc3\xa9.txt", "summer");
    ASSERT_EQ(RunCli({"upload", tree, server.Url("/in/")}).status, 0);

    CFtpSession ftp;
    ASSERT_TRUE(ConnectSession(ftp, "127.0.0.1", static_cast<uint16_t>(server.Port()), server.User(), "secret"))
        << ftp.GetLastError();
    ASSERT_TRUE(ftp.GetFeatures().exactListing);
    std::map<std::string, std::string> classic;
    std::map<std::string, std::string> machine;
    ListRemoteTree(ftp, false, "/in/tree/", classic);
    ListRemoteTree(ftp, true, "/in/tree/", machine);
    // This server's LIST leaves hidden names out; its MLSD does not.
    EXPECT_EQ(machine.erase("/in/tree/.hidden"), 1u);
    EXPECT_EQ(machine, classic);
    EXPECT_EQ(machine.size(), 6u);
}

// Server and TLS version. Both servers refuse a data connection whose TLS
// session is not resumed from the control connection's; with TLS 1.3 they
// issue new single-use tickets, so many data connections in one session
// show whether the client follows the newest one.
class RealTlsServerTest : public ::testing::TestWithParam<std::tuple<const char*, const char*>> {};

TEST_P(RealTlsServerTest, ManyFilesRoundTripInOneSession) {
    const auto [name, version] = GetParam();
    if (geteuid() != 0) GTEST_SKIP() << name << " needs root";
    RealServer server(name, version);
    std::string reason;
    if (!server.Start(reason)) GTEST_SKIP() << reason;

    TempDir local;
    const std::string tree = local / "tree";
    for (int i = 0; i < 24; ++i)
        WriteFile(tree + "/d" + std::to_string(i % 3) + "/f" + std::to_string(i), RandomBytes(1000 + 5003 * i, i));
    const std::vector<std::string> trust = {"--ca-file", server.CaFile()};
    auto run = [&trust](std::vector<std::string> args) {
        args.insert(args.begin(), trust.begin(), trust.end());
        return RunCli(args);
    };
    const CliResult up = run({"upload", tree, server.Url("/in/", "ftpes")});
    ASSERT_EQ(up.status, 0) << up.err;
    std::string difference;
    EXPECT_TRUE(SameTree(tree, server.Home("in/tree"), difference)) << difference;
    const CliResult down = run({"download", server.Url("/in/tree/", "ftpes"), local / "back"});
    ASSERT_EQ(down.status, 0) << down.err;
    EXPECT_TRUE(SameTree(tree, local / "back/tree", difference)) << difference;

    // Plain FTP is refused by the server, with its own reason.
    const CliResult plain = RunCli({"--tls", "off", "ls", server.Url("/")});
    EXPECT_EQ(plain.status, 1);
    EXPECT_TRUE(std::regex_search(plain.err, std::regex("cannot log in.*: 5[0-9][0-9] "))) << plain.err;
}

INSTANTIATE_TEST_SUITE_P(Servers, RealTlsServerTest,
                         ::testing::Combine(::testing::Values("vsftpd", "proftpd"),
                                            ::testing::Values("tls12", "tls13")),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param)) + "_" + std::get<1>(info.param);
                         });

// ProFTPD with TLS offered, not required, behind a relay that takes TLS out
// of every session after the first, as someone on the way would: the
// password that went encrypted once never goes in clear to it.
TEST(RealOptionalTlsServerTest, AServerThatDidTlsIsRefusedPlainFtpBeforeThePassword) {
    if (geteuid() != 0) GTEST_SKIP() << "proftpd needs root";
    RealServer server("proftpd", "optional");
    std::string reason;
    if (!server.Start(reason)) GTEST_SKIP() << reason;
    FaultRelay relay("127.0.0.1", static_cast<uint16_t>(server.Port()), {.stripTlsAfterSessions = 1});
    ASSERT_TRUE(relay.Start());
    TempDir data;
    const std::map<std::string, std::string> env = {{"XDG_DATA_HOME", data.path()}};
    const CliResult first = RunCli({"--insecure", "ls", server.UrlAt(relay.GetPort(), "/")}, env);
    ASSERT_EQ(first.status, 0) << first.err;
    const CliResult downgraded = RunCli({"--insecure", "ls", server.UrlAt(relay.GetPort(), "/")}, env);
    EXPECT_EQ(downgraded.status, 1);
    EXPECT_NE(downgraded.err.find("--tls off"), std::string::npos) << downgraded.err;
    EXPECT_TRUE(relay.GetCommands("PASS").empty());
    // The server itself lets plain logins in, when that is what the user chose.
    const CliResult off = RunCli({"--tls", "off", "ls", server.UrlAt(relay.GetPort(), "/")}, env);
    EXPECT_EQ(off.status, 0) << off.err;
}

TEST(RealImplicitTlsServerTest, FilesGoBothWays) {
    if (geteuid() != 0) GTEST_SKIP() << "vsftpd needs root";
    RealServer server("vsftpd", "implicit");
    std::string reason;
    if (!server.Start(reason)) GTEST_SKIP() << reason;
    TempDir local;
    WriteFile(local / "a.bin", RandomBytes(70000, 3));
    const CliResult up = RunCli({"--ca-file", server.CaFile(), "upload", local / "a.bin", server.Url("/", "ftps")});
    ASSERT_EQ(up.status, 0) << up.err;
    EXPECT_EQ(ReadFile(server.Home("a.bin")), RandomBytes(70000, 3));
    const CliResult down =
        RunCli({"--ca-file", server.CaFile(), "download", server.Url("/a.bin", "ftps"), local / "back/"});
    ASSERT_EQ(down.status, 0) << down.err;
    EXPECT_EQ(ReadFile(local / "back/a.bin"), RandomBytes(70000, 3));
}

}  // namespace
}  // namespace velmora::test
