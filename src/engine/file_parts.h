#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/source_stamp.h"
#include "platform/api.h"

namespace velmora {

// One stretch [start, end) of a file downloaded in parts, each part over a
// session of its own; the bytes from `start` up to `done` are written.
struct CFilePart {
    uint64_t start = 0;
    uint64_t done = 0;
    uint64_t end = 0;

    bool operator==(const CFilePart&) const = default;
    bool IsComplete() const { return done == end; }
};

// The smallest part worth a session of its own.
constexpr uint64_t kMinFilePart = 1 << 20;
// The most parts a file is split into.
constexpr int kMaxFileParts = 16;

// `length` bytes in up to `count` parts of nearly equal size, none smaller
// than kMinFilePart; a single part where the file is too small to split.
VELMORA_API std::vector<CFilePart> SplitIntoParts(uint64_t length, int count);

// The bytes written from the first one on without a gap: what a transfer
// that is not in parts may go on from.
VELMORA_API uint64_t WrittenPrefix(const std::vector<CFilePart>& parts);

// The bytes the parts hold, gaps or not.
VELMORA_API uint64_t HeldBytes(const std::vector<CFilePart>& parts);

// Whether `parts` cover [0, length) in order, each within its bounds.
VELMORA_API bool CoverFile(const std::vector<CFilePart>& parts, uint64_t length);

// The note kept with a partial file written in parts: the source's stamp
// as CSourceStamp::Note() writes it, then one line
// "parts START:DONE:END START:DONE:END ...". A partial file written in one
// stream keeps the stamp's line alone.
VELMORA_API std::string PartsNote(const CSourceStamp& stamp, const std::vector<CFilePart>& parts);

// A partial file's note as it was kept: the stamp, and the parts where it
// was written in parts (empty otherwise). Empty when the note is not one.
struct CPartialNote {
    std::optional<CSourceStamp> stamp;
    std::vector<CFilePart> parts;
};
VELMORA_API CPartialNote ParsePartialNote(std::string_view note);

}  // namespace velmora
