#include "ftp/ftp_dir.h"

#include <algorithm>
#include <ctime>
#include <vector>

#include "base/text.h"
#include "ftp/protocol/ftp_reply.h"
#include "platform/file_system.h"

namespace velmora {
namespace {

// A blank-separated field of a line and where it starts, so that the name
// (the rest of the line, inner blanks kept) can be cut out after it.
struct Field {
    std::string_view text;
    size_t start;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A plain scan: this runs for every line of every listing, and a search for
// a set of characters costs a call per character tried.
std::vector<Field> SplitFields(std::string_view line) {
    std::vector<Field> fields;
    fields.reserve(12);  // a Unix line has nine
    const size_t size = line.size();
    size_t at = 0;
    for (;;) {
        while (at < size && IsBlank(line[at])) ++at;
        if (at == size) break;
        const size_t start = at;
        while (at < size && !IsBlank(line[at])) ++at;
        fields.push_back({line.substr(start, at - start), start});
    }
    return fields;
}

bool IsDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// A number of minDigits to maxDigits decimal digits.
bool ReadNumber(std::string_view text, size_t minDigits, size_t maxDigits, int& value) {
    if (text.size() < minDigits || text.size() > maxDigits || !IsDigits(text)) return false;
    value = 0;
    for (char c : text) value = value * 10 + (c - '0');
    return true;
}

// 0 for "Jan" ... 11 for "Dec" in any letter case; -1 otherwise.
int MonthIndex(std::string_view text) {
    static constexpr std::string_view kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                   "jul", "aug", "sep", "oct", "nov", "dec"};
    if (text.size() != 3) return -1;
    for (int i = 0; i < 12; ++i) {
        if (EqualsNoCase(text, kMonths[i])) return i;
    }
    return -1;
}

bool ReadDay(std::string_view text, int& day) { return ReadNumber(text, 1, 2, day) && day >= 1 && day <= 31; }

// "hh:mm", or with `twelveHour` also "hh:mmAM" / "hh:mmPM".
bool ReadClock(std::string_view text, bool twelveHour, int& hour, int& minute) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || !ReadNumber(text.substr(0, colon), 1, 2, hour)) return false;
    std::string_view rest = text.substr(colon + 1);
    if (!ReadNumber(rest.substr(0, 2), 2, 2, minute) || minute > 59) return false;
    rest = rest.substr(2);
    if (rest.empty()) return hour <= 23;
    const bool pm = EqualsNoCase(rest, "PM");
    if (!twelveHour || !(pm || EqualsNoCase(rest, "AM")) || hour < 1 || hour > 12) return false;
    hour = hour % 12 + (pm ? 12 : 0);
    return true;
}

