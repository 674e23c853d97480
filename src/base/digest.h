#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/api.h"

namespace velmora {

// A digest of bytes fed block by block, as a transfer moves them, with one
// of the algorithms file servers compute for a file: "SHA-512", "SHA-256",
// "SHA-1", "MD5" or "CRC32" (the names of FTP's HASH command).
class VELMORA_API CDigest {
public:
    // An algorithm this list does not hold makes a digest that is not valid.
    explicit CDigest(std::string_view algorithm);
    ~CDigest();
    CDigest(const CDigest&) = delete;
    CDigest& operator=(const CDigest&) = delete;

    static bool IsKnown(std::string_view algorithm);

    bool IsValid() const { return m_context != nullptr || m_bCrc; }
    const std::string& Algorithm() const { return m_strAlgorithm; }
    // Bytes fed since the start.
    uint64_t Bytes() const { return m_nBytes; }
    void Update(const void* data, size_t size);
    // Back to no bytes.
    void Reset();
    // The digest of the bytes so far, lower-case hex; feeding may go on.
    std::string Hex() const;

private:
    struct CContext;

    std::string m_strAlgorithm;
    std::unique_ptr<CContext> m_context;
    bool m_bCrc = false;
    unsigned long m_nCrc = 0;
    uint64_t m_nBytes = 0;
};

}  // namespace velmora
