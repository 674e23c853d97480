#include <gtest/gtest.h>

#include <filesystem>

#include "ftp_test_helpers.h"
#include "support/ftp_server.h"
#include "support/temp_dir.h"

namespace velmora::protocol {
namespace {

using test::FtpServer;
using test::ReadFile;
using test::WriteFile;
namespace fs = std::filesystem;

class FtpConnectionTest : public test::FtpServerTest {
protected:
    bool Connect(CFtpConnection& ftp, bool passive = true) {
        return ftp.Connect(server.GetHost(), server.GetPort(), server.GetUser(), server.GetPassword(), passive);
    }
};

TEST_F(FtpConnectionTest, LoginAcceptsTheRightPasswordAndRefusesAWrongOne) {
    CFtpConnection ftp;
    ASSERT_TRUE(Connect(ftp)) << ftp.GetLastError();
    std::string folder;
    EXPECT_TRUE(ftp.GetCurrentDirectory(folder));
    EXPECT_EQ(folder, "/");
    EXPECT_EQ(ftp.GetLastReplyCode(), 257);

    CFtpConnection refused;
    EXPECT_FALSE(refused.Connect(server.GetHost(), server.GetPort(), server.GetUser(), "wrong", true));
    EXPECT_FALSE(refused.IsConnected());
    EXPECT_EQ(refused.GetLastErrorCode(), EFtpError::LoginRefused);
    EXPECT_FALSE(IsTransient(refused.GetLastErrorCode()));
    EXPECT_EQ(refused.GetLastError().substr(0, 3), "530");
    EXPECT_EQ(refused.GetLastResponse().substr(0, 3), "530");
}

TEST_F(FtpConnectionTest, AServerThatIsGoneIsATransientFailure) {
    const uint16_t port = server.GetPort();
    server.Stop();
    CFtpOptions options;
    options.connectRetries = 1;
    CFtpConnection ftp(options);
    EXPECT_FALSE(ftp.Connect("127.0.0.1", port, "alice", "secret", true));
    EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::Connect);
    EXPECT_TRUE(IsTransient(ftp.GetLastErrorCode()));
    EXPECT_NE(ftp.GetLastError().find("refused"), std::string::npos) << ftp.GetLastError();
}

TEST_F(FtpConnectionTest, FolderCommandsChangeTheServersFiles) {
    CFtpConnection ftp;
    ASSERT_TRUE(Connect(ftp));
    EXPECT_TRUE(ftp.CreateDirectory("/docs"));
    EXPECT_TRUE(ftp.CreateDirectory("/docs/with \"quotes\""));
    EXPECT_TRUE(ftp.SetCurrentDirectory("/docs/with \"quotes\""));
    std::string folder;
    EXPECT_TRUE(ftp.GetCurrentDirectory(folder));
    EXPECT_EQ(folder, "/docs/with \"quotes\"");

    ASSERT_TRUE(Upload(ftp, "a.txt", "hello"));
    EXPECT_EQ(ReadFile(server.Path("docs/with \"quotes\"/a.txt")), "hello");
    EXPECT_TRUE(ftp.Rename("a.txt", "/docs/b.txt"));
    EXPECT_TRUE(fs::exists(server.Path("docs/b.txt")));
    EXPECT_TRUE(ftp.DeleteFile("/docs/b.txt"));
    EXPECT_FALSE(fs::exists(server.Path("docs/b.txt")));
    EXPECT_TRUE(ftp.SetCurrentDirectory("/"));
    EXPECT_TRUE(ftp.RemoveDirectory("/docs/with \"quotes\""));
    EXPECT_TRUE(ftp.RemoveDirectory("docs"));
    EXPECT_FALSE(fs::exists(server.Path("docs")));

    // Refusals carry the server's reply and leave the connection usable.
    EXPECT_FALSE(ftp.SetCurrentDirectory("/missing"));
    EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::Refused);
    EXPECT_EQ(ftp.GetLastError().substr(0, 3), "550");
    EXPECT_FALSE(ftp.Rename("/missing", "/other"));
    EXPECT_FALSE(ftp.RemoveDirectory("/missing"));
    EXPECT_TRUE(ftp.IsConnected());
    EXPECT_TRUE(ftp.CreateDirectory("/after"));
}

