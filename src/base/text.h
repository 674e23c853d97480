#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/api.h"

// Small text helpers shared by every folder. Letter-case folding touches the
// ASCII letters only; other bytes (UTF-8 sequences) are left as they are.
namespace velmora {

VELMORA_API std::string ToLowerAscii(std::string_view text);
VELMORA_API std::string ToUpperAscii(std::string_view text);
VELMORA_API bool EqualsNoCase(std::string_view a, std::string_view b);
// <0, 0, >0 like strcmp, after folding ASCII letters.
VELMORA_API int CompareNoCase(std::string_view a, std::string_view b);

VELMORA_API bool IsSpace(char c);  // blank, tab, CR, LF, VT, FF
VELMORA_API std::string TrimText(std::string_view text);
VELMORA_API std::string TrimLeftText(std::string_view text);
VELMORA_API std::string TrimRightText(std::string_view text);

// Decimal conversion the way the stored formats expect it: leading blanks and
// a sign are accepted, digits are read up to the first other character, and a
// text without digits gives 0. Values beyond the type's range saturate.
VELMORA_API int64_t ParseInt64(std::string_view text);
VELMORA_API int32_t ParseInt32(std::string_view text);
// Strictly: the whole text is the digits of a number in range, nothing else.
VELMORA_API bool ParseExactUnsigned(std::string_view text, uint64_t& value);

// Attribute values are written with the five XML entities so that quotes and
// angle brackets survive a write and a read, and with character references
// for line breaks and tabs ("&#10;"), which readers of whole files strip as
// control characters. Text without & ' " < > or those is left unchanged;
// only these entities and references are decoded, anything else stays as is.
VELMORA_API std::string XMLEscape(std::string_view text);
VELMORA_API std::string XMLUnescape(std::string_view text);

}  // namespace velmora
