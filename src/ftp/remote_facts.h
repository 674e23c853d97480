#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/api.h"

namespace velmora {

namespace protocol {
class CFtpConnection;
}

// What a server knows of one of its files, asked the way its capability
// record says it answers: one round trip at most, and none when it offers no
// way to tell (then false, and the connection's last error is left alone).
//
//   uint64_t size = 0;
//   if (AskRemoteSize(connection, "/in/a.bin", size)) ... compare ...
//
// The size comes from SIZE where the server offers it, and is tried with
// SIZE where the server named no features at all; else from the "size" fact
// of MLST. The time comes from MDTM, else from the "modify" fact of MLST.
VELMORA_API bool AskRemoteSize(protocol::CFtpConnection& connection, const std::string& path, uint64_t& size);
// Seconds since 1970, UTC.
VELMORA_API bool AskRemoteTime(protocol::CFtpConnection& connection, const std::string& path, int64_t& secondsUtc);
// What tells whether a file changed, in one round trip: its time and size
// from MLST where the server sends both facts, else its time alone from
// MDTM (`size` then stays empty).
VELMORA_API bool AskRemoteChange(protocol::CFtpConnection& connection, const std::string& path, int64_t& secondsUtc,
                                 std::optional<uint64_t>& size);

}  // namespace velmora
