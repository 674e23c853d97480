#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/text.h"
#include "ftp/ftp_file.h"
#include "ftp/protocol/tls_settings.h"
#include "ftp_test_helpers.h"
#include "ftp/protocol/tls_memory.h"
#include "support/fake_ftp_server.h"
#include "support/fault_relay.h"
#include "support/ftp_server.h"
#include "support/recording_relay.h"
#include "support/test_certificates.h"

// FTP over TLS against pyftpdlib's TLS handler (TLS required on the control
// and on every data connection), with a test CA made at test time.
namespace velmora::protocol {
namespace {

using test::FtpServer;
using test::FtpServerOptions;
using test::RecordingRelay;
using test::TestCertificatesSuite;

constexpr int kApplicationData = 23;

class FtpsTest : public TestCertificatesSuite {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(TestCertificatesSuite::SetUp());
        ASSERT_TRUE(server.Start()) << server.GetError();
    }

    static FtpServerOptions TlsServer(const std::string& host = "127.0.0.1") {
        FtpServerOptions options;
        options.host = host;
        options.tlsCertFile = certificates->ServerCertFile();
        options.tlsKeyFile = certificates->ServerKeyFile();
        return options;
    }

    static CFtpOptions Options(ETlsMode mode, const std::string& caFile = {}, const std::string& pin = {}) {
        CFtpOptions options;
        options.connectRetries = 1;
        options.tls.mode = mode;
        options.tls.caFile = caFile;
        options.tls.fingerprint = pin;
        return options;
    }

    bool Connect(CFtpConnection& ftp, uint16_t port, const std::string& host = "127.0.0.1") {
        return ftp.Connect(host, port, server.GetUser(), server.GetPassword(), true);
    }

    FtpServer server{TlsServer()};
};

TEST_F(FtpsTest, ExplicitTlsCarriesManyTransfersInOneSession) {
    CFtpConnection ftp(Options(ETlsMode::Require, certificates->CaFile()));
    ASSERT_TRUE(Connect(ftp, server.GetPort())) << ftp.GetLastError();
    EXPECT_TRUE(ftp.IsEncrypted());
    EXPECT_FALSE(ftp.GetTlsVersion().empty());
    EXPECT_EQ(ftp.GetPeerCertificate().fingerprint, certificates->Fingerprint());

    // Every transfer opens a data connection that must itself speak TLS.
    constexpr int kFiles = 12;
    for (int i = 0; i < kFiles; ++i) {
        const std::string bytes = test::RandomBytes(1000 + 7919 * i, i);
        ASSERT_TRUE(Upload(ftp, "f" + std::to_string(i), bytes)) << i << ": " << ftp.GetLastError();
        EXPECT_EQ(test::ReadFile(server.Path("f" + std::to_string(i))), bytes) << i;
    }
    for (int i = 0; i < kFiles; ++i) {
        const auto back = Download(ftp, "f" + std::to_string(i));
        ASSERT_TRUE(back) << i << ": " << ftp.GetLastError();
        EXPECT_EQ(*back, test::RandomBytes(1000 + 7919 * i, i)) << i;
    }
    std::string listing;
    auto list = ftp.OpenCommand("LIST");
    ASSERT_TRUE(list) << ftp.GetLastError();
    EXPECT_TRUE(list->ReadAll(listing, 1 << 20)) << list->GetLastError();
    EXPECT_NE(listing.find("f11"), std::string::npos);
    EXPECT_TRUE(ftp.SetCurrentDirectory("/"));  // the control connection is still in step
}

TEST_F(FtpsTest, UntrustedCertificateIsRefusedBeforeTheLogin) {
    RecordingRelay relay(server.GetPort());
    CFtpConnection ftp(Options(ETlsMode::Require));  // the system's CAs only
    EXPECT_FALSE(Connect(ftp, relay.GetPort()));
    EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::Certificate);
    EXPECT_FALSE(IsTransient(ftp.GetLastErrorCode()));
    const std::string& text = ftp.GetLastError();
    EXPECT_NE(text.find("not trusted"), std::string::npos) << text;
    EXPECT_NE(text.find(certificates->Fingerprint()), std::string::npos) << text;
    EXPECT_NE(text.find("localhost"), std::string::npos) << text;         // subject
    EXPECT_NE(text.find("Parcelo Test CA"), std::string::npos) << text;   // issuer
    EXPECT_NE(text.find("Valid from"), std::string::npos) << text;
    EXPECT_EQ(ftp.GetPeerCertificate().fingerprint, certificates->Fingerprint());
    EXPECT_FALSE(ftp.IsConnected());

