// parcelo-cli over SFTP against OpenSSH's sshd on loopback: sftp:// addresses
// in the commands, the host key refused or pinned, a key file, a saved
// connection and a scheduled order. sshd needs root; where it cannot run
// the tests are skipped.

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli_runner.h"
#include "platform/clock.h"
#include "support/sftp_server.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

class CliSftpTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "sshd needs root";
        server = std::make_unique<SftpServer>("sshd");
        std::string reason;
        if (!server->Start(reason)) GTEST_SKIP() << reason;
        std::filesystem::create_directories(server->Home("site"));
        server->Own();
        std::string shown;
        RunShell("ssh-keygen -l -f " + server->File("ssh/host_ed25519.pub"), &shown);
        const size_t start = shown.find("SHA256:");
        ASSERT_NE(start, std::string::npos) << shown;
        fingerprint = shown.substr(start, shown.find(' ', start) - start);
        // A user of the test's own: no known hosts, no agent, no keyring.
        env = {
            {"HOME", local / "home"}, {"XDG_DATA_HOME", local / "data"}, {"XDG_CONFIG_HOME", local / "config"},
            {"SSH_AUTH_SOCK", ""},    {"DBUS_SESSION_BUS_ADDRESS", ""},  {"PARCELO_PASSWORD", server->GetPassword()}};
    }

    std::string Url(const std::string& relative) const {
        return "sftp://" + server->GetUser() + "@127.0.0.1:" + std::to_string(server->GetPort()) +
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

TEST_F(CliSftpTest, ATreeGoesUpIsListedAndComesBackWithThePinnedHostKey) {
    WriteFile(local / "tree/a file.txt", "spaces");
    WriteFile(local / "tree/sub/Grüße.bin", RandomBytes(300000, 1));
    const CliResult up = Run({"upload", local / "tree", Url("site/"), "--fingerprint", fingerprint});
    ASSERT_EQ(up.status, 0) << up.err;
    std::string difference;
    EXPECT_TRUE(SameTree(local / "tree", server->Home("site/tree"), difference)) << difference;

    const CliResult listed = Run({"ls", Url("site/tree/"), "--fingerprint", fingerprint});
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.out.find("a file.txt"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("sub"), std::string::npos) << listed.out;

    const CliResult down = Run({"download", Url("site/tree/"), local / "down/", "--fingerprint", fingerprint});
    ASSERT_EQ(down.status, 0) << down.err;
    EXPECT_TRUE(SameTree(local / "tree", local / "down/tree", difference)) << difference;
}

// Running a transfer again over SFTP sends nothing that is there: the server
// opens no file for writing, and both ways the files count as unchanged.
TEST_F(CliSftpTest, ATransferRunAgainSendsNothingThatIsThere) {
    WriteFile(local / "tree/a.txt", "alpha");
    WriteFile(local / "tree/sub/b.bin", RandomBytes(70000, 2));
    ASSERT_EQ(Run({"upload", local / "tree", Url("site/"), "--fingerprint", fingerprint}).status, 0);
    const int writes = server->CountRequests("flags WRITE");
    const CliResult up = Run({"upload", local / "tree", Url("site/"), "--fingerprint", fingerprint});
    ASSERT_EQ(up.status, 0) << up.err;
    EXPECT_EQ(server->CountRequests("flags WRITE"), writes);
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
}

// No known host holds the key: nothing is offered to the server, and the
// refusal names the key and the option that trusts it.
TEST_F(CliSftpTest, AnUnknownHostKeyIsRefusedWithItsFingerprintAndTheOptionThatTrustsIt) {
    WriteFile(local / "a.txt", "a");
    const CliResult refused = Run({"upload", local / "a.txt", Url("site/")});
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.err.find("--fingerprint " + fingerprint), std::string::npos) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(server->Home("site/a.txt")));
    EXPECT_EQ(server->GetLog().find("Accepted"), std::string::npos);
}

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
