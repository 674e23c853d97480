// The SFTP session against real servers on loopback: OpenSSH's sshd and
// ProFTPD's mod_sftp, started by tests/support/real_ftp_servers.sh. They need
// root; where a server cannot run the tests are skipped.

#include "ftp/sftp_session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include "ftp/ftp_dir.h"
#include "platform/clock.h"
#include "support/sftp_server.h"
#include "support/stream_relay.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

using protocol::CFtpOptions;
using protocol::CSshSettings;

std::string Sha256Hex(const std::string& data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(data.data(), data.size(), digest, &size, EVP_sha256(), nullptr);
    std::string hex;
    for (unsigned int i = 0; i < size; ++i) {
        static const char kDigits[] = "0123456789abcdef";
        hex += kDigits[digest[i] >> 4];
        hex += kDigits[digest[i] & 15];
    }
    return hex;
}

// Why the last transfer of Upload or Download failed (the stream's error).
ERemoteError g_streamError = ERemoteError::None;

bool Failed(const CRemoteStream& stream) {
    g_streamError = stream.GetLastErrorKind();
    return false;
}

bool Upload(CSftpSession& session, const std::string& path, const std::string& data, uint64_t offset = 0,
            ERemoteWrite mode = ERemoteWrite::Replace) {
    auto stream = session.OpenWrite(path, offset, mode);
    if (!stream) return false;
    // Odd block sizes, so that the stream's own blocks do not line up with the caller's.
    for (size_t at = 0; at < data.size(); at += 50000) {
        if (!stream->Write(data.data() + at, std::min<size_t>(50000, data.size() - at))) return Failed(*stream);
    }
    return stream->Close() || Failed(*stream);
}

bool Download(CSftpSession& session, const std::string& path, std::string& data, uint64_t offset = 0) {
    data.clear();
    auto stream = session.OpenRead(path, offset);
    if (!stream) return false;
    char buffer[70000];
    for (;;) {
        size_t received = 0;
        if (!stream->Read(buffer, sizeof buffer, received)) return Failed(*stream);
        if (received == 0) break;
        data.append(buffer, received);
    }
    return stream->Close() || Failed(*stream);
}

class SftpTest : public ::testing::Test {
protected:
    // Starts the server (or skips) and trusts its host key in a known-hosts file of the test's.
    void Serve(const std::string& kind, const std::string& mode = {}) {
        if (geteuid() != 0) GTEST_SKIP() << kind << " needs root";
        server = std::make_unique<SftpServer>(kind, mode);
        std::string reason;
        if (!server->Start(reason)) GTEST_SKIP() << reason;
        knownHosts = local / "known_hosts";
        if (kind == "sshd") WriteFile(knownHosts, server->KnownHostsLine() + "\n");
        ssh.knownHostsFiles = {knownHosts, local / "own_known_hosts"};
        ssh.useAgent = false;
        options.connectTimeoutMs = options.receiveTimeoutMs = options.sendTimeoutMs = 10000;
    }
    bool Connect(CSftpSession& session, const std::string& password = "secret", uint16_t port = 0) {
        return session.Connect("127.0.0.1", port ? port : server->GetPort(), server->GetUser(), password, ssh, options);
    }

    TempDir local;
    std::unique_ptr<SftpServer> server;
    std::string knownHosts;
    CSshSettings ssh;
    CFtpOptions options;
};

// --- Host keys ---

TEST_F(SftpTest, AnUnknownHostKeyIsRefusedBeforeAnyCredentialAndNamesItsFingerprint) {
    Serve("sshd");
    WriteFile(knownHosts, "");
    CSftpSession session;
    ASSERT_FALSE(Connect(session));
    EXPECT_EQ(session.GetLastErrorKind(), ERemoteError::Untrusted);
    const std::string& fingerprint = session.GetHostKey().fingerprint;
    ASSERT_EQ(fingerprint.rfind("SHA256:", 0), 0u) << fingerprint;
    std::string shown;
    RunShell("ssh-keygen -l -f " + server->File("ssh/host_ed25519.pub"), &shown);
    EXPECT_NE(shown.find(fingerprint), std::string::npos) << shown << " vs " << fingerprint;
    EXPECT_NE(session.GetLastError().find("ssh-ed25519"), std::string::npos);
    EXPECT_NE(session.GetLastError().find("--fingerprint " + fingerprint), std::string::npos);
    // The server never saw a login attempt.
    EXPECT_EQ(server->GetLog().find("authenticating user"), std::string::npos) << server->GetLog();
    EXPECT_EQ(server->GetLog().find("Accepted"), std::string::npos);

    // Pinned, the same key is taken; another pin is not.
    ssh.fingerprint = fingerprint;
    EXPECT_TRUE(Connect(session)) << session.GetLastError();
    ssh.fingerprint = "SHA256:AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA";
    EXPECT_FALSE(Connect(session));
    EXPECT_EQ(session.GetLastErrorKind(), ERemoteError::Untrusted);
}

