// Whole jobs over SFTP against OpenSSH's sshd on loopback: the engine reaches
// the server only through the remote session its login's protocol chooses.
// sshd needs root; where it cannot run the tests are skipped.

#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "engine/ftp_source.h"
#include "engine/local_source.h"
#include "engine/move_trans.h"
#include "engine/statistic.h"
#include "engine_test_support.h"
#include "ftp/login_info.h"
#include "support/sftp_server.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

using test::ReadTree;
using test::RunKept;
using test::TempDir;
using test::TreeMap;
using test::WriteFile;

class SftpJobTest : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (geteuid() != 0) GTEST_SKIP() << "sshd needs root";
        server = std::make_unique<test::SftpServer>("sshd");
        std::string reason;
        if (!server->Start(reason)) GTEST_SKIP() << reason;
        WriteFile(dir / "known_hosts", server->KnownHostsLine() + "\n");
        login.SetProtocol(ERemoteProtocol::Sftp);
        login.SetHost("127.0.0.1");
        login.SetPort(server->GetPort());
        login.SetLoginName(server->GetUser());
        login.SetPassword(server->GetPassword());
        CSshSettings ssh;
        ssh.knownHostsFiles = {dir / "known_hosts", dir / "own_known_hosts"};
        ssh.useAgent = false;
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
// empty folder go up over four sessions and come back the same.
TEST_F(SftpJobTest, ATreeGoesUpAndComesBackWholeOverFourSessions) {
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
}

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
