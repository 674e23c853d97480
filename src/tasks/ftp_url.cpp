#include "tasks/ftp_url.h"

#include <algorithm>

#include "base/hex.h"
#include "base/text.h"

namespace velmora {

namespace {

// A port is all digits and names a real port; anything else is refused
// rather than guessed.
bool ParsePort(std::string_view text, int& port) {
    if (text.empty() || text.size() > 5) return false;
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
    const int value = ParseInt32(text);
    if (value < 1 || value > 65535) return false;
    port = value;
    return true;
}

}  // namespace

std::string CFtpUrl::PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const int high = (text[i] == '%' && i + 2 < text.size()) ? HexDigitValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexDigitValue(text[i + 2]) : -1;
        if (low >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool CFtpUrl::Parse(std::string_view text) {
    *this = CFtpUrl();
    const std::string trimmed = TrimText(text);
    std::string_view rest = trimmed;
    const size_t scheme = rest.find("://");
    if (scheme != std::string_view::npos) {
        if (!ParseScheme(rest.substr(0, scheme))) return false;
        rest.remove_prefix(scheme + 3);
    }
    const size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    if (slash != std::string_view::npos) path = std::string(rest.substr(slash));

    // The last "@" ends the user part: an unescaped "@" in a password stays
    // in the password instead of becoming part of the host.
    const size_t at = authority.rfind('@');
    if (at != std::string_view::npos) {
        ParseUserInfo(authority.substr(0, at));
        authority.remove_prefix(at + 1);
    }
    return ParseHostPort(authority);
}

bool CFtpUrl::ParseScheme(std::string_view scheme) {
    if (EqualsNoCase(scheme, "ftpes")) {
        tlsMode = ETlsMode::Require;
    } else if (EqualsNoCase(scheme, "ftps")) {
        tlsMode = ETlsMode::Implicit;
        port = kImplicitTlsPort;
    } else if (EqualsNoCase(scheme, "sftp")) {
        protocol = ERemoteProtocol::Sftp;
        port = kSftpDefaultPort;
    } else if (!EqualsNoCase(scheme, "ftp")) {
        return false;
    }
    return true;
}

void CFtpUrl::ParseUserInfo(std::string_view text) {
    hasUser = true;
    const size_t colon = text.find(':');
    user = PercentDecode(text.substr(0, colon));
    if (colon != std::string_view::npos) {
        hasPassword = true;
        password = PercentDecode(text.substr(colon + 1));
    }
}

bool CFtpUrl::ParseHostPort(std::string_view text) {
    std::string_view portText;
    if (text.starts_with('[')) {
        const size_t close = text.find(']');
        if (close == std::string_view::npos) return false;
        host = std::string(text.substr(1, close - 1));
        const std::string_view after = text.substr(close + 1);
        if (!after.empty() && !after.starts_with(':')) return false;
        if (!after.empty()) portText = after.substr(1);
    } else if (std::count(text.begin(), text.end(), ':') == 1) {
        const size_t colon = text.find(':');
        host = std::string(text.substr(0, colon));
        portText = text.substr(colon + 1);
    } else {
        // No colon, or several: an IPv6 address written without brackets
        // has no room for a port.
        host = std::string(text);
    }
    if (host.empty()) return false;
    return portText.empty() || ParsePort(portText, port);
}

}  // namespace velmora
