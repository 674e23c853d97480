#include "platform/system.h"

#include <mntent.h>
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

namespace velmora::platform {
namespace {

bool IsAbsolute(std::string_view path) { return !path.empty() && path.front() == '/'; }

// The passwd entry of the effective user, through a buffer of our own so
// that the call is thread-safe.
template <typename Field>
std::string FromPasswd(Field field) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* result = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &result) != 0 || result == nullptr) {
        return {};
    }
    return field(entry) != nullptr ? std::string(field(entry)) : std::string();
}

// A value of user-dirs.dirs: "$HOME/Pictures" or "/abs/path", in double
// quotes; anything else is not accepted.
std::string ExpandUserDir(std::string_view value) {
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') return {};
    value = value.substr(1, value.size() - 2);
    constexpr std::string_view kHome = "$HOME";
    if (value.substr(0, kHome.size()) == kHome) {
        const std::string_view rest = value.substr(kHome.size());
        if (rest.empty() || rest.front() == '/') return HomeFolder() + std::string(rest);
        return {};
    }
    return IsAbsolute(value) ? std::string(value) : std::string();
}

std::string UserDirFromFile(std::string_view key) {
    const std::string config = ConfigFolder();
    if (config.empty()) return {};
    std::ifstream file(config + "/user-dirs.dirs");
    std::string line;
    std::string found;
    while (std::getline(file, line)) {
        if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 && line[key.size()] == '=') {
            found = ExpandUserDir(std::string_view(line).substr(key.size() + 1));
        }
    }
    return found;
}

std::string UserDir(const char* key, const char* fallback) {
    std::string dir = GetEnvironment(key);
    if (!IsAbsolute(dir)) dir = UserDirFromFile(key);
    if (dir.empty()) dir = HomeFolder() + "/" + fallback;
    return dir;
}

bool IsVisibleMount(const mntent& entry) {
    const std::string_view source = entry.mnt_fsname != nullptr ? entry.mnt_fsname : "";
    const std::string_view type = entry.mnt_type != nullptr ? entry.mnt_type : "";
    static constexpr std::string_view kNetworkTypes[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs"};
    // Snap packages mount squashfs images: programs, not the user's disks.
    const bool disk = IsAbsolute(source) && type != "squashfs";
    const bool share = std::find(std::begin(kNetworkTypes), std::end(kNetworkTypes), type) != std::end(kNetworkTypes);
    std::error_code error;
    // Bind-mounted files (containers mount /etc/hosts that way) are no drives.
    return (disk || share) && std::filesystem::is_directory(entry.mnt_dir, error) &&
           access(entry.mnt_dir, R_OK | X_OK) == 0;
}

// Shell-style backslash escapes of os-release values.
std::string Unescape(std::string_view value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) ++i;
        out += value[i];
    }
    return out;
}

// PRETTY_NAME="Debian GNU/Linux 12 (bookworm)"
std::string PrettyNameFrom(const char* file) {
    std::ifstream in(file);
    std::string line;
    constexpr std::string_view kKey = "PRETTY_NAME=";
    while (std::getline(in, line)) {
        if (line.compare(0, kKey.size(), kKey) != 0) continue;
        std::string value = line.substr(kKey.size());
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return Unescape(value);
    }
    return {};
}

}  // namespace

std::string GetEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string CurrentDirectory() {
    std::error_code error;
    const auto path = std::filesystem::current_path(error);
    return error ? std::string() : path.string();
}

std::string UserName() {
    std::string name = FromPasswd([](const passwd& p) { return p.pw_name; });
    if (name.empty()) name = GetEnvironment("USER");
    if (name.empty()) name = GetEnvironment("LOGNAME");
    return name;
}

std::string ComputerName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

std::string TempFolder() {
    std::string folder = GetEnvironment("TMPDIR");
    if (!IsAbsolute(folder)) folder = "/tmp";
    if (folder.back() != '/') folder += '/';
    return folder;
}

std::string HomeFolder() {
    const std::string home = GetEnvironment("HOME");
    if (IsAbsolute(home)) return home;
    return FromPasswd([](const passwd& p) { return p.pw_dir; });
}

std::string AppDataFolder() {
    const std::string data = GetEnvironment("XDG_DATA_HOME");
    if (IsAbsolute(data)) return data;
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/.local/share";
}

std::string ConfigFolder() {
    const std::string config = GetEnvironment("XDG_CONFIG_HOME");
    if (IsAbsolute(config)) return config;
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/.config";
}

std::string PicturesFolder() { return UserDir("XDG_PICTURES_DIR", "Pictures"); }
std::string DocumentsFolder() { return UserDir("XDG_DOCUMENTS_DIR", "Documents"); }

std::string PlatformFolder() { return "/usr"; }
std::string SystemFolder() { return "/usr/bin"; }
std::string SystemDrive() { return "/"; }

std::vector<std::string> MountPoints() {
    std::vector<std::string> points{"/"};
    FILE* table = setmntent("/proc/self/mounts", "r");
    if (table == nullptr) return points;
    mntent entry{};
    char buffer[4096];
    while (getmntent_r(table, &entry, buffer, sizeof buffer) != nullptr) {
        const std::string dir = entry.mnt_dir != nullptr ? entry.mnt_dir : "";
        if (!IsVisibleMount(entry) || std::find(points.begin(), points.end(), dir) != points.end()) continue;
        points.push_back(dir);
    }
    endmntent(table);
    return points;
}

bool ReadOSDescription(OSDescription& description) {
    utsname names{};
    if (uname(&names) != 0) return false;
    description.sysName = names.sysname;
    description.release = names.release;
    description.machine = names.machine;
    description.prettyName = PrettyNameFrom("/etc/os-release");
    if (description.prettyName.empty()) description.prettyName = PrettyNameFrom("/usr/lib/os-release");
    return true;
}

std::string SystemErrorText(int code) {
    // Unlike strerror, this neither shares a buffer between threads nor
    // invents a text for an unknown number.
    const char* text = strerrordesc_np(code);
    return text != nullptr ? std::string(text) : std::string();
}

}  // namespace velmora::platform
