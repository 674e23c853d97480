#pragma once

#include <cstdint>
#include <string>

#include "zip/zip_file_header.h"

// The byte records of the archive format, little-endian as the format
// stores them. The ZIP64 forms appear only where a value does not fit the
// plain fields, so small archives keep the plain layout.
namespace velmora::zip_records {

inline constexpr uint32_t kMax32 = 0xFFFFFFFFu;
inline constexpr uint16_t kMax16 = 0xFFFFu;
inline constexpr uint16_t kZip64Version = 45;

// True when a size or offset needs the 8-byte ZIP64 field.
inline bool Exceeds32(uint64_t value) { return value >= kMax32; }

// The local header. Its CRC and sizes are zero while the entry's flags say
// they follow in a data descriptor; a ZIP64 local header holds both sizes in
// its extra field.
std::string LocalHeader(const CZipFileHeader& header);
std::string DataDescriptor(const CZipFileHeader& header);
std::string CentralHeader(const CZipFileHeader& header);
// The end records after a central directory of `count` entries.
std::string EndRecords(uint64_t count, uint64_t directoryOffset, uint64_t directorySize);

}  // namespace velmora::zip_records
