#include "base/digest.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <climits>

#include "base/format.h"

namespace velmora {
namespace {

constexpr std::string_view kCrc32 = "CRC32";

const EVP_MD* MessageDigestOf(std::string_view algorithm) {
    if (algorithm == "SHA-512") return EVP_sha512();
    if (algorithm == "SHA-256") return EVP_sha256();
    if (algorithm == "SHA-1") return EVP_sha1();
    if (algorithm == "MD5") return EVP_md5();
    return nullptr;
}

}  // namespace

struct CDigest::CContext {
    const EVP_MD* type = nullptr;
    EVP_MD_CTX* state = EVP_MD_CTX_new();

    ~CContext() { EVP_MD_CTX_free(state); }
};

CDigest::CDigest(std::string_view algorithm) : m_strAlgorithm(algorithm) {
    if (algorithm == kCrc32) {
        m_bCrc = true;
    } else if (const EVP_MD* type = MessageDigestOf(algorithm)) {
        m_context = std::make_unique<CContext>();
        m_context->type = type;
    }
    Reset();
}

CDigest::~CDigest() = default;

bool CDigest::IsKnown(std::string_view algorithm) {
    return algorithm == kCrc32 || MessageDigestOf(algorithm) != nullptr;
}

void CDigest::Reset() {
    m_nBytes = 0;
    m_nCrc = crc32(0L, Z_NULL, 0);
    if (m_context) EVP_DigestInit_ex(m_context->state, m_context->type, nullptr);
}

void CDigest::Update(const void* data, size_t size) {
    m_nBytes += size;
    if (m_context) {
        EVP_DigestUpdate(m_context->state, data, size);
        return;
    }
    if (!m_bCrc) return;
    const auto* bytes = static_cast<const Bytef*>(data);
    while (size > 0) {
        const auto piece = static_cast<uInt>(std::min<size_t>(size, UINT_MAX));
        m_nCrc = crc32(m_nCrc, bytes, piece);
        bytes += piece;
        size -= piece;
    }
}

std::string CDigest::Hex() const {
    if (m_bCrc) return Format("%08lx", m_nCrc);
    if (!m_context) return {};
    // The digest of a copy, so that this one may go on.
    EVP_MD_CTX* copy = EVP_MD_CTX_new();
    unsigned char value[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    const bool done = EVP_MD_CTX_copy_ex(copy, m_context->state) == 1 && EVP_DigestFinal_ex(copy, value, &length) == 1;
    EVP_MD_CTX_free(copy);
    if (!done) return {};
    std::string text;
    for (unsigned int i = 0; i < length; ++i) text += Format("%02x", value[i]);
    return text;
}

}  // namespace velmora
