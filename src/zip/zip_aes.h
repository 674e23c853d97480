#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The AES encryption of an entry as WinZip's AE-2 format defines it: a key
// pair derived from the password and a random per-entry salt
// (PBKDF2-HMAC-SHA1, 1000 rounds), AES-256 in counter mode with a
// little-endian block counter starting at 1, and an HMAC-SHA1 over the
// encrypted bytes whose first ten bytes end the entry's data. Failures of
// the crypto library raise CZipException.
class CZipAes {
public:
    static constexpr size_t SaltSize = 16;
    static constexpr size_t VerifierSize = 2;
    static constexpr size_t MacSize = 10;
    // The bytes the cipher adds to an entry's data.
    static constexpr size_t Overhead = SaltSize + VerifierSize + MacSize;
    // The strength code of the 0x9901 extra field for a 256-bit key.
    static constexpr uint8_t Strength256 = 3;

    CZipAes();
    ~CZipAes();
    CZipAes(const CZipAes&) = delete;
    CZipAes& operator=(const CZipAes&) = delete;

    // Sets the keys up for a new entry with a fresh salt and answers the
    // bytes that start the entry's data: the salt and the password verifier.
    std::string Begin(std::string_view password);
    // Encrypts in place and adds the result to the authentication code.
    void Encrypt(char* data, size_t length);
    // The authentication code that ends the entry's data.
    std::string End();

private:
    struct Contexts;
    void RefillKeyStream();

    std::unique_ptr<Contexts> m_contexts;
    uint64_t m_counter = 0;
    std::vector<unsigned char> m_counterBlocks;
    std::vector<unsigned char> m_keyStream;
    size_t m_keyStreamUsed = 0;
};

}  // namespace velmora
