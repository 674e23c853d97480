#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/api.h"

// Which SSH servers are trusted: the known-hosts files that OpenSSH's `ssh`
// keeps (plain and hashed host names, "[host]:port" for other ports than 22)
// and our own file of the same form, where the desktop's "Trust" adds keys.
namespace velmora::protocol {

// A server's host key as a user sees it and as a known-hosts line stores it.
struct VELMORA_API CSshHostKey {
    std::string type;         // "ssh-ed25519"
    std::string base64;       // the key's blob, as a known-hosts line carries it
    std::string fingerprint;  // "SHA256:" and the unpadded base64 digest, as `ssh-keygen -l` shows it
};

struct VELMORA_API CHostKeyVerdict {
    enum EKind {
        Known,    // a known-hosts file holds this key for this host
        Unknown,  // no file names this host (with this key type)
        Changed,  // a file holds another key for this host: a possible attack
    };
    EKind kind = Unknown;
    // Where the other key was found ("~/.ssh/known_hosts:12"), for Changed.
    std::string where;
};

// What the known-hosts files `files` say of `key` for host:port. Files
// that are missing or unreadable say nothing; lines that name no key (a
// marker line, a comment, garbage) are passed over.
VELMORA_API CHostKeyVerdict CheckHostKey(const std::vector<std::string>& files, std::string_view host,
                                         uint16_t port, const CSshHostKey& key);

// How a host is written in a known-hosts file: "name" for port 22, else "[name]:port".
VELMORA_API std::string KnownHostsName(std::string_view host, uint16_t port);

// Our own known-hosts file, under the data folder.
VELMORA_API std::string OwnKnownHostsFile();
// The user's OpenSSH file (~/.ssh/known_hosts).
VELMORA_API std::string UserKnownHostsFile();
// The files a session checks host keys against: `given`, or when it names
// none the user's file and our own.
VELMORA_API std::vector<std::string> KnownHostsFiles(const std::vector<std::string>& given);

// Whether `fingerprint` ("SHA256:base64", the base64 alone, or the digest in
// hex with or without colons) names the same digest as `key`'s.
VELMORA_API bool FingerprintMatches(std::string_view fingerprint, const CSshHostKey& key);

// Adds `key` for host:port to the known-hosts file `file` (made, owner-only,
// with its folder when missing). False with the reason in `error`.
VELMORA_API bool TrustHostKey(const std::string& file, std::string_view host, uint16_t port, const CSshHostKey& key,
                              std::string& error);

// The refusal texts: what the key is and what the user can do about it.
VELMORA_API std::string DescribeUnknownHostKey(std::string_view host, uint16_t port, const CSshHostKey& key);
VELMORA_API std::string DescribeChangedHostKey(std::string_view host, uint16_t port, const CSshHostKey& key,
                                               const std::string& where);
// The first words of both refusals.
extern VELMORA_API const char kUntrustedHostKeyText[];

}  // namespace velmora::protocol
