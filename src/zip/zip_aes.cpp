#include "zip/zip_aes.h"

#include <algorithm>
#include <cstring>

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include "zip/zip_exception.h"

namespace velmora {

namespace {

constexpr size_t kKeySize = 32;
constexpr size_t kBlockSize = 16;
constexpr int kIterations = 1000;
// Key stream made per call of the cipher: large enough for the library to
// run its parallel AES code, small enough to stay in the cache.
constexpr size_t kKeyStreamBlocks = 1024;

void Require(bool ok) {
    if (!ok) throw CZipException(CZipException::InternalError);
}

// data ^= key, eight bytes at a time where it can.
void XorInto(unsigned char* data, const unsigned char* key, size_t length) {
    size_t i = 0;
    for (; i + sizeof(uint64_t) <= length; i += sizeof(uint64_t)) {
        uint64_t word = 0;
        uint64_t mask = 0;
        std::memcpy(&word, data + i, sizeof word);
        std::memcpy(&mask, key + i, sizeof mask);
        word ^= mask;
        std::memcpy(data + i, &word, sizeof word);
    }
    for (; i < length; ++i) data[i] ^= key[i];
}

}  // namespace

struct CZipAes::Contexts {
    template <typename T, void (*Free)(T*)>
    struct Deleter {
        void operator()(T* p) const { Free(p); }
    };
    template <typename T, void (*Free)(T*)>
    using Owned = std::unique_ptr<T, Deleter<T, Free>>;

    Owned<EVP_CIPHER_CTX, EVP_CIPHER_CTX_free> cipher{EVP_CIPHER_CTX_new()};
    Owned<EVP_MAC, EVP_MAC_free> hmac{EVP_MAC_fetch(nullptr, "HMAC", nullptr)};
    Owned<EVP_MAC_CTX, EVP_MAC_CTX_free> mac{hmac ? EVP_MAC_CTX_new(hmac.get()) : nullptr};

    Contexts() { Require(cipher && mac); }
};

CZipAes::CZipAes()
    : m_counterBlocks(kKeyStreamBlocks * kBlockSize, 0), m_keyStream(kKeyStreamBlocks * kBlockSize, 0) {}

CZipAes::~CZipAes() = default;

std::string CZipAes::Begin(std::string_view password) {
    if (!m_contexts) m_contexts = std::make_unique<Contexts>();
    unsigned char salt[SaltSize];
    Require(RAND_bytes(salt, sizeof salt) == 1);
    // Encryption key, authentication key, then the password verifier.
    unsigned char keys[2 * kKeySize + VerifierSize];
    Require(PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt, sizeof salt, kIterations,
                              EVP_sha1(), sizeof keys, keys) == 1);
    // The counter mode is built here over the block cipher: the library's
    // own counter mode counts big-endian, the format little-endian.
    Require(EVP_EncryptInit_ex(m_contexts->cipher.get(), EVP_aes_256_ecb(), nullptr, keys, nullptr) == 1);
    EVP_CIPHER_CTX_set_padding(m_contexts->cipher.get(), 0);
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 OSSL_PARAM_construct_end()};
    Require(EVP_MAC_init(m_contexts->mac.get(), keys + kKeySize, kKeySize, params) == 1);
    m_counter = 0;
    m_keyStreamUsed = m_keyStream.size();
    std::string header(reinterpret_cast<const char*>(salt), sizeof salt);
    header.append(reinterpret_cast<const char*>(keys + 2 * kKeySize), VerifierSize);
    OPENSSL_cleanse(keys, sizeof keys);
    return header;
}

void CZipAes::Encrypt(char* data, size_t length) {
    unsigned char* bytes = reinterpret_cast<unsigned char*>(data);
    for (size_t done = 0; done < length;) {
        if (m_keyStreamUsed == m_keyStream.size()) RefillKeyStream();
        const size_t run = std::min(length - done, m_keyStream.size() - m_keyStreamUsed);
        XorInto(bytes + done, m_keyStream.data() + m_keyStreamUsed, run);
        m_keyStreamUsed += run;
        done += run;
    }
    Require(EVP_MAC_update(m_contexts->mac.get(), bytes, length) == 1);
}

void CZipAes::RefillKeyStream() {
    // Block n of the key stream is the encryption of the 128-bit
    // little-endian number n; the high half stays zero.
    for (size_t block = 0; block < kKeyStreamBlocks; ++block) {
        uint64_t counter = ++m_counter;
        unsigned char* out = m_counterBlocks.data() + block * kBlockSize;
        for (size_t i = 0; i < sizeof counter; ++i, counter >>= 8) out[i] = static_cast<unsigned char>(counter);
    }
    int written = 0;
    Require(EVP_EncryptUpdate(m_contexts->cipher.get(), m_keyStream.data(), &written, m_counterBlocks.data(),
                              static_cast<int>(m_counterBlocks.size())) == 1 &&
            static_cast<size_t>(written) == m_keyStream.size());
    m_keyStreamUsed = 0;
}

std::string CZipAes::End() {
    unsigned char mac[EVP_MAX_MD_SIZE];
    size_t size = 0;
    Require(EVP_MAC_final(m_contexts->mac.get(), mac, &size, sizeof mac) == 1 && size >= MacSize);
    return std::string(reinterpret_cast<const char*>(mac), MacSize);
}

}  // namespace velmora
