#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "platform/api.h"

namespace velmora {

// Views of one time (seconds since 1970) at one calendar grain, all in local
// time. Compare answers <0, 0 or >0 as this time is before, at or after the
// other one at the class's grain; the schedule planner decides with them
// whether a schedule is due.
class VELMORA_API CDate {
public:
    explicit CDate(int64_t seconds = 0) : m_time(seconds) {}
    virtual ~CDate();

    // Year, then month, then day of the month.
    virtual int Compare(int64_t other) const;
    // "Week=%w, Year=%Y, Month=%m, Day=%d, Hour=%H, Minutes=%M, Secs=%S ",
    // a diagnostic text.
    virtual std::string Format() const;

    int64_t GetTime() const { return m_time; }
    void SetTime(int64_t seconds) { m_time = seconds; }

protected:
    // The local calendar parts of a time; every part 0 when the time has no
    // local date.
    struct Parts {
        int year = 0, month = 0, day = 0, weekday = 0;
        int hour = 0, minute = 0, second = 0;
        bool valid = false;
    };
    static Parts Split(int64_t seconds);
    // Compares the keys from the first pair on; the first difference decides.
    static int CompareKeys(std::initializer_list<std::pair<int, int>> keys);

    int64_t m_time;
};

// Hour, then minute, then second.
class VELMORA_API CTimeOfDay : public CDate {
public:
    using CDate::CDate;
    int Compare(int64_t other) const override;
};

// Year, then month, then the day of the month divided by 7, so days 1 to 6
// of a month are one week and days 7 to 13 the next.
class VELMORA_API CWeek : public CDate {
public:
    using CDate::CDate;
    int Compare(int64_t other) const override;
};

// As CWeek, then the weekday (0 = Sunday).
class VELMORA_API CDayOfWeek : public CWeek {
public:
    using CWeek::CWeek;
    int Compare(int64_t other) const override;
    // True when `days` has the bit of this time's weekday (bit n for weekday
    // n); a time without a local date asks for bit 31.
    bool IsDayOfWeek(int32_t days) const;
};

// Year, then month.
class VELMORA_API CMonth : public CDate {
public:
    using CDate::CDate;
    int Compare(int64_t other) const override;
    // True when one of the list's numbers (separated by ",", ";" or blanks)
    // is this time's day of the month.
    bool IsDayOfMonth(std::string_view days) const;
};

}  // namespace velmora
