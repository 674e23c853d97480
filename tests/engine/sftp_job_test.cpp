// Whole jobs over SFTP against OpenSSH's sshd on loopback: the engine reaches
// the server only through the remote session its login's protocol chooses.
// sshd needs root; where it cannot run the tests are skipped.

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/ftp_source.h"
#include "engine/local_source.h"
#include "engine/move_trans.h"
#include "engine/statistic.h"
#include "engine_test_support.h"
#include "ftp/login_info.h"
#include "ftp/sftp_session.h"
#include "messaging/log_status.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "support/sftp_server.h"
#include "support/stream_relay.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using test::ReadTree;
using test::RunKept;
using test::TempDir;
using test::TreeMap;
using test::WriteFile;

// The texts of the job's "Continued:" lines.
struct ContinuedLines : CListener {
    ContinuedLines() { CMsgBox::Box().Subscribe("continued lines", this); }
    ~ContinuedLines() override { CMsgBox::Box().Unsubscribe(this); }
    void OnMsg(CMsg& msg) override {
        const auto* record = msg.Cmd() == MSG_LOG_RECORD ? dynamic_cast<const CLogStatus*>(msg.Object()) : nullptr;
        if (record && record->GetAction() == "Continued:") texts.push_back(record->GetText());
    }
    std::vector<std::string> texts;
};

class SftpJobTest : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        Serve("sshd");
    }

    // Starts the server (or skips) and logs in to it with its host key pinned
    // in a known-hosts file of the test's (sshd) or as a fingerprint (ProFTPD,
    // whose key is learnt from a first refused connect).
    void Serve(const std::string& kind, const std::string& mode = {}) {
        if (geteuid() != 0) GTEST_SKIP() << kind << " needs root";
        server = std::make_unique<test::SftpServer>(kind, mode);
        std::string reason;
        if (!server->Start(reason)) GTEST_SKIP() << reason;
        WriteFile(dir / "known_hosts", kind == "sshd" ? server->KnownHostsLine() + "\n" : std::string());
        login.SetProtocol(ERemoteProtocol::Sftp);
        login.SetHost("127.0.0.1");
        login.SetPort(server->GetPort());
        login.SetLoginName(server->GetUser());
        login.SetPassword(server->GetPassword());
        CSshSettings ssh;
        ssh.knownHostsFiles = {dir / "known_hosts", dir / "own_known_hosts"};
        ssh.useAgent = false;
        if (kind != "sshd") {
            CSftpSession first;
            login.SetSshSettings(ssh);
            ASSERT_FALSE(first.Connect(login, CSessionOptions()));
            ssh.fingerprint = first.GetHostKey().fingerprint;
        }
        login.SetSshSettings(ssh);
        ASSERT_TRUE(std::filesystem::create_directories(server->Home("site")));
        server->Own();
    }

    // One job of `items` with the given sessions; true when it ran without errors.
    bool Run(const CTskItem& item, int sessions = 1) {
        CJobSettings settings;
        settings.m_nSessions = sessions;
        CTskItems items;
        items.Add(new CTskItem(item));
        CMover mover(items, settings);
        return RunKept(mover) && CStatistic::Job().m_nErrors == 0;
    }

    CTransPoint Remote(const std::string& relative) const {
        return CTransPoint(ePointFtp, login, CFtpPath(server->Remote(relative), PATH_FOLDER));
    }

    TempDir dir;
    std::unique_ptr<test::SftpServer> server;
    CFtpLoginInfo login;
};

// Names with spaces and UTF-8, an empty file, a file of many blocks and an
// empty folder go up over four sessions and come back the same, from
// OpenSSH's server and from ProFTPD's (checked against its hashes).
class SftpServersJobTest : public SftpJobTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        test::EngineTest::SetUp();
        if (GetParam() == std::string("proftpd")) {
            Serve("proftpd", "sftp");
        } else {
            Serve("sshd");
        }
    }
};

TEST_P(SftpServersJobTest, ATreeGoesUpAndComesBackWholeOverFourSessions) {
    const std::string tree = dir / "tree";
    WriteFile(tree + "/a file with spaces.txt", "spaces");
    WriteFile(tree + "/Grüße/naïve résumé.bin", test::RandomBytes(70000, 1));
    WriteFile(tree + "/empty.dat", "");
    WriteFile(tree + "/big/large.bin", test::RandomBytes(3 << 20, 2));
    for (int i = 0; i < 40; ++i) WriteFile(tree + "/many/f" + std::to_string(i), test::RandomBytes(100 + i, i));
    std::filesystem::create_directories(tree + "/nothing");

    ASSERT_TRUE(Run(test::MakeItem(test::LocalPoint(ePointFolder, tree), Remote("site/")), 4))
        << CStatistic::Job().m_strLastError;
    const TreeMap sent = ReadTree(tree);
    EXPECT_EQ(ReadTree(server->Home("site/tree")), sent);
    EXPECT_EQ(CStatistic::Job().m_nProcessed, 44);

    ASSERT_TRUE(Run(test::MakeItem(Remote("site/tree/"), test::LocalPoint(ePointFolder, dir / "down/")), 4))
        << CStatistic::Job().m_strLastError;
    EXPECT_EQ(ReadTree(dir / "down/tree"), sent);
    // ProFTPD hashes files (check-file): each one was checked; OpenSSH's server cannot.
    EXPECT_EQ(CStatistic::Job().m_nVerified, GetParam() == std::string("proftpd") ? 44 : 0);
}

