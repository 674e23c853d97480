#include "db/db_date.h"

#include <ctime>

#include "base/text.h"
#include "platform/clock.h"

namespace velmora {
namespace {

// A small cursor over the date text: every read either succeeds or leaves
// the whole parse failed.
class DateReader {
public:
    explicit DateReader(std::string_view text) : m_text(text) {}

    bool Number(size_t minDigits, size_t maxDigits, int& value) {
        size_t digits = 0;
        value = 0;
        while (m_pos < m_text.size() && digits < maxDigits && IsDigit(m_text[m_pos])) {
            value = value * 10 + (m_text[m_pos++] - '0');
            ++digits;
        }
        return digits >= minDigits && !(m_pos < m_text.size() && IsDigit(m_text[m_pos]));
    }

    bool Expect(char c) {
        if (m_pos >= m_text.size() || m_text[m_pos] != c) return false;
        ++m_pos;
        return true;
    }

    bool SkipBlanks() {
        const size_t start = m_pos;
        while (m_pos < m_text.size() && IsSpace(m_text[m_pos])) ++m_pos;
        return m_pos > start;
    }

    bool AtEnd() const { return m_pos == m_text.size(); }

private:
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    std::string_view m_text;
    size_t m_pos = 0;
};

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool ReadParts(std::string_view text, std::tm& parts) {
    const std::string trimmed = TrimText(text);
    DateReader reader(trimmed);
    int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
    if (!reader.Number(1, 2, month) || !reader.Expect('/') || !reader.Number(1, 2, day) ||
        !reader.Expect('/') || !reader.Number(4, 4, year)) {
        return false;
    }
    if (!reader.AtEnd()) {
        if (!reader.SkipBlanks() || !reader.Number(1, 2, hour) || !reader.Expect(':') ||
            !reader.Number(1, 2, minute)) {
            return false;
        }
        if (!reader.AtEnd() && (!reader.Expect(':') || !reader.Number(1, 2, second) || !reader.AtEnd())) {
            return false;
        }
    }
    if (year < 1900 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        hour > 23 || minute > 59 || second > 59) {
        return false;
    }
    parts = std::tm{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    return true;
}

}  // namespace

std::string FormatDBDate(int64_t seconds) { return platform::FormatLocalTime(seconds, "%m/%d/%Y %H:%M:%S"); }

int64_t ParseDBDate(std::string_view text) {
    std::tm parts{};
    int64_t seconds = 0;
    if (!ReadParts(text, parts) || !platform::FromLocal(parts, seconds)) return 0;
    return seconds;
}

}  // namespace velmora
