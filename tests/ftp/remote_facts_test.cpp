#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "ftp/protocol/ftp_connection.h"
#include "ftp/remote_facts.h"
#include "support/ftp_server.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using protocol::CFtpConnection;

constexpr int64_t kTime = 1577934245;

// A server lacking `without`, serving /in/info.bin (12,345 bytes, kTime).
struct Server {
    explicit Server(const std::string& without) : server({.commandLog = log / "commands", .without = without}) {}

    bool Start() {
        if (!server.Start()) return false;
        test::WriteFile(server.Path("in/info.bin"), std::string(12345, 'x'));
        fs::last_write_time(server.Path("in/info.bin"), fs::file_time_type::clock::from_sys(
                                                            std::chrono::sys_seconds(std::chrono::seconds(kTime))));
        return true;
    }
    bool StartAndConnect(CFtpConnection& ftp) {
        EXPECT_TRUE(Start()) << server.GetError();
        return server.IsRunning() &&
               ftp.Connect(server.GetHost(), server.GetPort(), server.GetUser(), server.GetPassword(), true);
    }

    test::TempDir log;
    test::FtpServer server;
};

TEST(RemoteFacts, SizeAndTimeComeFromWhatTheServerOffers) {
    struct Case {
        const char* without;
        const char* asked;  // the command that answers, and how often it is sent
        int times;
        const char* unasked;
    };
    for (const Case& c : {Case{"", "SIZE", 2, "MLST"}, Case{"SIZE,MDTM", "MLST", 3, "SIZE"}}) {
        SCOPED_TRACE(c.without);
        Server server(c.without);
        CFtpConnection ftp;
        ASSERT_TRUE(server.StartAndConnect(ftp)) << ftp.GetLastError();
        ASSERT_TRUE(ftp.SetCurrentDirectory("/in"));
        uint64_t size = 0;
        int64_t seconds = 0;
        EXPECT_TRUE(AskRemoteSize(ftp, "/in/info.bin", size)) << ftp.GetLastError();
        EXPECT_EQ(size, 12345u);
        EXPECT_TRUE(AskRemoteTime(ftp, "info.bin", seconds)) << ftp.GetLastError();
        EXPECT_EQ(seconds, kTime);
        // A missing file is no size; the session stays in its folder.
        EXPECT_FALSE(AskRemoteSize(ftp, "/in/none.bin", size));
        EXPECT_TRUE(ftp.IsConnected());
        EXPECT_TRUE(ftp.SetCurrentDirectory("/in"));
        EXPECT_EQ(server.server.Received(c.asked), c.times);
        EXPECT_EQ(server.server.Received(c.unasked), 0);
        EXPECT_EQ(server.server.Received("CWD"), 1);
    }
}

TEST(RemoteFacts, AServerThatCannotTellIsNotAsked) {
    Server server("SIZE,MDTM,MLST,MLSD");
    CFtpConnection ftp;
    ASSERT_TRUE(server.StartAndConnect(ftp)) << ftp.GetLastError();
    uint64_t size = 0;
    int64_t seconds = 0;
    EXPECT_FALSE(AskRemoteSize(ftp, "/in/info.bin", size));
    EXPECT_FALSE(AskRemoteTime(ftp, "/in/info.bin", seconds));
    for (const char* verb : {"SIZE", "MDTM", "MLST"}) EXPECT_EQ(server.server.Received(verb), 0) << verb;
}

TEST(RemoteFacts, AServerWithoutFeaturesIsAskedForTheSizeAnyway) {
    Server server("FEAT");
    CFtpConnection ftp;
    ASSERT_TRUE(server.StartAndConnect(ftp)) << ftp.GetLastError();
    uint64_t size = 0;
    EXPECT_TRUE(AskRemoteSize(ftp, "/in/info.bin", size));
    EXPECT_EQ(size, 12345u);
}

}  // namespace
}  // namespace velmora
