#include "ftp/ftp_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "base/format.h"
#include "messaging/log_status.h"
#include "messaging/msg.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "support/fake_ftp_server.h"
#include "support/ftp_server.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using test::FakeFtpServer;
using test::FakeFtpSession;
using test::RandomBytes;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// Hears what a client sends: progress commands, log records, and answers
// the n-th cancel query with 1 when asked to.
class CRecorder : public CListener {
public:
    struct Progress {
        int cmd;
        int argc;
        int argv;
    };

    CRecorder() { CMsgBox::Box().Subscribe("FtpClientTestRecorder", this); }
    ~CRecorder() override { CMsgBox::Box().Unsubscribe(this); }

    void OnMsg(CMsg& msg) override {
        if (msg.Cmd() == MSG_LOG_RECORD) {
            if (const auto* record = dynamic_cast<const CLogStatus*>(msg.Object())) records.push_back(*record);
            return;
        }
        if (msg.Cmd() < MSG_PROGRESS_START || msg.Cmd() > MSG_PROGRESS_CHECK_CANCEL) return;
        if (msg.Cmd() == MSG_PROGRESS_CHECK_CANCEL && ++cancelQueries == cancelAt) msg.Result(1);
        if (msg.Cmd() == MSG_PROGRESS_CAPTION) captions.push_back(msg.StrArgc());
        progress.push_back({msg.Cmd(), msg.Argc(), msg.Argv()});
    }

    std::vector<std::string> Texts(const std::string& action) const {
        std::vector<std::string> texts;
        for (const CLogStatus& record : records) {
            if (record.GetAction() == action) texts.push_back(record.GetText());
        }
        return texts;
    }
    std::vector<std::string> captions;
    std::vector<Progress> Commands(int cmd) const {
        std::vector<Progress> found;
        std::copy_if(progress.begin(), progress.end(), std::back_inserter(found),
                     [cmd](const Progress& p) { return p.cmd == cmd; });
        return found;
    }
    void Reset() {
        records.clear();
        progress.clear();
        cancelQueries = 0;
    }

    std::vector<CLogStatus> records;
    std::vector<Progress> progress;
    int cancelAt = 0;  // 0: never cancel
    int cancelQueries = 0;
};

CSessionOptions ShortTimeouts() {
    CSessionOptions options;
    options.connectTimeoutMs = 2000;
    options.sendTimeoutMs = 2000;
    options.receiveTimeoutMs = 300;
    options.connectRetries = 1;
    return options;
}

class FtpClientTest : public test::FtpServerTest {
protected:
    CFtpLoginInfo Info(const std::string& password) const {
        CFtpLoginInfo info;
        info.SetHost(server.GetHost());
        info.SetPort(server.GetPort());
        info.SetLoginName(server.GetUser());
        info.SetPassword(password);
        info.SetCurAttempt(1);
        return info;
    }
    void LogIn() {
        ASSERT_TRUE(client.Login(Info(server.GetPassword()))) << client.GetStrError();
        recorder.Reset();
    }
    bool IsServerFolder(const std::string& remote) const {
        return std::filesystem::is_directory(server.Path(remote));
    }

    CRecorder recorder;
    CFtpClient client;
    TempDir local;
};

TEST_F(FtpClientTest, LoginLogoffAndTheirRecords) {
    const int depth = CLogStatus::GetDepth();
    EXPECT_FALSE(client.Login(Info("wrong")));
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(client.GetStrError().rfind("Ftp: 530", 0), 0u) << client.GetStrError();
    EXPECT_EQ(client.GetLoginError(), ERemoteError::LoginRefused);
    EXPECT_EQ(CLogStatus::GetDepth(), depth);  // a failed step closes its level

    recorder.Reset();
    ASSERT_TRUE(client.Login(Info(server.GetPassword()))) << client.GetStrError();
    EXPECT_TRUE(client.IsConnected());
    EXPECT_NE(client.GetSession(), nullptr);
    EXPECT_EQ(client.GetLoginError(), ERemoteError::None);
    EXPECT_EQ(CLogStatus::GetDepth(), depth);
    ASSERT_EQ(recorder.records.size(), 2u);
    EXPECT_EQ(recorder.records[0].GetKind(), LOG_START);
    EXPECT_EQ(recorder.records[0].GetText(), "127.0.0.1 ");
    EXPECT_EQ(recorder.records[1].GetKind(), LOG_DONE);
    EXPECT_EQ(recorder.records[1].GetText(), "127.0.0.1 , dir:'/'");
    EXPECT_EQ(recorder.records[1].GetSource(), "Ftp");

    CRemoteSession* session = client.GetSession();
    EXPECT_TRUE(client.Login(Info("ignored")));
    EXPECT_EQ(client.GetStrError(), "Ftp: Ftp client already connected");
    EXPECT_EQ(client.GetSession(), session);

    client.Logoff();
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(client.GetSession(), nullptr);
    EXPECT_EQ(recorder.Texts("Logoff"), std::vector<std::string>{" "});
    EXPECT_FALSE(client.SetCurrentDirectoryW("/"));
    EXPECT_EQ(client.GetStrError(), "Ftp: Ftp is not connected");
}