// The local time of these calendar parts; false when they do not name a
// real day (31 April, 29 February of a common year).
bool MakeLocal(int year, int month, int day, int hour, int minute, int64_t& seconds) {
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

// A date listed without a year is within the last twelve months. A day of
// slack keeps a file just written on a server whose clock or time zone is
// ahead of ours in this year. Going back several years finds the last
// 29 February.
bool MakeRecent(int month, int day, int hour, int minute, int64_t now, int64_t& seconds) {
    constexpr int64_t kSlack = 24 * 3600;
    constexpr int kMaxYearsBack = 8;
    std::tm today{};
    if (!platform::ToLocal(now, today)) return false;
    for (int back = 0; back <= kMaxYearsBack; ++back) {
        if (MakeLocal(today.tm_year + 1900 - back, month, day, hour, minute, seconds) && seconds <= now + kSlack)
            return true;
    }
    return false;
}

// "Mon dd hh:mm" or "Mon dd yyyy".
bool ParseUnixDate(const std::vector<Field>& fields, int64_t now, int64_t& seconds) {
    const int month = MonthIndex(fields[0].text);
    int day = 0;
    if (month < 0 || !ReadDay(fields[1].text, day)) return false;
    int year = 0;
    if (ReadNumber(fields[2].text, 4, 4, year)) return MakeLocal(year, month, day, 0, 0, seconds);
    int hour = 0;
    int minute = 0;
    return ReadClock(fields[2].text, false, hour, minute) && MakeRecent(month, day, hour, minute, now, seconds);
}

// "mm-dd-yy hh:mmAM" or "mm-dd-yyyy hh:mm" ("/" also separates the date).
bool ParseDosDate(const std::vector<Field>& fields, int64_t& seconds) {
    const std::string_view date = fields[0].text;
    const size_t first = date.find_first_of("-/");
    const size_t second = first == std::string_view::npos ? first : date.find_first_of("-/", first + 1);
    if (second == std::string_view::npos) return false;
    int month = 0;
    int day = 0;
    int year = 0;
    const std::string_view yearText = date.substr(second + 1);
    if (!ReadNumber(date.substr(0, first), 1, 2, month) || month < 1 || month > 12 ||
        !ReadDay(date.substr(first + 1, second - first - 1), day) ||
        !(yearText.size() == 2 || yearText.size() == 4) || !ReadNumber(yearText, 2, 4, year))
        return false;
    // Two-digit years: 70 to 99 are 1970 to 1999, the rest this century.
    if (yearText.size() == 2) year += year >= 70 ? 1900 : 2000;
    int hour = 0;
    int minute = 0;
    return ReadClock(fields[1].text, true, hour, minute) && MakeLocal(year, month - 1, day, hour, minute, seconds);
}

// A size followed by a month, a day and a time or year, with a name after them.
bool IsDateColumn(const std::vector<Field>& fields, size_t k) {
    int value = 0;
    int minute = 0;
    return k >= 2 && k + 3 < fields.size() && IsDigits(fields[k - 1].text) && MonthIndex(fields[k].text) >= 0 &&
           ReadDay(fields[k + 1].text, value) &&
           (ReadNumber(fields[k + 2].text, 4, 4, value) || ReadClock(fields[k + 2].text, false, value, minute));
}

// Unix lines: the usual columns (permissions, links, owner, group, size) put
// the date at the sixth field. When that does not fit, the date columns are
// where the date's shape is found, because servers differ in whether a group
// column (or an owner) exists. The usual columns come first so that an owner
// or group that looks like a month ("mar") is not taken for the date.
// Servers with localised month names still get the usual columns, with a
// date that will not parse.
size_t FindDateColumn(const std::vector<Field>& fields) {
    constexpr size_t kUsualDateColumn = 5;
    if (IsDateColumn(fields, kUsualDateColumn)) return kUsualDateColumn;
    for (size_t k = 2; k + 3 < fields.size(); ++k) {
        if (IsDateColumn(fields, k)) return k;
    }
    return fields.size() > kUsualDateColumn + 3 ? kUsualDateColumn : 0;
}

// 0755 -> "rwxr-xr-x".
std::string ModeText(unsigned bits) {
    std::string text;
    for (int shift = 6; shift >= 0; shift -= 3) {
        text += (bits >> shift) & 4 ? 'r' : '-';
        text += (bits >> shift) & 2 ? 'w' : '-';
        text += (bits >> shift) & 1 ? 'x' : '-';
    }
    return text;
}

// "0755" -> "rwxr-xr-x"; an empty text when the mode is no octal number.
std::string ModeText(std::string_view mode) {
    if (mode.empty() || mode.size() > 6 || mode.find_first_not_of("01234567") != std::string_view::npos) return {};
    unsigned bits = 0;
    for (char c : mode) bits = bits * 8 + static_cast<unsigned>(c - '0');
    return ModeText(bits);
}

// The kind a machine listing's "type" fact names. Links come as
// "OS.unix=slink:/target" or "OS.unix=symlink".
CFtpDir::EKind MachineKind(std::string_view type) {
    if (EqualsNoCase(type, "file")) return CFtpDir::KIND_FILE;
    if (EqualsNoCase(type, "dir")) return CFtpDir::KIND_FOLDER;
    const std::string lower = ToLowerAscii(type);
    if (lower.rfind("os.unix=slink", 0) == 0 || lower.rfind("os.unix=symlink", 0) == 0) return CFtpDir::KIND_LINK;
    return CFtpDir::KIND_NONE;  // cdir, pdir, devices...
}

std::string Join(const Field& a, const Field& b) { return std::string(a.text) + " " + std::string(b.text); }

}  // namespace

