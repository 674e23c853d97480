#pragma once

#include <string>
#include <string_view>

#include "platform/api.h"

// Trailing separators of path texts; "\\" and "/" both count as separators.
namespace velmora {

// Trims trailing white space, then makes sure the text ends in a separator:
// an empty text becomes `slash` alone, a text that already ends in "\\" or "/"
// is kept, anything else gets `slash` appended.
VELMORA_API std::string AppendSlash(std::string_view text, char slash = '/');

// Removes one trailing "\\" or "/"; the text is not trimmed first.
VELMORA_API std::string RemoveSlash(std::string_view text);

// Trims trailing white space, then removes one trailing separator.
VELMORA_API std::string RemoveSlashTrimmed(std::string_view text);

}  // namespace velmora
