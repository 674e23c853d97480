#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// The traditional PKWARE encryption of an entry's data: three keys set up
// from the password, then a stream cipher over the bytes that follow.
class CZipCrypto {
public:
    static constexpr size_t HeaderSize = 12;

    // Sets the keys up for a new entry.
    void Init(std::string_view password);
    // The encrypted 12-byte header that starts the entry's data: ten random
    // bytes, then the check value (the DOS time, as the CRC is not known
    // before the data) in the last two.
    std::string Header(uint16_t dosTime);
    void Encrypt(char* data, size_t length);

private:
    void UpdateKeys(uint8_t plain);
    uint8_t KeyStreamByte() const;

    uint32_t m_keys[3] = {};
};

}  // namespace velmora
