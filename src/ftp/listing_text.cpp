#include "ftp/listing_text.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/clock.h"

namespace velmora::listing {
namespace {

// The local time of these calendar parts as the C library places them.
bool PlaceLocal(int year, int month, int day, int hour, int minute, int64_t& seconds) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    std::tm check{};
    return platform::FromLocal(parts, seconds) && platform::ToLocal(seconds, check) && check.tm_mday == day &&
           check.tm_mon == month && check.tm_year == year - 1900;
}

// The days a thread's listings have dated entries on. The files of a folder
// share few days, and the C library reads the zone's rules again for every
// date it places: a day is placed once, and its minutes are counted from its
// midnight unless the clocks change on it. Forgotten when the zone changes.
class LocalDays {
public:
    struct Day {
        int64_t midnight = 0;
        bool placed = false;  // the fields below are known
        bool real = false;    // the date names a day that exists
        bool steady = false;  // no clock change on it
    };

    static LocalDays& OfThread() {
        thread_local LocalDays days;
        days.FollowZone();
        return days;
    }

    // Days of the years listings name are kept in a table indexed by the
    // date itself (under a megabyte, filled as dates come), so that finding
    // one costs no hashing and no search; other years are placed each time.
    const Day& Find(int year, int month, int day) {
        if (year < kFirstYear || year >= kFirstYear + kYears) {
            m_other = Place(year, month, day);
            return m_other;
        }
        if (m_days.empty()) m_days.resize(static_cast<size_t>(kYears) * 12 * 31);
        Day& found = m_days[static_cast<size_t>(((year - kFirstYear) * 12 + month) * 31 + day - 1)];
        if (!found.placed) found = Place(year, month, day);
        return found;
    }

    // The local year of `now`, kept for the listing's one `now`.
    bool YearOf(int64_t now, int& year) {
        if (!m_bYearKnown || now != m_yearNow) {
            std::tm today{};
            m_bYearKnown = platform::ToLocal(now, today);
            m_yearNow = now;
            m_year = today.tm_year + 1900;
        }
        year = m_year;
        return m_bYearKnown;
    }

private:
    static constexpr int kFirstYear = 1970;
    static constexpr int kYears = 136;
    static constexpr int64_t kLastMinute = 23 * 3600 + 59 * 60;

    static Day Place(int year, int month, int day) {
        Day placed;
        placed.placed = true;
        placed.real = PlaceLocal(year, month, day, 0, 0, placed.midnight);
        // The clocks kept still that day when its midnight plus a day's
        // minutes reads as its last minute.
        std::tm last{};
        placed.steady = placed.real && platform::ToLocal(placed.midnight + kLastMinute, last) && last.tm_mday == day &&
                        last.tm_hour == 23 && last.tm_min == 59;
        return placed;
    }

    void FollowZone() {
        const char* zone = std::getenv("TZ");
        const bool set = zone != nullptr;
        if (set == m_bZoneSet && (!set || m_zone == zone)) return;
        m_bZoneSet = set;
        m_zone = set ? zone : "";
        m_days.clear();
        m_bYearKnown = false;
    }

    bool m_bZoneSet = false;
    std::string m_zone;
    std::vector<Day> m_days;  // by year, month and day, from kFirstYear on
    Day m_other;
    bool m_bYearKnown = false;
    int64_t m_yearNow = 0;
    int m_year = 0;
};

bool PlaceDay(LocalDays& days, int year, int month, int day, int hour, int minute, int64_t& seconds) {
    if (month < 0 || month > 11 || day < 1 || day > 31) return false;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return PlaceLocal(year, month, day, hour, minute, seconds);
    const LocalDays::Day& local = days.Find(year, month, day);
    if (!local.real) return false;
    if (!local.steady) return PlaceLocal(year, month, day, hour, minute, seconds);
    seconds = local.midnight + hour * 3600 + minute * 60;
    return true;
}

}  // namespace

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

namespace {

// The high bit of each of the eight bytes at `at` that is a blank or a tab
// (exactly: no other byte sets one), the first byte in the lowest bits.
uint64_t BlankBits(const char* at) {
    constexpr uint64_t kOnes = 0x0101010101010101ULL;
    constexpr uint64_t kLow = 0x7F7F7F7F7F7F7F7FULL;
    uint64_t word = 0;
    std::memcpy(&word, at, sizeof word);
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
    // A byte's high bit is set here exactly when the byte is zero.
    const auto zeros = [](uint64_t x) { return ~(((x & kLow) + kLow) | x | kLow); };
    return zeros(word ^ (kOnes * ' ')) | zeros(word ^ (kOnes * '\t'));
}

}  // namespace

