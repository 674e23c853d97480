#include "cli/netrc.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "base/path_text.h"
#include "platform/system.h"

namespace parcelo::cli {
namespace {

namespace fs = std::filesystem;

// A file bigger than this is no netrc file.
constexpr std::uintmax_t kLargestNetrc = 1 << 20;

std::string NetrcFile() {
    const std::string chosen = velmora::platform::GetEnvironment("NETRC");
    if (!chosen.empty()) return chosen;
    return velmora::AppendSlash(velmora::platform::HomeFolder(), '/') + ".netrc";
}

}  // namespace

bool FindNetrcAccount(const std::string& text, const std::string& host, const std::string& login,
                      NetrcAccount& account) {
    std::istringstream words(text);
    std::string word;
    // The entry being read: for this host (or the default one) or not.
    bool inEntry = false;
    bool isDefault = false;
    NetrcAccount entry;
    NetrcAccount fallback;
    bool hasFallback = false;
    const auto closeEntry = [&]() -> bool {
        if (!inEntry) return false;
        inEntry = false;
        if (isDefault) {
            if (!hasFallback) fallback = entry;
            hasFallback = true;
            return false;
        }
        if (!login.empty() && entry.login != login) return false;
        account = entry;
        return true;
    };
    while (words >> word) {
        if (word == "machine" || word == "default") {
            if (closeEntry()) return true;
            std::string name;
            if (word == "machine" && !(words >> name)) break;
            isDefault = word == "default";
            inEntry = isDefault || name == host;
            entry = {};
        } else if (word == "login" || word == "password" || word == "account") {
            std::string value;
            if (!(words >> value)) break;
            if (word == "login") entry.login = value;
            if (word == "password") entry.password = value;
        } else if (word == "macdef") {
            // A macro runs to the next empty line.
            std::string line;
            std::getline(words, line);
            while (std::getline(words, line) && !line.empty()) {
            }
        }
    }
    if (closeEntry()) return true;
    if (!hasFallback || (!login.empty() && !fallback.login.empty() && fallback.login != login)) return false;
    account = fallback;
    return true;
}

bool ReadNetrcAccount(const std::string& host, const std::string& login, NetrcAccount& account,
                      std::string& warning) {
    const std::string file = NetrcFile();
    std::error_code code;
    const fs::file_status status = fs::status(file, code);
    if (code || !fs::is_regular_file(status)) return false;
    constexpr fs::perms kOthers = fs::perms::group_all | fs::perms::others_all;
    if ((status.permissions() & kOthers) != fs::perms::none) {
        warning = "'" + file + "' can be read by other users: not used (make it private: chmod 600 '" + file + "')";
        return false;
    }
    if (fs::file_size(file, code) > kLargestNetrc) return false;
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return FindNetrcAccount(text, host, login, account);
}

}  // namespace parcelo::cli
