#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/api.h"

namespace velmora {

// One entry of an archive: what the caller describes before the entry begins
// (name, time, attributes, expected size) and what the writer fills in while
// it writes it (method, flags, CRC, sizes, offset).
class VELMORA_API CZipFileHeader {
public:
    static constexpr uint16_t FlagEncrypted = 0x0001;
    static constexpr uint16_t FlagDataDescriptor = 0x0008;
    static constexpr uint16_t FlagUtf8Name = 0x0800;
    static constexpr uint16_t MethodStored = 0;
    static constexpr uint16_t MethodDeflated = 8;
    // The method an AES-encrypted entry shows; its real method is in the
    // 0x9901 extra field.
    static constexpr uint16_t MethodAes = 99;
    static constexpr uint8_t HostUnix = 3;
    // The file-system attribute word, kept in the low 16 bits of the external
    // attributes.
    static constexpr uint32_t AttrReadOnly = 0x01;
    static constexpr uint32_t AttrHidden = 0x02;
    static constexpr uint32_t AttrDirectory = 0x10;
    static constexpr uint32_t AttrArchive = 0x20;

    CZipFileHeader();

    // The name inside the archive. "\" separators are written as "/".
    void SetFileName(std::string_view name) { m_fileName = name; }
    const std::string& GetFileName() const { return m_fileName; }

    // The modification time in seconds since 1970 (UTC); stored as the local
    // DOS date and time, to 2 seconds, clamped to the years 1980 to 2107.
    void SetTime(int64_t seconds);

    // The caller's estimate of the entry's uncompressed size. An entry that
    // may reach 4 GiB gets the large-size field in its local header.
    void SetExpectedSize(uint64_t size) { m_uExpectedSize = size; }
    uint64_t GetExpectedSize() const { return m_uExpectedSize; }

    bool IsDirectory() const;
    bool IsEncrypted() const { return (m_uFlag & FlagEncrypted) != 0; }
    bool IsAesEncrypted() const { return IsEncrypted() && m_bAes; }

    uint16_t m_uVersionMadeBy;
    uint16_t m_uVersionNeeded = 20;
    uint16_t m_uFlag = 0;
    uint16_t m_uMethod = MethodDeflated;  // the real method, also for AES
    uint16_t m_uModTime = 0;
    uint16_t m_uModDate;
    uint32_t m_uCrc32 = 0;
    uint64_t m_uComprSize = 0;
    uint64_t m_uUncomprSize = 0;
    uint32_t m_uExternalAttr = 0;
    uint64_t m_uOffset = 0;  // of the local header
    int m_iLevel = -1;
    // The local header carries the ZIP64 sizes (reserved for an entry that
    // may be large, since its sizes are unknown when it begins).
    bool m_bLocalZip64 = false;
    // Encrypted with AES (AE-2): method 99, the real method in the extra
    // field, CRC 0.
    bool m_bAes = false;

private:
    std::string m_fileName;
    uint64_t m_uExpectedSize = 0;
};

}  // namespace velmora
