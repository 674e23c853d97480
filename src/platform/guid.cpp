#include "platform/guid.h"

#include <cstdio>
#include <random>

namespace velmora::platform {

Guid CreateGuid() {
    thread_local std::mt19937_64 generator{[] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }()};
    const uint64_t high = generator();
    const uint64_t low = generator();
    Guid guid;
    guid.Data1 = static_cast<uint32_t>(high >> 32);
    guid.Data2 = static_cast<uint16_t>(high >> 16);
    guid.Data3 = static_cast<uint16_t>((high & 0x0FFF) | 0x4000);  // version 4
    for (int i = 0; i < 8; ++i) {
        guid.Data4[i] = static_cast<uint8_t>(low >> (56 - 8 * i));
    }
    guid.Data4[0] = static_cast<uint8_t>((guid.Data4[0] & 0x3F) | 0x80);  // RFC 4122 variant
    return guid;
}

std::string GuidToString(const Guid& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), static_cast<unsigned>(g.Data2),
                  static_cast<unsigned>(g.Data3), g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool ParseGuid(std::string_view text, Guid& guid) {
    guid = Guid{};
    if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
        text = text.substr(1, 36);
    }
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-') {
        return false;
    }
    uint8_t bytes[16];
    int count = 0;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '-') {
            ++i;
            continue;
        }
        const int high = HexDigit(text[i]);
        const int low = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
        if (high < 0 || low < 0 || count == 16) return false;
        bytes[count++] = static_cast<uint8_t>(high << 4 | low);
        i += 2;
    }
    if (count != 16) return false;
    guid.Data1 = uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
    guid.Data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
    guid.Data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i) guid.Data4[i] = bytes[8 + i];
    return true;
}

}  // namespace velmora::platform
