#pragma once

#include "ftp/protocol/ssh_settings.h"

// Which protocol a connection speaks, and how an SSH one logs in, under the
// library's own names: the code above the FTP access layer never names the
// protocol layer.
namespace velmora {

// FTP (with or without TLS, as the connection's TLS settings say) or the
// SSH file transfer protocol.
enum class ERemoteProtocol { Ftp, Sftp };

constexpr int kSftpDefaultPort = 22;

using protocol::CSshSettings;

}  // namespace velmora
