#include "support/test_certificates.h"

#include <cstdlib>
#include <fstream>

namespace velmora::test {

bool TestCertificates::Make(std::string& error) {
    const std::string command = "/bin/sh '" + std::string(VELMORA_SOURCE_DIR) + "/tests/support/tls_test_ca.sh' '" +
                                m_dir.path() + "'";
    if (std::system(command.c_str()) != 0) {
        error = "cannot make test certificates: " + command;
        return false;
    }
    std::ifstream(m_dir / "fingerprint") >> m_fingerprint;
    std::ifstream(m_dir / "self-signed.fingerprint") >> m_selfSignedFingerprint;
    if (m_fingerprint.rfind("SHA256:", 0) == 0 && m_selfSignedFingerprint.rfind("SHA256:", 0) == 0) return true;
    error = "no fingerprint from " + command;
    return false;
}

std::unique_ptr<TestCertificates> TestCertificatesSuite::certificates;

void TestCertificatesSuite::SetUpTestSuite() {
    certificates = std::make_unique<TestCertificates>();
    std::string error;
    if (!certificates->Make(error)) certificates.reset();
    ASSERT_TRUE(certificates) << error;
}

}  // namespace velmora::test
