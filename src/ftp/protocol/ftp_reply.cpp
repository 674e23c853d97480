#include "ftp/protocol/ftp_reply.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "base/text.h"

namespace velmora::protocol {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool HasCode(std::string_view line) {
    return line.size() >= 3 && line[0] >= '1' && line[0] <= '5' && IsDigit(line[1]) && IsDigit(line[2]);
}

// The text after the code and its separator of a reply's first line.
std::string_view AfterCode(std::string_view text) {
    text = text.substr(0, text.find('\n'));
    return text.size() > 4 ? text.substr(4) : std::string_view{};
}

// Reads an unsigned decimal number of at most `maxDigits` digits at `pos`.
bool ReadNumber(std::string_view text, size_t& pos, size_t maxDigits, uint64_t& value) {
    const size_t start = pos;
    value = 0;
    while (pos < text.size() && IsDigit(text[pos]) && pos - start < maxDigits) value = value * 10 + (text[pos++] - '0');
    return pos > start && (pos == text.size() || !IsDigit(text[pos]));
}

// Six comma-separated numbers 0..255 starting at `pos`; the last two are the port.
bool ReadPasvNumbers(std::string_view text, size_t pos, uint16_t& port) {
    uint64_t numbers[6] = {};
    for (int i = 0; i < 6; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != ',') return false;
            ++pos;
        }
        if (!ReadNumber(text, pos, 3, numbers[i]) || numbers[i] > 255) return false;
    }
    port = static_cast<uint16_t>(numbers[4] * 256 + numbers[5]);
    return port != 0;
}