INSTANTIATE_TEST_SUITE_P(Servers, SftpServersJobTest, ::testing::Values("sshd", "proftpd"));

// A mirror decides from the listing's sizes and times: the second run of an
// unchanged tree opens nothing at the server for writing, and a changed
// file is the only one sent again.
TEST_F(SftpJobTest, ASecondMirrorOpensNothingForWritingAndSendsOnlyWhatChanged) {
    const std::string site = dir / "site";
    for (int i = 0; i < 12; ++i) WriteFile(site + "/d" + std::to_string(i % 3) + "/f" + std::to_string(i), "v1");
    CTansform mirror;
    mirror.SetSync();
    const CTskItem item =
        test::MakeItem(CTransPoint(ePointFolder, CFtpPath(site, PATH_FOLDER)), Remote("site/mirror/"), mirror);
    ASSERT_TRUE(Run(item, 2)) << CStatistic::Job().m_strLastError;
    EXPECT_EQ(ReadTree(server->Home("site/mirror")), ReadTree(site));
    const int writes = server->CountRequests("flags WRITE");
    EXPECT_EQ(writes, 12);

    ASSERT_TRUE(Run(item, 2)) << CStatistic::Job().m_strLastError;
    EXPECT_EQ(server->CountRequests("flags WRITE"), writes);
    EXPECT_EQ(CStatistic::Job().m_nProcessed, 0);

    WriteFile(site + "/d1/f4", "version two");
    ASSERT_TRUE(Run(item, 2)) << CStatistic::Job().m_strLastError;
    EXPECT_EQ(server->CountRequests("flags WRITE"), writes + 1);
    EXPECT_EQ(ReadTree(server->Home("site/mirror")), ReadTree(site));
}

// Files going up one after another into the same folders cost the server
// an open, the writes, a close and the time each: no question about their
// folder per file, and no size asked after a close that confirmed every
// block.
TEST_F(SftpJobTest, AnUploadAsksNothingPerFileBeyondSendingIt) {
    const std::string tree = dir / "tree";
    for (int i = 0; i < 24; ++i) WriteFile(tree + "/d" + std::to_string(i % 3) + "/f" + std::to_string(i), "data");
    ASSERT_TRUE(Run(test::MakeItem(test::LocalPoint(ePointFolder, tree), Remote("site/")), 2))
        << CStatistic::Job().m_strLastError;
    EXPECT_EQ(ReadTree(server->Home("site/tree")), ReadTree(tree));
    EXPECT_EQ(server->CountRequests("flags WRITE"), 24);
    EXPECT_LE(server->CountRequests("stat name"), 10);
}

// A download cut mid-file is taken up over a new session at the byte it
// reached: the file arrives whole, and the server reads little more than it.
// (A reset loses what the client had not yet read, up to the channel's
// window of 4 MiB: the cut comes after 8 MiB of 16.)
TEST_F(SftpJobTest, ADownloadCutMidFileGoesOnWhereItBroke) {
    const std::string data = test::RandomBytes(16 << 20, 3);
    WriteFile(server->Home("site/cut.bin"), data);
    server->Own();
    test::StreamRelay relay(server->GetPort(), {.resetAfterBytes = 8 << 20});
    ASSERT_TRUE(relay.Start());
    WriteFile(dir / "known_hosts", server->KnownHostsLine("ssh/host_ed25519.pub", relay.GetPort()) + "\n");
    login.SetPort(relay.GetPort());
    const CTskItem item =
        test::MakeItem(CTransPoint(ePointFtp, login, CFtpPath(server->Remote("site/cut.bin"), PATH_LITERAL)),
                       test::LocalPoint(ePointFolder, dir / "down/"));
    ContinuedLines continued;
    ASSERT_TRUE(Run(item)) << CStatistic::Job().m_strLastError;
    EXPECT_TRUE(test::ReadFile(dir / "down/cut.bin") == data) << "different contents";
    ASSERT_EQ(continued.texts.size(), 1u);
    EXPECT_EQ(continued.texts[0].find("at byte 0"), std::string::npos) << continued.texts[0];
    EXPECT_EQ(CStatistic::Job().m_nProcessedBytes, static_cast<int64_t>(data.size()));
}