    // Only the handshake went out after AUTH TLS: no USER, no PASS, in
    // clear or encrypted (TLS 1.3 sends its Finished as one application
    // data record, TLS 1.2 none).
    const std::string sent = relay.GetClientBytes();
    const size_t auth = sent.find("AUTH TLS\r\n");
    ASSERT_NE(auth, std::string::npos);
    EXPECT_EQ(sent.find("USER"), std::string::npos);
    EXPECT_LE(test::CountTlsRecords(sent.substr(auth + 10), kApplicationData), 1);
}

TEST_F(FtpsTest, TrustComesFromTheCaFileOrThePinnedFingerprint) {
    CFtpConnection ftp;
    ftp.SetOptions(Options(ETlsMode::Require, certificates->OtherCaFile()));
    EXPECT_FALSE(Connect(ftp, server.GetPort()));
    EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::Certificate) << ftp.GetLastError();

    // The pin accepts that very certificate whatever its chain, in any spelling.
    std::string digits;
    ASSERT_TRUE(ParseFingerprint(certificates->Fingerprint(), digits));
    for (const std::string& pin : {certificates->Fingerprint(), ToLowerAscii(digits)}) {
        ftp.SetOptions(Options(ETlsMode::Require, {}, pin));
        EXPECT_TRUE(Connect(ftp, server.GetPort())) << pin << ": " << ftp.GetLastError();
    }
    ftp.SetOptions(Options(ETlsMode::Require, certificates->CaFile()));
    EXPECT_TRUE(Connect(ftp, server.GetPort())) << ftp.GetLastError();

    // A wrong pin refuses even a certificate the CA file vouches for.
    const std::string wrong = "SHA256:" + std::string(64, 'A');
    ftp.SetOptions(Options(ETlsMode::Require, certificates->CaFile(), wrong));
    EXPECT_FALSE(Connect(ftp, server.GetPort()));
    EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::Certificate);
    EXPECT_NE(ftp.GetLastError().find("pinned"), std::string::npos) << ftp.GetLastError();

    CFtpOptions insecure = Options(ETlsMode::Require);
    insecure.tls.insecure = true;
    ftp.SetOptions(insecure);
    EXPECT_TRUE(Connect(ftp, server.GetPort())) << ftp.GetLastError();

    ftp.SetOptions(Options(ETlsMode::Require, "/nonexistent/ca.pem"));
    EXPECT_FALSE(Connect(ftp, server.GetPort()));
    EXPECT_NE(ftp.GetLastError().find("/nonexistent/ca.pem"), std::string::npos) << ftp.GetLastError();
}

TEST_F(FtpsTest, CertificateMustNameTheHost) {
    FtpServer elsewhere(TlsServer("127.0.0.2"));  // the certificate names 127.0.0.1 and localhost
    ASSERT_TRUE(elsewhere.Start()) << elsewhere.GetError();
    CFtpConnection ftp(Options(ETlsMode::Require, certificates->CaFile()));
    EXPECT_FALSE(Connect(ftp, elsewhere.GetPort(), "127.0.0.2"));
    EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::Certificate);
    EXPECT_NE(ftp.GetLastError().find("mismatch"), std::string::npos) << ftp.GetLastError();
}

TEST_F(FtpsTest, AutoModeNeverSendsThePasswordInClear) {
    RecordingRelay relay(server.GetPort());
    CFtpConnection ftp(Options(ETlsMode::Auto, certificates->CaFile()));
    ASSERT_TRUE(Connect(ftp, relay.GetPort())) << ftp.GetLastError();
    EXPECT_TRUE(ftp.IsEncrypted());
    EXPECT_FALSE(ftp.IsTlsDeclined());
    ftp.Close();
    const std::string sent = relay.GetClientBytes();
    EXPECT_NE(sent.find("AUTH TLS"), std::string::npos);
    EXPECT_EQ(sent.find("USER"), std::string::npos);
    EXPECT_EQ(sent.find(server.GetPassword()), std::string::npos);
}