TEST_F(SftpTest, AChangedHostKeyIsRefusedLoudlyAndATrustedOneIsRemembered) {
    Serve("sshd");
    // The test's "user file" knows another key for this host and port.
    WriteFile(knownHosts, "# made by a test\n" + server->KnownHostsLine("ssh/other_ed25519.pub") + "\n");
    CSftpSession session;
    ASSERT_FALSE(Connect(session));
    EXPECT_EQ(session.GetLastErrorKind(), ERemoteError::Untrusted);
    EXPECT_NE(session.GetLastError().find("HAS CHANGED"), std::string::npos) << session.GetLastError();
    EXPECT_NE(session.GetLastError().find(":2"), std::string::npos) << "names the line of the old key";

    // Trusting a key that was only unknown stores it in our own file.
    WriteFile(knownHosts, "");
    ASSERT_FALSE(Connect(session));
    std::string error;
    ASSERT_TRUE(protocol::TrustHostKey(ssh.knownHostsFiles[1], "127.0.0.1", server->GetPort(), session.GetHostKey(),
                                       error))
        << error;
    struct stat status {};
    ASSERT_EQ(::stat(ssh.knownHostsFiles[1].c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_TRUE(Connect(session)) << session.GetLastError();
}

TEST_F(SftpTest, ProftpdsHostKeyIsCheckedToo) {
    Serve("proftpd", "sftp");
    CSftpSession session;
    ASSERT_FALSE(Connect(session));
    EXPECT_EQ(session.GetLastErrorKind(), ERemoteError::Untrusted);
    ssh.fingerprint = session.GetHostKey().fingerprint;
    EXPECT_TRUE(Connect(session)) << session.GetLastError();
    EXPECT_EQ(session.GetHomeFolder(), "/");
}

// --- Logins ---

TEST_F(SftpTest, LoginsWithPasswordKeyFileEncryptedKeyAndAgent) {
    Serve("sshd");
    CSftpSession session;
    EXPECT_TRUE(Connect(session)) << session.GetLastError();
    EXPECT_EQ(session.GetHomeFolder(), server->Home().substr(0, server->Home().size() - 1));
    EXPECT_NE(session.GetEncryption().find("SSH ("), std::string::npos);

    ssh.identities = {server->File("ssh/client_ed25519")};
    EXPECT_TRUE(Connect(session, "")) << session.GetLastError();

    // The encrypted key: its passphrase is asked, once; a wrong one fails the login.
    ssh.identities = {server->File("ssh/client_locked")};
    int asked = 0;
    std::string passphrase = "open sesame";
    ssh.askPassphrase = [&](const std::string& file, std::string& answer) {
        ++asked;
        EXPECT_EQ(file, server->File("ssh/client_locked"));
        answer = passphrase;
        return true;
    };
    EXPECT_TRUE(Connect(session, "")) << session.GetLastError();
    EXPECT_EQ(asked, 1);
    passphrase = "wrong";
    EXPECT_FALSE(Connect(session, ""));
    EXPECT_EQ(session.GetLastErrorKind(), ERemoteError::LoginRefused);
    EXPECT_NE(session.GetLastError().find("client_locked: wrong passphrase"), std::string::npos)
        << session.GetLastError();

    // The agent holds the key; nothing else is offered.
    std::string agent;
    ASSERT_EQ(RunShell("ssh-agent -s", &agent), 0);
    const size_t sock = agent.find("SSH_AUTH_SOCK=");
    const size_t pid = agent.find("SSH_AGENT_PID=");
    ASSERT_NE(sock, std::string::npos);
    const std::string socket = agent.substr(sock + 14, agent.find(';', sock) - sock - 14);
    const std::string agentPid = agent.substr(pid + 14, agent.find(';', pid) - pid - 14);
    ASSERT_EQ(RunShell("SSH_AUTH_SOCK=" + socket + " ssh-add -q " + server->File("ssh/client_ed25519") + " 2>&1"), 0);
    ::setenv("SSH_AUTH_SOCK", socket.c_str(), 1);
    ssh.identities.clear();
    ssh.useAgent = true;
    EXPECT_TRUE(Connect(session, "")) << session.GetLastError();
    ::unsetenv("SSH_AUTH_SOCK");
    RunShell("kill " + agentPid);
}

TEST_F(SftpTest, ARefusedLoginNamesTheMethodsTriedAndOffered) {
    Serve("sshd");
    CSftpSession session;
    ssh.identities = {local / "missing_key"};
    ASSERT_FALSE(Connect(session, "wrong"));
    EXPECT_EQ(session.GetLastErrorKind(), ERemoteError::LoginRefused);
    const std::string& error = session.GetLastError();
    EXPECT_NE(error.find("publickey (missing_key: no such file)"), std::string::npos) << error;
    EXPECT_NE(error.find("password"), std::string::npos) << error;
    EXPECT_NE(error.find("the server offers: publickey, password"), std::string::npos) << error;
}

// Servers that ask for the password only through keyboard-interactive
// questions (PAM behind sshd, and behind ProFTPD's mod_sftp) get it as the
// answer; a wrong one fails naming what was tried and what the server
// offers; without a password the question goes to whoever the settings ask.
class SftpKeyboardTest : public SftpTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SftpKeyboardTest, ThePasswordOrTheAskerAnswersTheServersQuestions) {
    const std::string kind = GetParam();
    Serve(kind, kind == "sshd" ? "kbdint" : "sftp-kbdint");
    if (kind != "sshd") {
        CSftpSession probe;
        ASSERT_FALSE(Connect(probe));
        ssh.fingerprint = probe.GetHostKey().fingerprint;
    }
    std::vector<std::string> asked;
    std::string answer;
    ssh.askKeyboard = [&](const std::string& prompt, bool echo, std::string& given) {
        asked.push_back(prompt + (echo ? " (shown)" : ""));
        given = answer;
        return !answer.empty();
    };
    CSftpSession session;
    EXPECT_TRUE(Connect(session)) << session.GetLastError();
    EXPECT_TRUE(asked.empty()) << asked[0];

    ASSERT_FALSE(Connect(session, "wrong"));
    EXPECT_EQ(session.GetLastErrorKind(), ERemoteError::LoginRefused);
    const std::string& error = session.GetLastError();
    EXPECT_NE(error.find("tried: keyboard-interactive;"), std::string::npos) << error;
    EXPECT_NE(error.find("keyboard-interactive)"), std::string::npos) << error;
    EXPECT_EQ(error.find("password,"), std::string::npos) << "no password method is offered: " << error;

    asked.clear();
    answer = "secret";
    EXPECT_TRUE(Connect(session, "")) << session.GetLastError();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("assword"), std::string::npos) << asked[0];
    EXPECT_EQ(asked[0].find("(shown)"), std::string::npos) << "a password is asked without echo";
}

