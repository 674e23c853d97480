#pragma once

#include <cstdint>
#include <string>

#include "platform/api.h"

// The servers that did TLS once, remembered by host and port in a file of
// the user's data folder, the way browsers remember sites that use HTTPS.
// A server that did TLS and now offers none is more likely someone on the
// way taking TLS out than a server that lost it, so a session in auto mode
// refuses plain FTP to it instead of sending the password in clear.
namespace velmora::protocol {

// The words of the error that refuses plain FTP to such a server.
extern VELMORA_API const char kTlsDowngradeText[];  // "did TLS before and now offers none"

class VELMORA_API CTlsMemory {
public:
    // The file holds one "host:port" line per server.
    explicit CTlsMemory(std::string file);

    // The memory of this user: "Parcelo/TLS servers" in the data folder.
    static CTlsMemory ForUser();

    bool DidTls(const std::string& host, uint16_t port) const;
    // Remembers the server (once); a file that cannot be written keeps
    // nothing, and the session goes on.
    void Remember(const std::string& host, uint16_t port);

    const std::string& GetFile() const { return m_file; }

private:
    std::string m_file;
};

}  // namespace velmora::protocol
