// The upload and download round trip against vsftpd and ProFTPD, started on
// loopback by tests/support/real_ftp_servers.sh. They need root; where a
// server cannot be started the test is skipped, not failed.

#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "ftp/remote_tree.h"
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
    uint16_t Port() const { return static_cast<uint16_t>(m_port); }

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

INSTANTIATE_TEST_SUITE_P(Servers, RealServerTest, ::testing::Values("vsftpd", "proftpd"));

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

    protocol::CFtpConnection ftp;
    ASSERT_TRUE(ftp.Connect("127.0.0.1", server.Port(), "parcelo-ftp", "secret", true)) << ftp.GetLastError();
    ASSERT_TRUE(ftp.GetCapabilities().mlsd);
    std::map<std::string, std::string> classic;
    std::map<std::string, std::string> machine;
    ListRemoteTree(ftp, false, "/in/tree/", classic);
    ListRemoteTree(ftp, true, "/in/tree/", machine);
    // This server's LIST leaves hidden names out; its MLSD does not.
    EXPECT_EQ(machine.erase("/in/tree/.hidden"), 1u);
    EXPECT_EQ(machine, classic);
    EXPECT_EQ(machine.size(), 6u);
}

}  // namespace
}  // namespace velmora::test