INSTANTIATE_TEST_SUITE_P(Servers, SftpKeyboardTest, ::testing::Values("sshd", "proftpd"));

// --- Files and folders, on both servers ---

class SftpServersTest : public SftpTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        const std::string kind = GetParam();
        Serve(kind, kind == "proftpd" ? "sftp" : "");
        if (IsSkipped()) return;
        if (kind == "proftpd") {
            CSftpSession probe;
            ASSERT_FALSE(Connect(probe));
            ssh.fingerprint = probe.GetHostKey().fingerprint;
        }
        ASSERT_TRUE(Connect(session)) << session.GetLastError();
    }
    CSftpSession session;
};

TEST_P(SftpServersTest, FilesRoundTripWhateverTheirNameAndSize) {
    const std::vector<std::pair<std::string, std::string>> files = {
        {"empty.txt", ""},
        {"with space ünïcødé.txt", "hello\n"},
        {"large.bin", RandomBytes(5 * 1024 * 1024 + 12345, 7)},
    };
    ASSERT_TRUE(session.MakeFolder(server->Remote("up"))) << session.GetLastError();
    for (const auto& [name, data] : files) {
        ASSERT_TRUE(Upload(session, server->Remote("up/" + name), data)) << name << ": " << session.GetLastError();
        EXPECT_EQ(ReadFile(server->Home("up/" + name)), data) << name;
        std::string back;
        ASSERT_TRUE(Download(session, server->Remote("up/" + name), back)) << name;
        EXPECT_EQ(back, data) << name;
    }
    // A file written again is replaced, not extended.
    ASSERT_TRUE(Upload(session, server->Remote("up/large.bin"), "short"));
    EXPECT_EQ(ReadFile(server->Home("up/large.bin")), "short");
}

