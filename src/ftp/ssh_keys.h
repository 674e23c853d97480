#pragma once

#include "ftp/protocol/ssh_connection.h"
#include "ftp/protocol/ssh_host_keys.h"

// The SSH keys a user deals with: the servers' host keys with the
// known-hosts files that remember them, and the user's own key files; under
// the library's own names: the code above the FTP access layer never names
// the protocol layer.
namespace velmora {

using protocol::CheckHostKey;
using protocol::CHostKeyVerdict;
using protocol::CSshHostKey;
using protocol::IsKeyPassphrase;
using protocol::KnownHostsFiles;
using protocol::OwnKnownHostsFile;
using protocol::TrustHostKey;

}  // namespace velmora
