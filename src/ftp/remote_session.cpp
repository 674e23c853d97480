#include "ftp/remote_session.h"

#include "base/format.h"
#include "platform/encoding.h"

namespace velmora {
namespace {

// The length of the UTF-8 character at the start of `text`; 0 when the
// bytes there are not one.
size_t Utf8CharLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const size_t length = lead < 0x80                    ? 1
                          : lead >= 0xC2 && lead <= 0xDF ? 2
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 0;
    return length > 0 && length <= text.size() && platform::IsValidUtf8(text.substr(0, length)) ? length : 0;
}

}  // namespace

std::string PrintableName(std::string_view name) {
    std::string text;
    for (size_t at = 0; at < name.size();) {
        const size_t length = Utf8CharLength(name.substr(at));
        const auto byte = static_cast<unsigned char>(name[at]);
        if (length == 0)
            text += Format("\\x%02X", byte);
        else if (byte < 0x20 || byte == 0x7f)
            text += '?';
        else
            text.append(name, at, length);
        at += length == 0 ? 1 : length;
    }
    return text;
}

bool CheckReadLength(const CRemoteStream& stream, uint64_t offset, uint64_t expected, std::string& error,
                     bool& shorter) {
    shorter = false;
    const uint64_t bytes = stream.GetByteCount();
    const uint64_t received = offset + bytes;
    if (expected == 0) {
        const std::optional<uint64_t> announced = stream.GetAnnouncedLength();
        // After a restart servers announce the whole file or what is left of it.
        if (!announced || received == *announced || (offset > 0 && bytes == *announced)) return true;
        expected = *announced;
    }
    if (received == expected) return true;
    shorter = received < expected;
    error = Format("Transfer incomplete: %llu of %llu bytes received", static_cast<unsigned long long>(received),
                   static_cast<unsigned long long>(expected));
    return false;
}

bool CRemoteSession::AskModifiedTimes(const std::vector<std::string>& paths, std::vector<uint64_t>& times) {
    times.assign(paths.size(), 0);
    for (size_t i = 0; i < paths.size(); ++i) {
        CRemoteFacts facts;
        if (!GetFactsOnly(paths[i], FactTime, facts)) {
            if (!IsConnected()) return false;
            continue;
        }
        times[i] = facts.modified;
    }
    return true;
}

}  // namespace velmora
