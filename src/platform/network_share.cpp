#include "platform/network_share.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/system.h"

namespace velmora::platform {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// The separator-delimited parts of a text, empty parts skipped.
std::vector<std::string> Parts(std::string_view text) {
    std::vector<std::string> parts;
    std::string part;
    for (const char c : text) {
        if (!IsSeparator(c)) {
            part += c;
        } else if (!part.empty()) {
            parts.push_back(std::move(part));
            part.clear();
        }
    }
    if (!part.empty()) parts.push_back(std::move(part));
    return parts;
}

bool MatchesShare(std::string_view device, std::string_view server, std::string_view share) {
    std::string deviceServer, deviceShare, rest;
    return SplitNetworkPath(device, deviceServer, deviceShare, rest) && Parts(rest).empty() &&
           EqualNoCase(deviceServer, server) && EqualNoCase(deviceShare, share);
}

bool FindInSharesConf(std::string_view server, std::string_view share, std::string& folder) {
    const std::string config = ConfigFolder();
    if (config.empty()) return false;
    std::ifstream file(config + "/Parcelo/shares.conf");
    for (std::string line; std::getline(file, line);) {
        const std::string_view text = Trimmed(line);
        const size_t equals = text.find('=');
        if (text.empty() || text.front() == '#' || equals == std::string_view::npos) continue;
        const std::string_view local = Trimmed(text.substr(equals + 1));
        if (!local.empty() && MatchesShare(Trimmed(text.substr(0, equals)), server, share)) {
            folder = local;
            return true;
        }
    }
    return false;
}

// "\040" and the like stand for blanks and tabs in mount table fields.
std::string Unescaped(std::string_view field) {
    std::string text;
    for (size_t i = 0; i < field.size(); ++i) {
        const bool octal = field[i] == '\\' && i + 3 < field.size() &&
                           field.substr(i + 1, 3).find_first_not_of("01234567") == std::string_view::npos;
        if (octal) {
            text += static_cast<char>(std::stoi(std::string(field.substr(i + 1, 3)), nullptr, 8));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

bool FindInGvfs(std::string_view server, std::string_view share, std::string& folder) {
    const std::string runtime = GetEnvironment("XDG_RUNTIME_DIR");
    if (runtime.empty()) return false;
    std::error_code code;
    const std::filesystem::path gvfs = std::filesystem::path(runtime) / "gvfs";
    for (std::filesystem::directory_iterator it(gvfs, code), end; !code && it != end; it.increment(code)) {
        const std::string name = it->path().filename().string();
        constexpr std::string_view kPrefix = "smb-share:";
        if (!name.starts_with(kPrefix)) continue;
        std::string mountServer, mountShare;
        std::istringstream keys(name.substr(kPrefix.size()));
        for (std::string pair; std::getline(keys, pair, ',');) {
            const size_t equals = pair.find('=');
            if (equals == std::string::npos) continue;
            const std::string key = pair.substr(0, equals);
            if (key == "server") mountServer = pair.substr(equals + 1);
            if (key == "share") mountShare = pair.substr(equals + 1);
        }
        if (EqualNoCase(mountServer, server) && EqualNoCase(mountShare, share)) {
            folder = it->path().string();
            return true;
        }
    }
    return false;
}

}  // namespace

bool SplitNetworkPath(std::string_view text, std::string& server, std::string& share, std::string& rest) {
    if (text.size() < 2 || !IsSeparator(text[0]) || !IsSeparator(text[1])) return false;
    const std::string_view after = text.substr(2);
    const size_t serverEnd = after.find_first_of("/\\");
    if (serverEnd == 0 || serverEnd == std::string_view::npos) return false;
    const std::string_view tail = after.substr(serverEnd + 1);
    const size_t shareEnd = tail.find_first_of("/\\");
    const std::string_view shareName = tail.substr(0, shareEnd);
    if (shareName.empty()) return false;
    server = after.substr(0, serverEnd);
    share = shareName;
    rest = shareEnd == std::string_view::npos ? std::string() : std::string(tail.substr(shareEnd));
    return true;
}

bool FindShareInMountTable(std::string_view table, std::string_view server, std::string_view share,
                           std::string& folder) {
    std::istringstream lines{std::string(table)};
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string device, mountPoint, type;
        if (!(fields >> device >> mountPoint >> type)) continue;
        if (type != "cifs" && type != "smb3" && type != "smbfs") continue;
        if (MatchesShare(Unescaped(device), server, share)) {
            folder = Unescaped(mountPoint);
            return true;
        }
    }
    return false;
}

bool FindShareFolder(std::string_view server, std::string_view share, std::string& folder) {
    if (FindInSharesConf(server, share, folder)) return true;
    std::ifstream mounts("/proc/self/mounts");
    std::stringstream table;
    table << mounts.rdbuf();
    return FindShareInMountTable(table.str(), server, share, folder) || FindInGvfs(server, share, folder);
}

bool MapNetworkPath(std::string_view text, std::string& local, std::string* error) {
    const auto fail = [error](const std::string& reason) {
        if (error) *error = reason;
        return false;
    };
    std::string server, share, rest;
    if (!SplitNetworkPath(text, server, share, rest)) return fail("Not a network path");
    std::string folder;
    if (!FindShareFolder(server, share, folder)) return fail("Cannot connect to network resource");
    local = folder;
    for (const std::string& part : Parts(rest)) {
        // The share's folder is the whole of what the text may reach.
        if (part == "..") return fail("Network path leaves its share");
        if (local.empty() || local.back() != '/') local += '/';
        local += part;
    }
    if (!rest.empty() && IsSeparator(rest.back()) && local.back() != '/') local += '/';
    return true;
}

}  // namespace velmora::platform
