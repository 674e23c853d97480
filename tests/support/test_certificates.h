#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "support/ftp_server.h"
#include "support/temp_dir.h"

namespace velmora::test {

// A test CA and a server certificate for 127.0.0.1 and localhost, made at
// test time by tests/support/tls_test_ca.sh in a temporary folder.
class TestCertificates {
public:
    // False with the reason when the openssl command failed.
    bool Make(std::string& error);

    std::string CaFile() const { return m_dir / "ca.pem"; }
    std::string OtherCaFile() const { return m_dir / "other-ca.pem"; }
    std::string ServerCertFile() const { return m_dir / "server.pem"; }
    std::string ServerKeyFile() const { return m_dir / "server.key"; }
    // "SHA256:AB:CD:..." of the server certificate.
    const std::string& Fingerprint() const { return m_fingerprint; }

private:
    TempDir m_dir;
    std::string m_fingerprint;
};

// A fixture whose suite shares one set of test certificates: made before
// its first test, removed after its last. When they cannot be made, every
// test of the suite fails with the reason.
class TlsCertificatesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    static const TestCertificates& Certificates() { return *s_certificates; }
    // A pyftpdlib server on `host` that requires TLS with the suite's certificate.
    static FtpServerOptions TlsServer(const std::string& host = "127.0.0.1");

private:
    static std::unique_ptr<TestCertificates> s_certificates;
    static std::string s_error;
};

}  // namespace velmora::test
