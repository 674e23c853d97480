#include "platform/path_split.h"

namespace velmora::platform {
namespace {

constexpr std::string_view kSeparators = "/\\";

bool EndsWithSeparator(std::string_view text) {
    return !text.empty() && kSeparators.find(text.back()) != std::string_view::npos;
}

}  // namespace

PathParts SplitPathText(std::string_view text) {
    PathParts parts;
    if (text.size() >= 2 && text[1] == ':') {
        parts.drive = std::string(text.substr(0, 2));
        text.remove_prefix(2);
    }
    const size_t lastSeparator = text.find_last_of(kSeparators);
    if (lastSeparator != std::string_view::npos) {
        parts.dir = std::string(text.substr(0, lastSeparator + 1));
        text.remove_prefix(lastSeparator + 1);
    }
    const size_t dot = text.find_last_of('.');
    if (dot != std::string_view::npos) {
        parts.ext = std::string(text.substr(dot));
        text = text.substr(0, dot);
    }
    parts.name = std::string(text);
    return parts;
}

std::string MakePathText(std::string_view drive, std::string_view dir, std::string_view name,
                         std::string_view ext) {
    std::string path;
    AppendPathText(path, drive, dir, name, ext);
    return path;
}

void AppendPathText(std::string& out, std::string_view drive, std::string_view dir, std::string_view name,
                    std::string_view ext) {
    // Room for the separators that may be added, so the text grows once.
    out.reserve(out.size() + drive.size() + dir.size() + name.size() + ext.size() + 3);
    out += drive;
    if (!drive.empty() && drive.back() != ':') out += ':';
    out += dir;
    if (!dir.empty() && !EndsWithSeparator(dir)) {
        const size_t first = dir.find_first_of(kSeparators);
        out += first == std::string_view::npos ? '/' : dir[first];
    }
    out += name;
    if (!ext.empty() && ext.front() != '.') out += '.';
    out += ext;
}

}  // namespace velmora::platform
