#include "zip/zip_file_header.h"

#include <ctime>

#include "platform/clock.h"

namespace velmora {

namespace {

constexpr uint16_t kHeaderVersion = 20;
constexpr int kFirstDosYear = 1980;
constexpr int kLastDosYear = 2107;
constexpr uint16_t kFirstDosDate = (1 << 5) | 1;  // 1980-01-01

}  // namespace

CZipFileHeader::CZipFileHeader()
    : m_uVersionMadeBy(static_cast<uint16_t>((HostUnix << 8) | kHeaderVersion)), m_uModDate(kFirstDosDate) {}

void CZipFileHeader::SetTime(int64_t seconds) {
    std::tm local{};
    if (!platform::ToLocal(seconds, local)) return;
    const int year = local.tm_year + 1900;
    if (year < kFirstDosYear) {
        m_uModDate = kFirstDosDate;
        m_uModTime = 0;
        return;
    }
    if (year > kLastDosYear) {
        local = std::tm{};
        local.tm_year = kLastDosYear - 1900;
        local.tm_mon = 11;
        local.tm_mday = 31;
        local.tm_hour = 23;
        local.tm_min = 59;
        local.tm_sec = 58;
    }
    m_uModDate = static_cast<uint16_t>(((local.tm_year + 1900 - kFirstDosYear) << 9) |
                                       ((local.tm_mon + 1) << 5) | local.tm_mday);
    m_uModTime = static_cast<uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
}

bool CZipFileHeader::IsDirectory() const {
    if (m_uExternalAttr & AttrDirectory) return true;
    return !m_fileName.empty() && (m_fileName.back() == '/' || m_fileName.back() == '\\');
}

}  // namespace velmora