TEST(FtpsPlainServer, AutoModeGoesOnInPlainFtpRequireRefuses) {
    test::TempDir logs;
    FtpServer plain({.commandLog = logs / "commands.log"});
    ASSERT_TRUE(plain.Start()) << plain.GetError();
    CFtpOptions options;
    options.tls.mode = ETlsMode::Auto;
    CFtpConnection ftp(options);
    ASSERT_TRUE(ftp.Connect("127.0.0.1", plain.GetPort(), plain.GetUser(), plain.GetPassword(), true))
        << ftp.GetLastError();
    EXPECT_TRUE(ftp.IsTlsDeclined());
    EXPECT_FALSE(ftp.IsEncrypted());
    EXPECT_TRUE(Upload(ftp, "a.txt", "plain"));
    // Its feature list lacks AUTH TLS: auto mode does not ask.
    EXPECT_TRUE(ftp.GetCapabilities().listed);
    EXPECT_EQ(plain.Received("AUTH"), 0);

    options.tls.mode = ETlsMode::Require;
    ftp.SetOptions(options);
    EXPECT_FALSE(ftp.Connect("127.0.0.1", plain.GetPort(), plain.GetUser(), plain.GetPassword(), true));
    EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::Refused);
    EXPECT_NE(ftp.GetLastError().find("does not offer TLS"), std::string::npos) << ftp.GetLastError();
    // Required TLS asks whatever the feature list says, and hears the server's refusal.
    EXPECT_EQ(plain.Received("AUTH"), 1);
}

// A server that offers TLS and also lets plain sessions in, behind a relay
// that takes TLS out of every session after the first, as someone on the
// way would.
class FtpsDowngradeTest : public TestCertificatesSuite {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(TestCertificatesSuite::SetUp());
        ASSERT_TRUE(server.Start()) << server.GetError();
    }

    static CFtpOptions Auto() {
        CFtpOptions options;
        options.connectRetries = 1;
        options.tls.mode = ETlsMode::Auto;
        options.tls.insecure = true;  // the memory, not the certificate, is under test
        return options;
    }

    bool Connect(CFtpConnection& ftp, uint16_t port) {
        return ftp.Connect("127.0.0.1", port, server.GetUser(), server.GetPassword(), true);
    }

    test::ScopedDataHome dataHome;
    FtpServer server{{.tlsCertFile = certificates->ServerCertFile(),
                      .tlsKeyFile = certificates->ServerKeyFile(),
                      .tlsOptional = true}};
};

TEST_F(FtpsDowngradeTest, AServerThatDidTlsNeverGetsThePasswordInClear) {
    test::FaultRelay relay("127.0.0.1", server.GetPort(), {.stripTlsAfterSessions = 1});
    ASSERT_TRUE(relay.Start());
    CFtpConnection ftp(Auto());
    ASSERT_TRUE(Connect(ftp, relay.GetPort())) << ftp.GetLastError();
    EXPECT_TRUE(ftp.IsEncrypted());
    ftp.Close();
    EXPECT_TRUE(CTlsMemory::ForUser().DidTls("127.0.0.1", relay.GetPort()));

    // Now TLS is taken out: no question is asked, no password leaves.
    int asked = 0;
    CFtpOptions options = Auto();
    options.allowPlainLogin = [&](const std::string&, uint16_t) { return ++asked > 0; };
    ftp.SetOptions(options);
    EXPECT_FALSE(Connect(ftp, relay.GetPort()));
    EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::PlainRefused);
    EXPECT_FALSE(IsTransient(ftp.GetLastErrorCode()));
    EXPECT_NE(ftp.GetLastError().find(kTlsDowngradeText), std::string::npos) << ftp.GetLastError();
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(relay.GetCommands("USER").empty());
    EXPECT_TRUE(relay.GetCommands("PASS").empty());

    // Choosing plain FTP for it is the way out; the memory stays.
    options.tls.mode = ETlsMode::Plain;
    ftp.SetOptions(options);
    EXPECT_TRUE(Connect(ftp, relay.GetPort())) << ftp.GetLastError();
    EXPECT_EQ(relay.GetCommands("PASS").size(), 1u);
    EXPECT_TRUE(CTlsMemory::ForUser().DidTls("127.0.0.1", relay.GetPort()));
}

