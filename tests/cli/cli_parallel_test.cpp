// parcelo-cli --parallel: transfers over several sessions to the server.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "support/ftp_server.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

class CliParallelTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.Start()) << server.GetError(); }

    std::string Url(const std::string& path) const {
        return "ftp://" + server.GetUser() + ":" + server.GetPassword() + "@" + server.GetHost() + ":" +
               std::to_string(server.GetPort()) + path;
    }

    // How many sessions (client ports) sent `command`: a session that only
    // looks at the destination does not count.
    int SessionsThatSent(const std::string& command) const {
        std::ifstream log(logs / "commands.log");
        std::set<std::string> sessions;
        for (std::string line; std::getline(log, line);)
            if (line.find("<- " + command + " ") != std::string::npos) sessions.insert(line.substr(0, line.find('-')));
        return static_cast<int>(sessions.size());
    }

    // Small files in a few folders: enough for every session to get some.
    std::string MakeTree() {
        const std::string root = local / "tree";
        for (int i = 0; i < 60; ++i)
            WriteFile(root + "/d" + std::to_string(i % 4) + "/f" + std::to_string(i) + ".txt",
                      RandomBytes(100 + 50 * i, i));
        return root;
    }

    TempDir logs;
    TempDir local;
    FtpServer server{{.commandLog = logs / "commands.log"}};
};

TEST_F(CliParallelTest, TransfersOpenTheChosenNumberOfSessionsFourUnlessTold) {
    const std::string tree = MakeTree();
    // --overwrite: the transfer sessions alone (keeping the server's files
    // takes one more session, which looks up the names there).
    const CliResult up = RunCli({"--tls", "off", "--parallel", "3", "upload", "--overwrite", tree, Url("/in/")});
    ASSERT_EQ(up.status, 0) << up.err;
    EXPECT_NE(up.err.find("60 files"), std::string::npos) << up.err;
    EXPECT_EQ(SessionsThatSent("STOR"), 3);
    std::string difference;
    EXPECT_TRUE(SameTree(tree, server.Path("in/tree"), difference)) << difference;

    const CliResult down = RunCli({"--tls", "off", "download", Url("/in/tree/"), local / "back"});
    ASSERT_EQ(down.status, 0) << down.err;
    EXPECT_EQ(SessionsThatSent("RETR"), 4);
    EXPECT_TRUE(SameTree(tree, local / "back/tree", difference)) << difference;

    const int logins = server.Received("USER");
    const CliResult one = RunCli({"--tls", "off", "download", Url("/in/tree/"), local / "one", "--parallel", "1"});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(server.Received("USER"), logins + 1);
}

// Under several sessions the first error names the file it happened to, not
// the file another session was at meanwhile.
TEST_F(CliParallelTest, TheFirstErrorNamesItsOwnFileWhicheverSessionMetIt) {
    const std::string tree = MakeTree();
    std::filesystem::create_directories(server.Path("in/tree/d2/f10.txt"));
    const CliResult up = RunCli({"--tls", "off", "upload", "--overwrite", tree, Url("/in/")});
    EXPECT_EQ(up.status, 1);
    const size_t error = up.err.find("parcelo-cli: Copy file error");
    ASSERT_NE(error, std::string::npos) << up.err;
    const std::string line = up.err.substr(error, up.err.find('\n', error) - error);
    EXPECT_NE(line.find("f10.txt"), std::string::npos) << line;
    for (int other = 0; other < 60; ++other) {
        if (other == 10) continue;
        EXPECT_EQ(line.find("/f" + std::to_string(other) + ".txt"), std::string::npos) << line;
    }
}

// A server that allows two sessions per user: an upload with --rename keeps
// the server's files (one session looks up free names) and sends over the
// other.
TEST(CliLimitedServerTest, AnUploadWithRenameKeepsTheServersFilesWithTwoSessionsAllowed) {
    TempDir local;
    FtpServer server{{.maxSessionsPerAddress = 2}};
    ASSERT_TRUE(server.Start()) << server.GetError();
    WriteFile(server.Path("in/d0/f0.txt"), "already there");
    const std::string tree = local / "d0";
    for (int i = 0; i < 12; ++i) WriteFile(tree + "/f" + std::to_string(i) + ".txt", RandomBytes(200 + i, i));
    const std::string url = "ftp://" + server.GetUser() + ":" + server.GetPassword() + "@" + server.GetHost() + ":" +
                            std::to_string(server.GetPort()) + "/in/";

    const CliResult up = RunCli({"--tls", "off", "upload", "--rename", tree, url});
    ASSERT_EQ(up.status, 0) << up.err;
    EXPECT_EQ(ReadFile(server.Path("in/d0/f0.txt")), "already there");
    EXPECT_EQ(ReadFile(server.Path("in/d0/f0(1).txt")), RandomBytes(200, 0));
    EXPECT_EQ(ReadFile(server.Path("in/d0/f11.txt")), RandomBytes(211, 11));
}

// --limit-rate holds for the job as a whole: two files of 256 KiB over two
// sessions at 1 MiB/s take half a second at least, as one such file of
// 512 KiB would (each session alone at the rate would take a quarter).
TEST_F(CliParallelTest, ALimitedRateHoldsForTheWholeJobAcrossItsSessions) {
    for (const char* rate : {"5x", "-1", "1.5.0M"}) {
        const CliResult bad = RunCli({"upload", local / "none", Url("/in/"), "--limit-rate", rate});
        EXPECT_EQ(bad.status, 2) << rate << ": " << bad.err;
        EXPECT_NE(bad.err.find("--limit-rate"), std::string::npos) << bad.err;
    }
    WriteFile(local / "two/a.bin", RandomBytes(256 * 1024, 1));
    WriteFile(local / "two/b.bin", RandomBytes(256 * 1024, 2));
    const auto start = std::chrono::steady_clock::now();
    const CliResult up =
        RunCli({"--tls", "off", "upload", local / "two", Url("/in/"), "--parallel", "2", "--limit-rate", "1M"});
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(up.status, 0) << up.err;
    std::string difference;
    EXPECT_TRUE(SameTree(local / "two", server.Path("in/two"), difference)) << difference;
    EXPECT_GE(took, std::chrono::milliseconds(450));
}

TEST_F(CliParallelTest, ANumberOutsideOneToSixteenIsAUsageError) {
    WriteFile(local / "a.txt", "a");
    for (const char* number : {"0", "17", "many"}) {
        const CliResult up = RunCli({"upload", local / "a.txt", Url("/in/"), "--parallel", number});
        EXPECT_EQ(up.status, 2) << number << ": " << up.err;
        EXPECT_NE(up.err.find("--parallel"), std::string::npos) << up.err;
    }
    EXPECT_EQ(server.Received("USER"), 0);
}

}  // namespace
}  // namespace velmora::test
