#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The small readers the listing layouts share: blank-separated fields with
// where they start, numbers, month names, clock times and calendar dates.
// Private to the listing parser.
namespace velmora::listing {

// A blank-separated field of a line and where it starts, so that a name
// (the rest of the line, inner blanks kept) can be cut out after it.
struct Field {
    std::string_view text;
    size_t start;
    size_t End() const { return start + text.size(); }
};

bool IsBlank(char c);

// The blank-separated fields of one line, in order. A listing line has a
// dozen or so: those are held in the object itself, so that reading a line
// allocates nothing; a longer line spills over to the heap.
class Fields {
public:
    explicit Fields(std::string_view line);
    Fields(const Fields&) = delete;
    Fields& operator=(const Fields&) = delete;

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const Field& operator[](size_t i) const { return m_data[i]; }
    const Field& back() const { return m_data[m_size - 1]; }

private:
    static constexpr size_t kHeld = 16;

    void Add(std::string_view text, size_t start) {
        if (m_size < kHeld) {
            m_held[m_size++] = {text, start};
        } else {
            Spill({text, start});
        }
    }
    void Spill(const Field& field);

    Field m_held[kHeld];
    std::vector<Field> m_more;  // every field, once there are more than kHeld
    const Field* m_data = m_held;
    size_t m_size = 0;
};

// The first blank-separated field; empty when there is none.
std::string_view FirstField(std::string_view line);
bool IsDigits(std::string_view text);
// A number of minDigits to maxDigits decimal digits.
bool ReadNumber(std::string_view text, size_t minDigits, size_t maxDigits, int& value);
// 0 for "Jan" ... 11 for "Dec" in any letter case; -1 otherwise.
int MonthIndex(std::string_view text);
bool ReadDay(std::string_view text, int& day);
// "hh:mm", also "hh:mm:ss" and "hh:mm:ss.fff" with `seconds`, and with
// `twelveHour` "hh:mmAM" / "hh:mmPM". Seconds are read and dropped.
bool ReadClock(std::string_view text, bool twelveHour, int& hour, int& minute, bool seconds = false);
// Three numbers separated by `separators` ("-", "/", "."): the texts of
// the parts.
bool SplitDate(std::string_view text, std::string_view separators, std::string_view parts[3]);
// A two- or four-digit year; 70 to 99 are 1970 to 1999, 00 to 69 this century.
bool ReadYear(std::string_view text, int& year);
// The local time of these calendar parts (month 0 to 11); false when they
// do not name a real day (31 April, 29 February of a common year).
bool MakeLocal(int year, int month, int day, int hour, int minute, int64_t& seconds);
// Seconds since 1970 of a UTC calendar time (month 1 to 12).
int64_t UtcSeconds(int year, int month, int day, int hour, int minute);
// A date listed without a year lies within the twelve months before `now`
// (with a day of slack for servers ahead of us).
bool MakeRecent(int month, int day, int hour, int minute, int64_t now, int64_t& seconds);
// "Mon dd hh:mm" or "Mon dd yyyy" at field `k`: how many fields it takes
// (3), 0 when there is none.
size_t NamedDate(const Fields& fields, size_t k, int64_t now, int64_t& seconds);
// The fields from `k` on, `count` of them, joined by one blank, into `out`
// (whose room is reused).
void JoinFields(const Fields& fields, size_t k, size_t count, std::string& out);
// The rest of `line` from `at`, after at most `blanks` blanks: padding that
// a layout puts before a name is skipped, blanks beyond it are the name's.
std::string_view NameAfter(std::string_view line, size_t at, size_t blanks);

}  // namespace velmora::listing
