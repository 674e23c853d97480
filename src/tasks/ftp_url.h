#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ftp/remote_protocol.h"
#include "ftp/tls_trust.h"
#include "platform/api.h"

namespace velmora {

// The parts of an FTP address "ftp://[user[:password]@]host[:port]/path".
// The user and password are percent-decoded; the host and the path are kept
// as written (the path is the folder or file on the server). "ftpes://"
// requires explicit TLS, "ftps://" implicit TLS (default port 990);
// "sftp://" is the SSH file transfer protocol (default port 22).
struct VELMORA_API CFtpUrl {
    static constexpr int kDefaultPort = 21;

    std::string user;
    std::string password;
    bool hasUser = false;
    bool hasPassword = false;
    std::string host;
    int port = kDefaultPort;
    std::string path = "/";
    // The TLS mode the scheme demands; none for "ftp://" or no scheme.
    std::optional<ETlsMode> tlsMode;
    ERemoteProtocol protocol = ERemoteProtocol::Ftp;

    // False for a text with another scheme, without a host, or with a port
    // that is not a number from 1 to 65535. A text without a scheme is read
    // as host and path. A bracketed host ("[::1]") is an IPv6 address.
    bool Parse(std::string_view text);

    // "%41" becomes "A"; a "%" not followed by two hex digits stays as it is.
    static std::string PercentDecode(std::string_view text);

private:
    bool ParseScheme(std::string_view scheme);
    bool ParseHostPort(std::string_view text);
    void ParseUserInfo(std::string_view text);
};

}  // namespace velmora
