#include "ftp/protocol/tls_settings.h"

#include "base/hex.h"
#include "base/text.h"

namespace velmora::protocol {

namespace {

constexpr size_t kDigestDigits = 64;
constexpr std::string_view kPrefix = "SHA256:";

struct ModeName {
    ETlsMode mode;
    const char* name;
};
constexpr ModeName kModeNames[] = {
    {ETlsMode::Plain, "off"},
    {ETlsMode::Auto, "auto"},
    {ETlsMode::Require, "require"},
    {ETlsMode::Implicit, "implicit"},
};

}  // namespace

bool ParseFingerprint(std::string_view text, std::string& hexDigits) {
    if (EqualsNoCase(text.substr(0, kPrefix.size()), kPrefix)) text.remove_prefix(kPrefix.size());
    std::string digits;
    for (const char c : text) {
        if (c == ':') continue;
        if (HexDigitValue(c) < 0) return false;
        digits += c;
    }
    if (digits.size() != kDigestDigits) return false;
    hexDigits = ToUpperAscii(digits);
    return true;
}

std::string FormatFingerprint(std::string_view fingerprint) {
    std::string digits;
    if (!ParseFingerprint(fingerprint, digits)) return std::string(fingerprint);
    std::string text(kPrefix);
    for (size_t i = 0; i < digits.size(); i += 2) {
        if (i > 0) text += ':';
        text.append(digits, i, 2);
    }
    return text;
}

bool SameFingerprint(std::string_view a, std::string_view b) {
    std::string first;
    std::string second;
    return ParseFingerprint(a, first) && ParseFingerprint(b, second) && first == second;
}

const char* TlsModeName(ETlsMode mode) {
    for (const ModeName& entry : kModeNames)
        if (entry.mode == mode) return entry.name;
    return "off";
}

bool ParseTlsModeName(std::string_view text, ETlsMode& mode) {
    for (const ModeName& entry : kModeNames) {
        if (EqualsNoCase(text, entry.name)) {
            mode = entry.mode;
            return true;
        }
    }
    return false;
}

ETlsMode TlsModeFromNumber(int number) {
    for (const ModeName& entry : kModeNames)
        if (static_cast<int>(entry.mode) == number) return entry.mode;
    return ETlsMode::Plain;
}

}  // namespace velmora::protocol
