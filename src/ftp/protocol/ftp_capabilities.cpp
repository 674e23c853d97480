#include "ftp/protocol/ftp_capabilities.h"

#include <algorithm>

#include "base/text.h"
#include "ftp/protocol/ftp_reply.h"

namespace velmora::protocol {

namespace {

constexpr int kFeatureList = 211;

// The first and the last line of a reply carry its code; the features are in between.
bool IsCodeLine(std::string_view line) {
    return line.size() >= 3 && line.substr(0, 3).find_first_not_of("0123456789") == std::string_view::npos &&
           (line.size() == 3 || line[3] == ' ' || line[3] == '-');
}

// "a*;b;c;" -> each item (blanks trimmed) and whether it is marked "*".
template <class Take>
void ReadMarkedList(std::string_view text, Take take) {
    while (!text.empty()) {
        const size_t end = std::min(text.find(';'), text.size());
        std::string_view item = TrimBlanks(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        const bool marked = !item.empty() && item.back() == '*';
        if (marked) item.remove_suffix(1);
        if (!item.empty()) take(item, marked);
    }
}

// "type*;size*;modify*;perm;unix.mode;" -> the facts, and those marked "*" (sent by default).
void ReadMlstFacts(std::string_view text, CFtpCapabilities& caps) {
    ReadMarkedList(text, [&](std::string_view item, bool onByDefault) {
        const std::string fact = ToLowerAscii(item);
        if (onByDefault) caps.mlstDefaultFacts.push_back(fact);
        caps.mlstFacts.push_back(fact);
    });
}

// "CRC32;MD5;SHA-1*;SHA-256;" -> the algorithms, and the one marked "*" (selected).
void ReadHashAlgorithms(std::string_view text, CFtpCapabilities& caps) {
    ReadMarkedList(text, [&](std::string_view item, bool selected) {
        const std::string algorithm = ToUpperAscii(item);
        if (selected) caps.hashSelected = algorithm;
        caps.hashAlgorithms.push_back(algorithm);
    });
}

bool IsDigestCommand(std::string_view name) {
    for (const char* verb : {"XSHA512", "XSHA256", "XSHA1", "XSHA", "XMD5", "MD5", "XCRC"}) {
        if (EqualsNoCase(name, verb)) return true;
    }
    return false;
}

// "AUTH TLS", "AUTH TLS;SSL", "AUTH SSL TLS": any of the listed mechanisms.
bool OffersTls(std::string_view mechanisms) {
    size_t at = 0;
    while (at < mechanisms.size()) {
        const size_t end = std::min(mechanisms.find_first_of(" ;,", at), mechanisms.size());
        if (EqualsNoCase(mechanisms.substr(at, end - at), "TLS")) return true;
        at = end + 1;
    }
    return false;
}

void ReadFeature(std::string_view line, CFtpCapabilities& caps) {
    line = TrimBlanks(line);
    const size_t blank = std::min(line.find(' '), line.size());
    const std::string_view name = line.substr(0, blank);
    const std::string_view parameters = TrimBlanks(line.substr(blank));
    if (EqualsNoCase(name, "UTF8")) {
        caps.utf8 = true;
    } else if (EqualsNoCase(name, "MLST")) {
        caps.mlsd = true;
        ReadMlstFacts(parameters, caps);
    } else if (EqualsNoCase(name, "REST")) {
        caps.restStream = caps.restStream || EqualsNoCase(parameters, "STREAM");
    } else if (EqualsNoCase(name, "SIZE")) {
        caps.size = true;
    } else if (EqualsNoCase(name, "MDTM")) {
        caps.mdtm = true;
    } else if (EqualsNoCase(name, "MFMT")) {
        caps.mfmt = true;
    } else if (EqualsNoCase(name, "EPSV")) {
        caps.epsv = true;
    } else if (EqualsNoCase(name, "AUTH")) {
        caps.authTls = caps.authTls || OffersTls(parameters);
    } else if (EqualsNoCase(name, "HASH")) {
        ReadHashAlgorithms(parameters, caps);
    } else if (IsDigestCommand(name)) {
        caps.digestCommands.push_back(ToUpperAscii(name));
    }
}

bool Contains(const std::vector<std::string>& facts, std::string_view fact) {
    const std::string key = ToLowerAscii(fact);
    return std::find(facts.begin(), facts.end(), key) != facts.end();
}

}  // namespace

bool CFtpCapabilities::HasMlstFact(std::string_view fact) const { return Contains(mlstFacts, fact); }

bool CFtpCapabilities::IsMlstFactOn(std::string_view fact) const { return Contains(mlstDefaultFacts, fact); }

bool CFtpCapabilities::HasDigestCommand(std::string_view verb) const {
    return std::find(digestCommands.begin(), digestCommands.end(), ToUpperAscii(verb)) != digestCommands.end();
}

CFtpCapabilities ParseFeatures(int replyCode, std::string_view text) {
    CFtpCapabilities caps;
    if (replyCode != kFeatureList) return caps;
    caps.listed = true;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        if (!IsCodeLine(line)) ReadFeature(line, caps);
        at = end + 1;
    }
    return caps;
}

}  // namespace velmora::protocol