TEST_P(SftpServersTest, ListingsComeFromAttributesWithLinksFlagged) {
    WriteFile(server->Home("dir/a.bin"), RandomBytes(1000));
    std::filesystem::create_directories(server->Home("dir/sub"));
    std::filesystem::create_symlink("a.bin", server->Home("dir/link"));
    WriteFile(server->Home("dir/bad\nname"), "x");
    server->Own();
    const int64_t when = 1700000000;
    ASSERT_TRUE(session.SetModifiedTime(server->Remote("dir/a.bin"), platform::UnixToFileTime(when)))
        << session.GetLastError();

    std::map<std::string, CFtpDir> entries;
    std::vector<std::string> refused;
    ASSERT_TRUE(session.List(
        server->Remote("dir"), [&](CFtpDir&& entry) { return entries.emplace(entry.GetName(), entry), true; },
        [&](const std::string& name) { refused.push_back(name); }))
        << session.GetLastError();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_TRUE(entries["a.bin"].IsFile());
    EXPECT_EQ(entries["a.bin"].GetPath().Length(), 1000u);
    EXPECT_EQ(platform::FileTimeToUnix(entries["a.bin"].GetPath().LastWriteTime()), when);
    EXPECT_TRUE(entries["sub"].IsFolder());
    EXPECT_TRUE(entries["link"].IsLink());
    EXPECT_EQ(refused, std::vector<std::string>{server->Remote("dir/") + "bad?name"});

    CRemoteFacts facts;
    ASSERT_TRUE(session.GetFacts(server->Remote("dir/a.bin"), facts));
    EXPECT_TRUE(facts.exists);
    EXPECT_EQ(facts.size, 1000u);
    EXPECT_EQ(platform::FileTimeToUnix(facts.modified), when);
    ASSERT_TRUE(session.GetFacts(server->Remote("dir/none"), facts));
    EXPECT_FALSE(facts.exists);
    EXPECT_TRUE(session.IsFolder(server->Remote("dir/sub")));
    EXPECT_FALSE(session.IsFolder(server->Remote("dir/a.bin")));
}

TEST_P(SftpServersTest, TransfersContinueAtAnOffsetAndAppend) {
    const std::string data = RandomBytes(300000, 3);
    WriteFile(server->Home("whole.bin"), data);
    server->Own();
    std::string tail;
    ASSERT_TRUE(Download(session, server->Remote("whole.bin"), tail, 200000));
    EXPECT_EQ(tail, data.substr(200000));
    if (std::string(GetParam()) == "sshd") {
        EXPECT_EQ(server->BytesRead(server->Remote("whole.bin")), 100000u);
    }

    ASSERT_TRUE(Upload(session, server->Remote("part.bin"), data.substr(0, 123456)));
    ASSERT_TRUE(Upload(session, server->Remote("part.bin"), data.substr(123456), 123456));
    EXPECT_EQ(ReadFile(server->Home("part.bin")), data);
    ASSERT_TRUE(Upload(session, server->Remote("part.bin"), "more", 0, ERemoteWrite::Append));
    EXPECT_EQ(ReadFile(server->Home("part.bin")), data + "more");
}

