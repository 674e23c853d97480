#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace velmora::test {

// A test CA, a server certificate it issued and a self-signed one, for 127.0.0.1 and localhost, made at
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
    // A self-signed server certificate for the same names: its file, key
    // and fingerprint.
    std::string SelfSignedCertFile() const { return m_dir / "self-signed.pem"; }
    std::string SelfSignedKeyFile() const { return m_dir / "self-signed.key"; }
    const std::string& SelfSignedFingerprint() const { return m_selfSignedFingerprint; }

private:
    TempDir m_dir;
    std::string m_fingerprint;
    std::string m_selfSignedFingerprint;
};

// A test suite whose tests share one set of certificates, made before the
// first test (a failure there fails every test of the suite).
class TestCertificatesSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite() { certificates.reset(); }
    void SetUp() override { ASSERT_TRUE(certificates) << "no test certificates"; }

    static std::unique_ptr<TestCertificates> certificates;
};

}  // namespace velmora::test