TEST_F(FtpClientTest, ThreeStringLoginUsesDefaultAttemptsInItsCaption) {
    // Port 21 of the loopback: nothing to log in to, but the caption is logged first.
    client.SetSessionOptions(ShortTimeouts());
    EXPECT_FALSE(client.Login("127.0.0.1", "alice", "secret"));
    EXPECT_EQ(recorder.Texts("Login").at(0), "127.0.0.1 (Attempt 3 of 3) ");
    const CFtpLoginInfo info = client.GetFtpLoginInfo();
    EXPECT_EQ(info.GetPort(), 21);
    EXPECT_EQ(info.GetLoginName(), "alice");
    EXPECT_FALSE(client.GetStrError().empty());
}

TEST_F(FtpClientTest, FoldersAreChangedAndCreatedLevelByLevel) {
    LogIn();
    EXPECT_FALSE(client.SetCurrentDirectoryW("/missing"));
    EXPECT_EQ(client.GetStrError().rfind("Ftp: 550", 0), 0u) << client.GetStrError();

    std::filesystem::create_directories(server.Path("pub"));
    EXPECT_FALSE(client.CreateDirectoryW("/pub"));
    EXPECT_EQ(client.GetStrError().rfind("Ftp: Create directory : '/pub', Details: 550", 0), 0u)
        << client.GetStrError();

    // Upper levels that exist are entered, missing ones created.
    ASSERT_TRUE(client.CreateFolder(CFtpPath("/pub/new/deeper/file.txt"))) << client.GetStrError();
    EXPECT_TRUE(IsServerFolder("pub/new/deeper"));
    EXPECT_EQ(recorder.Texts("Create directory :"), (std::vector<std::string>{"'/pub/new/'", "'/pub/new/deeper/'"}));

    recorder.Reset();
    EXPECT_TRUE(client.CreateFolder(CFtpPath("/pub/new/", PATH_FOLDER)));
    EXPECT_TRUE(recorder.Texts("Create directory :").empty());
    EXPECT_EQ(recorder.Texts("Current directory changed to : "), std::vector<std::string>{"'/pub/new/'"});

    // A relative path is made below the current folder, not below "/".
    ASSERT_TRUE(client.SetCurrentDirectoryW("/pub"));
    ASSERT_TRUE(client.CreateFolder(CFtpPath("rel/sub", PATH_FOLDER))) << client.GetStrError();
    EXPECT_TRUE(IsServerFolder("pub/rel/sub"));
    EXPECT_FALSE(IsServerFolder("rel"));

    CFtpPath made;
    ASSERT_TRUE(client.CreateDestFolder("dest", "/pub", made)) << client.GetStrError();
    EXPECT_EQ(made.GetFtpDir(true), "/pub/dest/");
    EXPECT_TRUE(IsServerFolder("pub/dest"));
    EXPECT_TRUE(client.CreateDestFolder("dest", "/pub", made));
    EXPECT_FALSE(client.CreateDestFolder("x", "/missing", made));

    EXPECT_TRUE(client.Dir());
}

TEST_F(FtpClientTest, FilesOfEverySizeTravelByteForByte) {
    LogIn();
    std::filesystem::create_directories(server.Path("in"));
    for (const size_t size : {size_t{0}, size_t{1}, size_t{51200}, size_t{51201}, size_t{3} * 1024 * 1024 + 7}) {
        SCOPED_TRACE(size);
        const std::string name = Format("f%zu.bin", size);
        const std::string data = RandomBytes(size, static_cast<unsigned>(size));
        WriteFile(local / name, data);
        recorder.Reset();
        ASSERT_TRUE(client.UploadFile(CFtpPath(local / name), CFtpPath("/in/" + name))) << client.GetStrError();
        EXPECT_EQ(ReadFile(server.Path("in/" + name)), data);
        const size_t blocks = (size + CFtpClient::kBlockSize - 1) / CFtpClient::kBlockSize;
        EXPECT_EQ(recorder.Commands(MSG_PROGRESS_START).size(), 1u);
        EXPECT_EQ(recorder.Commands(MSG_PROGRESS_FINISH).size(), 1u);
        EXPECT_EQ(recorder.Texts("Transfer").size(), blocks);
        EXPECT_EQ(recorder.Texts("Transfer file:").size(), 2u);  // Start and Done

        CFtpPath remote("/in/" + name);
        ASSERT_TRUE(client.GetInfo(remote, remote)) << client.GetStrError();
        EXPECT_EQ(remote.Length(), size);
        EXPECT_NE(remote.LastWriteTime(), 0u);
        ASSERT_TRUE(client.DownloadFile(remote, CFtpPath(local / ("back-" + name)))) << client.GetStrError();
        EXPECT_EQ(ReadFile(local / ("back-" + name)), data);
    }
}

