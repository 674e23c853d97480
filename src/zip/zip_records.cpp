#include "zip/zip_records.h"

#include <algorithm>

#include "zip/zip_aes.h"

namespace velmora::zip_records {

namespace {

constexpr uint32_t kLocalSignature = 0x04034B50;
constexpr uint32_t kDescriptorSignature = 0x08074B50;
constexpr uint32_t kCentralSignature = 0x02014B50;
constexpr uint32_t kZip64EndSignature = 0x06064B50;
constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint16_t kAesExtraId = 0x9901;
constexpr uint16_t kAesVendorVersion = 2;  // AE-2: the CRC is not stored
constexpr uint64_t kZip64EndRecordSize = 44;  // the record after its size field

void Put16(std::string& out, uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

void Put32(std::string& out, uint32_t value) {
    Put16(out, static_cast<uint16_t>(value & 0xFFFF));
    Put16(out, static_cast<uint16_t>(value >> 16));
}

void Put64(std::string& out, uint64_t value) {
    Put32(out, static_cast<uint32_t>(value & kMax32));
    Put32(out, static_cast<uint32_t>(value >> 32));
}

uint32_t Clamp32(uint64_t value) { return static_cast<uint32_t>(std::min<uint64_t>(value, kMax32)); }
uint16_t Clamp16(uint64_t value) { return static_cast<uint16_t>(std::min<uint64_t>(value, kMax16)); }

std::string Zip64Extra(const std::string& fields) {
    std::string extra;
    Put16(extra, kZip64ExtraId);
    Put16(extra, static_cast<uint16_t>(fields.size()));
    return extra + fields;
}

// The AES extra field: vendor version, vendor "AE", key strength and the
// entry's real compression method.
std::string AesExtra(const CZipFileHeader& header) {
    if (!header.IsAesEncrypted()) return {};
    std::string extra;
    Put16(extra, kAesExtraId);
    Put16(extra, 7);
    Put16(extra, kAesVendorVersion);
    extra += "AE";
    extra.push_back(static_cast<char>(CZipAes::Strength256));
    Put16(extra, header.m_uMethod);
    return extra;
}

bool SizesDeferred(const CZipFileHeader& header) {
    return (header.m_uFlag & CZipFileHeader::FlagDataDescriptor) != 0;
}

// Version, flags, method, time and date: the fields both headers share.
void PutCommonFields(std::string& out, const CZipFileHeader& header, uint16_t versionNeeded) {
    Put16(out, versionNeeded);
    Put16(out, header.m_uFlag);
    Put16(out, header.IsAesEncrypted() ? CZipFileHeader::MethodAes : header.m_uMethod);
    Put16(out, header.m_uModTime);
    Put16(out, header.m_uModDate);
}

}  // namespace

std::string LocalHeader(const CZipFileHeader& header) {
    const bool deferred = SizesDeferred(header);
    const uint64_t compressed = deferred ? 0 : header.m_uComprSize;
    const uint64_t uncompressed = deferred ? 0 : header.m_uUncomprSize;
    std::string extra;
    if (header.m_bLocalZip64) {
        std::string fields;
        Put64(fields, uncompressed);
        Put64(fields, compressed);
        extra = Zip64Extra(fields);
    }
    extra += AesExtra(header);
    std::string out;
    Put32(out, kLocalSignature);
    PutCommonFields(out, header, header.m_uVersionNeeded);
    Put32(out, deferred ? 0 : header.m_uCrc32);
    Put32(out, header.m_bLocalZip64 ? kMax32 : static_cast<uint32_t>(compressed));
    Put32(out, header.m_bLocalZip64 ? kMax32 : static_cast<uint32_t>(uncompressed));
    Put16(out, static_cast<uint16_t>(header.GetFileName().size()));
    Put16(out, static_cast<uint16_t>(extra.size()));
    return out + header.GetFileName() + extra;
}

std::string DataDescriptor(const CZipFileHeader& header) {
    const bool wide = header.m_bLocalZip64 || Exceeds32(header.m_uComprSize) ||
                      Exceeds32(header.m_uUncomprSize);
    std::string out;
    Put32(out, kDescriptorSignature);
    Put32(out, header.m_uCrc32);
    if (wide) {
        Put64(out, header.m_uComprSize);
        Put64(out, header.m_uUncomprSize);
    } else {
        Put32(out, static_cast<uint32_t>(header.m_uComprSize));
        Put32(out, static_cast<uint32_t>(header.m_uUncomprSize));
    }
    return out;
}

std::string CentralHeader(const CZipFileHeader& header) {
    // A header whose local form holds the ZIP64 sizes keeps them here too,
    // so that both headers of the entry agree.
    const bool wideUncompressed = header.m_bLocalZip64 || Exceeds32(header.m_uUncomprSize);
    const bool wideCompressed = header.m_bLocalZip64 || Exceeds32(header.m_uComprSize);
    const bool wideOffset = Exceeds32(header.m_uOffset);
    std::string fields;
    if (wideUncompressed) Put64(fields, header.m_uUncomprSize);
    if (wideCompressed) Put64(fields, header.m_uComprSize);
    if (wideOffset) Put64(fields, header.m_uOffset);
    const std::string zip64 = fields.empty() ? std::string() : Zip64Extra(fields);
    const std::string extra = zip64 + AesExtra(header);

    uint16_t versionNeeded = header.m_uVersionNeeded;
    uint16_t versionMadeBy = header.m_uVersionMadeBy;
    if (!zip64.empty()) {
        versionNeeded = std::max(versionNeeded, kZip64Version);
        versionMadeBy = static_cast<uint16_t>((versionMadeBy & 0xFF00) |
                                              std::max<uint16_t>(versionMadeBy & 0xFF, kZip64Version));
    }
    std::string out;
    Put32(out, kCentralSignature);
    Put16(out, versionMadeBy);
    PutCommonFields(out, header, versionNeeded);
    Put32(out, header.m_uCrc32);
    Put32(out, wideCompressed ? kMax32 : static_cast<uint32_t>(header.m_uComprSize));
    Put32(out, wideUncompressed ? kMax32 : static_cast<uint32_t>(header.m_uUncomprSize));
    Put16(out, static_cast<uint16_t>(header.GetFileName().size()));
    Put16(out, static_cast<uint16_t>(extra.size()));
    Put16(out, 0);  // comment length
    Put16(out, 0);  // disk number
    Put16(out, 0);  // internal attributes
    Put32(out, header.m_uExternalAttr);
    Put32(out, Clamp32(header.m_uOffset));
    return out + header.GetFileName() + extra;
}

std::string EndRecords(uint64_t count, uint64_t directoryOffset, uint64_t directorySize) {
    std::string out;
    if (count >= kMax16 || Exceeds32(directoryOffset) || Exceeds32(directorySize)) {
        const uint64_t zip64EndOffset = directoryOffset + directorySize;
        Put32(out, kZip64EndSignature);
        Put64(out, kZip64EndRecordSize);
        Put16(out, static_cast<uint16_t>((CZipFileHeader::HostUnix << 8) | kZip64Version));
        Put16(out, kZip64Version);
        Put32(out, 0);  // this disk
        Put32(out, 0);  // disk of the central directory
        Put64(out, count);
        Put64(out, count);
        Put64(out, directorySize);
        Put64(out, directoryOffset);
        Put32(out, kZip64LocatorSignature);
        Put32(out, 0);  // disk of the ZIP64 end record
        Put64(out, zip64EndOffset);
        Put32(out, 1);  // total disks
    }
    Put32(out, kEndSignature);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, Clamp16(count));
    Put16(out, Clamp16(count));
    Put32(out, Clamp32(directorySize));
    Put32(out, Clamp32(directoryOffset));
    Put16(out, 0);  // comment length
    return out;
}

}  // namespace velmora::zip_records
