#include "ftp/ftp_hash.h"

#include <algorithm>

#include "base/hex.h"
#include "base/text.h"

namespace velmora {
namespace {

// Each algorithm with its digest's length in hex digits and its older
// commands, strongest first.
struct CAlgorithm {
    const char* name;
    size_t digits;
    const char* verbs[2];
};
constexpr CAlgorithm kAlgorithms[] = {
    {"SHA-512", 128, {"XSHA512", nullptr}}, {"SHA-256", 64, {"XSHA256", nullptr}},
    {"SHA-1", 40, {"XSHA1", "XSHA"}},       {"MD5", 32, {"XMD5", "MD5"}},
    {"CRC32", 8, {"XCRC", nullptr}},
};

const CAlgorithm* Find(std::string_view name) {
    for (const CAlgorithm& algorithm : kAlgorithms) {
        if (name == algorithm.name) return &algorithm;
    }
    return nullptr;
}

bool Offers(const protocol::CFtpCapabilities& caps, const CAlgorithm& algorithm) {
    const auto& listed = caps.hashAlgorithms;
    if (std::find(listed.begin(), listed.end(), algorithm.name) != listed.end()) return true;
    return std::any_of(std::begin(algorithm.verbs), std::end(algorithm.verbs),
                       [&](const char* verb) { return verb && caps.HasDigestCommand(verb); });
}

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t at = 0;
    while (at < line.size()) {
        const size_t start = line.find_first_not_of(' ', at);
        if (start == std::string_view::npos) break;
        const size_t end = std::min(line.find(' ', start), line.size());
        words.push_back(line.substr(start, end - start));
        at = end;
    }
    return words;
}

bool IsHexText(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return HexDigitValue(c) >= 0; });
}

}  // namespace

std::vector<std::string> OfferedHashes(const protocol::CFtpCapabilities& caps) {
    std::vector<std::string> offered;
    for (const CAlgorithm& algorithm : kAlgorithms) {
        if (Offers(caps, algorithm)) offered.emplace_back(algorithm.name);
    }
    return offered;
}

CFtpHashCommand HashCommandFor(const protocol::CFtpCapabilities& caps, std::string_view algorithm) {
    const auto& listed = caps.hashAlgorithms;
    if (std::find(listed.begin(), listed.end(), algorithm) != listed.end()) return {"HASH"};
    const CAlgorithm* known = Find(algorithm);
    if (!known) return {};
    for (const char* verb : known->verbs) {
        if (verb && caps.HasDigestCommand(verb)) return {verb};
    }
    return {};
}

bool HashCommandLine(const CFtpHashCommand& command, const std::string& name, std::string& line) {
    // HASH and MD5 take the rest of the line as the name; the others read a
    // range after it, so a blank needs quotes.
    const bool quoted = !command.IsHash() && command.verb != "MD5" && name.find(' ') != std::string::npos;
    if (quoted && name.find('"') != std::string::npos) return false;
    line = command.verb + " " + (quoted ? "\"" + name + "\"" : name);
    return true;
}

bool ParseHashReply(const CFtpHashCommand& command, std::string_view algorithm, std::string_view replyText,
                    std::string& digest, std::string& replyAlgorithm) {
    const CAlgorithm* known = Find(algorithm);
    if (!known) return false;
    // The value is on the last line, after the code: "213 SHA-256 0-49 <hex> name",
    // "251 name <HEX>" (MD5), "250 <HEX>" (the others).
    const size_t lastLine = replyText.rfind('\n');
    std::string_view last = replyText.substr(lastLine == std::string_view::npos ? 0 : lastLine + 1);
    last.remove_prefix(std::min<size_t>(4, last.size()));
    const std::vector<std::string_view> words = Words(last);
    std::string_view value;
    replyAlgorithm.clear();
    if (command.IsHash()) {
        if (words.size() < 3) return false;
        replyAlgorithm = ToUpperAscii(words[0]);
        value = words[2];
    } else if (!words.empty()) {
        value = command.verb == "MD5" ? words.back() : words.front();
    }
    // A CRC may come without its leading zeros.
    const bool crc = known->digits == 8;
    if (!IsHexText(value) || (crc ? value.size() > known->digits : value.size() != known->digits)) return false;
    digest = std::string(known->digits - value.size(), '0') + ToLowerAscii(value);
    return true;
}

}  // namespace velmora