TEST_F(FtpsDowngradeTest, ANewServerWithoutTlsIsAskedAboutBeforeThePasswordGoes) {
    test::FaultRelay relay("127.0.0.1", server.GetPort(), {.stripTlsAfterSessions = 0});
    ASSERT_TRUE(relay.Start());
    std::vector<std::string> askedFor;
    size_t passwordsSentWhenAsked = 99;
    bool allow = false;
    CFtpOptions options = Auto();
    options.allowPlainLogin = [&](const std::string& host, uint16_t port) {
        askedFor.push_back(host + ":" + std::to_string(port));
        passwordsSentWhenAsked = relay.GetCommands("PASS").size();
        return allow;
    };
    CFtpConnection ftp(options);
    EXPECT_FALSE(Connect(ftp, relay.GetPort()));
    EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::PlainRefused);
    EXPECT_TRUE(relay.GetCommands("PASS").empty());

    allow = true;
    ASSERT_TRUE(Connect(ftp, relay.GetPort())) << ftp.GetLastError();
    EXPECT_TRUE(ftp.IsTlsDeclined());
    EXPECT_EQ(passwordsSentWhenAsked, 0u);
    EXPECT_EQ(relay.GetCommands("PASS").size(), 1u);
    const std::string expected = "127.0.0.1:" + std::to_string(relay.GetPort());
    EXPECT_EQ(askedFor, (std::vector<std::string>{expected, expected}));
    // A plain session teaches the memory nothing.
    EXPECT_FALSE(CTlsMemory::ForUser().DidTls("127.0.0.1", relay.GetPort()));
}

TEST_F(FtpsDowngradeTest, APinnedCertificateOrACaFileRequiresTls) {
    test::FaultRelay relay("127.0.0.1", server.GetPort(), {.stripTlsAfterSessions = 0});
    ASSERT_TRUE(relay.Start());
    for (const bool pin : {true, false}) {
        CFtpOptions options = Auto();
        options.tls.insecure = false;
        (pin ? options.tls.fingerprint : options.tls.caFile) = pin ? certificates->Fingerprint() : certificates->CaFile();
        CFtpConnection ftp(options);
        EXPECT_FALSE(Connect(ftp, relay.GetPort())) << pin;
        EXPECT_NE(ftp.GetLastError().find("does not offer TLS"), std::string::npos) << ftp.GetLastError();
    }
    EXPECT_TRUE(relay.GetCommands("USER").empty());
    // The same settings do TLS with the server itself.
    CFtpOptions options = Auto();
    options.tls.insecure = false;
    options.tls.fingerprint = certificates->Fingerprint();
    CFtpConnection ftp(options);
    EXPECT_TRUE(Connect(ftp, server.GetPort())) << ftp.GetLastError();
    EXPECT_TRUE(ftp.IsEncrypted());
}

CFtpOptions ShortTimeouts(ETlsMode mode) {
    CFtpOptions options;
    options.connectTimeoutMs = 500;
    options.sendTimeoutMs = 500;
    options.receiveTimeoutMs = 500;
    options.connectRetries = 1;
    options.tls.mode = mode;
    return options;
}

