#include "ftp/ftp_dir.h"

#include <algorithm>
#include <array>
#include <ctime>

#include "base/text.h"
#include "ftp/listing_text.h"
#include "ftp/protocol/ftp_reply.h"
#include "platform/file_system.h"

namespace velmora {

using namespace listing;

namespace {

// "+0100" or "-0530": the offset east of UTC in seconds.
bool ReadZone(std::string_view text, int64_t& offset) {
    int hours = 0;
    int minutes = 0;
    if (text.size() != 5 || (text[0] != '+' && text[0] != '-') || !ReadNumber(text.substr(1, 2), 2, 2, hours) ||
        !ReadNumber(text.substr(3, 2), 2, 2, minutes))
        return false;
    offset = (hours * 3600 + minutes * 60) * (text[0] == '-' ? -1 : 1);
    return true;
}

// Numeric dates at `k`, as "ls" writes them with its other time styles:
// "yyyy-mm-dd hh:mm[:ss[.f]] [+zone]", "yyyy-mm-dd" alone (an old file),
// "mm-dd hh:mm" (a recent one), "yyyy/mm/dd hh:mm" and "dd.mm.yy[yy] hh:mm".
// How many fields the date takes; 0 when there is none. The longest reading
// wins, so that "2023-03-01 10:00 x" is not a file named "10:00 x".
size_t NumericDate(const Fields& fields, size_t k, int64_t now, int64_t& seconds) {
    if (k >= fields.size()) return 0;
    std::string_view parts[3];
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    const std::string_view date = fields[k].text;
    const bool clock = k + 1 < fields.size() && ReadClock(fields[k + 1].text, false, hour, minute, true);
    if (SplitDate(date, "-/", parts) && parts[0].size() == 4 && ReadYear(parts[0], year) &&
        ReadNumber(parts[1], 2, 2, month) && ReadDay(parts[2], day)) {
        if (!clock) return date.find('-') != std::string_view::npos && MakeLocal(year, month - 1, day, 0, 0, seconds) ? 1 : 0;
        if (!MakeLocal(year, month - 1, day, hour, minute, seconds)) return 0;
        int64_t offset = 0;
        if (k + 3 < fields.size() && ReadZone(fields[k + 2].text, offset)) {
            // A time with its zone says which moment it is, wherever we are.
            seconds = UtcSeconds(year, month, day, hour, minute) - offset;
            return 3;
        }
        return 2;
    }
    if (!clock) return 0;
    if (SplitDate(date, ".", parts) && ReadDay(parts[0], day) && ReadNumber(parts[1], 1, 2, month) &&
        ReadYear(parts[2], year))
        return MakeLocal(year, month - 1, day, hour, minute, seconds) ? 2 : 0;
    // "mm-dd": no year, so within the last twelve months.
    const size_t dash = date.find('-');
    if (dash == std::string_view::npos || !ReadNumber(date.substr(0, dash), 2, 2, month) ||
        !ReadDay(date.substr(dash + 1), day) || date.size() != 5)
        return 0;
    return MakeRecent(month - 1, day, hour, minute, now, seconds) ? 2 : 0;
}

// The date of a Unix line at `k`, when a name follows it: how many fields it
// takes (0: none there).
size_t UnixDate(const Fields& fields, size_t k, int64_t now, int64_t& seconds) {
    if (k < 2 || k >= fields.size() || !IsDigits(fields[k - 1].text)) return 0;
    size_t width = NamedDate(fields, k, now, seconds);
    if (width == 0) width = NumericDate(fields, k, now, seconds);
    return width > 0 && k + width < fields.size() ? width : 0;
}

// "2024-13-01", "31/02/2024", "32.13.2024": digits and date separators.
bool LooksNumericDate(std::string_view text) {
    const bool separated = text.find_first_of("-/") != std::string_view::npos ||
                           std::count(text.begin(), text.end(), '.') >= 2;
    return separated && text.find_first_not_of("0123456789-/.") == std::string_view::npos;
}

// Unix lines: the usual columns (permissions, links, owner, group, size) put
// the date at the sixth field. When that does not fit, the date columns are
// where the date's shape is found, because servers differ in whether a group
// column (or an owner) exists. The usual columns come first so that an owner
// or group that looks like a month ("mar") is not taken for the date.
// Servers with localised month names still get the usual columns, with a
// date that will not parse.
bool FindUnixDate(const Fields& fields, int64_t now, size_t& date, size_t& width, int64_t& seconds) {
    constexpr size_t kUsualDateColumn = 5;
    width = UnixDate(fields, kUsualDateColumn, now, seconds);
    date = kUsualDateColumn;
    for (size_t k = 2; width == 0 && k + 1 < fields.size(); ++k) {
        width = UnixDate(fields, k, now, seconds);
        date = k;
    }
    if (width > 0) return true;
    // A date that will not parse (another language): the usual columns still
    // hold. A numeric date that does not parse is no such date but a broken line.
    seconds = -1;
    date = kUsualDateColumn;
    width = 3;
    return fields.size() > kUsualDateColumn + 3 && IsDigits(fields[kUsualDateColumn - 1].text) &&
           !LooksNumericDate(fields[kUsualDateColumn].text);
}

// A set of bytes, looked up in one step: the checks below run for every
// line, and a search per letter costs a library call each.
struct ByteSet {
    constexpr explicit ByteSet(std::string_view members) {
        for (char c : members) in[static_cast<unsigned char>(c)] = true;
    }
    constexpr bool operator()(char c) const { return in[static_cast<unsigned char>(c)]; }
    std::array<bool, 256> in{};
};

// "-rw-r--r--", "drwxr-x---+", "lrwxrwxrwx", "crw-rw-rw-": a type and nine
// permission letters, with a mark of extended attributes or ACLs.
bool IsUnixPermissions(std::string_view text) {
    static constexpr ByteSet kTypes("-dlbcpsD");
    static constexpr ByteSet kLetters("rwxsStTlL-");
    if (text.size() == 11 && (text[10] == '+' || text[10] == '.' || text[10] == '@')) text.remove_suffix(1);
    return text.size() == 10 && kTypes(text[0]) &&
           std::all_of(text.begin() + 1, text.end(), [](char c) { return kLetters(c); });
}

// "mm-dd-yy hh:mmAM", "mm-dd-yyyy hh:mm" ("/" also separates the date) or
// "yyyy-mm-dd hh:mm".
bool DosDate(const Fields& fields, int64_t& seconds) {
    std::string_view parts[3];
    if (!SplitDate(fields[0].text, "-/", parts)) return false;
    int month = 0;
    int day = 0;
    int year = 0;
    const bool iso = parts[0].size() == 4;
    if (!ReadYear(iso ? parts[0] : parts[2], year) || !ReadNumber(iso ? parts[1] : parts[0], 1, 2, month) ||
        month < 1 || month > 12 || !ReadDay(iso ? parts[2] : parts[1], day))
        return false;
    int hour = 0;
    int minute = 0;
    return ReadClock(fields[1].text, true, hour, minute) && MakeLocal(year, month - 1, day, hour, minute, seconds);
}

// IIS pads "<DIR>" to the column where files have their size's last digit.
constexpr size_t kDosFolderPadding = 10;

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
    // Python's octal form ("0o644"), as pyftpdlib sends it.
    if (mode.starts_with("0o")) mode.remove_prefix(2);
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


}  // namespace

CFtpDir::CFtpDir() = default;

CFtpDir::CFtpDir(const CFtpPath& folder) : m_Path(folder) {}

CFtpDir::CFtpDir(const CFtpPath& folder, std::string_view line, int64_t now) : m_Path(folder) { Split(line, now); }

CFtpDir::CFtpDir(const CFtpPath& folder, std::string_view line, int64_t now, EListingFormat format)
    : m_Path(folder) {
    Split(line, now, format);
}

CFtpDir::~CFtpDir() = default;

CObj* CFtpDir::CreateObject() const { return new CFtpDir(); }

void CFtpDir::Clear() { *this = CFtpDir(); }

// Member by member: the assignment operator comes through here (CObj's
// calls Copy), so assigning the whole would never end.
void CFtpDir::Copy(const CObj& src) {
    const auto* other = dynamic_cast<const CFtpDir*>(&src);
    if (!other || other == this) return;
    CObj::Copy(*other);
    m_strDate = other->m_strDate;
    m_strTime = other->m_strTime;
    m_strDateTime = other->m_strDateTime;
    m_strSize = other->m_strSize;
    m_strName = other->m_strName;
    m_strLine = other->m_strLine;
    m_strPermissions = other->m_strPermissions;
    m_strLinks = other->m_strLinks;
    m_strOwner = other->m_strOwner;
    m_strGroup = other->m_strGroup;
    m_Path = other->m_Path;
    m_eKind = other->m_eKind;
    m_bUnsafeName = other->m_bUnsafeName;
    m_bKnownNonEntry = other->m_bKnownNonEntry;
    m_strLinkTarget = other->m_strLinkTarget;
    m_strUnique = other->m_strUnique;
}

bool CFtpDir::Split(std::string_view line, int64_t now) {
    Reset(line);
    if (IsBlankLine(line)) return KnownNonEntry();
    // A layout that does not take the line may have set the path's times or
    // size on the way, never its names: those are set last (TakeKind), and
    // only when the line is an entry.
    const CFilePath::StatusBlock folder = m_Path.GetStatusBlock();
    bool first = true;
    for (const EListingFormat format : kListingFormats) {
        if (!first) ClearFields();
        first = false;
        // The first layout that knows the line has the last word on it.
        if (SplitAs(line, now, format) || m_bKnownNonEntry || m_bUnsafeName) return IsEntry();
        m_Path.SetStatusBlock(folder);
    }
    return false;
}

bool CFtpDir::Split(std::string_view line, int64_t now, EListingFormat format) {
    Reset(line);
    if (IsBlankLine(line)) return KnownNonEntry();
    return SplitAs(line, now, format);
}

bool CFtpDir::SplitAs(std::string_view line, int64_t now, EListingFormat format) {
    switch (format) {
        case EListingFormat::Unix: return SplitUNIX(line, now);
        case EListingFormat::Dos: return SplitDOS(line);
        case EListingFormat::Eplf: return SplitEPLF(line);
        case EListingFormat::NetWare: return SplitNetWare(line, now);
        case EListingFormat::Vms: return SplitVMS(line);
        case EListingFormat::Os400: return SplitOS400(line);
        case EListingFormat::MvsDataset: return SplitMvsDataset(line);
        case EListingFormat::MvsMember: return SplitMvsMember(line);
        case EListingFormat::Unknown: break;
    }
    return false;
}

bool CFtpDir::IsBlankLine(std::string_view line) { return std::all_of(line.begin(), line.end(), IsSpace); }

void CFtpDir::Reset(std::string_view line) {
    ClearFields();
    m_strLine = line;
}

void CFtpDir::ClearFields() {
    m_strDate.clear();
    m_strTime.clear();
    m_strDateTime.clear();
    m_strSize.clear();
    m_strName.clear();
    m_strPermissions.clear();
    m_strLinks.clear();
    m_strOwner.clear();
    m_strGroup.clear();
    m_strLinkTarget.clear();
    m_strUnique.clear();
    m_eKind = KIND_NONE;
    m_bUnsafeName = false;
    m_bKnownNonEntry = false;
}

bool CFtpDir::KnownNonEntry() {
    m_bKnownNonEntry = true;
    return false;
}

bool CFtpDir::SplitUNIX(std::string_view line, int64_t now) {
    // Lines of other layouts fail on their first field: tell them before
    // splitting the whole line.
    const std::string_view first = FirstField(line);
    const bool permissions = IsUnixPermissions(first);
    if (!permissions && !EqualsNoCase(first, "total")) return false;
    const Fields fields(line);
    if (fields.size() == 2 && EqualsNoCase(fields[0].text, "total") && IsDigits(fields[1].text))
        return KnownNonEntry();
    if (!permissions) return false;
    size_t date = 0;
    size_t width = 0;
    int64_t seconds = 0;
    if (!FindUnixDate(fields, now, date, width, seconds)) return false;
    m_strPermissions = fields[0].text;
    // Between the permissions and the size: link count, owner, group (some
    // servers leave out the group, or both).
    const size_t size = date - 1;
    if (size > 1) m_strLinks = fields[1].text;
    if (size > 2) m_strOwner = fields[2].text;
    if (size > 3) m_strGroup = fields[3].text;
    m_strSize = fields[size].text;
    const Field& last = fields[date + width - 1];
    JoinFields(fields, date, width, m_strDateTime);

    const char type = m_strPermissions[0];
    // Devices, pipes and sockets are nothing to transfer.
    if (type != '-' && type != 'd' && type != 'D' && type != 'l') return KnownNonEntry();
    // The name starts after the one blank that follows the date, so a name
    // that itself starts with a blank keeps it.
    std::string_view text = line.substr(std::min(last.End() + 1, line.size()));
    if (type == 'l') {
        // "name -> target": the link is known by its own name.
        const size_t arrow = text.find(" -> ");
        if (arrow != std::string_view::npos) {
            m_strLinkTarget = text.substr(arrow + 4);
            text = text.substr(0, arrow);
        }
    }
    if (!TakeName(text)) return false;
    if (seconds >= 0) SetTimes(seconds);
    m_Path.Length(m_strSize);
    return TakeKind(type == 'l' ? KIND_LINK : type == '-' ? KIND_FILE : KIND_FOLDER);
}

bool CFtpDir::SplitDOS(std::string_view line) {
    const Fields fields(line);
    if (fields.size() < 4) return false;
    m_strDate = fields[0].text;
    m_strTime = fields[1].text;
    JoinFields(fields, 0, 2, m_strDateTime);
    m_strSize = fields[2].text;
    // The date and time must read as such: that is what tells a DOS line
    // from any other text.
    int64_t seconds = 0;
    if (!DosDate(fields, seconds)) return false;
    SetTimes(seconds);
    const bool folder = EqualsNoCase(m_strSize, "<DIR>");
    if (!folder && !IsDigits(m_strSize)) return false;
    // A file's name follows its size after one blank; a folder's starts
    // where a file's would, ten blanks after "<DIR>". Blanks beyond those
    // are the name's own.
    if (!TakeName(NameAfter(line, fields[2].End(), folder ? kDosFolderPadding : 1))) return false;
    if (!folder) m_Path.Length(m_strSize);
    return TakeKind(folder ? KIND_FOLDER : KIND_FILE);
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
    Reset(line);
    protocol::CMlstEntry entry;
    if (!protocol::ParseMlstEntry(line, entry)) return false;
    m_strUnique = entry.unique;
    const EKind kind = MachineKind(entry.type);
    // The folder's own entries, devices: known, and nothing to list.
    if (kind == KIND_NONE) return !entry.type.empty() && KnownNonEntry();
    int64_t modified = 0;
    if (IsDigits(entry.size)) m_strSize = entry.size;
    if (protocol::ParseTimeValue(entry.modify, modified)) m_strDateTime = entry.modify;
    if (kind == KIND_NONE || !TakeName(entry.name)) return false;
    if (const size_t target = entry.type.find("slink:"); kind == KIND_LINK && target != std::string::npos)
        m_strLinkTarget = entry.type.substr(target + 6);
    m_strPermissions = (kind == KIND_FOLDER ? "d" : kind == KIND_LINK ? "l" : "-") + ModeText(entry.unixMode);
    m_strOwner = entry.owner;
    m_strGroup = entry.group;
    if (!m_strDateTime.empty()) SetTimes(modified);
    if (!m_strSize.empty()) m_Path.Length(m_strSize);
    return TakeKind(kind);
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
    const Fields fields(text);
    if (fields.size() == 3) return NamedDate(fields, 0, now, seconds) == 3;
    if (fields.size() == 2) return DosDate(fields, seconds);
    return false;
}

bool CFtpDir::IsSafeName(std::string_view name) {
    // Separators and control characters, looked up rather than compared:
    // every name of every listing passes here.
    static constexpr auto kRefused = [] {
        std::array<bool, 256> refused{};
        for (int c = 0; c < 0x20; ++c) refused[c] = true;
        refused['/'] = refused['\\'] = refused[0x7f] = true;
        return refused;
    }();
    if (name.empty() || name == "." || name == "..") return false;
    for (unsigned char c : name) {
        if (kRefused[c]) return false;
    }
    return true;
}

bool CFtpDir::TakeKind(EKind kind) {
    // A folder path drops blanks at the end of a name: "My " would become
    // the other folder "My", whose contents are not this one's.
    if (kind == KIND_FOLDER && IsBlank(m_strName.back())) {
        m_bUnsafeName = true;
        return false;
    }
    m_eKind = kind;
    if (kind == KIND_FILE) {
        m_Path.SetFileNameAndExt(m_strName);
        m_Path.SetAttr(platform::FileAttrNormal);
    } else if (kind == KIND_FOLDER) {
        m_Path.AppendDir(m_strName);
        m_Path.SetAttr(platform::FileAttrDirectory);
    }
    return true;
}

bool CFtpDir::TakeName(std::string_view name) {
    m_strName = name;
    if (IsSafeName(name)) return true;
    // "." and ".." are every server's own entries, not an attack.
    m_bUnsafeName = !name.empty() && name != "." && name != "..";
    m_bKnownNonEntry = !m_bUnsafeName;
    return false;
}

}  // namespace velmora
