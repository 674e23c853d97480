#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/api.h"

namespace velmora {

// What a partial file was taken from: the source's place (a hash of its
// path or URL), size and exact modification time (100-ns units since 1601,
// UTC) when the transfer began writing it from its first byte. A partial
// may be continued only from a source whose stamp is still the same;
// otherwise it would join the first bytes of one file to the rest of another.
struct VELMORA_API CSourceStamp {
    uint64_t place = 0;
    uint64_t size = 0;
    uint64_t time = 0;

    bool operator==(const CSourceStamp&) const = default;
    // A place's hash, the same from one version to the next.
    static uint64_t PlaceOf(std::string_view text);
    // "1000 bytes, 2026-12-07 19:00:05" (local time), for the log.
    std::string Text() const;
    // The stamp as it is kept, "SIZE TIME PLACE\n": short enough to stay in
    // a file's own inode as an extended attribute. A note cut short
    // (without its line end) reads as none.
    std::string Note() const;
    bool ReadNote(std::string_view note);
};

// The stamps of uploads' partial files on servers are notes (platform/
// notes.h) of the folder "Parcelo/Partial uploads" in the user's data
// folder, one per server and remote path, from before the first byte goes
// until the file is complete: a transfer that is killed leaves its stamp.
VELMORA_API std::string UploadStampName(const std::string& server, uint16_t port, const std::string& remotePath);
VELMORA_API bool ReadUploadStamp(const std::string& name, CSourceStamp& stamp);
// A stamp that cannot be kept leaves none.
VELMORA_API void WriteUploadStamp(const std::string& name, const CSourceStamp& stamp);
VELMORA_API void RemoveUploadStamp(const std::string& name);

}  // namespace velmora
