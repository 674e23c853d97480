// Files checked against the server's own hash: ProFTPD with mod_digest,
// behind a relay that inverts one byte of a data connection on the way, so
// that the length stays right and only the hash can tell.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/format.h"
#include "cli/cli_runner.h"
#include "cli/real_server.h"
#include "ftp/ftp_client.h"
#include "ftp/ftp_file.h"
#include "support/fault_relay.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kFlipAt = 100000;

// A ProFTPD offering hashes for `algorithms`, or the reason it cannot run.
bool StartDigestServer(RealServer& server, const std::string& algorithms, std::string& reason) {
    if (geteuid() != 0) {
        reason = "ProFTPD needs root";
        return false;
    }
    server.OfferDigests(algorithms);
    return server.Start(reason);
}

std::string Sha256Of(const std::string& path) {
    const CliResult sum = RunProgram({"sha256sum", path});
    return sum.out.substr(0, sum.out.find(' '));
}

int Count(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(VerifyTest, AByteChangedOnTheWayIsCaughtAndTheFileGoesAgainWhole) {
    RealServer server("proftpd");
    std::string reason;
    if (!StartDigestServer(server, "all", reason)) GTEST_SKIP() << reason;
    TempDir local;
    const std::string data = RandomBytes(300000, 21);
    WriteFile(local / "up.bin", data);

    for (const bool upload : {true, false}) {
        SCOPED_TRACE(upload ? "upload" : "download");
        FaultRelay relay("127.0.0.1", static_cast<uint16_t>(server.Port()), {.flipDataAt = kFlipAt});
        ASSERT_TRUE(relay.Start());
        const std::string log = local / (upload ? "up.log" : "down.log");
        const CliResult run =
            upload ? RunCli({"upload", local / "up.bin", server.UrlAt(relay.GetPort(), "/in/"), "--log", log})
                   : RunCli({"download", server.UrlAt(relay.GetPort(), "/in/up.bin"), local / "back/", "--log", log,
                             "--json"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(relay.GetFlips(), 1);
        EXPECT_TRUE(ReadFile(upload ? server.Home("in/up.bin") : local / "back/up.bin") == data);
        const std::string records = ReadFile(log);
        EXPECT_EQ(Count(records, "Checksum mismatch: SHA-256 local "), 1) << records;
        EXPECT_EQ(Count(records, "Verified: SHA-256 "), 1) << records;
        // ProFTPD computes SHA-1 until told otherwise.
        EXPECT_FALSE(relay.GetCommands("OPTS HASH SHA-256").empty());
        if (!upload) {
            EXPECT_NE(run.out.find("\"digest\":\"" + Sha256Of(local / "up.bin") + "\""), std::string::npos) << run.out;
            EXPECT_NE(run.out.find("\"verified\":1"), std::string::npos) << run.out;
        }
    }
}

// A file downloaded in parts is checked once all its parts are there; one
// whose hash differs goes again whole, in one stream, checked as it comes.
TEST(VerifyTest, AFileInPartsIsCheckedWholeAndGoesAgainInOneStreamWhenItDiffers) {
    RealServer server("proftpd");
    std::string reason;
    if (!StartDigestServer(server, "all", reason)) GTEST_SKIP() << reason;
    TempDir local;
    const std::string data = RandomBytes(5 << 19, 24);
    WriteFile(server.Home("in/parts.bin"), data);
    server.Own();
    for (const int flips : {0, 1}) {
        SCOPED_TRACE(flips);
        FaultRelay relay("127.0.0.1", static_cast<uint16_t>(server.Port()), {.flipDataAt = kFlipAt, .flips = flips});
        ASSERT_TRUE(relay.Start());
        const std::string log = local / Format("parts%d.log", flips);
        const CliResult run =
            RunCli({"download", "--segments", "2", "--overwrite", server.UrlAt(relay.GetPort(), "/in/parts.bin"),
                    local / "back/", "--log", log, "--json"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find(Format("\"bytes\":%zu", data.size())), std::string::npos) << "counted once: " << run.out;
        EXPECT_TRUE(ReadFile(local / "back/parts.bin") == data);
        const std::string records = ReadFile(log);
        EXPECT_EQ(Count(records, "Parts: /in/parts.bin in 2 parts"), 1) << records;
        EXPECT_EQ(Count(records, "Checksum mismatch: SHA-256 local "), flips) << records;
        EXPECT_EQ(Count(records, "Verified: SHA-256 "), 1) << records;
        EXPECT_EQ(relay.GetCommands("RETR").size(), static_cast<size_t>(2 + flips));
    }
}

// Neither name holds a file that failed its check: an upload goes from the
// server, a download's partial file from the disk, and a file that was at
// the target before stays as it was.
TEST(VerifyTest, AFileChangedOnEveryTryFailsAndLeavesNoCorruptFile) {
    RealServer server("proftpd");
    std::string reason;
    if (!StartDigestServer(server, "all", reason)) GTEST_SKIP() << reason;
    TempDir local;
    WriteFile(local / "up.bin", RandomBytes(300000, 22));
    WriteFile(server.Home("in/kept.bin"), "the file before");
    WriteFile(server.Home("in/down.bin"), RandomBytes(300000, 23));
    server.Own();
    WriteFile(local / "back/down.bin", "the file before");
    FaultRelay relay("127.0.0.1", static_cast<uint16_t>(server.Port()), {.flipDataAt = kFlipAt, .flips = -1});
    ASSERT_TRUE(relay.Start());

    const CliResult fresh = RunCli({"upload", local / "up.bin", server.UrlAt(relay.GetPort(), "/in/")});
    EXPECT_EQ(fresh.status, 1);
    EXPECT_NE(fresh.err.find("Checksum mismatch: SHA-256 local "), std::string::npos) << fresh.err;
    EXPECT_FALSE(fs::exists(server.Home("in/up.bin")));

    const CliResult replacing = RunCli({"upload", "--temp-names", "--overwrite", local / "up.bin",
                                        server.UrlAt(relay.GetPort(), "/in/kept.bin")});
    EXPECT_EQ(replacing.status, 1) << replacing.err;
    EXPECT_EQ(ReadFile(server.Home("in/kept.bin")), "the file before");
    EXPECT_FALSE(fs::exists(server.Home("in/.kept.bin.part")));

    const CliResult down =
        RunCli({"download", "--overwrite", server.UrlAt(relay.GetPort(), "/in/down.bin"), local / "back/"});
    EXPECT_EQ(down.status, 1);
    EXPECT_NE(down.err.find("Checksum mismatch: SHA-256 local "), std::string::npos) << down.err;
    EXPECT_EQ(ReadFile(local / "back/down.bin"), "the file before");
    EXPECT_FALSE(fs::exists(local / "back/.down.bin.part"));
    // Each file went twice, each time changed: no third try.
    EXPECT_EQ(relay.GetFlips(), 6);
}

// The part a continued transfer keeps is hashed too: a held part that is
// wrong is caught, and the file goes again whole; a right one costs only
// the rest of the file on the wire.
TEST(VerifyTest, AContinuedTransferIsVerifiedOverTheWholeFile) {
    RealServer server("proftpd", "", "AllowStoreRestart on");
    std::string reason;
    if (!StartDigestServer(server, "all", reason)) GTEST_SKIP() << reason;
    TempDir local;
    const std::string data = RandomBytes(3000000, 24);
    WriteFile(server.Home("in/big.bin"), data);
    std::string wrongPart = data.substr(0, 1000000);
    wrongPart[500] = static_cast<char>(~wrongPart[500]);
    WriteFile(local / "back/big.bin", wrongPart);
    WriteFile(local / "up.bin", data);
    WriteFile(server.Home("in/up.bin"), data.substr(0, 1000000));
    server.Own();

    FaultRelay downRelay("127.0.0.1", static_cast<uint16_t>(server.Port()), {});
    ASSERT_TRUE(downRelay.Start());
    const std::string downLog = local / "down.log";
    const CliResult down = RunCli(
        {"download", "--continue", server.UrlAt(downRelay.GetPort(), "/in/big.bin"), local / "back/", "--log", downLog});
    ASSERT_EQ(down.status, 0) << down.err;
    EXPECT_TRUE(ReadFile(local / "back/big.bin") == data);
    const std::string records = ReadFile(downLog);
    EXPECT_NE(records.find("Continued: "), std::string::npos) << records;
    EXPECT_EQ(Count(records, "Checksum mismatch: "), 1) << records;
    EXPECT_EQ(downRelay.GetDataBytes(), 2000000u + 3000000u);

    FaultRelay upRelay("127.0.0.1", static_cast<uint16_t>(server.Port()), {});
    ASSERT_TRUE(upRelay.Start());
    const std::string upLog = local / "up.log";
    const CliResult up =
        RunCli({"upload", "--continue", local / "up.bin", server.UrlAt(upRelay.GetPort(), "/in/"), "--log", upLog});
    ASSERT_EQ(up.status, 0) << up.err;
    EXPECT_TRUE(ReadFile(server.Home("in/up.bin")) == data);
    EXPECT_NE(ReadFile(upLog).find("Verified: SHA-256 "), std::string::npos);
    EXPECT_EQ(upRelay.GetDataBytes(), 2000000u);
}

// A file changed without changing its size or getting newer: only hashes
// tell, and only --checksum asks for them.
TEST(VerifyTest, AMirrorWithChecksumSendsWhatChangedWhateverItsTime) {
    RealServer server("proftpd");
    std::string reason;
    if (!StartDigestServer(server, "all", reason)) GTEST_SKIP() << reason;
    TempDir local;
    WriteFile(local / "site/same.txt", "unchanged");
    WriteFile(local / "site/edited.txt", "version 1");
    ASSERT_EQ(RunCli({"mirror", local / "site", server.Url("/www/")}).status, 0);
    WriteFile(local / "site/edited.txt", "version 2");
    const auto past = fs::last_write_time(server.Home("www/edited.txt")) - std::chrono::hours(1);
    fs::last_write_time(local / "site/edited.txt", past);

    const CliResult byTime = RunCli({"mirror", local / "site", server.Url("/www/")});
    ASSERT_EQ(byTime.status, 0) << byTime.err;
    EXPECT_EQ(ReadFile(server.Home("www/edited.txt")), "version 1");
    const CliResult byHash = RunCli({"mirror", "--checksum", local / "site", server.Url("/www/")});
    ASSERT_EQ(byHash.status, 0) << byHash.err;
    EXPECT_NE(byHash.out.find("~ edited.txt"), std::string::npos) << byHash.out;
    EXPECT_EQ(byHash.out.find("same.txt"), std::string::npos) << byHash.out;
    EXPECT_EQ(ReadFile(server.Home("www/edited.txt")), "version 2");
}

// "-" for standard input or output: the digest is taken as the bytes flow.
// What went to standard output cannot be taken back, nor can a pipe be read
// again: a changed byte fails those. A file given as standard input is read
// again from its start.
TEST(VerifyTest, StreamsAreVerifiedAndAChangedByteFailsWhatCannotGoAgain) {
    RealServer server("proftpd");
    std::string reason;
    if (!StartDigestServer(server, "all", reason)) GTEST_SKIP() << reason;
    TempDir local;
    const std::string data = RandomBytes(300000, 26);
    WriteFile(server.Home("in/down.bin"), data);
    WriteFile(server.Home("in/kept.bin"), "the file before");
    server.Own();
    WriteFile(local / "up.bin", data);
    const std::string digest = Sha256Of(local / "up.bin");
    const auto upload = [&](const FaultRelay& relay, const std::string& input, const std::string& name,
                            const std::string& log, const std::string& options = "") {
        return RunProgram({"sh", "-c", input + " exec \"$0\" upload " + options + " - \"$1\" --json --log \"$2\"",
                           PARCELO_CLI_PATH, server.UrlAt(relay.GetPort(), "/in/" + name), log});
    };
    const std::string redirected = "<\"" + local / "up.bin" + "\"";
    const std::string piped = "cat \"" + local / "up.bin" + "\" |";

    FaultRelay clean("127.0.0.1", static_cast<uint16_t>(server.Port()), {});
    ASSERT_TRUE(clean.Start());
    const std::string cleanLog = local / "clean.log";
    const CliResult down =
        RunCli({"cat", server.UrlAt(clean.GetPort(), "/in/down.bin"), "--json", "--log", cleanLog});
    ASSERT_EQ(down.status, 0) << down.err;
    EXPECT_TRUE(down.out == data);
    // Standard output carries the file: the record goes to standard error.
    EXPECT_NE(down.err.find("\"digest\":\"" + digest + "\""), std::string::npos) << down.err;
    EXPECT_NE(ReadFile(cleanLog).find("Verified: SHA-256 " + digest + " /in/down.bin"), std::string::npos);
    const CliResult unchecked =
        RunCli({"download", "--verify", "off", server.UrlAt(clean.GetPort(), "/in/down.bin"), "-"});
    ASSERT_EQ(unchecked.status, 0) << unchecked.err;
    EXPECT_EQ(clean.GetCommands("HASH ").size(), 1u);

    FaultRelay flipping("127.0.0.1", static_cast<uint16_t>(server.Port()), {.flipDataAt = kFlipAt, .flips = 3});
    ASSERT_TRUE(flipping.Start());
    const std::string downLog = local / "down.log";
    const CliResult changed =
        RunCli({"download", server.UrlAt(flipping.GetPort(), "/in/down.bin"), "-", "--log", downLog});
    EXPECT_EQ(changed.status, 1);
    EXPECT_EQ(changed.out.size(), data.size());
    EXPECT_NE(changed.err.find("Checksum mismatch: SHA-256 local "), std::string::npos) << changed.err;
    EXPECT_NE(ReadFile(downLog).find("no retry possible"), std::string::npos) << ReadFile(downLog);

    const std::string pipeLog = local / "pipe.log";
    const CliResult fromPipe = upload(flipping, piped, "piped.bin", pipeLog);
    EXPECT_EQ(fromPipe.status, 1);
    EXPECT_NE(fromPipe.err.find("Checksum mismatch: SHA-256 local "), std::string::npos) << fromPipe.err;
    EXPECT_NE(ReadFile(pipeLog).find("cannot be read again"), std::string::npos) << ReadFile(pipeLog);
    EXPECT_FALSE(fs::exists(server.Home("in/piped.bin")));
    EXPECT_FALSE(fs::exists(server.Home("in/.piped.bin.part")));
    // Under a temporary name the file that was there stays as it was.
    const CliResult replacing = upload(flipping, piped, "kept.bin", local / "kept.log", "--temp-names");
    EXPECT_EQ(replacing.status, 1);
    EXPECT_EQ(ReadFile(server.Home("in/kept.bin")), "the file before");
    EXPECT_FALSE(fs::exists(server.Home("in/.kept.bin.part")));
    EXPECT_EQ(flipping.GetFlips(), 3);

    // The relay changes one more connection: the first try of the file read again.
    FaultRelay once("127.0.0.1", static_cast<uint16_t>(server.Port()), {.flipDataAt = kFlipAt});
    ASSERT_TRUE(once.Start());
    const std::string fileLog = local / "file.log";
    const CliResult fromFile = upload(once, redirected, "again.bin", fileLog);
    ASSERT_EQ(fromFile.status, 0) << fromFile.err;
    EXPECT_EQ(once.GetFlips(), 1);
    EXPECT_TRUE(ReadFile(server.Home("in/again.bin")) == data);
    const std::string records = ReadFile(fileLog);
    EXPECT_EQ(Count(records, "Checksum mismatch: SHA-256 local "), 1) << records;
    EXPECT_EQ(Count(records, "Verified: SHA-256 " + digest + " /in/again.bin"), 1) << records;
    EXPECT_NE(fromFile.out.find("\"digest\":\"" + digest + "\""), std::string::npos) << fromFile.out;
}

// The library's foreground file: a download goes once more after a
// mismatch and leaves no corrupt file after two; a file read to its end
// through Read answers its check from Close.
TEST(VerifyTest, TheForegroundFileIsCheckedWhenReadWhole) {
    RealServer server("proftpd");
    std::string reason;
    if (!StartDigestServer(server, "all", reason)) GTEST_SKIP() << reason;
    TempDir local;
    const std::string data = RandomBytes(300000, 27);
    WriteFile(server.Home("in/f.bin"), data);
    server.Own();
    const auto login = [&](CFtpFile& file, const FaultRelay& relay) {
        return file.Login("127.0.0.1", server.User(), "secret", relay.GetPort());
    };
    const auto readWhole = [](CFtpFile& file) {
        std::string bytes(CFtpFile::kBlockSize, '\0');
        while (file.Read(bytes.data(), bytes.size()) > 0) {
        }
    };

    FaultRelay once("127.0.0.1", static_cast<uint16_t>(server.Port()), {.flipDataAt = kFlipAt});
    ASSERT_TRUE(once.Start());
    CFtpFile file;
    ASSERT_TRUE(login(file, once)) << file.GetStrError();
    ASSERT_TRUE(file.Download(CFtpPath("/in/f.bin"), CFtpPath(local / "f.bin"))) << file.GetStrError();
    EXPECT_TRUE(ReadFile(local / "f.bin") == data);
    EXPECT_EQ(once.GetFlips(), 1);
    EXPECT_EQ(once.GetCommands("HASH ").size(), 2u);
    ASSERT_TRUE(file.Open("/in/f.bin")) << file.GetStrError();
    readWhole(file);
    EXPECT_TRUE(file.Close()) << file.GetStrError();

    FaultRelay always("127.0.0.1", static_cast<uint16_t>(server.Port()), {.flipDataAt = kFlipAt, .flips = -1});
    ASSERT_TRUE(always.Start());
    CFtpFile changed;
    ASSERT_TRUE(login(changed, always)) << changed.GetStrError();
    EXPECT_FALSE(changed.Download(CFtpPath("/in/f.bin"), CFtpPath(local / "g.bin")));
    EXPECT_NE(changed.GetStrError().find("Ftp: Checksum mismatch: SHA-256 local "), std::string::npos)
        << changed.GetStrError();
    EXPECT_FALSE(fs::exists(local / "g.bin"));
    ASSERT_TRUE(changed.Open("/in/f.bin")) << changed.GetStrError();
    readWhole(changed);
    EXPECT_FALSE(changed.Close());
    EXPECT_NE(changed.GetStrError().find("Checksum mismatch"), std::string::npos) << changed.GetStrError();
    EXPECT_EQ(always.GetFlips(), 3);
    // A file left before its end was not read whole: nothing to check.
    ASSERT_TRUE(login(changed, always));
    ASSERT_TRUE(changed.Open("/in/f.bin"));
    std::string line;
    EXPECT_TRUE(changed.ReadString(line));
    EXPECT_TRUE(changed.Close());
}

// The library's client sends and takes single files the same way: once
// more after a mismatch, and nothing left under the file's name after two.
TEST(VerifyTest, TheClientsSingleFilesAreCheckedAndGoAgainOnce) {
    RealServer server("proftpd");
    std::string reason;
    if (!StartDigestServer(server, "all", reason)) GTEST_SKIP() << reason;
    TempDir local;
    const std::string data = RandomBytes(300000, 28);
    WriteFile(local / "up.bin", data);
    fs::create_directories(server.Home("in"));
    server.Own();
    const auto login = [&](CFtpClient& client, const FaultRelay& relay) {
        CFtpLoginInfo info;
        info.SetHost("127.0.0.1");
        info.SetPort(relay.GetPort());
        info.SetLoginName(server.User());
        info.SetPassword("secret");
        return client.Login(info);
    };

    for (const bool upload : {true, false}) {
        SCOPED_TRACE(upload ? "upload" : "download");
        FaultRelay once("127.0.0.1", static_cast<uint16_t>(server.Port()), {.flipDataAt = kFlipAt});
        ASSERT_TRUE(once.Start());
        CFtpClient client;
        ASSERT_TRUE(login(client, once)) << client.GetStrError();
        const bool sent = upload ? client.UploadFile(CFtpPath(local / "up.bin"), CFtpPath("/in/c.bin"))
                                 : client.DownloadFile(CFtpPath("/in/c.bin"), CFtpPath(local / "c.bin"));
        ASSERT_TRUE(sent) << client.GetStrError();
        EXPECT_TRUE(ReadFile(upload ? server.Home("in/c.bin") : local / "c.bin") == data);
        EXPECT_EQ(once.GetFlips(), 1);
    }

    FaultRelay always("127.0.0.1", static_cast<uint16_t>(server.Port()), {.flipDataAt = kFlipAt, .flips = -1});
    ASSERT_TRUE(always.Start());
    CFtpClient changed;
    ASSERT_TRUE(login(changed, always)) << changed.GetStrError();
    EXPECT_FALSE(changed.UploadFile(CFtpPath(local / "up.bin"), CFtpPath("/in/d.bin")));
    EXPECT_NE(changed.GetStrError().find("Ftp: Checksum mismatch: SHA-256 local "), std::string::npos)
        << changed.GetStrError();
    EXPECT_FALSE(fs::exists(server.Home("in/d.bin")));
    EXPECT_FALSE(changed.DownloadFile(CFtpPath("/in/c.bin"), CFtpPath(local / "d.bin")));
    EXPECT_NE(changed.GetStrError().find("Checksum mismatch"), std::string::npos) << changed.GetStrError();
    EXPECT_FALSE(fs::exists(local / "d.bin"));
    EXPECT_EQ(always.GetFlips(), 4);
}

// Each command on its own: the server computes one algorithm, and the relay
// hides the commands that would be preferred. A name with a blank needs
// quotes for the commands that read a range after it.
struct CommandCase {
    const char* algorithms;  // DigestAlgorithms
    const char* verb;        // the command that must be used
    const char* algorithm;   // as the log names it
    std::vector<std::string> hidden;
};

class VerifyCommandTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(VerifyCommandTest, ACommandAloneCatchesAChangedByte) {
    const CommandCase& wanted = GetParam();
    RealServer server("proftpd");
    std::string reason;
    if (!StartDigestServer(server, wanted.algorithms, reason)) GTEST_SKIP() << reason;
    TempDir local;
    const std::string data = RandomBytes(200000, 25);
    WriteFile(local / "my file.bin", data);
    FaultPlan plan{.flipDataAt = kFlipAt};
    plan.hideFeatures = wanted.hidden;
    FaultRelay relay("127.0.0.1", static_cast<uint16_t>(server.Port()), plan);
    ASSERT_TRUE(relay.Start());

    const std::string log = local / "up.log";
    const CliResult up =
        RunCli({"upload", local / "my file.bin", server.UrlAt(relay.GetPort(), "/in/"), "--log", log});
    ASSERT_EQ(up.status, 0) << up.err;
    EXPECT_TRUE(ReadFile(server.Home("in/my file.bin")) == data);
    const std::string records = ReadFile(log);
    EXPECT_EQ(Count(records, std::string("Checksum mismatch: ") + wanted.algorithm + " local "), 1) << records;
    EXPECT_EQ(Count(records, std::string("Verified: ") + wanted.algorithm + " "), 1) << records;
    const std::vector<std::string> asked = relay.GetCommands(std::string(wanted.verb) + " ");
    EXPECT_EQ(asked.size(), 2u);
    for (const std::string verb : {"HASH", "XSHA512", "XSHA256", "XSHA1", "XMD5", "MD5", "XCRC"}) {
        if (verb != wanted.verb) {
            EXPECT_TRUE(relay.GetCommands(verb + " ").empty()) << verb;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, VerifyCommandTest,
    ::testing::Values(CommandCase{"sha512", "HASH", "SHA-512", {}},
                      CommandCase{"sha512", "XSHA512", "SHA-512", {"HASH"}},
                      CommandCase{"sha256", "XSHA256", "SHA-256", {"HASH"}},
                      CommandCase{"sha1", "XSHA1", "SHA-1", {"HASH"}},
                      CommandCase{"md5", "XMD5", "MD5", {"HASH"}},
                      CommandCase{"md5", "MD5", "MD5", {"HASH", "XMD5"}},
                      CommandCase{"crc32", "XCRC", "CRC32", {"HASH"}}),
    [](const ::testing::TestParamInfo<CommandCase>& info) {
        return std::string(info.param.verb) + (info.param.hidden.empty() ? "" : "Alone");
    });

}  // namespace
}  // namespace velmora::test
