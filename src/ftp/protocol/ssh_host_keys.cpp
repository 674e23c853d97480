#include "ftp/protocol/ssh_host_keys.h"

#include <libssh/libssh.h>
#include <openssl/evp.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "base/format.h"
#include "ftp/protocol/tls_settings.h"
#include "platform/system.h"

namespace velmora::protocol {

const char kUntrustedHostKeyText[] = "The server's host key is not trusted";

namespace {

struct EntryFree {
    void operator()(ssh_knownhosts_entry* entry) const { ssh_knownhosts_entry_free(entry); }
};

std::string_view WithoutPrefix(std::string_view text, std::string_view prefix) {
    if (text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix) text.remove_prefix(prefix.size());
    return text;
}

// The digest of an unpadded base64 fingerprint as upper-case hex; empty when unreadable.
std::string DigestHex(std::string_view base64) {
    std::string padded(base64);
    while (padded.size() % 4) padded += '=';
    std::string bytes(padded.size() / 4 * 3, '\0');
    const int size = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                                     reinterpret_cast<const unsigned char*>(padded.data()), static_cast<int>(padded.size()));
    if (size < 32) return {};
    std::string hex;
    for (int i = 0; i < 32; ++i) hex += Format("%02X", static_cast<unsigned char>(bytes[i]));
    return hex;
}

std::string HomeRelative(const std::string& path) {
    const std::string home = platform::HomeFolder();
    if (!home.empty() && path.size() > home.size() && path.compare(0, home.size(), home) == 0 &&
        (home.back() == '/' || path[home.size()] == '/'))
        return "~" + path.substr(home.back() == '/' ? home.size() - 1 : home.size());
    return path;
}

}  // namespace

std::string KnownHostsName(std::string_view host, uint16_t port) {
    if (port == 22 || port == 0) return std::string(host);
    return Format("[%.*s]:%u", static_cast<int>(host.size()), host.data(), static_cast<unsigned>(port));
}

std::string OwnKnownHostsFile() {
    std::string folder = platform::AppDataFolder();
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + "Parcelo/known_hosts";
}

std::string UserKnownHostsFile() {
    std::string home = platform::HomeFolder();
    if (!home.empty() && home.back() != '/') home += '/';
    return home + ".ssh/known_hosts";
}

std::vector<std::string> KnownHostsFiles(const std::vector<std::string>& given) {
    return given.empty() ? std::vector<std::string>{UserKnownHostsFile(), OwnKnownHostsFile()} : given;
}

CHostKeyVerdict CheckHostKey(const std::vector<std::string>& files, std::string_view host, uint16_t port,
                             const CSshHostKey& key) {
    const std::string name = KnownHostsName(host, port);
    CHostKeyVerdict verdict;
    for (const std::string& file : files) {
        std::ifstream in(file);
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            if (line.empty() || line[0] == '#' || line[0] == '@') continue;
            ssh_knownhosts_entry* parsed = nullptr;
            if (ssh_known_hosts_parse_line(name.c_str(), line.c_str(), &parsed) != SSH_OK || !parsed) continue;
            std::unique_ptr<ssh_knownhosts_entry, EntryFree> entry(parsed);
            char* blob = nullptr;
            if (!entry->publickey || ssh_pki_export_pubkey_base64(entry->publickey, &blob) != SSH_OK) continue;
            const bool same = key.base64 == blob;
            ssh_string_free_char(blob);
            if (same) return {CHostKeyVerdict::Known, {}};
            if (verdict.kind == CHostKeyVerdict::Unknown)
                verdict = {CHostKeyVerdict::Changed, Format("%s:%d", HomeRelative(file).c_str(), number)};
        }
    }
    return verdict;
}

bool FingerprintMatches(std::string_view fingerprint, const CSshHostKey& key) {
    const std::string_view ours = WithoutPrefix(key.fingerprint, "SHA256:");
    std::string_view given = WithoutPrefix(fingerprint, "SHA256:");
    while (!given.empty() && given.back() == '=') given.remove_suffix(1);
    if (!given.empty() && given == ours) return true;
    std::string hex;
    return ParseFingerprint(fingerprint, hex) && hex == DigestHex(ours);
}

bool TrustHostKey(const std::string& file, std::string_view host, uint16_t port, const CSshHostKey& key,
                  std::string& error) {
    std::error_code code;
    const std::filesystem::path path(file);
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), code);
    const bool existed = std::filesystem::exists(path, code);
    std::ofstream out(file, std::ios::app);
    if (!existed) ::chmod(file.c_str(), 0600);
    out << KnownHostsName(host, port) << ' ' << key.type << ' ' << key.base64 << '\n';
    out.flush();
    if (!out) {
        error = Format("Cannot write %s", file.c_str());
        return false;
    }
    return true;
}

std::string DescribeUnknownHostKey(std::string_view host, uint16_t port, const CSshHostKey& key) {
    const std::string name = KnownHostsName(host, port);
    return Format(
        "%s: %s is not a known host.\nIts %s key has the fingerprint %s.\n"
        "If the server's administrator confirms this fingerprint, trust it with --fingerprint %s "
        "(or choose Trust in Parcelo's host-key window).",
        kUntrustedHostKeyText, name.c_str(), key.type.c_str(), key.fingerprint.c_str(), key.fingerprint.c_str());
}

std::string DescribeChangedHostKey(std::string_view host, uint16_t port, const CSshHostKey& key,
                                   const std::string& where) {
    const std::string name = KnownHostsName(host, port);
    return Format(
        "%s: THE HOST KEY OF %s HAS CHANGED.\n"
        "Someone may be intercepting the connection (a man-in-the-middle attack), or the server's key was replaced.\n"
        "The server now offers a %s key with the fingerprint %s; %s holds another key for this host.\n"
        "Nothing was sent to the server. Only if its administrator confirms the new key, remove the old entry "
        "at %s and connect again.",
        kUntrustedHostKeyText, name.c_str(), key.type.c_str(), key.fingerprint.c_str(), where.c_str(), where.c_str());
}

}  // namespace velmora::protocol
