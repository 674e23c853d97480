#include "engine/file_parts.h"

#include <algorithm>

#include "base/format.h"
#include "base/text.h"

namespace velmora {
namespace {

constexpr std::string_view kPartsWord = "parts";

// "START:DONE:END".
bool ReadPart(std::string_view text, CFilePart& part) {
    const size_t first = text.find(':');
    if (first == std::string_view::npos) return false;
    const size_t second = text.find(':', first + 1);
    if (second == std::string_view::npos) return false;
    return ParseExactUnsigned(text.substr(0, first), part.start) &&
           ParseExactUnsigned(text.substr(first + 1, second - first - 1), part.done) &&
           ParseExactUnsigned(text.substr(second + 1), part.end) && part.start <= part.done && part.done <= part.end;
}

// The line "parts ..." without its line end; false when any part is not one.
bool ReadParts(std::string_view line, std::vector<CFilePart>& parts) {
    if (!line.starts_with(kPartsWord)) return false;
    line.remove_prefix(kPartsWord.size());
    while (!line.empty()) {
        if (line.front() != ' ') return false;
        line.remove_prefix(1);
        const size_t space = line.find(' ');
        CFilePart part;
        // No run makes more parts than kMaxFileParts: a note with more was not written by one.
        if (parts.size() == kMaxFileParts || !ReadPart(line.substr(0, space), part)) return false;
        parts.push_back(part);
        line.remove_prefix(space == std::string_view::npos ? line.size() : space);
    }
    return !parts.empty();
}

}  // namespace

std::vector<CFilePart> SplitIntoParts(uint64_t length, int count) {
    const uint64_t most = std::max<uint64_t>(length / kMinFilePart, 1);
    const uint64_t parts = std::clamp<uint64_t>(static_cast<uint64_t>(std::max(count, 1)), 1, most);
    std::vector<CFilePart> split;
    split.reserve(parts);
    for (uint64_t index = 0; index < parts; ++index) {
        const uint64_t start = length / parts * index;
        const uint64_t end = index + 1 == parts ? length : length / parts * (index + 1);
        split.push_back({start, start, end});
    }
    return split;
}

uint64_t WrittenPrefix(const std::vector<CFilePart>& parts) {
    uint64_t prefix = 0;
    for (const CFilePart& part : parts) {
        if (part.start != prefix) break;
        prefix = part.done;
        if (!part.IsComplete()) break;
    }
    return prefix;
}

uint64_t HeldBytes(const std::vector<CFilePart>& parts) {
    uint64_t held = 0;
    for (const CFilePart& part : parts) held += part.done - part.start;
    return held;
}

bool CoverFile(const std::vector<CFilePart>& parts, uint64_t length) {
    uint64_t next = 0;
    for (const CFilePart& part : parts) {
        if (part.start != next || part.done < part.start || part.end < part.done || part.end == part.start)
            return false;
        next = part.end;
    }
    return !parts.empty() && next == length;
}

std::string PartsNote(const CSourceStamp& stamp, const std::vector<CFilePart>& parts) {
    std::string note = stamp.Note();
    if (parts.empty()) return note;
    note += kPartsWord;
    for (const CFilePart& part : parts)
        note += Format(" %llu:%llu:%llu", static_cast<unsigned long long>(part.start),
                       static_cast<unsigned long long>(part.done), static_cast<unsigned long long>(part.end));
    note += '\n';
    return note;
}

CPartialNote ParsePartialNote(std::string_view note) {
    CPartialNote read;
    const size_t lineEnd = note.find('\n');
    if (lineEnd == std::string_view::npos) return read;
    CSourceStamp stamp;
    if (!stamp.ReadNote(note.substr(0, lineEnd + 1))) return read;
    const std::string_view rest = note.substr(lineEnd + 1);
    if (rest.empty()) {
        read.stamp = stamp;
        return read;
    }
    // A second line that is no list of parts (or one cut short) makes the
    // whole note unreadable: the bytes it describes cannot be trusted.
    if (rest.back() != '\n' || !ReadParts(rest.substr(0, rest.size() - 1), read.parts)) {
        read.parts.clear();
        return read;
    }
    read.stamp = stamp;
    return read;
}

}  // namespace velmora
