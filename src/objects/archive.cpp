#include "objects/archive.h"

#include "platform/encoding.h"

namespace velmora {

namespace {

constexpr uint8_t kByteEscape = 0xFF;
constexpr uint16_t kWordEscape = 0xFFFF;
constexpr uint16_t kWideMarker = 0xFFFE;

// 8-bit strings of old archives: kept when they are UTF-8, otherwise taken
// as Latin-1 so no byte is lost.
std::string EightBitToUtf8(std::string_view bytes) {
    if (platform::IsValidUtf8(bytes)) return std::string(bytes);
    std::u16string units;
    units.reserve(bytes.size());
    for (const char c : bytes) units += static_cast<char16_t>(static_cast<unsigned char>(c));
    return platform::Utf16ToUtf8(units);
}

}  // namespace

void CArchive::WriteBytes(const void* bytes, size_t count) {
    m_data.append(static_cast<const char*>(bytes), count);
}

void CArchive::WriteUInt16(uint16_t value) {
    const unsigned char bytes[2] = {static_cast<unsigned char>(value),
                                    static_cast<unsigned char>(value >> 8)};
    WriteBytes(bytes, sizeof bytes);
}

void CArchive::WriteUInt32(uint32_t value) {
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
        static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    WriteBytes(bytes, sizeof bytes);
}

void CArchive::WriteString(std::string_view utf8) {
    const std::string units = platform::Utf8ToUtf16LEBytes(utf8);
    const size_t length = units.size() / 2;
    const unsigned char marker[3] = {kByteEscape, 0xFE, 0xFF};
    WriteBytes(marker, sizeof marker);
    if (length < kByteEscape) {
        const unsigned char byte = static_cast<unsigned char>(length);
        WriteBytes(&byte, 1);
    } else if (length < kWideMarker) {
        WriteBytes(&kByteEscape, 1);
        WriteUInt16(static_cast<uint16_t>(length));
    } else {
        WriteBytes(&kByteEscape, 1);
        WriteUInt16(kWordEscape);
        WriteUInt32(static_cast<uint32_t>(length));
    }
    m_data += units;
}

bool CArchive::Fail(std::string_view text) {
    SetError(text);
    return false;
}

void CArchive::SetError(std::string_view text) {
    if (m_strError.empty()) m_strError = text.empty() ? "Archive error" : std::string(text);
}

bool CArchive::ReadBytes(void* bytes, size_t count) {
    if (!IsOk()) return false;
    if (!m_bLoading) return Fail("The archive is not open for reading");
    if (count > GetRemaining()) return Fail("Unexpected end of the archive");
    m_data.copy(static_cast<char*>(bytes), count, m_pos);
    m_pos += count;
    return true;
}

bool CArchive::ReadUInt8(uint8_t& value) { return ReadBytes(&value, 1); }

bool CArchive::ReadUInt16(uint16_t& value) {
    unsigned char bytes[2];
    if (!ReadBytes(bytes, sizeof bytes)) return false;
    value = static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
    return true;
}

bool CArchive::ReadUInt32(uint32_t& value) {
    unsigned char bytes[4];
    if (!ReadBytes(bytes, sizeof bytes)) return false;
    value = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
            (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    return true;
}

bool CArchive::ReadInt32(int32_t& value) {
    uint32_t bits = 0;
    if (!ReadUInt32(bits)) return false;
    value = static_cast<int32_t>(bits);
    return true;
}

// One length prefix: a byte, or FF and 16 bits, or FF FF FF and 32 bits.
// Only the 16-bit value FFFE is the wide marker: a length of 65,534 is written
// in the 32-bit form.
bool CArchive::ReadLength(uint32_t& length, bool& wideMarker) {
    wideMarker = false;
    uint8_t byte = 0;
    if (!ReadUInt8(byte)) return false;
    if (byte != kByteEscape) {
        length = byte;
        return true;
    }
    uint16_t word = 0;
    if (!ReadUInt16(word)) return false;
    if (word != kWordEscape) {
        length = word;
        wideMarker = word == kWideMarker;
        return true;
    }
    return ReadUInt32(length);
}

bool CArchive::ReadString(std::string& utf8) {
    uint32_t length = 0;
    bool wide = false;
    if (!ReadLength(length, wide)) return false;
    if (wide) {
        bool marker = false;
        if (!ReadLength(length, marker)) return false;
        if (marker) return Fail("Malformed string in the archive");
    }
    const uint64_t bytes = wide ? uint64_t{length} * 2 : length;
    if (bytes > GetRemaining()) return Fail("A string runs past the end of the archive");
    const std::string_view raw = std::string_view(m_data).substr(m_pos, bytes);
    m_pos += bytes;
    utf8 = wide ? platform::Utf16LEBytesToUtf8(raw) : EightBitToUtf8(raw);
    return true;
}

bool CArchive::EnterLevel() {
    if (!IsOk()) return false;
    if (m_nDepth >= kMaxDepth) return Fail("The archive is nested too deeply");
    ++m_nDepth;
    return true;
}

}  // namespace velmora
