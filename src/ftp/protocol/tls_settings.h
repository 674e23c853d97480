#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/api.h"

// How an FTP session protects itself with TLS (RFC 4217), and which server
// certificates it trusts.
namespace velmora::protocol {

// The numbers are stored in the connections file: keep them.
enum class ETlsMode : int {
    Plain = 0,     // plain FTP: password and files cross the network in clear
    Auto = 1,      // explicit TLS when the server accepts AUTH TLS, else plain FTP
    Require = 2,   // explicit TLS (AUTH TLS) or no session at all
    Implicit = 3,  // TLS from the first byte, usually on port 990
};

constexpr uint16_t kImplicitTlsPort = 990;

struct CTlsSettings {
    ETlsMode mode = ETlsMode::Plain;
    // A PEM file of certificate authorities trusted beside the system's store.
    std::string caFile;
    // The SHA-256 fingerprint of the one certificate to accept, whatever its
    // chain ("SHA256:AB:CD:..."); empty: verify the chain and the host name.
    std::string fingerprint;
    // Accept any certificate. The session is then open to interception.
    bool insecure = false;

    bool UsesTls() const { return mode != ETlsMode::Plain; }
    // The mode a session uses: a pinned certificate or a CA file says that
    // the server is expected to do TLS, so auto then requires it.
    ETlsMode EffectiveMode() const {
        return mode == ETlsMode::Auto && (!fingerprint.empty() || !caFile.empty()) ? ETlsMode::Require : mode;
    }
};

// Reads a SHA-256 fingerprint written with or without the "SHA256:" prefix,
// with or without colons, in any letter case, into 64 upper-case hex digits.
// False when the text is not a SHA-256 digest.
VELMORA_API bool ParseFingerprint(std::string_view text, std::string& hexDigits);
// 64 hex digits (or any form ParseFingerprint reads) as "SHA256:AB:CD:...".
VELMORA_API std::string FormatFingerprint(std::string_view fingerprint);
// True when both texts name the same digest; false when either is unreadable.
VELMORA_API bool SameFingerprint(std::string_view a, std::string_view b);

// "off", "auto", "require", "implicit".
VELMORA_API const char* TlsModeName(ETlsMode mode);
// The names above in any letter case; false for anything else.
VELMORA_API bool ParseTlsModeName(std::string_view text, ETlsMode& mode);
// A stored number; anything unknown reads as plain FTP.
VELMORA_API ETlsMode TlsModeFromNumber(int number);

}  // namespace velmora::protocol
