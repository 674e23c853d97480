#include "platform/clock.h"

#include <chrono>

namespace velmora::platform {
namespace {

// Seconds between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochDifference = 11644473600LL;
constexpr int64_t kTicksPerSecond = 10000000LL;

std::string FormatParts(const std::tm& parts, const char* format) {
    char text[256];
    const size_t length = std::strftime(text, sizeof text, format, &parts);
    return std::string(text, length);
}

}  // namespace

int64_t Now() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool ToLocal(int64_t seconds, std::tm& local) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    return localtime_r(&t, &local) != nullptr;
}

bool ToUtc(int64_t seconds, std::tm& utc) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    return gmtime_r(&t, &utc) != nullptr;
}

bool FromLocal(const std::tm& local, int64_t& seconds) {
    // Not mktime: it reads the time zone again on every call (a stat of
    // /etc/localtime each time, most of the cost of a listing line), while
    // localtime_r reads it once. The parts taken as UTC, less the zone's
    // offset at that moment; the second step settles the offset across a
    // daylight-saving change (a skipped local time moves forward, as with
    // mktime).
    std::tm parts = local;
    parts.tm_isdst = 0;
    const std::time_t asUtc = timegm(&parts);
    if (asUtc == static_cast<std::time_t>(-1)) return false;
    std::time_t t = asUtc;
    for (int step = 0; step < 2; ++step) {
        std::tm probe{};
        if (!localtime_r(&t, &probe)) return false;
        t = asUtc - probe.tm_gmtoff;
    }
    seconds = static_cast<int64_t>(t);
    return true;
}

std::string FormatLocalTime(int64_t seconds, const char* format) {
    std::tm local{};
    return ToLocal(seconds, local) ? FormatParts(local, format) : std::string();
}

std::string FormatUtcTime(int64_t seconds, const char* format) {
    std::tm utc{};
    return ToUtc(seconds, utc) ? FormatParts(utc, format) : std::string();
}

uint64_t UnixToFileTime(int64_t seconds, uint32_t nanoseconds) {
    return static_cast<uint64_t>((seconds + kEpochDifference) * kTicksPerSecond + nanoseconds / 100);
}

int64_t FileTimeToUnix(uint64_t fileTime) {
    return static_cast<int64_t>(fileTime / kTicksPerSecond) - kEpochDifference;
}

}  // namespace velmora::platform