// Replies end up in error texts and logs: control characters other than
// the tab are shown as "?".
std::string Printable(std::string_view line) {
    std::string text(line);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') c = '?';
    return text;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::string CFtpReply::Message() const { return std::string(AfterCode(text)); }

CFtpReplyAssembler::EResult CFtpReplyAssembler::Fail(std::string problem) {
    m_problem = std::move(problem);
    return EResult::Invalid;
}

CFtpReplyAssembler::EResult CFtpReplyAssembler::AddLine(std::string_view line) {
    if (line.size() > kMaxReplyLineLength) return Fail("Reply line from server too long");
    if (++m_lines > kMaxReplyLines || m_reply.text.size() + line.size() + 1 > kMaxReplySize)
        return Fail("Reply from server too long");
    if (!m_started) {
        if (line.empty()) return EResult::NeedMore;  // tolerate stray blank lines between replies
        if (!HasCode(line) || (line.size() > 3 && line[3] != ' ' && line[3] != '-'))
            return Fail("Invalid reply from server: " + TruncateUtf8(Printable(line), 80));
        m_started = true;
        m_reply.code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
        m_reply.text = Printable(line);
        return line.size() > 3 && line[3] == '-' ? EResult::NeedMore : EResult::Complete;
    }
    m_reply.text += '\n';
    m_reply.text += Printable(line);
    const bool sameCode = line.size() >= 3 && line.substr(0, 3) == std::string_view(m_reply.text).substr(0, 3);
    return sameCode && (line.size() == 3 || line[3] == ' ') ? EResult::Complete : EResult::NeedMore;
}

bool ParseEpsvPort(std::string_view text, uint16_t& port) {
    size_t pos = text.find('(');
    if (pos == std::string_view::npos || pos + 4 >= text.size()) return false;
    const char delimiter = text[++pos];
    if (delimiter < 33 || delimiter > 126 || IsDigit(delimiter)) return false;
    if (text[pos + 1] != delimiter || text[pos + 2] != delimiter) return false;
    pos += 3;
    uint64_t value = 0;
    if (!ReadNumber(text, pos, 5, value) || value == 0 || value > 65535) return false;
    if (pos + 1 >= text.size() || text[pos] != delimiter || text[pos + 1] != ')') return false;
    port = static_cast<uint16_t>(value);
    return true;
}

bool ParsePasvPort(std::string_view text, uint16_t& port) {
    const std::string_view rest = AfterCode(text);
    for (size_t pos = 0; pos < rest.size(); ++pos) {
        const bool startsNumber = IsDigit(rest[pos]) && (pos == 0 || !IsDigit(rest[pos - 1]));
        if (startsNumber && ReadPasvNumbers(rest, pos, port)) return true;
    }
    return false;
}

bool ParseQuotedFolder(std::string_view text, std::string& folder) {
    const std::string_view rest = AfterCode(text);
    size_t pos = rest.find('"');
    if (pos == std::string_view::npos) return false;
    std::string result;
    for (++pos; pos < rest.size(); ++pos) {
        if (rest[pos] != '"') {
            result += rest[pos];
        } else if (pos + 1 < rest.size() && rest[pos + 1] == '"') {
            result += '"';
            ++pos;
        } else {
            if (result.empty()) return false;
            folder = std::move(result);
            return true;
        }
    }
    return false;
}

bool ParseModificationTime(std::string_view text, int64_t& seconds) {
    return ParseTimeValue(TrimBlanks(AfterCode(text)), seconds);
}

bool ParseTimeValue(std::string_view value, int64_t& seconds) {
    if (value.size() < 14) return false;
    for (size_t i = 0; i < 14; ++i)
        if (!IsDigit(value[i])) return false;
    if (value.size() > 14 && value[14] != '.') return false;
    auto number = [&](size_t from, size_t length) {
        int result = 0;
        for (size_t i = from; i < from + length; ++i) result = result * 10 + (value[i] - '0');
        return result;
    };
    using namespace std::chrono;
    const year_month_day date{year{number(0, 4)}, month{static_cast<unsigned>(number(4, 2))},
                              day{static_cast<unsigned>(number(6, 2))}};
    const int hour = number(8, 2), minute = number(10, 2), second = number(12, 2);
    if (!date.ok() || hour > 23 || minute > 59 || second > 60) return false;
    seconds = sys_days(date).time_since_epoch().count() * int64_t{86400} + hour * 3600 + minute * 60 + second;
    return true;
}

std::string FormatTimeValue(int64_t seconds) {
    using namespace std::chrono;
    const sys_seconds time{std::chrono::seconds{seconds}};
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss<std::chrono::seconds> clock{time - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02u%02u%02d%02d%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

bool ParseFileSize(std::string_view text, uint64_t& size) {
    const std::string_view value = TrimBlanks(AfterCode(text));
    if (value.empty() || value.size() > 19) return false;  // 19 digits always fit in 64 bits
    size_t pos = 0;
    return ReadNumber(value, pos, 19, size) && pos == value.size();
}

bool ParseAnnouncedLength(std::string_view text, uint64_t& length) {
    const std::string_view line = text.substr(0, text.find('\n'));
    const size_t open = line.rfind('(');
    if (open == std::string_view::npos) return false;
    size_t pos = open + 1;
    constexpr std::string_view kBytes = " bytes)";
    return ReadNumber(line, pos, 19, length) && pos + kBytes.size() <= line.size() &&
           EqualsNoCase(line.substr(pos, kBytes.size()), kBytes);
}

bool ParseMlstEntry(std::string_view line, CMlstEntry& entry) {
    entry = CMlstEntry();
    const size_t blank = line.find(' ');
    if (blank == std::string_view::npos || blank + 1 == line.size()) return false;
    std::string_view facts = line.substr(0, blank);
    std::string ownerName;
    std::string groupName;
    while (!facts.empty()) {
        const size_t end = std::min(facts.find(';'), facts.size());
        const std::string_view fact = facts.substr(0, end);
        facts.remove_prefix(std::min(end + 1, facts.size()));
        const size_t equals = fact.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view name = fact.substr(0, equals);
        const auto is = [name](std::string_view known) { return EqualsNoCase(name, known); };
        std::string* value = is("type")                           ? &entry.type
                             : is("size")                         ? &entry.size
                             : is("modify")                       ? &entry.modify
                             : is("unix.mode")                    ? &entry.unixMode
                             : is("unique")                       ? &entry.unique
                             : is("unix.ownername")               ? &ownerName
                             : is("unix.groupname")               ? &groupName
                             : is("unix.owner") || is("unix.uid") ? &entry.owner
                             : is("unix.group") || is("unix.gid") ? &entry.group
                                                                  : nullptr;
        if (value) *value = fact.substr(equals + 1);
    }
    if (!ownerName.empty()) entry.owner = ownerName;
    if (!groupName.empty()) entry.group = groupName;
    entry.name = line.substr(blank + 1);
    return true;
}

bool ParseMlstReply(std::string_view text, CMlstEntry& entry) {
    // The entry is the one line that starts with a blank.
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line[0] == ' ') return ParseMlstEntry(line.substr(1), entry);
        start = end + 1;
    }
    entry = CMlstEntry();
    return false;
}

std::string TruncateUtf8(std::string_view text, size_t limit) {
    if (text.size() <= limit) return std::string(text);
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end));
}

}  // namespace velmora::protocol