// A cancel stops every session of a job: the files sent are those before it
// (and at most one in the hands of each session), and sshd sees every
// session closed.
TEST_F(SftpJobTest, ACancelStopsEverySessionAndLeavesNoneOpen) {
    constexpr int kFiles = 120;
    for (int i = 0; i < kFiles; ++i) WriteFile(dir / "tree/d" + std::to_string(i % 6) + "/f" + std::to_string(i), "f");
    test::JobRecords records(20);
    Run(test::MakeItem(test::LocalPoint(ePointFolder, dir / "tree"), Remote("site/")), 4);
    EXPECT_TRUE(CStatistic::Job().m_bAborted);
    EXPECT_EQ(records.arrivedAtCancel, 20);
    EXPECT_LE(CStatistic::Job().m_nProcessed, 20 + 3);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (server->CountRequests("session opened") != server->CountRequests("session closed") &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(server->CountRequests("session opened"), server->CountRequests("session closed"));
    EXPECT_GE(server->CountRequests("session opened"), 2);
}

// A cancel while the job waits on a server that stopped answering mid-file
// ends it at once, as cancelled, not after the session's time-out.
TEST_F(SftpJobTest, ACancelEndsAJobWaitingOnASilentServerAtOnce) {
    WriteFile(server->Home("site/stall.bin"), test::RandomBytes(4 << 20, 4));
    server->Own();
    // The login takes a few KiB; the file's first block (of 50 KiB), after
    // which the job would look at its cancel itself, never comes whole.
    test::StreamRelay relay(server->GetPort(), {.stallAfterBytes = 24 * 1024});
    ASSERT_TRUE(relay.Start());
    WriteFile(dir / "known_hosts", server->KnownHostsLine("ssh/host_ed25519.pub", relay.GetPort()) + "\n");
    login.SetPort(relay.GetPort());
    std::atomic<bool> stop{false};
    CJobSettings settings;
    settings.m_pStopRequest = &stop;
    CTskItems items;
    items.Add(new CTskItem(
        test::MakeItem(CTransPoint(ePointFtp, login, CFtpPath(server->Remote("site/stall.bin"), PATH_LITERAL)),
                       test::LocalPoint(ePointFolder, dir / "down/"))));
    CMover mover(items, settings);
    auto ran = std::async(std::launch::async, [&] { return mover.RunItems(); });
    ASSERT_TRUE(relay.WaitForStall(std::chrono::seconds(20)));
    stop = true;
    // Half the session's time-out (10 s): only the cancel ends the wait before it.
    ASSERT_EQ(ran.wait_for(std::chrono::seconds(5)), std::future_status::ready) << "the cancel was not heard";
    ran.get();
    const CJobResult result = mover.GetResult();
    EXPECT_TRUE(result.m_bAborted);
    EXPECT_EQ(result.m_nLastCategory, ERROR_ABORTED) << result.m_strLastError;
    EXPECT_EQ(result.m_nProcessed, 0);
}

// A cancel that comes between blocks leaves the session working for the
// clean-up, even where every answer takes longer than a wait's slice: an
// upload under a temporary name leaves no temporary file behind.
TEST_F(SftpJobTest, ACancelledUploadCleansUpOverASlowLink) {
    WriteFile(dir / "up/big.bin", test::RandomBytes(3 << 20, 6));
    test::StreamRelay relay(server->GetPort(), {.delayMs = 40});
    ASSERT_TRUE(relay.Start());
    WriteFile(dir / "known_hosts", server->KnownHostsLine({}, relay.GetPort()) + "\n");
    login.SetPort(relay.GetPort());
    CJobSettings settings;
    settings.m_bTempNames = true;
    CTskItems items;
    items.Add(new CTskItem(test::MakeItem(test::LocalPoint(ePointFolder, dir / "up"), Remote("site/"))));
    CMover mover(items, settings);
    test::CancelAtFirstPosition canceller;
    mover.RunItems();
    EXPECT_EQ(mover.GetResult().m_nLastCategory, ERROR_ABORTED) << mover.GetResult().m_strLastError;
    const std::string folder = server->Home("site/up");
    EXPECT_TRUE(!std::filesystem::exists(folder) || std::filesystem::is_empty(folder)) << "a temporary file was left";
}

// A host key that no known-hosts file holds ends the job before any file,
// with the key's fingerprint in the error.
TEST_F(SftpJobTest, AnUnknownHostKeyFailsTheJobAndNamesTheKey) {
    WriteFile(dir / "known_hosts", "");
    WriteFile(dir / "tree/a.txt", "a");
    EXPECT_FALSE(Run(test::MakeItem(test::LocalPoint(ePointFolder, dir / "tree"), Remote("site/"))));
    EXPECT_NE(CStatistic::Job().m_strLastError.find("SHA256:"), std::string::npos) << CStatistic::Job().m_strLastError;
    EXPECT_FALSE(std::filesystem::exists(server->Home("site/tree/a.txt")));
}

}  // namespace
}  // namespace velmora
