// Scheduled orders to a server that requires TLS and shows a self-signed
// certificate: the trust and the encryption mode given when an order is
// added hold when the scheduler runs it later.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "platform/clock.h"
#include "support/ftp_server.h"
#include "support/temp_dir.h"
#include "support/test_certificates.h"

namespace velmora::test {
namespace {

class CliScheduleTlsTest : public TestCertificatesSuite {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(TestCertificatesSuite::SetUp());
        FtpServerOptions options;
        options.tlsCertFile = certificates->SelfSignedCertFile();
        options.tlsKeyFile = certificates->SelfSignedKeyFile();
        server = std::make_unique<FtpServer>(options);
        ASSERT_TRUE(server->Start()) << server->GetError();
        ASSERT_EQ(RunCli({"db", "init", "--db", db}).status, 0);
        WriteFile(local / "out/a.txt", "sealed");
    }

    std::string Url(const std::string& scheme, const std::string& path) const {
        return scheme + "://alice:secret@127.0.0.1:" + std::to_string(server->GetPort()) + path;
    }

    // A Daily schedule that is due now, with one order from local/out to `to`.
    CliResult AddDaily(const std::string& to, const std::vector<std::string>& options, const std::string& cwd = {}) {
        std::vector<std::string> args = {"--connections", connections, "schedule", "add", "--db", db, "--name",
                                         "tls", "--repeat", "daily", "--start",
                                         platform::FormatLocalTime(platform::Now(), "%Y-%m-%d 00:00"), "--from",
                                         local / "out", "--to", to};
        args.insert(args.end(), options.begin(), options.end());
        return RunCli(args, {}, cwd);
    }

    CliResult AddOrder(const std::string& to, const std::vector<std::string>& options) {
        std::vector<std::string> args = {"--connections", connections, "schedule", "add-order", "--db", db,
                                         "--schedule", "1", "--from", local / "out", "--to", to};
        args.insert(args.end(), options.begin(), options.end());
        return RunCli(args);
    }

    // The scheduler, run once from another folder, with no TLS option of its own.
    CliResult RunScheduler() const {
        return RunCli({"--connections", connections, "scheduler", "--db", db, "--once"}, {}, elsewhere.path());
    }

    std::unique_ptr<FtpServer> server;
    TempDir local;
    TempDir elsewhere;
    std::string db = local / "jobs.db";
    std::string connections = local / "FtpPropList.xml";
};

TEST_F(CliScheduleTlsTest, WithoutTrustTheScheduledRunIsRefusedBeforeTheLogin) {
    ASSERT_EQ(AddDaily(Url("ftpes", "/in/"), {}).status, 0);
    const CliResult run = RunScheduler();
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_FALSE(std::filesystem::exists(server->Path("in/out/a.txt")));
    const CliResult list = RunCli({"schedule", "list", "--db", db});
    EXPECT_NE(list.out.find("not trusted"), std::string::npos) << list.out;
}

TEST_F(CliScheduleTlsTest, PinAndCaFileGivenWhenAddingHoldWhenTheSchedulerRuns) {
    // The CA file named relative to the folder the order is added in.
    std::filesystem::copy_file(certificates->SelfSignedCertFile(), local / "server.pem");
    ASSERT_EQ(AddDaily(Url("ftpes", "/pinned/"), {"--fingerprint", certificates->SelfSignedFingerprint()}).status, 0);
    ASSERT_EQ(RunCli({"schedule", "add-order", "--db", db, "--schedule", "1", "--from", local / "out", "--to",
                      Url("ftpes", "/by-ca/"), "--ca-file", "server.pem"},
                     {}, local.path())
                  .status,
              0);
    // A saved connection that requires TLS and trusts nothing of its own: the
    // order's pin is laid over it.
    ASSERT_EQ(RunCli({"--connections", connections, "connections", "add", "secure", Url("ftp", "/"), "--tls",
                      "require"})
                  .status,
              0);
    ASSERT_EQ(AddOrder("secure:/saved/", {"--fingerprint", certificates->SelfSignedFingerprint()}).status, 0);

    const CliResult run = RunScheduler();
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* folder : {"pinned", "by-ca", "saved"})
        EXPECT_EQ(ReadFile(server->Path(std::string(folder) + "/out/a.txt")), "sealed") << folder;
}