TEST_F(FtpConnectionTest, FileInformationCommands) {
    WriteFile(server.Path("info.bin"), std::string(12345, 'x'));
    fs::last_write_time(server.Path("info.bin"), fs::file_time_type::clock::from_sys(
                                                     std::chrono::sys_seconds(std::chrono::seconds(1577934245))));
    CFtpConnection ftp;
    ASSERT_TRUE(Connect(ftp));
    uint64_t size = 0;
    EXPECT_TRUE(ftp.GetFileSize("info.bin", size));
    EXPECT_EQ(size, 12345u);
    int64_t seconds = 0;
    EXPECT_TRUE(ftp.GetModificationTime("info.bin", seconds));
    EXPECT_EQ(seconds, 1577934245);
    std::string system;
    EXPECT_TRUE(ftp.GetSystemType(system));
    EXPECT_EQ(system, "UNIX Type: L8");
    EXPECT_TRUE(ftp.Command("NOOP"));
    EXPECT_FALSE(ftp.Command("NO-SUCH-COMMAND"));
    EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::Refused);
}

// Names come from users and servers: a line end must not smuggle in a command.
TEST_F(FtpConnectionTest, NamesWithLineEndsAreNotSent) {
    WriteFile(server.Path("keep.txt"), "k");
    CFtpConnection ftp;
    ASSERT_TRUE(Connect(ftp));
    EXPECT_FALSE(ftp.DeleteFile("x\r\nDELE keep.txt"));
    EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::Usage);
    EXPECT_FALSE(ftp.Rename("keep.txt", "y\nDELE keep.txt"));
    EXPECT_EQ(ftp.OpenFile(std::string("a\0b", 3), EFtpAccess::Write), nullptr);
    EXPECT_TRUE(fs::exists(server.Path("keep.txt")));
    EXPECT_TRUE(ftp.Command("NOOP"));
}

class FtpTransferTest : public FtpConnectionTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FtpTransferTest, FilesTravelByteForByteInBothDirections) {
    CFtpConnection ftp;
    ASSERT_TRUE(Connect(ftp, GetParam())) << ftp.GetLastError();
    for (size_t size : {size_t{0}, size_t{1}, kBlock, kBlock + 1, size_t{3} << 20}) {
        SCOPED_TRACE(size);
        const std::string bytes = test::RandomBytes(size, static_cast<unsigned>(size));
        const std::string name = "f" + std::to_string(size) + ".bin";
        ASSERT_TRUE(Upload(ftp, name, bytes)) << ftp.GetLastError();
        EXPECT_TRUE(ReadFile(server.Path(name)) == bytes);
        const auto back = Download(ftp, name);
        ASSERT_TRUE(back.has_value()) << ftp.GetLastError();
        EXPECT_TRUE(*back == bytes);
    }
    auto append = ftp.OpenFile("f1.bin", EFtpAccess::Append);
    ASSERT_TRUE(append);
    EXPECT_TRUE(append->Write("zz", 2));
    EXPECT_TRUE(append->Close());
    EXPECT_EQ(ReadFile(server.Path("f1.bin")).size(), 3u);
}