TEST_P(SftpServersTest, RenameDeleteFoldersAndPermissions) {
    ASSERT_TRUE(Upload(session, server->Remote("a.txt"), "a"));
    ASSERT_TRUE(Upload(session, server->Remote("b.txt"), "b"));
    // A rename replaces an existing target, as FTP servers do.
    ASSERT_TRUE(session.Rename(server->Remote("a.txt"), server->Remote("b.txt"))) << session.GetLastError();
    EXPECT_EQ(ReadFile(server->Home("b.txt")), "a");
    EXPECT_FALSE(std::filesystem::exists(server->Home("a.txt")));

    ASSERT_TRUE(session.SetPermissions(server->Remote("b.txt"), 0600)) << session.GetLastError();
    EXPECT_EQ(std::filesystem::status(server->Home("b.txt")).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    ASSERT_TRUE(session.MakeFolder(server->Remote("f")));
    ASSERT_TRUE(Upload(session, server->Remote("f/x"), "x"));
    EXPECT_FALSE(session.RemoveFolder(server->Remote("f")));
    EXPECT_EQ(session.GetLastErrorKind(), ERemoteError::Refused);
    ASSERT_TRUE(session.DeleteFile(server->Remote("f/x")));
    ASSERT_TRUE(session.RemoveFolder(server->Remote("f"))) << session.GetLastError();
    EXPECT_FALSE(std::filesystem::exists(server->Home("f")));

    EXPECT_FALSE(session.DeleteFile(server->Remote("none")));
    EXPECT_EQ(session.GetLastErrorKind(), ERemoteError::Refused);
    EXPECT_EQ(session.OpenRead(server->Remote("none"), 0), nullptr);
    EXPECT_EQ(session.GetLastErrorKind(), ERemoteError::Refused);
    EXPECT_NE(session.GetLastError().find("none"), std::string::npos);
    EXPECT_TRUE(session.IsConnected());
}

// A folder found once is not asked about again, until something may have
// moved it: this session's rename or removal, or a failure (the folder taken
// away behind the session's back).
TEST_P(SftpServersTest, AFolderFoundOnceIsAskedAgainOnlyOnceItMayHaveGone) {
    const std::string folder = server->Remote("f") + "/";
    ASSERT_TRUE(session.MakeFolder(server->Remote("f")));
    ASSERT_TRUE(session.IsFolder(folder)) << session.GetLastError();
    ASSERT_TRUE(session.RemoveFolder(server->Remote("f")));
    EXPECT_FALSE(session.IsFolder(folder));

    ASSERT_TRUE(session.MakeFolder(server->Remote("f")));
    ASSERT_TRUE(session.IsFolder(folder));
    ASSERT_TRUE(session.Rename(server->Remote("f"), server->Remote("g")));
    EXPECT_FALSE(session.IsFolder(folder));
    EXPECT_TRUE(session.IsFolder(server->Remote("g") + "/"));

    std::filesystem::remove_all(server->Home("g"));
    EXPECT_TRUE(session.IsFolder(server->Remote("g") + "/")) << "not asked again";
    EXPECT_EQ(session.OpenWrite(server->Remote("g/x"), 0, ERemoteWrite::Replace), nullptr);
    EXPECT_FALSE(session.IsFolder(server->Remote("g") + "/"));
    EXPECT_EQ(session.GetLastErrorKind(), ERemoteError::Refused);
}

TEST_P(SftpServersTest, AnAbandonedTransferLeavesTheSessionUsable) {
    const std::string data = RandomBytes(3 * 1024 * 1024, 5);
    WriteFile(server->Home("big.bin"), data);
    server->Own();
    {
        auto stream = session.OpenRead(server->Remote("big.bin"), 0);
        ASSERT_TRUE(stream);
        char buffer[100000];
        size_t received = 0;
        ASSERT_TRUE(stream->Read(buffer, sizeof buffer, received));
        ASSERT_TRUE(stream->Read(buffer, sizeof buffer, received));
        EXPECT_FALSE(session.DeleteFile(server->Remote("big.bin"))) << "a stream is open";
        EXPECT_EQ(session.GetLastErrorKind(), ERemoteError::Usage);
        EXPECT_FALSE(stream->Close()) << "a download closed before its end is no success";
    }
    {
        auto stream = session.OpenWrite(server->Remote("half.bin"), 0, ERemoteWrite::Replace);
        ASSERT_TRUE(stream);
        ASSERT_TRUE(stream->Write(data.data(), data.size() / 2));
        stream->Abort();
    }
    // The answers to the abandoned blocks are still coming; the next requests get theirs.
    std::string back;
    ASSERT_TRUE(Download(session, server->Remote("big.bin"), back)) << session.GetLastError();
    EXPECT_EQ(back, data);
    CRemoteFacts facts;
    ASSERT_TRUE(session.GetFacts(server->Remote("half.bin"), facts));
    EXPECT_TRUE(facts.exists);

    // A session closed under an open stream leaves the stream closed, not dangling.
    auto stream = session.OpenRead(server->Remote("big.bin"), 0);
    ASSERT_TRUE(stream);
    session.Close();
    char byte = 0;
    size_t received = 0;
    EXPECT_FALSE(stream->Read(&byte, 1, received));
    EXPECT_FALSE(stream->Close());
}

TEST_P(SftpServersTest, FourSessionsAtOnce) {
    std::vector<std::thread> threads;
    std::vector<std::string> errors(4);
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&, i] {
            CSftpSession own;
            const std::string data = RandomBytes(700000, static_cast<unsigned>(i + 20));
            const std::string path = server->Remote("s" + std::to_string(i) + ".bin");
            std::string back;
            if (!Connect(own) || !Upload(own, path, data) || !Download(own, path, back) || back != data)
                errors[i] = "session " + std::to_string(i) + ": " + own.GetLastError();
        });
    }
    for (auto& thread : threads) thread.join();
    for (const std::string& error : errors) EXPECT_EQ(error, "");
}

