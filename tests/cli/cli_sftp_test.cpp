// parcelo-cli over SFTP against OpenSSH's sshd and ProFTPD's mod_sftp on
// loopback: sftp:// addresses in the commands, host keys unknown, known,
// changed or pinned, a cut mid-file, mirrors and several sessions; against
// sshd also a key file, a saved connection and a scheduled order. The
// servers need root; where they cannot run the tests are skipped.

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli_runner.h"
#include "platform/clock.h"
#include "support/sftp_server.h"
#include "support/stream_relay.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

class CliSftpTest : public ::testing::Test {
protected:
    void SetUp() override { Serve("sshd"); }

    void Serve(const std::string& kind) {
        if (geteuid() != 0) GTEST_SKIP() << kind << " needs root";
        server = std::make_unique<SftpServer>(kind, kind == "proftpd" ? "sftp" : "");
        std::string reason;
        if (!server->Start(reason)) GTEST_SKIP() << reason;
        std::filesystem::create_directories(server->Home("site"));
        server->Own();
        fingerprint = server->Fingerprint();
        ASSERT_FALSE(fingerprint.empty());
        // A user of the test's own: no known hosts, no agent, no keyring.
        env = {
            {"HOME", local / "home"}, {"XDG_DATA_HOME", local / "data"}, {"XDG_CONFIG_HOME", local / "config"},
            {"SSH_AUTH_SOCK", ""},    {"DBUS_SESSION_BUS_ADDRESS", ""},  {"PARCELO_PASSWORD", server->GetPassword()}};
    }

    // `port`: a relay's in front of the server.
    std::string Url(const std::string& relative, uint16_t port = 0) const {
        return "sftp://" + server->GetUser() + "@127.0.0.1:" + std::to_string(port ? port : server->GetPort()) +
               server->Remote(relative);
    }

    // parcelo-cli with the test's connection list and password store.
    CliResult Run(std::vector<std::string> arguments, const std::map<std::string, std::string>& extra = {}) const {
        arguments.insert(arguments.begin(),
                         {"--connections", local / "connections.xml", "--password-store", "file", "-q"});
        std::map<std::string, std::string> all = env;
        for (const auto& [name, value] : extra) all[name] = value;
        return RunCli(arguments, all);
    }

    TempDir local;
    std::unique_ptr<SftpServer> server;
    std::string fingerprint;
    std::map<std::string, std::string> env;
};

// The same commands against both servers.
class CliSftpServersTest : public CliSftpTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override { Serve(GetParam()); }
};

// Names with blanks and UTF-8, an empty file and one of many blocks go up
// over four sessions, are listed and come back the same.
TEST_P(CliSftpServersTest, ATreeGoesUpIsListedAndComesBackWithThePinnedHostKey) {
    WriteFile(local / "tree/a file.txt", "spaces");
    WriteFile(local / "tree/sub/Grüße.bin", RandomBytes(300000, 1));
    WriteFile(local / "tree/empty.dat", "");
    WriteFile(local / "tree/big/large.bin", RandomBytes(6 * 1024 * 1024 + 4321, 2));
    for (int i = 0; i < 12; ++i) WriteFile(local / ("tree/many/f" + std::to_string(i)), RandomBytes(1000 + i, i));
    const CliResult up = Run({"upload", local / "tree", Url("site/"), "--fingerprint", fingerprint, "--parallel", "4"});
    ASSERT_EQ(up.status, 0) << up.err;
    std::string difference;
    EXPECT_TRUE(SameTree(local / "tree", server->Home("site/tree"), difference)) << difference;
    // The pair's own session and the job's four.
    EXPECT_GE(server->Sessions(), 4);

    const CliResult listed = Run({"ls", Url("site/tree/"), "--fingerprint", fingerprint});
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.out.find("a file.txt"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("sub"), std::string::npos) << listed.out;

    const CliResult down =
        Run({"download", Url("site/tree/"), local / "down/", "--fingerprint", fingerprint, "--parallel", "4"});
    ASSERT_EQ(down.status, 0) << down.err;
    EXPECT_TRUE(SameTree(local / "tree", local / "down/tree", difference)) << difference;
}

