#pragma once

#include <string>
#include <string_view>

#include "platform/api.h"

// Text is UTF-8 everywhere; UTF-16 appears only where a binary format asks
// for it (archive forms of trees and task nodes, drag data).
namespace velmora::platform {

// Invalid UTF-8 sequences become U+FFFD.
VELMORA_API std::u16string Utf8ToUtf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
VELMORA_API std::string Utf16ToUtf8(std::u16string_view text);

// Little-endian byte forms, as the binary formats store them.
VELMORA_API std::string Utf8ToUtf16LEBytes(std::string_view text);
VELMORA_API std::string Utf16LEBytesToUtf8(std::string_view bytes);

VELMORA_API bool IsValidUtf8(std::string_view text);

}  // namespace velmora::platform
