#include "base/path_text.h"

#include "base/text.h"

namespace velmora {
namespace {

bool EndsInSeparator(std::string_view text) {
    return !text.empty() && (text.back() == '/' || text.back() == '\\');
}

}  // namespace

std::string AppendSlash(std::string_view text, char slash) {
    std::string result = TrimRightText(text);
    if (!EndsInSeparator(result)) result += slash;
    return result;
}

std::string RemoveSlash(std::string_view text) {
    if (EndsInSeparator(text)) text.remove_suffix(1);
    return std::string(text);
}

std::string RemoveSlashTrimmed(std::string_view text) { return RemoveSlash(TrimRightText(text)); }

}  // namespace velmora