// Every line of every listing is split here. The blanks of eight bytes are
// found in one step, and the fields start and end where those bits change,
// instead of a test and a branch per byte.
Fields::Fields(std::string_view line) {
    constexpr uint64_t kHigh = 0x8080808080808080ULL;
    constexpr size_t kNone = static_cast<size_t>(-1);
    const char* const text = line.data();
    const size_t size = line.size();
    size_t start = kNone;  // of the field being read
    // A field starts at a byte that is no blank after one that is, and ends
    // at a blank after a byte that is none: the edges alternate.
    const auto edge = [&](size_t at) {
        if (start == kNone) {
            start = at;
        } else {
            Add(line.substr(start, at - start), start);
            start = kNone;
        }
    };
    uint64_t blankBefore = 0x80;  // what comes before the line counts as a blank
    size_t at = 0;
    for (; size - at >= 8; at += 8) {
        const uint64_t blank = BlankBits(text + at);
        const uint64_t before = (blank << 8) | blankBefore;
        for (uint64_t edges = (~blank & before & kHigh) | (blank & ~before & kHigh); edges != 0; edges &= edges - 1)
            edge(at + static_cast<size_t>(std::countr_zero(edges)) / 8);
        blankBefore = (blank >> 56) & 0x80;
    }
    for (bool wasBlank = blankBefore != 0; at < size; ++at) {
        const bool blank = IsBlank(text[at]);
        if (blank != wasBlank) edge(at);
        wasBlank = blank;
    }
    if (start != kNone) edge(size);
}

void Fields::Spill(const Field& field) {
    if (m_more.empty()) m_more.assign(m_held, m_held + kHeld);
    m_more.push_back(field);
    m_data = m_more.data();
    ++m_size;
}

std::string_view FirstField(std::string_view line) {
    size_t start = 0;
    while (start < line.size() && IsBlank(line[start])) ++start;
    size_t end = start;
    while (end < line.size() && !IsBlank(line[end])) ++end;
    return line.substr(start, end - start);
}

bool IsDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

bool ReadNumber(std::string_view text, size_t minDigits, size_t maxDigits, int& value) {
    if (text.size() < minDigits || text.size() > maxDigits || !IsDigits(text)) return false;
    value = 0;
    for (char c : text) value = value * 10 + (c - '0');
    return true;
}

int MonthIndex(std::string_view text) {
    static constexpr std::string_view kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                   "jul", "aug", "sep", "oct", "nov", "dec"};
    if (text.size() != 3) return -1;
    // Setting the 0x20 bit lowers an ASCII capital and makes no other
    // character a small letter.
    const char lower[3] = {static_cast<char>(text[0] | 0x20), static_cast<char>(text[1] | 0x20),
                           static_cast<char>(text[2] | 0x20)};
    for (int i = 0; i < 12; ++i) {
        if (kMonths[i] == std::string_view(lower, 3)) return i;
    }
    return -1;
}

bool ReadDay(std::string_view text, int& day) { return ReadNumber(text, 1, 2, day) && day >= 1 && day <= 31; }

bool ReadClock(std::string_view text, bool twelveHour, int& hour, int& minute, bool seconds) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || !ReadNumber(text.substr(0, colon), 1, 2, hour)) return false;
    std::string_view rest = text.substr(colon + 1);
    if (!ReadNumber(rest.substr(0, 2), 2, 2, minute) || minute > 59) return false;
    rest = rest.substr(2);
    int second = 0;
    if (seconds && rest.size() >= 3 && rest[0] == ':') {
        if (!ReadNumber(rest.substr(1, 2), 2, 2, second) || second > 60) return false;
        rest = rest.substr(3);
        if (!rest.empty() && rest[0] == '.' && IsDigits(rest.substr(1))) rest = {};
    }
    if (rest.empty()) return hour <= 23;
    // "AM" or "PM" in any letter case (the 0x20 bit lowers an ASCII capital
    // and makes no other byte one of these letters).
    const bool meridiem = rest.size() == 2 && (rest[1] | 0x20) == 'm';
    const bool pm = meridiem && (rest[0] | 0x20) == 'p';
    if (!twelveHour || !(pm || (meridiem && (rest[0] | 0x20) == 'a')) || hour < 1 || hour > 12) return false;
    hour = hour % 12 + (pm ? 12 : 0);
    return true;
}