TEST_P(FtpTransferTest, ListingComesThroughADataStream) {
    WriteFile(server.Path("dir/one.txt"), "1");
    WriteFile(server.Path("dir/sub/two.txt"), "22");
    CFtpConnection ftp;
    ASSERT_TRUE(Connect(ftp, GetParam()));
    ASSERT_TRUE(ftp.SetCurrentDirectory("/dir"));
    auto listing = ftp.OpenCommand("LIST");
    ASSERT_TRUE(listing) << ftp.GetLastError();
    std::string text;
    ASSERT_TRUE(listing->ReadAll(text, 1 << 20)) << listing->GetLastError();
    EXPECT_NE(text.find("one.txt\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("sub\r\n"), std::string::npos) << text;

    // An empty folder lists nothing and still completes.
    ASSERT_TRUE(ftp.CreateDirectory("/empty"));
    ASSERT_TRUE(ftp.SetCurrentDirectory("/empty"));
    text.clear();
    listing = ftp.OpenCommand("LIST");
    ASSERT_TRUE(listing);
    EXPECT_TRUE(listing->ReadAll(text, 1 << 20));
    EXPECT_EQ(text, "");
}

INSTANTIATE_TEST_SUITE_P(PassiveAndActive, FtpTransferTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Passive" : "Active"; });

TEST_F(FtpConnectionTest, AStreamClosedEarlyLeavesTheConnectionUsable) {
    const std::string bytes = test::RandomBytes(8 << 20);
    WriteFile(server.Path("big.bin"), bytes);
    CFtpConnection ftp;
    ASSERT_TRUE(Connect(ftp));
    {
        auto stream = ftp.OpenFile("big.bin", EFtpAccess::Read);
        ASSERT_TRUE(stream);
        // Only one transfer at a time: the control connection is busy.
        std::string folder;
        EXPECT_FALSE(ftp.GetCurrentDirectory(folder));
        EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::Usage);
        std::string block(kBlock, '\0');
        size_t received = 0;
        ASSERT_TRUE(stream->Read(block.data(), block.size(), received));
        EXPECT_GT(received, 0u);
        EXPECT_FALSE(stream->Close());  // the file was not read to its end
        EXPECT_FALSE(stream->IsOpen());
    }
    EXPECT_TRUE(ftp.IsConnected());
    const auto whole = Download(ftp, "big.bin");
    ASSERT_TRUE(whole.has_value()) << ftp.GetLastError();
    EXPECT_TRUE(*whole == bytes);

    // A cancelled upload keeps what was sent so far; the connection goes on.
    {
        auto upload = ftp.OpenFile("partial.bin", EFtpAccess::Write);
        ASSERT_TRUE(upload);
        ASSERT_TRUE(upload->Write(bytes.data(), kBlock));
        upload->Abort();
        EXPECT_EQ(upload->GetLastError(), "Transfer aborted");
    }
    EXPECT_TRUE(fs::exists(server.Path("partial.bin")));
    EXPECT_LE(fs::file_size(server.Path("partial.bin")), kBlock);
    // A stream dropped without Close is aborted by its destructor.
    ftp.OpenFile("big.bin", EFtpAccess::Read).reset();
    EXPECT_TRUE(ftp.Command("NOOP")) << ftp.GetLastError();

    // Closing the connection under an open stream cuts the stream off safely.
    auto orphan = ftp.OpenFile("big.bin", EFtpAccess::Read);
    ASSERT_TRUE(orphan);
    ftp.Close();
    EXPECT_FALSE(orphan->IsOpen());
    char block[16];
    size_t received = 0;
    EXPECT_FALSE(orphan->Read(block, sizeof block, received));
    EXPECT_FALSE(orphan->Close());
}

TEST_F(FtpConnectionTest, AMissingFileCannotBeOpened) {
    CFtpConnection ftp;
    ASSERT_TRUE(Connect(ftp));
    EXPECT_EQ(ftp.OpenFile("missing.bin", EFtpAccess::Read), nullptr);
    EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::Refused);
    EXPECT_EQ(ftp.GetLastError().substr(0, 3), "550");
    EXPECT_TRUE(ftp.Command("NOOP"));
}

TEST(FtpConnectionIPv6, TransfersOverTheIPv6Loopback) {
    if (!FtpServer::HasIPv6Loopback()) GTEST_SKIP() << "no IPv6 loopback on this machine";
    FtpServer server({.host = "::1"});
    ASSERT_TRUE(server.Start()) << server.GetError();
    for (bool passive : {true, false}) {
        CFtpConnection ftp;
        ASSERT_TRUE(ftp.Connect("::1", server.GetPort(), server.GetUser(), server.GetPassword(), passive))
            << ftp.GetLastError();
        const std::string bytes = test::RandomBytes(kBlock + 7);
        ASSERT_TRUE(Upload(ftp, "six.bin", bytes)) << ftp.GetLastError();
        const auto back = Download(ftp, "six.bin");
        ASSERT_TRUE(back.has_value()) << ftp.GetLastError();
        EXPECT_TRUE(*back == bytes);
    }
}

}  // namespace
}  // namespace velmora::protocol
