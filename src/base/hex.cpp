#include "base/hex.h"

#include <limits>

#include "base/format.h"
#include "base/text.h"
#include "base/tokenizer.h"

namespace velmora {
namespace {

std::string WithoutSeparators(std::string_view text) {
    std::string digits;
    digits.reserve(text.size());
    for (const char c : text) {
        if (std::string_view(" -:,./\r\n").find(c) == std::string_view::npos) digits += c;
    }
    return digits;
}

bool IsHexPair(std::string_view pair) {
    return pair.size() == 2 && HexDigitValue(pair[0]) >= 0 && HexDigitValue(pair[1]) >= 0;
}

size_t StoreHexPairs(std::string_view text, uint8_t* buffer, size_t capacity, bool strict) {
    const std::string digits = WithoutSeparators(text);
    size_t count = 0;
    for (size_t at = 0; at < digits.size() && count < capacity; at += 2) {
        const std::string_view pair = std::string_view(digits).substr(at, 2);
        if (strict && !IsHexPair(pair)) break;
        buffer[count++] = static_cast<uint8_t>(GetHexValue(pair));
    }
    return count;
}

}  // namespace

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string GetToken(std::string& text, std::string_view delimiters) {
    CStringTokenizer tokenizer(text);
    std::string token = tokenizer.GetToken(delimiters);
    text = tokenizer.str();
    return token;
}

std::string GetLeftToken(std::string& text, int n) {
    CStringTokenizer tokenizer(text);
    std::string token = tokenizer.Left(n);
    text = tokenizer.str();
    return token;
}

uint64_t GetHexValue(std::string_view text) {
    text = text.substr(0, 128);
    size_t at = 0;
    while (at < text.size() && IsSpace(text[at])) ++at;
    if (text.substr(at, 2) == "0x" || text.substr(at, 2) == "0X") at += 2;
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    uint64_t value = 0;
    for (; at < text.size() && HexDigitValue(text[at]) >= 0; ++at) {
        if (value > (kMax >> 4)) return kMax;
        value = (value << 4) | static_cast<uint64_t>(HexDigitValue(text[at]));
    }
    return value;
}

std::string HexToString(const uint8_t* bytes, size_t count) {
    std::string text;
    text.reserve(count * 3);
    for (size_t i = 0; i < count; ++i) text += Format("%02X ", static_cast<unsigned>(bytes[i]));
    return text;
}

size_t StringToHex(std::string_view text, uint8_t* buffer, size_t capacity) {
    return StoreHexPairs(text, buffer, capacity, false);
}

size_t StringToHexStrict(std::string_view text, uint8_t* buffer, size_t capacity) {
    return StoreHexPairs(text, buffer, capacity, true);
}

}  // namespace velmora
