#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velmora::test {

// Seconds since 1970 of a local date and time; throws when the parts do not
// make a time.
int64_t LocalTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// Sets the process's time zone (a TZ rule such as "UTC" or
// "CET-1CEST,M3.5.0,M10.5.0/3") for its lifetime, then restores the old one.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> m_old;
};

}  // namespace velmora::test