TEST_F(CliScheduleTlsTest, AnFtpOrderInAutoModeReplaysWithTls) {
    // The server refuses plain FTP: replayed without its mode, the order fails.
    ASSERT_EQ(AddDaily(Url("ftp", "/auto/"), {"--fingerprint", certificates->SelfSignedFingerprint()}).status, 0);
    const CliResult run = RunScheduler();
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(server->Path("auto/out/a.txt")), "sealed");
}

TEST_F(CliScheduleTlsTest, InsecureIsStoredOnlyWithALoudWarning) {
    const CliResult added = AddDaily(Url("ftpes", "/any/"), {"--insecure"});
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_NE(added.err.find("this order accepts ANY certificate from 127.0.0.1"), std::string::npos) << added.err;
    const CliResult run = RunScheduler();
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(server->Path("any/out/a.txt")), "sealed");
}

TEST_F(CliScheduleTlsTest, ListShowsTheTlsSettingsOfEachServerEndAndOrdersWithoutThemAsBefore) {
    std::filesystem::copy_file(certificates->SelfSignedCertFile(), local / "server.pem");
    const std::string pin = certificates->SelfSignedFingerprint();
    ASSERT_EQ(AddDaily(Url("ftpes", "/pinned/"), {"--fingerprint", pin}).status, 0);
    ASSERT_EQ(AddOrder(Url("ftp", "/by-ca/"), {"--ca-file", local / "server.pem"}).status, 0);
    ASSERT_EQ(AddOrder(Url("ftp", "/plain/"), {"--tls", "off"}).status, 0);
    ASSERT_EQ(RunCli({"schedule", "add-order", "--db", db, "--schedule", "1", "--from", Url("ftps", "/any/a.txt"),
                      "--to", local / "back/", "--insecure"})
                  .status,
              0);
    ASSERT_EQ(RunCli({"--connections", connections, "connections", "add", "secure", Url("ftp", "/")}).status, 0);
    ASSERT_EQ(AddOrder("secure:/saved/", {"--fingerprint", pin}).status, 0);

    const CliResult list = RunCli({"schedule", "list", "--db", db});
    ASSERT_EQ(list.status, 0) << list.err;
    const std::string out = local / "out";
    const std::string at = "127.0.0.1:" + std::to_string(server->GetPort());
    const std::string orders = "\torder 1: Copy " + out + " -> ftpes://" + at + "/pinned/\tPending\n"
                               "\t  to: TLS 'require'\n"
                               "\t  to: certificate '" + pin + "'\n"
                               // A CA file, like a pin, says the server must do TLS.
                               "\torder 2: Copy " + out + " -> ftpes://" + at + "/by-ca/\tPending\n"
                               "\t  to: TLS 'require'\n"
                               "\t  to: CA file '" + (local / "server.pem") + "'\n"
                               // No TLS settings of its own: the line it always had, and nothing more.
                               "\torder 3: Copy " + out + " -> ftp://" + at + "/plain/\tPending\n"
                               "\torder 4: Copy ftps://" + at + "/any/a.txt -> " + (local / "back/") + "\tPending\n"
                               "\t  from: TLS 'implicit'\n"
                               "\t  from: accepts ANY certificate (UNSAFE: the server is not checked)\n"
                               // The pin given here makes TLS required, which the saved connection was not.
                               "\torder 5: Copy " + out + " -> ftpes://" + at + "/saved/\tPending\n"
                               "\t  to: TLS 'require'\n"
                               "\t  to: certificate '" + pin + "'\n";
    EXPECT_NE(list.out.find(orders), std::string::npos) << list.out;
}

}  // namespace
}  // namespace velmora::test
