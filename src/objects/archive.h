#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/api.h"

namespace velmora {

// The binary archive in which node trees are stored: little-endian integers
// and length-prefixed strings, held in memory. A storing archive collects
// bytes (GetData); a loading archive reads them back.
//
// Strings are written in the wide form: the marker FF FE FF, the length in
// UTF-16 units (one byte below 255; FF and 16 bits below 65534; FF FF FF and
// 32 bits otherwise), then UTF-16LE units. A string read without the marker
// is 8-bit text.
//
// Reading never trusts the data: a value that runs past the end, or a length
// larger than what is left, fails the read, sets the error text and leaves
// the target unchanged. After the first failure every further read fails.
class VELMORA_API CArchive {
public:
    // A storing archive.
    CArchive() = default;
    // A loading archive over a copy of `data`.
    explicit CArchive(std::string_view data) : m_data(data), m_bLoading(true) {}

    bool IsLoading() const { return m_bLoading; }
    bool IsStoring() const { return !m_bLoading; }
    const std::string& GetData() const { return m_data; }
    size_t GetRemaining() const { return m_data.size() - m_pos; }

    void WriteInt32(int32_t value) { WriteUInt32(static_cast<uint32_t>(value)); }
    void WriteUInt16(uint16_t value);
    void WriteUInt32(uint32_t value);
    void WriteString(std::string_view utf8);

    bool ReadInt32(int32_t& value);
    bool ReadUInt16(uint16_t& value);
    bool ReadUInt32(uint32_t& value);
    bool ReadString(std::string& utf8);

    bool IsOk() const { return m_strError.empty(); }
    const std::string& GetLastError() const { return m_strError; }
    void SetError(std::string_view text);

    // Nesting bound for recursive records: EnterLevel fails (and sets the
    // error) beyond kMaxDepth levels; every successful EnterLevel is paired
    // with LeaveLevel.
    static constexpr int kMaxDepth = 1000;
    bool EnterLevel();
    void LeaveLevel() { --m_nDepth; }

private:
    void WriteBytes(const void* bytes, size_t count);
    bool ReadBytes(void* bytes, size_t count);
    bool ReadUInt8(uint8_t& value);
    // `wideMarker` tells the 16-bit marker form apart from a length of the
    // same value written in the 32-bit form.
    bool ReadLength(uint32_t& length, bool& wideMarker);
    bool Fail(std::string_view text);

    std::string m_data;
    size_t m_pos = 0;
    bool m_bLoading = false;
    int m_nDepth = 0;
    std::string m_strError;
};

}  // namespace velmora