TEST(FtpsScriptedServer, EveryTlsStepIsBoundedAndCheckedForInjection) {
    // AUTH TLS accepted, then silence: the handshake times out.
    test::FakeFtpServer silent([](test::FakeFtpSession& s) {
        s.Reply("220 ready");
        s.Expect("FEAT", "502 no features");
        s.Expect("AUTH TLS", "234 go ahead");
        s.WaitForClientToLeave();
    });
    CFtpConnection ftp(ShortTimeouts(ETlsMode::Require));
    EXPECT_FALSE(ftp.Connect("127.0.0.1", silent.GetPort(), "u", "p", true));
    EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::TimedOut) << ftp.GetLastError();

    // Bytes sent in clear right behind the 234 could be an attacker's.
    test::FakeFtpServer injecting([](test::FakeFtpSession& s) {
        s.Reply("220 ready");
        s.Expect("FEAT", "502 no features");
        s.ReadCommand();
        s.SendRaw("234 go ahead\r\n230 logged in\r\n");
        s.WaitForClientToLeave();
    });
    EXPECT_FALSE(ftp.Connect("127.0.0.1", injecting.GetPort(), "u", "p", true));
    EXPECT_EQ(ftp.GetLastErrorCode(), EFtpError::Protocol) << ftp.GetLastError();

    // In auto mode any refusal of AUTH TLS means "not offered", even a 530.
    test::FakeFtpServer noTls([](test::FakeFtpSession& s) {
        s.Reply("220 ready");
        s.Expect("FEAT", "502 no features");
        s.Expect("AUTH TLS", "530 Please login with USER and PASS.");
        s.Expect("USER", "331 password");
        s.Expect("PASS", "230 in");
        s.Expect("TYPE", "200 ok");
        s.Expect("PWD", "257 \"/\"");
        s.WaitForClientToLeave();
    });
    ftp.SetOptions(ShortTimeouts(ETlsMode::Auto));
    EXPECT_TRUE(ftp.Connect("127.0.0.1", noTls.GetPort(), "u", "p", true)) << ftp.GetLastError();
    EXPECT_TRUE(ftp.IsTlsDeclined());

    // A server that answers FEAT only after the login has told nothing yet:
    // auto mode still asks for TLS before the password.
    test::FakeFtpServer featAfterLogin([](test::FakeFtpSession& s) {
        s.Reply("220 ready");
        s.Expect("FEAT", "530 Please login with USER and PASS.");
        s.Expect("AUTH TLS", "500 unknown command");
        s.Expect("USER", "331 password");
        s.Expect("PASS", "230 in");
        s.Expect("FEAT", "211-Features:\r\n SIZE\r\n211 End");
        s.Expect("TYPE", "200 ok");
        s.Expect("PWD", "257 \"/\"");
        s.WaitForClientToLeave();
    });
    EXPECT_TRUE(ftp.Connect("127.0.0.1", featAfterLogin.GetPort(), "u", "p", true)) << ftp.GetLastError();
    EXPECT_TRUE(ftp.IsTlsDeclined());
    EXPECT_TRUE(ftp.GetCapabilities().size);
}

TEST(TlsSettings, FingerprintsAreReadInEverySpelling) {
    const std::string upper = "AB" + std::string(62, '0');
    std::string digits;
    for (const std::string& text : {"SHA256:AB:" + std::string(62, '0'), "sha256:ab" + std::string(62, '0'),
                                    "ab" + std::string(62, '0')}) {
        EXPECT_TRUE(ParseFingerprint(text, digits)) << text;
        EXPECT_EQ(digits, upper) << text;
    }
    EXPECT_FALSE(ParseFingerprint("SHA256:AB", digits));                   // too short
    EXPECT_FALSE(ParseFingerprint("SHA256:" + std::string(64, 'G'), digits));  // not hex
    EXPECT_FALSE(ParseFingerprint("SHA1:" + std::string(64, '0'), digits));
    EXPECT_EQ(FormatFingerprint(upper).substr(0, 13), "SHA256:AB:00:");
    EXPECT_TRUE(SameFingerprint("sha256:" + upper, FormatFingerprint(upper)));
    EXPECT_FALSE(SameFingerprint("", ""));
}

// The foreground download goes over TLS as the transfers do, when its
// login info asks for it; a server that demands TLS refuses it without.
TEST_F(FtpsTest, TheForegroundDownloadTakesTheLoginsTls) {
    test::WriteFile(server.Path("pub/secret.bin"), test::RandomBytes(120000, 5));
    CFtpLoginInfo info;
    info.SetHost("127.0.0.1");
    info.SetPort(server.GetPort());
    info.SetLoginName(server.GetUser());
    info.SetPassword(server.GetPassword());
    CFtpFile plain;
    EXPECT_FALSE(plain.Login(info));

    info.SetTlsMode(ETlsMode::Require);
    info.SetTlsCaFile(certificates->CaFile());
    CFtpFile file;
    ASSERT_TRUE(file.Login(info)) << file.GetStrError();
    test::TempDir local;
    ASSERT_TRUE(file.Download(CFtpPath("/pub/secret.bin"), CFtpPath(local / "secret.bin"))) << file.GetStrError();
    EXPECT_EQ(test::ReadFile(local / "secret.bin"), test::ReadFile(server.Path("pub/secret.bin")));
}

}  // namespace
}  // namespace velmora::protocol
