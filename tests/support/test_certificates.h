#pragma once

#include <string>

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

}  // namespace velmora::test
