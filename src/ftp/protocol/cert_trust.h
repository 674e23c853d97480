#pragma once

#include <string>

#include "ftp/protocol/ftp_error.h"
#include "ftp/protocol/tls_settings.h"
#include "platform/api.h"

struct ssl_st;

namespace velmora::protocol {

// What a user needs to decide about a server certificate.
struct VELMORA_API CCertificateInfo {
    std::string subject;      // "CN=localhost"
    std::string issuer;       // "CN=Test CA"
    std::string validFrom;    // "2026-12-07 13:00:00 UTC"
    std::string validTo;
    std::string fingerprint;  // "SHA256:AB:CD:..."

    bool IsEmpty() const { return fingerprint.empty(); }
    // One "Label: value" line per field.
    std::string Describe() const;
};

// The first words of every refused-certificate error.
extern VELMORA_API const char kUntrustedCertificateText[];  // "The server's certificate is not trusted"

// Before a handshake: the certificate must name `host` (a DNS name, or an IP
// address that must appear as such), and a DNS name is sent as SNI.
bool PrepareHostCheck(ssl_st* ssl, const std::string& host);

// After a handshake: whether the server's certificate is to be trusted under
// `settings`. A pinned fingerprint accepts exactly that certificate and no
// other; "insecure" accepts any; otherwise the chain must verify against the
// system's store (and the extra CA file) and name the host. `info` describes
// the certificate either way; a refusal names the reason and the details.
bool CheckPeerCertificate(ssl_st* ssl, const CTlsSettings& settings, CCertificateInfo& info, CFtpError& error);

}  // namespace velmora::protocol
