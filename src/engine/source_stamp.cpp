#include "engine/source_stamp.h"

#include <charconv>
#include <filesystem>
#include <system_error>

#include "base/format.h"
#include "base/path_text.h"
#include "base/text.h"
#include "platform/clock.h"
#include "platform/notes.h"
#include "platform/system.h"

namespace velmora {
namespace {

std::string UploadStampFolder() { return AppendSlash(platform::AppDataFolder(), '/') + "Parcelo/Partial uploads/"; }

platform::CNotePlace UploadStampPlace(const std::string& name) {
    const std::string folder = UploadStampFolder();
    return {folder, name, folder + name};
}

}  // namespace

// FNV-1a.
uint64_t CSourceStamp::PlaceOf(std::string_view text) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const unsigned char c : text) hash = (hash ^ c) * 0x100000001b3ull;
    return hash;
}

std::string CSourceStamp::Text() const {
    return Format("%llu bytes, %s", static_cast<unsigned long long>(size),
                  platform::FormatLocalTime(platform::FileTimeToUnix(time), "%Y-%m-%d %H:%M:%S").c_str());
}

std::string CSourceStamp::Note() const {
    return Format("%llu %llu %016llx\n", static_cast<unsigned long long>(size), static_cast<unsigned long long>(time),
                  static_cast<unsigned long long>(place));
}

bool CSourceStamp::ReadNote(std::string_view note) {
    if (note.empty() || note.back() != '\n') return false;
    note.remove_suffix(1);
    const size_t first = note.find(' ');
    const size_t second = note.find(' ', first == std::string_view::npos ? first : first + 1);
    if (second == std::string_view::npos) return false;
    const std::string_view hex = note.substr(second + 1);
    const auto [stop, error] = std::from_chars(hex.data(), hex.data() + hex.size(), place, 16);
    return ParseExactUnsigned(note.substr(0, first), size) &&
           ParseExactUnsigned(note.substr(first + 1, second - first - 1), time) && !hex.empty() &&
           error == std::errc() && stop == hex.data() + hex.size();
}

std::string UploadStampName(const std::string& server, uint16_t port, const std::string& remotePath) {
    const std::string key = server + ":" + std::to_string(port) + remotePath;
    return Format("velmora.%016llx", static_cast<unsigned long long>(CSourceStamp::PlaceOf(key)));
}

bool ReadUploadStamp(const std::string& name, CSourceStamp& stamp) {
    std::string note;
    return platform::ReadNote(UploadStampPlace(name), note) && stamp.ReadNote(note);
}

void WriteUploadStamp(const std::string& name, const CSourceStamp& stamp) {
    const platform::CNotePlace place = UploadStampPlace(name);
    if (platform::SetNote(place, stamp.Note())) return;
    // The first stamp makes the folder, and any of its parents that are missing.
    std::error_code ignored;
    std::filesystem::create_directories(place.path, ignored);
    platform::SetNote(place, stamp.Note());
}

void RemoveUploadStamp(const std::string& name) { platform::RemoveNote(UploadStampPlace(name)); }

}  // namespace velmora
