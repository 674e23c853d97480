#include "ftp/protocol/tls_memory.h"

#include <algorithm>
#include <string_view>

#include "base/path_text.h"
#include "base/text.h"
#include "platform/atomic_file.h"
#include "platform/system.h"

namespace velmora::protocol {
namespace {

// Host names in any letter case are one server.
std::string Key(const std::string& host, uint16_t port) { return ToLowerAscii(host) + ":" + std::to_string(port); }

bool Holds(std::string_view text, std::string_view key) {
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        if (text.substr(0, end) == key) return true;
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return false;
}

}  // namespace

CTlsMemory::CTlsMemory(std::string file) : m_file(std::move(file)) {}

CTlsMemory CTlsMemory::ForUser() {
    return CTlsMemory(AppendSlash(platform::AppDataFolder(), '/') + "Parcelo/TLS servers");
}

bool CTlsMemory::DidTls(const std::string& host, uint16_t port) const {
    std::string text;
    return platform::ReadWholeFile(m_file, text, nullptr, size_t{4} << 20) && Holds(text, Key(host, port));
}

void CTlsMemory::Remember(const std::string& host, uint16_t port) {
    if (!DidTls(host, port)) platform::AppendLine(m_file, Key(host, port));
}

}  // namespace velmora::protocol