INSTANTIATE_TEST_SUITE_P(Servers, SftpServersTest, ::testing::Values("sshd", "proftpd"));

TEST_F(SftpTest, ServerHashesWhereItOffersThem) {
    Serve("proftpd", "sftp");
    CSftpSession session;
    ASSERT_FALSE(Connect(session));
    ssh.fingerprint = session.GetHostKey().fingerprint;
    ASSERT_TRUE(Connect(session)) << session.GetLastError();
    if (session.GetFeatures().hashes.empty()) GTEST_SKIP() << "this mod_sftp offers no check-file";
    const std::string data = RandomBytes(200000, 9);
    ASSERT_TRUE(Upload(session, "/h.bin", data));
    std::string digest;
    ASSERT_TRUE(session.Hash("/h.bin", "SHA-256", 0, 0, digest)) << session.GetLastError();
    EXPECT_EQ(digest, Sha256Hex(data));
    ASSERT_TRUE(session.Hash("/h.bin", "SHA-256", 0, 5000, digest)) << session.GetLastError();
    EXPECT_EQ(digest, Sha256Hex(data.substr(0, 5000)));
    // mod_sftp hashes a range that starts past 0 wrongly (past its end): no
    // such range is asked, rather than trusting a digest of other bytes.
    EXPECT_FALSE(session.Hash("/h.bin", "SHA-256", 1000, 5000, digest));
    EXPECT_EQ(session.GetLastErrorKind(), ERemoteError::Unsupported);
}

TEST_F(SftpTest, OpenSshsServerOffersNoHashes) {
    Serve("sshd");
    CSftpSession session;
    ASSERT_TRUE(Connect(session)) << session.GetLastError();
    EXPECT_TRUE(session.GetFeatures().hashes.empty());
    std::string digest;
    EXPECT_FALSE(session.Hash(server->Home("x"), "SHA-256", 0, 0, digest));
    EXPECT_EQ(session.GetLastErrorKind(), ERemoteError::Unsupported);
    EXPECT_TRUE(session.IsConnected());
}

// --- Broken connections ---

TEST_F(SftpTest, ACutMidFileFailsTheTransferAndTheNextSessionContinuesAtTheOffset) {
    Serve("sshd");
    const std::string data = RandomBytes(4 * 1024 * 1024, 13);
    WriteFile(server->Home("cut.bin"), data);
    server->Own();
    StreamRelay relay(server->GetPort(), {.resetAfterBytes = 1024 * 1024});
    ASSERT_TRUE(relay.Start());
    WriteFile(knownHosts, server->KnownHostsLine("ssh/host_ed25519.pub", relay.GetPort()) + "\n");
    CSftpSession session;
    ASSERT_TRUE(Connect(session, "secret", relay.GetPort())) << session.GetLastError();
    std::string first;
    ASSERT_FALSE(Download(session, server->Remote("cut.bin"), first));
    EXPECT_EQ(g_streamError, ERemoteError::Lost);
    EXPECT_FALSE(session.IsConnected());
    // What arrived is a true beginning of the file.
    EXPECT_LT(first.size(), data.size());
    EXPECT_EQ(first, data.substr(0, first.size()));
    ASSERT_TRUE(Connect(session, "secret", relay.GetPort())) << session.GetLastError();
    std::string rest;
    const uint64_t before = server->BytesRead(server->Remote("cut.bin"));
    ASSERT_TRUE(Download(session, server->Remote("cut.bin"), rest, 1500000)) << session.GetLastError();
    EXPECT_EQ(rest, data.substr(1500000));
    EXPECT_EQ(server->BytesRead(server->Remote("cut.bin")) - before, data.size() - 1500000);
}

