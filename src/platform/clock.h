#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "platform/api.h"

// Time as the library keeps it: seconds since 1970-01-01 UTC (the platform's
// standard time), and file times in 100-ns units since 1601-01-01 UTC.
namespace velmora::platform {

// The current time in seconds since 1970 (UTC).
VELMORA_API int64_t Now();

// Breaks a time into local (or UTC) calendar parts; false when it cannot.
VELMORA_API bool ToLocal(int64_t seconds, std::tm& local);
VELMORA_API bool ToUtc(int64_t seconds, std::tm& utc);

// The time of local calendar parts (daylight saving decided by the system);
// false when the parts do not make a time.
VELMORA_API bool FromLocal(const std::tm& local, int64_t& seconds);

// strftime of the local (or UTC) time; an empty text when the time cannot be converted.
VELMORA_API std::string FormatLocalTime(int64_t seconds, const char* format);
VELMORA_API std::string FormatUtcTime(int64_t seconds, const char* format);

VELMORA_API uint64_t UnixToFileTime(int64_t seconds, uint32_t nanoseconds = 0);
VELMORA_API int64_t FileTimeToUnix(uint64_t fileTime);

}  // namespace velmora::platform
