#include "ftp/remote_facts.h"

#include <charconv>

#include "ftp/protocol/ftp_connection.h"
#include "ftp/protocol/ftp_reply.h"

namespace velmora {
namespace {

// MLST where the server sends `fact` with it.
bool AskFact(protocol::CFtpConnection& connection, const std::string& path, std::string_view fact,
             protocol::CMlstEntry& entry) {
    const protocol::CFtpCapabilities& caps = connection.GetCapabilities();
    return caps.mlsd && caps.IsMlstFactOn(fact) && connection.GetFileFacts(path, entry);
}

bool ReadSize(const std::string& text, uint64_t& size) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, size);
    return !text.empty() && error == std::errc() && stop == end;
}

}  // namespace

bool AskRemoteSize(protocol::CFtpConnection& connection, const std::string& path, uint64_t& size) {
    const protocol::CFtpCapabilities& caps = connection.GetCapabilities();
    if (caps.size || !caps.listed) return connection.GetFileSize(path, size);
    protocol::CMlstEntry entry;
    return AskFact(connection, path, "size", entry) && ReadSize(entry.size, size);
}

bool AskRemoteTime(protocol::CFtpConnection& connection, const std::string& path, int64_t& secondsUtc) {
    if (connection.GetCapabilities().mdtm) return connection.GetModificationTime(path, secondsUtc);
    protocol::CMlstEntry entry;
    return AskFact(connection, path, "modify", entry) && protocol::ParseTimeValue(entry.modify, secondsUtc);
}

bool AskRemoteChange(protocol::CFtpConnection& connection, const std::string& path, int64_t& secondsUtc,
                     std::optional<uint64_t>& size) {
    size.reset();
    const protocol::CFtpCapabilities& caps = connection.GetCapabilities();
    if (caps.mlsd && caps.IsMlstFactOn("modify") && caps.IsMlstFactOn("size")) {
        protocol::CMlstEntry entry;
        uint64_t listed = 0;
        if (!connection.GetFileFacts(path, entry) || !protocol::ParseTimeValue(entry.modify, secondsUtc)) return false;
        if (ReadSize(entry.size, listed)) size = listed;
        return true;
    }
    return AskRemoteTime(connection, path, secondsUtc);
}

}  // namespace velmora
