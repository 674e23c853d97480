#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ftp/ftp_file.h"
#include "messaging/msg.h"
#include "messaging/msg_box.h"
#include "messaging/msg_send.h"
#include "support/fake_ftp_server.h"
#include "support/ftp_server.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

// Hears the progress of the remote file; can ask for a cancel at the first
// position it hears.
class ProgressListener : public CListener {
public:
    explicit ProgressListener(bool cancel) : m_cancel(cancel) { CMsgBox::Box().Subscribe("ProgressListener", this); }
    ~ProgressListener() override { CMsgBox::Box().Unsubscribe(this); }

    void OnMsg(CMsg& msg) override {
        if (msg.Cmd() != MSG_PROGRESS || msg.Unit() != PROGRESS_UNIT_FTP_FILE) return;
        if (msg.SubCmd() == MSG_PROGRESS_RANGE) upper = msg.LLArgv();
        if (msg.SubCmd() == MSG_PROGRESS_START) ++starts;
        if (msg.SubCmd() == MSG_PROGRESS_FINISH) ++finishes;
        if (msg.SubCmd() != MSG_PROGRESS_POS) return;
        position = msg.LLArgc();
        ++positions;
        if (m_cancel) CMsgSend(MSG_CANCEL, 1, 0, 0);
    }

    int64_t upper = -1;
    int64_t position = -1;
    int positions = 0;
    int starts = 0;
    int finishes = 0;

private:
    bool m_cancel;
};

class FtpFileTest : public test::FtpServerTest {
protected:
    void SetUp() override {
        FtpServerTest::SetUp();
        WriteFile(server.Path("pub/big.bin"), bytes);
        fs::create_directories(server.Path("pub/sub"));
        ASSERT_TRUE(file.Login(server.GetHost(), server.GetUser(), server.GetPassword(), server.GetPort()))
            << file.GetStrError();
        CMsgBox::Box().Subscribe("CFtpFile", &file);
    }

    const std::string bytes = test::RandomBytes(3 * CFtpFile::kBlockSize + 100);
    test::TempDir local;
    CFtpFile file;
};

TEST_F(FtpFileTest, DownloadsAFileWithProgress) {
    ProgressListener progress(false);
    const CFtpPath target(local / "big.bin");
    ASSERT_TRUE(file.Download(CFtpPath("/pub/big.bin"), target)) << file.GetStrError();
    EXPECT_EQ(ReadFile(target.GetPath()), bytes);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(progress.upper, static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(progress.position, static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(progress.positions, 4);
    EXPECT_EQ(progress.starts, 1);
    EXPECT_EQ(progress.finishes, 1);
}

TEST_F(FtpFileTest, ACancelBroadcastStopsTheDownloadAndKeepsThePart) {
    {
        ProgressListener canceller(true);
        const CFtpPath partial(local / "partial.bin");
        EXPECT_FALSE(file.Download(CFtpPath("/pub/big.bin"), partial));
        EXPECT_EQ(file.GetStrError(), "Ftp: Aborted by user");
        EXPECT_EQ(fs::file_size(partial.GetPath()), CFtpFile::kBlockSize);
        EXPECT_EQ(canceller.finishes, 1);
    }
    // The connection stays usable and a new download starts uncancelled.
    const CFtpPath whole(local / "whole.bin");
    ASSERT_TRUE(file.Download(CFtpPath("/pub/big.bin"), whole)) << file.GetStrError();
    EXPECT_EQ(ReadFile(whole.GetPath()), bytes);
}

TEST_F(FtpFileTest, OpenFindsOnlyFiles) {
    EXPECT_FALSE(file.Open("/pub/sub"));
    EXPECT_EQ(file.GetStrError(), "Ftp: Unable to find remote Ftp file: /pub/sub");
    EXPECT_FALSE(file.Open("/pub/missing.bin"));
    ASSERT_TRUE(file.Open("/pub/big.bin")) << file.GetStrError();
    EXPECT_EQ(file.GetLength(), bytes.size());
    EXPECT_FALSE(file.Download(CFtpPath(local / "no/such/folder/x.bin")));
    EXPECT_EQ(file.GetStrError().rfind("Ftp: Unable to open target file: ", 0), 0u) << file.GetStrError();

    CFtpFile idle;
    EXPECT_FALSE(idle.Open("/pub/big.bin"));
    EXPECT_EQ(idle.GetStrError(), "Ftp: Ftp is not connected");
    EXPECT_FALSE(idle.Login("127.0.0.1", "alice", "wrong", server.GetPort()));
    EXPECT_EQ(idle.GetStrError(), "Ftp: Unable to get ftp connection");
}

// Lines of either ending, one longer than a block, and a last line without
// an ending; a Read after ReadString goes on where the line left off.
TEST_F(FtpFileTest, ReadStringAnswersLineByLineAndReadGoesOnAfterIt) {
    const std::string longLine(CFtpFile::kBlockSize + 10, 'x');
    WriteFile(server.Path("pub/lines.txt"), "one\r\ntwo\n\n" + longLine + "\nlast");
    ASSERT_TRUE(file.Open("/pub/lines.txt")) << file.GetStrError();
    std::string line;
    std::vector<std::string> lines;
    while (file.ReadString(line)) lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "", longLine, "last"}));
    EXPECT_FALSE(file.ReadString(line));

    ASSERT_TRUE(file.Open("/pub/lines.txt"));
    ASSERT_TRUE(file.ReadString(line));
    char rest[8] = {};
    EXPECT_EQ(file.Read(rest, 4), 4u);
    EXPECT_EQ(std::string(rest, 4), "two\n");
}

