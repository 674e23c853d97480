#include "support/local_time.h"

#include <cstdlib>
#include <ctime>
#include <stdexcept>

#include "platform/clock.h"

namespace velmora::test {

int64_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    int64_t seconds = 0;
    if (!platform::FromLocal(parts, seconds)) throw std::runtime_error("no such local time");
    return seconds;
}

ScopedTimeZone::ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) m_old = old;
    setenv("TZ", zone, 1);
    tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
    if (m_old)
        setenv("TZ", m_old->c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

}  // namespace velmora::test
