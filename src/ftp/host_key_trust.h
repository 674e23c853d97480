#pragma once

#include "ftp/protocol/ssh_host_keys.h"

// The SSH host keys a user is asked to trust and the known-hosts files that
// remember them, under the library's own names: the code above the FTP
// access layer never names the protocol layer.
namespace velmora {

using protocol::CheckHostKey;
using protocol::CHostKeyVerdict;
using protocol::CSshHostKey;
using protocol::FingerprintMatches;
using protocol::KnownHostsFiles;
using protocol::OwnKnownHostsFile;
using protocol::TrustHostKey;

}  // namespace velmora
