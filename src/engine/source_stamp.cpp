#include "engine/source_stamp.h"

#include <charconv>
#include <string_view>

#include "base/format.h"
#include "base/path_text.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/system.h"

namespace velmora {
namespace {

constexpr size_t kMaxStampFile = 64 * 1024;

bool ReadNumber(std::string_view text, uint64_t& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && stop == end;
}

// FNV-1a: a name that stays the same from one version to the next.
uint64_t NameHash(std::string_view text) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const unsigned char c : text) hash = (hash ^ c) * 0x100000001b3ull;
    return hash;
}

}  // namespace

std::string CSourceStamp::Text() const {
    return Format("%llu bytes, %s", static_cast<unsigned long long>(size),
                  platform::FormatLocalTime(platform::FileTimeToUnix(time), "%Y-%m-%d %H:%M:%S").c_str());
}

// "SIZE TIME\nORIGIN\n": a record without its last line end was cut short.
bool ReadSourceStamp(const std::string& path, CSourceStamp& stamp) {
    std::string text;
    if (!platform::ReadWholeFile(path, text, nullptr, kMaxStampFile)) return false;
    const size_t lineEnd = text.find('\n');
    const size_t blank = text.find(' ');
    if (lineEnd == std::string::npos || blank > lineEnd || text.back() != '\n' || lineEnd + 2 > text.size())
        return false;
    const std::string_view view(text);
    if (!ReadNumber(view.substr(0, blank), stamp.size) ||
        !ReadNumber(view.substr(blank + 1, lineEnd - blank - 1), stamp.time))
        return false;
    stamp.origin = text.substr(lineEnd + 1, text.size() - lineEnd - 2);
    return true;
}

void WriteSourceStamp(const std::string& path, const CSourceStamp& stamp) {
    RemoveSourceStamp(path);
    const std::string text = Format("%llu %llu\n", static_cast<unsigned long long>(stamp.size),
                                    static_cast<unsigned long long>(stamp.time)) +
                             stamp.origin + "\n";
    platform::CFileWriter writer;
    if (!writer.Open(path) || !writer.Write(text.data(), text.size()) || !writer.Close()) RemoveSourceStamp(path);
}

void RemoveSourceStamp(const std::string& path) { platform::DeleteFile(path); }

std::string UploadStampPath(const std::string& server, uint16_t port, const std::string& remotePath) {
    std::string folder = AppendSlash(platform::AppDataFolder(), '/') + "Parcelo/";
    platform::CreateDirectory(folder);
    folder += "Partial uploads/";
    platform::CreateDirectory(folder);
    const std::string key = server + ":" + std::to_string(port) + remotePath;
    return folder + Format("%016llx", static_cast<unsigned long long>(NameHash(key)));
}

}  // namespace velmora