TEST_F(FtpClientTest, TransferRecordsAndProgressCountBytes) {
    LogIn();
    WriteFile(server.Path("a.bin"), RandomBytes(51201));
    CFtpPath remote("/a.bin");
    remote.Length(51201);
    ASSERT_TRUE(client.DownloadFile(remote, CFtpPath(local / "a.bin"))) << client.GetStrError();
    EXPECT_EQ(recorder.Texts("Transfer"),
              (std::vector<std::string>{" 99% 51200 / 51201 Bytes", "100% 51201 / 51201 Bytes"}));
    ASSERT_EQ(recorder.Commands(MSG_PROGRESS_RANGE).size(), 1u);
    EXPECT_EQ(recorder.Commands(MSG_PROGRESS_RANGE)[0].argv, 51201);
    EXPECT_EQ(recorder.Commands(MSG_PROGRESS_POS).back().argc, 51201);

    // A size beyond 32 bits keeps its digits and a range a control can hold.
    recorder.Reset();
    remote.Length(uint64_t{5} << 30);
    ASSERT_TRUE(client.DownloadFile(remote, CFtpPath(local / "a.bin")));
    EXPECT_EQ(recorder.Texts("Transfer").at(0), "  0% 51200 / 5368709120 Bytes");
    EXPECT_EQ(recorder.Commands(MSG_PROGRESS_RANGE)[0].argv, 5368709120 >> 2);
    EXPECT_EQ(recorder.Commands(MSG_PROGRESS_POS).back().argc, 51201 >> 2);

    // No recorded size: every position is 0 and no percentage is logged.
    recorder.Reset();
    remote.Length(0);
    ASSERT_TRUE(client.DownloadFile(remote, CFtpPath(local / "a.bin")));
    EXPECT_TRUE(recorder.Texts("Transfer").empty());
    for (const auto& pos : recorder.Commands(MSG_PROGRESS_POS)) EXPECT_EQ(pos.argc, 0);
}

TEST_F(FtpClientTest, CancellingAtTheFirstBlockLeavesPartialFiles) {
    LogIn();
    WriteFile(server.Path("big.bin"), RandomBytes(200000));
    WriteFile(local / "big.bin", "an older copy");
    recorder.cancelAt = 1;
    EXPECT_FALSE(client.DownloadFile(CFtpPath("/big.bin"), CFtpPath(local / "big.bin")));
    EXPECT_EQ(client.GetStrError(), "Ftp: Aborted by user");
    EXPECT_TRUE(std::filesystem::exists(local / "big.bin"));
    EXPECT_EQ(ReadFile(local / "big.bin"), "");
    EXPECT_EQ(recorder.Commands(MSG_PROGRESS_FINISH).size(), 1u);

    recorder.Reset();
    recorder.cancelAt = 1;
    WriteFile(local / "up.bin", RandomBytes(200000));
    EXPECT_FALSE(client.UploadFile(CFtpPath(local / "up.bin"), CFtpPath("/up.bin")));
    EXPECT_EQ(client.GetStrError(), "Ftp: Aborted by user");
    EXPECT_TRUE(std::filesystem::exists(server.Path("up.bin")));
    EXPECT_EQ(ReadFile(server.Path("up.bin")), "");

    // The connection stays usable after a cancelled transfer.
    recorder.cancelAt = 0;
    EXPECT_TRUE(client.UploadFile(CFtpPath(local / "up.bin"), CFtpPath("/up.bin"))) << client.GetStrError();
}