TEST_F(SftpTest, AServerThatStopsAnsweringFailsWithinTheTimeOut) {
    Serve("sshd");
    WriteFile(server->Home("stall.bin"), RandomBytes(2 * 1024 * 1024, 17));
    server->Own();
    StreamRelay relay(server->GetPort(), {.stallAfterBytes = 256 * 1024});
    ASSERT_TRUE(relay.Start());
    WriteFile(knownHosts, server->KnownHostsLine("ssh/host_ed25519.pub", relay.GetPort()) + "\n");
    options.receiveTimeoutMs = options.sendTimeoutMs = 300;
    CSftpSession session;
    ASSERT_TRUE(Connect(session, "secret", relay.GetPort())) << session.GetLastError();
    std::string data;
    ASSERT_FALSE(Download(session, server->Remote("stall.bin"), data));
    EXPECT_EQ(g_streamError, ERemoteError::Lost);
}

// A cancel ends a wait on a server that stopped answering at once, not after
// the time-out: a download waiting for its blocks, and an upload waiting
// for the server to take more, also when it comes after the transfer last
// looked for one and before its wait began.
TEST_F(SftpTest, ACancelEndsAWaitOnASilentServerAtOnce) {
    Serve("sshd");
    WriteFile(server->Home("stall.bin"), RandomBytes(2 * 1024 * 1024, 17));
    server->Own();
    // Far longer than the bound below: only the cancel can end the wait in time.
    options.receiveTimeoutMs = options.sendTimeoutMs = 60000;
    std::atomic<bool> cancel{false};
    // When not negative: the question says "go on" this many more times, then cancels.
    std::atomic<int> looksBeforeCancel{-1};
    options.cancelled = [&] {
        if (looksBeforeCancel >= 0 && looksBeforeCancel-- == 0) cancel = true;
        return cancel.load();
    };
    const auto connectOverStallingRelay = [&](StreamRelay& relay, CSftpSession& session) {
        cancel = false;
        looksBeforeCancel = -1;
        ASSERT_TRUE(relay.Start());
        WriteFile(knownHosts, server->KnownHostsLine("ssh/host_ed25519.pub", relay.GetPort()) + "\n");
        ASSERT_TRUE(Connect(session, "secret", relay.GetPort())) << session.GetLastError();
    };
    const auto expectHeardAtOnce = [&](std::future<bool>& outcome) {
        ASSERT_EQ(outcome.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "the cancel was not heard";
        EXPECT_FALSE(outcome.get());
        EXPECT_EQ(g_streamError, ERemoteError::Lost);
    };
    const auto cancelWhenStalled = [&](uint64_t stallAfterBytes, const std::function<bool(CSftpSession&)>& transfer) {
        StreamRelay relay(server->GetPort(), {.stallAfterBytes = stallAfterBytes});
        CSftpSession session;
        ASSERT_NO_FATAL_FAILURE(connectOverStallingRelay(relay, session));
        auto outcome = std::async(std::launch::async, [&] { return transfer(session); });
        ASSERT_TRUE(relay.WaitForStall(std::chrono::seconds(20)));
        cancel = true;
        expectHeardAtOnce(outcome);
    };
    cancelWhenStalled(256 * 1024, [&](CSftpSession& session) {
        std::string data;
        return Download(session, server->Remote("stall.bin"), data);
    });
    // The server's answers to the writes stop after the login's.
    cancelWhenStalled(16 * 1024, [&](CSftpSession& session) {
        return Upload(session, server->Remote("up.bin"), std::string(32 * 1024 * 1024, 'u'));
    });

    // Nothing of the file comes; the read looks for a cancel once, finds
    // none, and the cancel comes before it waits for its first block.
    StreamRelay relay(server->GetPort(), {.stallAfterBytes = 16 * 1024});
    CSftpSession session;
    ASSERT_NO_FATAL_FAILURE(connectOverStallingRelay(relay, session));
    auto stream = session.OpenRead(server->Remote("stall.bin"), 0);
    ASSERT_TRUE(stream) << session.GetLastError();
    looksBeforeCancel = 1;
    auto outcome = std::async(std::launch::async, [&] {
        char buffer[4096];
        size_t received = 0;
        const bool read = stream->Read(buffer, sizeof buffer, received);
        g_streamError = stream->GetLastErrorKind();
        return read;
    });
    expectHeardAtOnce(outcome);
}

}  // namespace
}  // namespace velmora::test
