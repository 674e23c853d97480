// The upload and download round trip against vsftpd and ProFTPD, started on
// loopback by tests/support/real_ftp_servers.sh. They need root; where a
// server cannot be started the test is skipped, not failed.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

// One server for one test; stopped with the object.
class RealServer {
public:
    explicit RealServer(const std::string& name) : m_name(name) {}
    ~RealServer() { RunProgram({REAL_SERVERS_SCRIPT, "stop", m_dir.path()}); }
    RealServer(const RealServer&) = delete;
    RealServer& operator=(const RealServer&) = delete;

    // False with the reason when the server cannot run here.
    bool Start(std::string& reason) {
        const CliResult started = RunProgram({REAL_SERVERS_SCRIPT, "start", m_name, m_dir.path()},
                                             {{"PARCELO_FTP_SERVERS_CACHE", REAL_SERVERS_CACHE}});
        if (started.status != 0 || !started.out.starts_with("READY ")) {
            reason = m_name + " is not available: " + started.err;
            return false;
        }
        std::istringstream ready(started.out.substr(6));
        ready >> m_port >> m_user;
        return true;
    }
    std::string Url(const std::string& path) const {
        return "ftp://" + m_user + ":secret@127.0.0.1:" + std::to_string(m_port) + path;
    }
    std::string Home(const std::string& path) const { return m_dir / ("home/" + path); }
    // Files the server received ("i") or sent ("o"), from its transfer log.
    int Transfers(char direction) const {
        const std::string vsftpd = direction == 'i' ? "OK UPLOAD:" : "OK DOWNLOAD:";
        const std::regex proftpd(std::string(" [ab] _ ") + direction + " ");
        int count = 0;
        for (const char* log : {"vsftpd.log", "xferlog"}) {
            std::ifstream in(m_dir / log);
            for (std::string line; std::getline(in, line);) {
                count += line.find(vsftpd) != std::string::npos || std::regex_search(line, proftpd);
            }
        }
        return count;
    }

private:
    std::string m_name;
    TempDir m_dir;
    int m_port = 0;
    std::string m_user;
};

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

INSTANTIATE_TEST_SUITE_P(Servers, RealServerTest, ::testing::Values("vsftpd", "proftpd"));

}  // namespace
}  // namespace velmora::test
