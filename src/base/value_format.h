#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/api.h"

// Numbers and sizes as the windows and the log show them.
//
// The 64-bit forms with `kb` true give a size with a unit ("1.5 KB",
// "1024.0   B"); with `kb` false, and in every other form, the decimal digits
// with thousands separators ("1,234,567"). The 32-bit and text forms ignore
// the flag, so pass sizes as 64-bit values.
namespace velmora {

VELMORA_API std::string FormatValue(int32_t value, bool kb = false);
VELMORA_API std::string FormatValue(uint32_t value, bool kb = false);
VELMORA_API std::string FormatValue(int64_t value, bool kb);
VELMORA_API std::string FormatValue(uint64_t value, bool kb);
VELMORA_API std::string FormatValue(long long value, bool kb);
VELMORA_API std::string FormatValue(unsigned long long value, bool kb);
// Separators only: a "," before the last 3 characters, then before each
// further group of 3, at most four in all. A leading "-" is not counted.
VELMORA_API std::string FormatValue(std::string_view digits, bool kb = false);

}  // namespace velmora
