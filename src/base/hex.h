#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/api.h"

namespace velmora {

// The value of a hexadecimal digit (either case); -1 for any other character.
VELMORA_API int HexDigitValue(char c);

// CStringTokenizer::GetToken on a caller's string: the next non-empty token
// before any of the delimiter characters, removed from `text` with its
// delimiter; "" when the text holds no more tokens.
VELMORA_API std::string GetToken(std::string& text, std::string_view delimiters);

// The first n characters (limited to the length), removed from `text`.
VELMORA_API std::string GetLeftToken(std::string& text, int n);

// The text (at most its first 128 bytes) read as a hexadecimal number:
// leading blanks and a "0x" are skipped, digits are read up to the first other
// character. A text without a leading hex digit gives 0; too large a number
// gives the largest value.
VELMORA_API uint64_t GetHexValue(std::string_view text);

// Each byte as two upper-case hex digits and a blank: "0A 1F ".
VELMORA_API std::string HexToString(const uint8_t* bytes, size_t count);

// Drops blanks, "-", ":", ",", ".", "/", CR and LF, then stores the value of
// each pair of characters (GetHexValue; an unreadable pair stores 0, an odd
// last character counts alone) until the text or the buffer is used up.
// Answers the number of bytes stored.
VELMORA_API size_t StringToHex(std::string_view text, uint8_t* buffer, size_t capacity);

// As StringToHex, but stops before the first pair that is not two hex digits
// (and before an odd last digit): only bytes that were really written down.
VELMORA_API size_t StringToHexStrict(std::string_view text, uint8_t* buffer, size_t capacity);

}  // namespace velmora
