#pragma once

#include "ftp/protocol/cert_trust.h"
#include "ftp/protocol/tls_memory.h"
#include "ftp/protocol/tls_settings.h"

// TLS settings of a connection, the server certificate a user is asked to
// trust, the servers remembered for having done TLS, and the helpers for
// them, under the library's own names: the code above the FTP access layer
// never names the protocol layer.
namespace velmora {

using protocol::CCertificateInfo;
using protocol::CTlsMemory;
using protocol::CTlsSettings;
using protocol::ETlsMode;
using protocol::FormatFingerprint;
using protocol::kImplicitTlsPort;
using protocol::kTlsDowngradeText;
using protocol::kUntrustedCertificateText;
using protocol::ParseFingerprint;
using protocol::ParseTlsModeName;
using protocol::SameFingerprint;
using protocol::TlsModeFromNumber;
using protocol::TlsModeName;

}  // namespace velmora
