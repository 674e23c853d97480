#pragma once

#include <cstdint>
#include <string>

#include "platform/api.h"

namespace velmora {

// What a partial file was taken from: the source's place, size and exact
// modification time (100-ns units since 1601, UTC) when the transfer began
// writing it from its first byte. A partial may be continued only from a
// source whose stamp is still the same; otherwise it would join the first
// bytes of one file to the rest of another.
struct VELMORA_API CSourceStamp {
    std::string origin;
    uint64_t size = 0;
    uint64_t time = 0;

    bool operator==(const CSourceStamp&) const = default;
    // "1000 bytes, 2026-12-07 19:00:05" (local time), for the log.
    std::string Text() const;
};

// The stamp of a partial is kept in a small file of its own, written before
// the first byte of the partial: a transfer that is killed leaves both. It is
// written without waiting for the disk; one cut short by a power loss reads
// as no stamp. Writing removes the old stamp first, so a stamp that cannot
// be written never speaks for a partial it does not describe.
VELMORA_API bool ReadSourceStamp(const std::string& path, CSourceStamp& stamp);
VELMORA_API void WriteSourceStamp(const std::string& path, const CSourceStamp& stamp);
VELMORA_API void RemoveSourceStamp(const std::string& path);

// Where the stamp of an upload's partial on a server is kept: in the user's
// data folder, one file per server and remote path.
VELMORA_API std::string UploadStampPath(const std::string& server, uint16_t port, const std::string& remotePath);

}  // namespace velmora