CFtpDir::CFtpDir() = default;

CFtpDir::CFtpDir(const CFtpPath& folder, std::string_view line, int64_t now) : m_Path(folder) { Split(line, now); }

CFtpDir::~CFtpDir() = default;

CObj* CFtpDir::CreateObject() const { return new CFtpDir(); }

void CFtpDir::Clear() { *this = CFtpDir(); }

void CFtpDir::Copy(const CObj& src) {
    const auto* other = dynamic_cast<const CFtpDir*>(&src);
    if (other && other != this) *this = *other;
}

bool CFtpDir::Split(std::string_view line, int64_t now) {
    m_strLine = line;
    m_eKind = KIND_NONE;
    m_bUnsafeName = false;
    m_strLinkTarget.clear();
    if (line.empty()) return false;
    const char first = line[0];
    if (first == '-' || first == 'd' || first == 'l') return SplitUNIX(line, now);
    // DOS lines start with their date; anything else ("total 12", device
    // files, messages) is not an entry.
    if (first >= '0' && first <= '9') return SplitDOS(line);
    return false;
}

bool CFtpDir::SplitUNIX(std::string_view line, int64_t now) {
    const std::vector<Field> fields = SplitFields(line);
    const size_t date = FindDateColumn(fields);
    if (date == 0) return false;
    m_strPermissions = fields[0].text;
    // Between the permissions and the size: link count, owner, group (some
    // servers leave out the group, or both).
    const size_t size = date - 1;
    if (size > 1) m_strLinks = fields[1].text;
    if (size > 2) m_strOwner = fields[2].text;
    if (size > 3) m_strGroup = fields[3].text;
    m_strSize = fields[size].text;
    m_strDateTime = Join(fields[date], fields[date + 1]) + " " + std::string(fields[date + 2].text);

    const bool link = m_strPermissions[0] == 'l';
    // The name starts after the one blank that follows the date, so a name
    // that itself starts with a blank keeps it.
    const Field& last = fields[date + 2];
    std::string text(line.substr(last.start + last.text.size() + 1));
    if (link) {
        // "name -> target": the link is known by its own name.
        const size_t arrow = text.find(" -> ");
        if (arrow != std::string::npos) {
            m_strLinkTarget = text.substr(arrow + 4);
            text.resize(arrow);
        }
    }
    if (!TakeName(text)) return false;

    ParseDateTime(m_strDateTime, now);
    m_Path.Length(m_strSize);
    TakeKind(link ? KIND_LINK : IsUnixFile() ? KIND_FILE : KIND_FOLDER);
    return true;
}

bool CFtpDir::SplitDOS(std::string_view line) {
    const std::vector<Field> fields = SplitFields(line);
    if (fields.size() < 4) return false;
    m_strDate = fields[0].text;
    m_strTime = fields[1].text;
    m_strDateTime = Join(fields[0], fields[1]);
    m_strSize = fields[2].text;
    // The date and time must read as such: that is what tells a DOS line
    // from any other text.
    if (!ParseDateTime(m_strDateTime, 0)) return false;
    const bool folder = EqualsNoCase(m_strSize, "<DIR>");
    if (!folder && !IsDigits(m_strSize)) return false;
    if (!TakeName(TrimText(line.substr(fields[3].start)))) return false;
    if (!folder) m_Path.Length(m_strSize);
    TakeKind(folder ? KIND_FOLDER : KIND_FILE);
    return true;
}

