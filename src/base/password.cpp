#include "base/password.h"

#include <array>
#include <cstdint>

#include "base/format.h"
#include "base/hex.h"

namespace velmora {
namespace {

constexpr size_t kMaxDecoded = 511;

}  // namespace

std::string StrEnc(std::string_view text) {
    std::string hex;
    hex.reserve(text.size() * 2);
    uint8_t previous = 0;
    for (const char c : text) {
        const auto byte = static_cast<uint8_t>(c);
        hex += Format("%02X", static_cast<unsigned>(byte ^ previous));
        previous = byte;
    }
    return hex;
}

std::string StrDec(std::string_view hex) {
    std::array<uint8_t, kMaxDecoded> bytes{};
    const size_t count = StringToHexStrict(hex, bytes.data(), bytes.size());
    std::string text;
    uint8_t previous = 0;
    for (size_t i = 0; i < count; ++i) {
        previous ^= bytes[i];
        if (previous == 0) break;
        text += static_cast<char>(previous);
    }
    return text;
}

}  // namespace velmora
