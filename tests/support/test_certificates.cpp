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
    if (m_fingerprint.rfind("SHA256:", 0) == 0) return true;
    error = "no fingerprint from " + command;
    return false;
}

std::unique_ptr<TestCertificates> TlsCertificatesTest::s_certificates;
std::string TlsCertificatesTest::s_error;

void TlsCertificatesTest::SetUpTestSuite() {
    s_certificates = std::make_unique<TestCertificates>();
    s_error.clear();
    s_certificates->Make(s_error);
}

void TlsCertificatesTest::TearDownTestSuite() { s_certificates.reset(); }

void TlsCertificatesTest::SetUp() { ASSERT_TRUE(s_error.empty()) << s_error; }

FtpServerOptions TlsCertificatesTest::TlsServer(const std::string& host) {
    FtpServerOptions options;
    options.host = host;
    options.tlsCertFile = Certificates().ServerCertFile();
    options.tlsKeyFile = Certificates().ServerKeyFile();
    return options;
}

}  // namespace velmora::test
