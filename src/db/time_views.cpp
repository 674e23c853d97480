#include "db/time_views.h"

#include <ctime>

#include "base/text.h"
#include "platform/clock.h"

namespace velmora {

CDate::~CDate() = default;

CDate::Parts CDate::Split(int64_t seconds) {
    Parts parts;
    std::tm local{};
    if (!platform::ToLocal(seconds, local)) return parts;
    parts.year = local.tm_year + 1900;
    parts.month = local.tm_mon + 1;
    parts.day = local.tm_mday;
    parts.weekday = local.tm_wday;
    parts.hour = local.tm_hour;
    parts.minute = local.tm_min;
    parts.second = local.tm_sec;
    parts.valid = true;
    return parts;
}

int CDate::CompareKeys(std::initializer_list<std::pair<int, int>> keys) {
    for (const auto& [mine, theirs] : keys) {
        if (mine != theirs) return mine < theirs ? -1 : 1;
    }
    return 0;
}

int CDate::Compare(int64_t other) const {
    const Parts a = Split(m_time), b = Split(other);
    return CompareKeys({{a.year, b.year}, {a.month, b.month}, {a.day, b.day}});
}

std::string CDate::Format() const {
    std::string text =
        platform::FormatLocalTime(m_time, "Week=%w, Year=%Y, Month=%m, Day=%d, Hour=%H, Minutes=%M, Secs=%S ");
    if (text.size() > 127) text.resize(127);
    return text;
}

int CTimeOfDay::Compare(int64_t other) const {
    // Without a local date the time of day counts as -1 in each part.
    auto clock = [](int64_t seconds) {
        Parts parts = Split(seconds);
        if (!parts.valid) parts.hour = parts.minute = parts.second = -1;
        return parts;
    };
    const Parts a = clock(m_time), b = clock(other);
    return CompareKeys({{a.hour, b.hour}, {a.minute, b.minute}, {a.second, b.second}});
}

int CWeek::Compare(int64_t other) const {
    const Parts a = Split(m_time), b = Split(other);
    return CompareKeys({{a.year, b.year}, {a.month, b.month}, {a.day / 7, b.day / 7}});
}

int CDayOfWeek::Compare(int64_t other) const {
    const int week = CWeek::Compare(other);
    if (week != 0) return week;
    return CompareKeys({{Split(m_time).weekday, Split(other).weekday}});
}

bool CDayOfWeek::IsDayOfWeek(int32_t days) const {
    const Parts parts = Split(m_time);
    const int bit = parts.valid ? parts.weekday : 31;
    return (static_cast<uint32_t>(days) & (1u << bit)) != 0;
}

int CMonth::Compare(int64_t other) const {
    const Parts a = Split(m_time), b = Split(other);
    return CompareKeys({{a.year, b.year}, {a.month, b.month}});
}

bool CMonth::IsDayOfMonth(std::string_view days) const {
    const int day = Split(m_time).day;
    size_t start = 0;
    while (start <= days.size()) {
        size_t end = days.find_first_of(",; ", start);
        if (end == std::string_view::npos) end = days.size();
        const std::string_view token = days.substr(start, end - start);
        // Empty tokens come from doubled separators; they name no day.
        if (!token.empty() && ParseInt32(token) == day) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace velmora