TEST_F(FtpClientTest, FailuresNameWhatCouldNotBeOpened) {
    LogIn();
    WriteFile(local / "precious.txt", "keep me");
    EXPECT_FALSE(client.DownloadFile(CFtpPath("/missing.bin"), CFtpPath(local / "precious.txt")));
    EXPECT_EQ(client.GetStrError(), "Ftp: Unable to open remote file: /missing.bin");
    EXPECT_EQ(ReadFile(local / "precious.txt"), "keep me");

    WriteFile(server.Path("a.txt"), "a");
    EXPECT_FALSE(client.DownloadFile(CFtpPath("/a.txt"), CFtpPath(local / "no/such/folder/a.txt")));
    EXPECT_EQ(client.GetStrError(), "Ftp: Unable to open target file: " + (local / "no/such/folder/a.txt"));

    EXPECT_FALSE(client.UploadFile(CFtpPath(local / "absent.txt"), CFtpPath("/absent.txt")));
    EXPECT_EQ(client.GetStrError(), "Ftp: Unable to open source file: " + (local / "absent.txt"));

    CFtpPath info;
    EXPECT_FALSE(client.GetInfo(CFtpPath("/missing.bin"), info));
    EXPECT_EQ(client.GetStrError(), "Ftp: Cannot get the Ftp file info");
    EXPECT_TRUE(client.IsConnected());
}

TEST_F(FtpClientTest, UploadGoesUnderTheRemoteName) {
    LogIn();
    WriteFile(server.Path("a.txt"), "someone else's file");
    WriteFile(local / "a.txt", "new");
    ASSERT_TRUE(client.UploadFile(CFtpPath(local / "a.txt"), CFtpPath("/a(1).txt"))) << client.GetStrError();
    EXPECT_EQ(ReadFile(server.Path("a(1).txt")), "new");
    EXPECT_EQ(ReadFile(server.Path("a.txt")), "someone else's file");
    ASSERT_TRUE(client.UploadFile(CFtpPath(local / "a.txt"), CFtpPath("/", PATH_FOLDER)));
    EXPECT_EQ(ReadFile(server.Path("a.txt")), "new");
}

// A client of the program's own may report its progress in words.
class CaptionedClient : public CFtpClient {
public:
    using CFtpClient::ProgressSetCaption;
    using CFtpClient::ProgressSetStatus;
};

TEST(FtpClientProgress, CaptionAndStatusGoOutAsCommandsFourAndFive) {
    CRecorder recorder;
    CaptionedClient client;
    client.ProgressSetCaption("Sending a.txt");
    client.ProgressSetStatus({{"file", "a.txt"}});
    EXPECT_EQ(recorder.captions, std::vector<std::string>{"Sending a.txt"});
    EXPECT_EQ(recorder.Commands(MSG_PROGRESS_STATUS).size(), 1u);
}

TEST(FtpClientSilentServer, AServerThatStopsAnsweringFailsWithinTheTimeOut) {
    FakeFtpServer silent([](FakeFtpSession& s) {
        s.Login();
        s.ReadCommand();  // the CWD of the upload, never answered
        s.WaitForClientToLeave();
    });
    TempDir local;
    WriteFile(local / "a.txt", "a");
    CFtpClient client;
    CFtpLoginInfo info;
    info.SetHost("127.0.0.1");
    info.SetPort(silent.GetPort());
    client.SetSessionOptions(ShortTimeouts());
    ASSERT_TRUE(client.Login(info)) << client.GetStrError();
    EXPECT_FALSE(client.UploadFile(CFtpPath(local / "a.txt"), CFtpPath("/in/a.txt")));
    EXPECT_EQ(client.GetStrError(), "Ftp: Connection timed out");
    EXPECT_FALSE(client.IsConnected());

    FakeFtpServer mute([](FakeFtpSession& s) { s.WaitForClientToLeave(); });
    info.SetPort(mute.GetPort());
    EXPECT_FALSE(client.Login(info));
    EXPECT_TRUE(IsTransient(client.GetLoginError()));
}

TEST(FtpClientSilentServer, AServerThatHangsUpMidTransferFailsTheDownload) {
    FakeFtpServer dropping([](FakeFtpSession& s) {
        s.Login();  // the download's folder is then known: no CWD
        const uint16_t port = s.ListenForData();
        s.Expect("EPSV", Format("229 Entering Extended Passive Mode (|||%u|)", static_cast<unsigned>(port)));
        s.Expect("RETR", "150 here it comes");
        if (s.AcceptData()) s.SendData(RandomBytes(70000));
        s.Hangup();
    });
    TempDir local;
    CFtpClient client;
    CFtpLoginInfo info;
    info.SetHost("127.0.0.1");
    info.SetPort(dropping.GetPort());
    ASSERT_TRUE(client.Login(info)) << client.GetStrError();
    EXPECT_FALSE(client.DownloadFile(CFtpPath("/a.bin"), CFtpPath(local / "a.bin")));
    EXPECT_EQ(client.GetStrError(), "Ftp: Connection closed by server");
    EXPECT_FALSE(client.IsConnected());
    EXPECT_TRUE(std::filesystem::exists(local / "a.bin"));
}

}  // namespace
}  // namespace velmora