// This server offers no hash: a required check refuses the file before a
// byte moves; otherwise a file read whole is confirmed at Close.
TEST_F(FtpFileTest, ARequiredCheckRefusesAServerWithoutHashes) {
    file.SetVerify(EVerify::Require);
    EXPECT_FALSE(file.Download(CFtpPath("/pub/big.bin"), CFtpPath(local / "big.bin")));
    EXPECT_EQ(file.GetStrError().rfind("Ftp: Cannot verify /pub/big.bin: ftp://127.0.0.1:", 0), 0u)
        << file.GetStrError();
    EXPECT_FALSE(fs::exists(local / "big.bin"));
    EXPECT_FALSE(file.IsOpen());

    file.SetVerify(EVerify::Auto);
    ASSERT_TRUE(file.Open("/pub/big.bin")) << file.GetStrError();
    std::string whole(bytes.size() + 1, '\0');
    size_t read = 0;
    for (size_t got = 1; got > 0; read += got) got = file.Read(whole.data() + read, whole.size() - read);
    EXPECT_EQ(read, bytes.size());
    EXPECT_TRUE(file.Close()) << file.GetStrError();
}

// The listing says 300,000 bytes; the server sends half and confirms.
TEST(FtpFileShortServer, ADownloadShorterThanItsListingFails) {
    test::FakeFtpServer fake([](test::FakeFtpSession& s) {
        s.Login();
        while (auto command = s.ReadCommand()) {
            const bool listing = command->rfind("LIST", 0) == 0;
            if (command->rfind("PWD", 0) == 0) {
                s.Reply("257 \"/\" is current");
            } else if (command->rfind("EPSV", 0) == 0) {
                s.Reply("229 Entering Extended Passive Mode (|||" + std::to_string(s.ListenForData()) + "|)");
            } else if (listing || command->rfind("RETR", 0) == 0) {
                s.Reply("150 Here it comes");
                if (s.AcceptData())
                    s.SendData(listing ? "-rw-r--r-- 1 u g 300000 Jan 01  2020 big.bin\r\n" : std::string(150000, 'b'));
                s.CloseData();
                s.Reply("226 Transfer complete");
            } else if (command->rfind("QUIT", 0) == 0) {
                s.Reply("221 bye");
                return;
            } else {
                s.Reply("250 ok");
            }
        }
    });
    CFtpFile file;
    ASSERT_TRUE(file.Login("127.0.0.1", "u", "p", fake.GetPort())) << file.GetStrError();
    test::TempDir local;
    EXPECT_FALSE(file.Download(CFtpPath("/pub/big.bin"), CFtpPath(local / "big.bin")));
    EXPECT_EQ(file.GetStrError(), "Ftp: Transfer incomplete: 150000 of 300000 bytes received");
}

}  // namespace
}  // namespace velmora