// Running a transfer again over SFTP sends nothing that is there: the server
// takes no file in, and both ways the files count as unchanged. A mirror run
// again sends only what changed.
TEST_P(CliSftpServersTest, ATransferOrMirrorRunAgainSendsNothingThatIsThere) {
    WriteFile(local / "tree/a.txt", "alpha");
    WriteFile(local / "tree/sub/b.bin", RandomBytes(70000, 2));
    ASSERT_EQ(Run({"upload", local / "tree", Url("site/"), "--fingerprint", fingerprint}).status, 0);
    const int uploads = server->Uploads();
    ASSERT_EQ(uploads, 2);
    const CliResult up = Run({"upload", local / "tree", Url("site/"), "--fingerprint", fingerprint});
    ASSERT_EQ(up.status, 0) << up.err;
    EXPECT_EQ(server->Uploads(), uploads);
    EXPECT_FALSE(std::filesystem::exists(server->Home("site/tree/a(1).txt")));

    ASSERT_EQ(Run({"download", Url("site/tree/"), local / "back/", "--fingerprint", fingerprint}).status, 0);
    const auto written = std::filesystem::last_write_time(local / "back/tree/sub/b.bin");
    const CliResult down =
        Run({"download", Url("site/tree/"), local / "back/", "--fingerprint", fingerprint, "--json"});
    ASSERT_EQ(down.status, 0) << down.err;
    EXPECT_NE(down.out.find(R"("unchanged":2)"), std::string::npos) << down.out;
    EXPECT_EQ(std::filesystem::last_write_time(local / "back/tree/sub/b.bin"), written);
    std::string difference;
    EXPECT_TRUE(SameTree(local / "tree", local / "back/tree", difference)) << difference;

    ASSERT_EQ(Run({"mirror", local / "tree", Url("site/mirror/"), "--fingerprint", fingerprint}).status, 0);
    EXPECT_TRUE(SameTree(local / "tree", server->Home("site/mirror"), difference)) << difference;
    const int mirrored = server->Uploads();
    EXPECT_EQ(mirrored, uploads + 2);
    const CliResult again = Run({"mirror", local / "tree", Url("site/mirror/"), "--fingerprint", fingerprint});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(server->Uploads(), mirrored);
    WriteFile(local / "tree/a.txt", "alpha, changed");
    ASSERT_EQ(Run({"mirror", local / "tree", Url("site/mirror/"), "--fingerprint", fingerprint}).status, 0);
    EXPECT_EQ(server->Uploads(), mirrored + 1);
    EXPECT_EQ(ReadFile(server->Home("site/mirror/a.txt")), "alpha, changed");
}

// No known host holds the key: nothing is offered to the server, and the
// refusal names the key and the option that trusts it. A key the user's
// known_hosts holds is trusted without it; a different key for the same
// host and port is refused as a possible attack.
TEST_P(CliSftpServersTest, HostKeysUnknownKnownAndChanged) {
    WriteFile(local / "a.txt", "a");
    const CliResult refused = Run({"upload", local / "a.txt", Url("site/")});
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.err.find("--fingerprint " + fingerprint), std::string::npos) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(server->Home("site/a.txt")));
    EXPECT_FALSE(server->SawLoginAttempt()) << server->GetLog();

    WriteFile(local / "home/.ssh/known_hosts", server->KnownHostsLine() + "\n");
    const CliResult known = Run({"upload", local / "a.txt", Url("site/")});
    ASSERT_EQ(known.status, 0) << known.err;
    EXPECT_EQ(ReadFile(server->Home("site/a.txt")), "a");

    // Another key of the same type, as a server in the middle would show.
    const std::string type = server->KnownHostsLine().find("ssh-ed25519") != std::string::npos ? "ed25519" : "ecdsa";
    ASSERT_EQ(RunShell("ssh-keygen -q -t " + type + " -N '' -f '" + (local / "other") + "'"), 0);
    WriteFile(local / "home/.ssh/known_hosts", server->KnownHostsLine(local / "other.pub") + "\n");
    WriteFile(local / "b.txt", "b");
    const CliResult changed = Run({"upload", local / "b.txt", Url("site/")});
    EXPECT_NE(changed.status, 0);
    EXPECT_NE(changed.err.find("HAS CHANGED"), std::string::npos) << changed.err;
    EXPECT_FALSE(std::filesystem::exists(server->Home("site/b.txt")));
}