CFtpDir CFtpDir::FromMachineListing(const CFtpPath& folder, std::string_view line) {
    CFtpDir dir;
    dir.m_Path = folder;
    dir.SplitMLSD(line);
    return dir;
}

CFtpDir CFtpDir::FromFacts(const CFtpPath& folder, std::string_view name, EKind kind, std::optional<uint64_t> size,
                           std::optional<int64_t> modifiedUtc, std::optional<uint32_t> mode) {
    CFtpDir dir;
    dir.m_Path = folder;
    if (kind == KIND_NONE || !dir.TakeName(name)) return dir;
    if (size) dir.m_strSize = std::to_string(*size);
    if (modifiedUtc) dir.m_strDateTime = protocol::FormatTimeValue(*modifiedUtc);
    dir.m_strPermissions = (kind == KIND_FOLDER ? "d" : kind == KIND_LINK ? "l" : "-") +
                           (mode ? ModeText(*mode & 0777) : std::string());
    if (modifiedUtc) dir.SetTimes(*modifiedUtc);
    if (size) dir.m_Path.Length(*size);
    dir.TakeKind(kind);
    return dir;
}

bool CFtpDir::SplitMLSD(std::string_view line) {
    m_strLine = line;
    m_eKind = KIND_NONE;
    m_bUnsafeName = false;
    m_strLinkTarget.clear();
    protocol::CMlstEntry entry;
    if (!protocol::ParseMlstEntry(line, entry)) return false;
    const EKind kind = MachineKind(entry.type);
    int64_t modified = 0;
    if (IsDigits(entry.size)) m_strSize = entry.size;
    if (protocol::ParseTimeValue(entry.modify, modified)) m_strDateTime = entry.modify;
    if (kind == KIND_NONE || !TakeName(entry.name)) return false;
    if (const size_t target = entry.type.find("slink:"); kind == KIND_LINK && target != std::string::npos)
        m_strLinkTarget = entry.type.substr(target + 6);
    m_strPermissions = (kind == KIND_FOLDER ? "d" : kind == KIND_LINK ? "l" : "-") + ModeText(entry.unixMode);
    if (!m_strDateTime.empty()) SetTimes(modified);
    if (!m_strSize.empty()) m_Path.Length(m_strSize);
    TakeKind(kind);
    return true;
}

bool CFtpDir::ParseDateTime(std::string_view text, int64_t now) {
    int64_t seconds = 0;
    if (!ParseListingTime(text, now, seconds)) return false;
    SetTimes(seconds);
    return true;
}

void CFtpDir::SetTimes(int64_t secondsUtc) {
    const uint64_t fileTime = platform::UnixToFileTime(secondsUtc);
    m_Path.CreationTime(fileTime);
    m_Path.LastAccessTime(fileTime);
    m_Path.LastWriteTime(fileTime);
}

bool CFtpDir::ParseListingTime(std::string_view text, int64_t now, int64_t& seconds) {
    const std::vector<Field> fields = SplitFields(text);
    if (fields.size() == 3) return ParseUnixDate(fields, now, seconds);
    if (fields.size() == 2) return ParseDosDate(fields, seconds);
    return false;
}

bool CFtpDir::IsSafeName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (unsigned char c : name) {
        if (c == '/' || c == '\\' || c < 0x20 || c == 0x7f) return false;
    }
    return true;
}

void CFtpDir::TakeKind(EKind kind) {
    m_eKind = kind;
    if (kind == KIND_FILE) {
        m_Path.SetFileNameAndExt(m_strName);
        m_Path.SetAttr(platform::FileAttrNormal);
    } else if (kind == KIND_FOLDER) {
        m_Path.AppendDir(m_strName);
        m_Path.SetAttr(platform::FileAttrDirectory);
    }
}

bool CFtpDir::TakeName(std::string_view name) {
    m_strName = name;
    if (IsSafeName(name)) return true;
    // "." and ".." are every server's own entries, not an attack.
    m_bUnsafeName = !name.empty() && name != "." && name != "..";
    return false;
}

}  // namespace velmora
