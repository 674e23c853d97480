#include "zip/zip_crypto.h"

#include <random>

#include <zlib.h>

namespace velmora {

namespace {

uint32_t Crc32Byte(uint32_t crc, uint8_t byte) {
    static const z_crc_t* const table = get_crc_table();
    return table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

}  // namespace

void CZipCrypto::Init(std::string_view password) {
    m_keys[0] = 0x12345678;
    m_keys[1] = 0x23456789;
    m_keys[2] = 0x34567890;
    for (char c : password) UpdateKeys(static_cast<uint8_t>(c));
}

std::string CZipCrypto::Header(uint16_t dosTime) {
    std::random_device device;
    std::string header(HeaderSize, '\0');
    for (size_t i = 0; i < HeaderSize - 2; ++i) header[i] = static_cast<char>(device() & 0xFF);
    header[HeaderSize - 2] = static_cast<char>(dosTime & 0xFF);
    header[HeaderSize - 1] = static_cast<char>(dosTime >> 8);
    Encrypt(header.data(), header.size());
    return header;
}

void CZipCrypto::Encrypt(char* data, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        const uint8_t plain = static_cast<uint8_t>(data[i]);
        data[i] = static_cast<char>(plain ^ KeyStreamByte());
        UpdateKeys(plain);
    }
}

void CZipCrypto::UpdateKeys(uint8_t plain) {
    m_keys[0] = Crc32Byte(m_keys[0], plain);
    m_keys[1] = (m_keys[1] + (m_keys[0] & 0xFF)) * 134775813u + 1;
    m_keys[2] = Crc32Byte(m_keys[2], static_cast<uint8_t>(m_keys[1] >> 24));
}

uint8_t CZipCrypto::KeyStreamByte() const {
    const uint32_t temp = (m_keys[2] & 0xFFFF) | 2;
    return static_cast<uint8_t>(((temp * (temp ^ 1)) >> 8) & 0xFF);
}

}  // namespace velmora