// A download cut mid-file is taken up where it broke: the server's last
// reading of the file moved only the bytes after the offset. (sshd logs no
// reading its connection's end cut short; ProFTPD logs both.) What the
// client had not yet read when the connection was reset is lost with it (up
// to the channel's window of 4 MiB), so the cut comes after 8 MiB of 16.
TEST_P(CliSftpServersTest, ACutMidFileIsContinuedAtItsOffset) {
    const std::string data = RandomBytes(16 * 1024 * 1024, 3);
    WriteFile(server->Home("site/cut.bin"), data);
    server->Own();
    StreamRelay relay(server->GetPort(), {.resetAfterBytes = 8 * 1024 * 1024});
    ASSERT_TRUE(relay.Start());
    const CliResult down =
        Run({"download", Url("site/cut.bin", relay.GetPort()), local / "down/", "--fingerprint", fingerprint});
    ASSERT_EQ(down.status, 0) << down.err;
    EXPECT_TRUE(ReadFile(local / "down/cut.bin") == data) << "different contents";
    const std::vector<uint64_t> readings = server->Readings(server->Remote("site/cut.bin"));
    ASSERT_FALSE(readings.empty());
    EXPECT_GT(readings.back(), 0u);
    EXPECT_LT(readings.back(), data.size() - 2 * 1024 * 1024);
}

INSTANTIATE_TEST_SUITE_P(Servers, CliSftpServersTest, ::testing::Values("sshd", "proftpd"));

// A key file logs in without any password, and a saved connection keeps
// the protocol, the key file and the pinned host key for later commands
// and for a schedule, which runs its order over SFTP.
TEST_F(CliSftpTest, AKeyFileAndASavedConnectionServeCommandsAndASchedule) {
    const std::string key = server->File("ssh/client_ed25519");
    WriteFile(local / "out/report.csv", "1,2,3");
    const std::map<std::string, std::string> noPassword = {{"PARCELO_PASSWORD", ""}};
    const CliResult up =
        Run({"upload", local / "out/report.csv", Url("site/"), "--fingerprint", fingerprint, "--identity", key},
            noPassword);
    ASSERT_EQ(up.status, 0) << up.err;
    EXPECT_EQ(ReadFile(server->Home("site/report.csv")), "1,2,3");

    ASSERT_EQ(
        Run({"connections", "add", "box", Url("site/"), "--fingerprint", fingerprint, "--identity", key}, noPassword)
            .status,
        0);
    const CliResult shown = Run({"connections", "show", "box"});
    EXPECT_NE(shown.out.find("'SFTP'"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find(fingerprint), std::string::npos) << shown.out;
    const CliResult listed = Run({"ls", "box:"}, noPassword);
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.out.find("report.csv"), std::string::npos) << listed.out;

    const std::string db = local / "jobs.db";
    ASSERT_EQ(Run({"db", "init", "--db", db}).status, 0);
    const std::string start = platform::FormatLocalTime(platform::Now(), "%Y-%m-%d 00:00");
    const CliResult added = Run({"schedule", "add", "--db", db, "--name", "n", "--repeat", "daily", "--start", start,
                                 "--from", local / "out", "--to", "box:" + server->Remote("site/backup/")},
                                noPassword);
    ASSERT_EQ(added.status, 0) << added.err;
    const CliResult run = Run({"scheduler", "--db", db, "--once"}, noPassword);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(server->Home("site/backup/out/report.csv")), "1,2,3");
}

}  // namespace
}  // namespace velmora::test