// The separators are looked for with plain scans: a search for a set of
// characters costs a call per character tried, and every DOS line has a date.
bool SplitDate(std::string_view text, std::string_view separators, std::string_view parts[3]) {
    const auto isSeparator = [separators](char c) {
        return std::any_of(separators.begin(), separators.end(), [c](char separator) { return c == separator; });
    };
    const auto firstIt = std::find_if(text.begin(), text.end(), isSeparator);
    if (firstIt == text.end()) return false;
    const size_t first = static_cast<size_t>(firstIt - text.begin());
    const size_t second = text.find(text[first], first + 1);
    if (second == std::string_view::npos ||
        std::find_if(text.begin() + static_cast<std::ptrdiff_t>(second) + 1, text.end(), isSeparator) != text.end())
        return false;
    parts[0] = text.substr(0, first);
    parts[1] = text.substr(first + 1, second - first - 1);
    parts[2] = text.substr(second + 1);
    return true;
}

bool ReadYear(std::string_view text, int& year) {
    if (!(text.size() == 2 || text.size() == 4) || !ReadNumber(text, 2, 4, year)) return false;
    if (text.size() == 2) year += year >= 70 ? 1900 : 2000;
    return true;
}

bool MakeLocal(int year, int month, int day, int hour, int minute, int64_t& seconds) {
    return PlaceDay(LocalDays::OfThread(), year, month, day, hour, minute, seconds);
}

int64_t UtcSeconds(int year, int month, int day, int hour, int minute) {
    // Days since 1970-01-01 of the proleptic Gregorian calendar (the civil
    // days algorithm: years start in March, so leap days come last).
    const int64_t y = year - (month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yearOfEra = y - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const int64_t days = era * 146097 + dayOfEra - 719468;
    return days * 86400 + hour * 3600 + minute * 60;
}

// A day of slack keeps a file just written on a server whose clock or time
// zone is ahead of ours in this year. Going back several years finds the
// last 29 February.
bool MakeRecent(int month, int day, int hour, int minute, int64_t now, int64_t& seconds) {
    constexpr int64_t kSlack = 24 * 3600;
    constexpr int kMaxYearsBack = 8;
    LocalDays& days = LocalDays::OfThread();
    int year = 0;
    if (!days.YearOf(now, year)) return false;
    for (int back = 0; back <= kMaxYearsBack; ++back) {
        if (PlaceDay(days, year - back, month, day, hour, minute, seconds) && seconds <= now + kSlack) return true;
    }
    return false;
}

// "Mon dd hh:mm" or "Mon dd yyyy" at `k`: 3 fields; 0 when there is none.
size_t NamedDate(const Fields& fields, size_t k, int64_t now, int64_t& seconds) {
    if (k + 2 >= fields.size()) return 0;
    const int month = MonthIndex(fields[k].text);
    int day = 0;
    if (month < 0 || !ReadDay(fields[k + 1].text, day)) return 0;
    int year = 0;
    if (ReadNumber(fields[k + 2].text, 4, 4, year)) return MakeLocal(year, month, day, 0, 0, seconds) ? 3 : 0;
    int hour = 0;
    int minute = 0;
    return ReadClock(fields[k + 2].text, false, hour, minute) && MakeRecent(month, day, hour, minute, now, seconds)
               ? 3
               : 0;
}

void JoinFields(const Fields& fields, size_t k, size_t count, std::string& out) {
    out.clear();
    for (size_t i = k; i < k + count && i < fields.size(); ++i) {
        if (i > k) out += ' ';
        out += fields[i].text;
    }
}

std::string_view NameAfter(std::string_view line, size_t at, size_t blanks) {
    if (at >= line.size()) return {};
    std::string_view rest = line.substr(at);
    size_t padding = 0;
    while (padding < rest.size() && IsBlank(rest[padding])) ++padding;
    // Less padding than the layout puts there: the name starts where the blanks end.
    return rest.substr(padding < blanks ? padding : blanks);
}

}  // namespace velmora::listing
