// The listing layouts of servers that are not Unix or Windows: EPLF,
// NetWare, VMS, OS/400 and MVS (data sets and members of partitioned data
// sets).

#include <string>

#include "base/text.h"
#include "ftp/ftp_dir.h"
#include "ftp/listing_text.h"

namespace velmora {

using namespace listing;

namespace {

// VMS counts sizes in blocks of 512 bytes: the size is the nearest the
// listing tells.
constexpr uint64_t kVmsBlock = 512;
// NetWare puts four blanks between the date and the name.
constexpr size_t kNetWarePadding = 4;
// OS/400 pads the object type ("*STMF") to ten characters and a blank.
constexpr size_t kOs400TypeColumn = 11;

bool IsUpperOrDigit(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }
bool IsNationalChar(char c) { return c == '#' || c == '$' || c == '@'; }

// "MEMBER1": one to eight letters, digits and national characters, not
// starting with a digit.
bool IsMemberName(std::string_view name) {
    if (name.empty() || name.size() > 8 || (name[0] >= '0' && name[0] <= '9')) return false;
    for (char c : name) {
        if (!IsUpperOrDigit(c) && !IsNationalChar(c)) return false;
    }
    return true;
}

// "ALICE.DATA.CSV": qualifiers of member names (with "-" too), at most 44
// characters in all.
bool IsDatasetName(std::string_view name) {
    if (name.empty() || name.size() > 44) return false;
    while (!name.empty()) {
        const size_t dot = std::min(name.find('.'), name.size());
        std::string qualifier(name.substr(0, dot));
        std::erase(qualifier, '-');
        if (dot == 0 || dot > 8 || !IsMemberName(qualifier)) return false;
        name.remove_prefix(std::min(dot + 1, name.size()));
    }
    return true;
}

bool IsHex(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (!IsDigits(std::string_view(&c, 1)) && !(c >= 'A' && c <= 'F')) return false;
    }
    return true;
}

// "yyyy/mm/dd".
bool SlashedIsoDate(std::string_view text, int hour, int minute, int64_t& seconds) {
    std::string_view parts[3];
    int year = 0;
    int month = 0;
    int day = 0;
    return SplitDate(text, "/", parts) && parts[0].size() == 4 && ReadYear(parts[0], year) &&
           ReadNumber(parts[1], 2, 2, month) && ReadDay(parts[2], day) &&
           MakeLocal(year, month - 1, day, hour, minute, seconds);
}

// "mm/dd/yy", "mm/dd/yyyy", "dd.mm.yy" or "yyyy-mm-dd".
bool Os400Date(std::string_view text, int hour, int minute, int64_t& seconds) {
    std::string_view parts[3];
    int year = 0;
    int month = 0;
    int day = 0;
    if (!SplitDate(text, "/.-", parts)) return false;
    const char separator = text[parts[0].size()];
    const bool iso = separator == '-' && parts[0].size() == 4;
    const std::string_view yearText = iso ? parts[0] : parts[2];
    const std::string_view monthText = iso || separator == '.' ? parts[1] : parts[0];
    const std::string_view dayText = iso ? parts[2] : separator == '.' ? parts[0] : parts[1];
    return (iso || separator != '-') && ReadYear(yearText, year) && ReadNumber(monthText, 1, 2, month) &&
           ReadDay(dayText, day) && MakeLocal(year, month - 1, day, hour, minute, seconds);
}

// "14-MAR-2023" and "10:12:45" (or "10:12", "10:12:45.50").
bool VmsDate(std::string_view date, std::string_view time, int64_t& seconds) {
    std::string_view parts[3];
    int day = 0;
    int year = 0;
    int hour = 0;
    int minute = 0;
    const int month = SplitDate(date, "-", parts) ? MonthIndex(parts[1]) : -1;
    return month >= 0 && ReadDay(parts[0], day) && parts[2].size() == 4 && ReadYear(parts[2], year) &&
           ReadClock(time, false, hour, minute, true) && MakeLocal(year, month, day, hour, minute, seconds);
}

// "AUTOEXEC.COM;3": the name and a version number.
bool SplitVmsName(std::string_view text, std::string_view& name) {
    const size_t semicolon = text.find(';');
    if (semicolon == 0 || semicolon == std::string_view::npos || !IsDigits(text.substr(semicolon + 1))) return false;
    name = text.substr(0, semicolon);
    return true;
}

}  // namespace

const EListingFormat kListingFormats[8] = {
    EListingFormat::Unix, EListingFormat::Dos,   EListingFormat::Eplf,       EListingFormat::NetWare,
    EListingFormat::Vms,  EListingFormat::Os400, EListingFormat::MvsDataset, EListingFormat::MvsMember,
};

const char* ListingFormatName(EListingFormat format) {
    switch (format) {
        case EListingFormat::Unix: return "Unix";
        case EListingFormat::Dos: return "DOS";
        case EListingFormat::Eplf: return "EPLF";
        case EListingFormat::NetWare: return "NetWare";
        case EListingFormat::Vms: return "VMS";
        case EListingFormat::Os400: return "OS/400";
        case EListingFormat::MvsDataset: return "MVS data sets";
        case EListingFormat::MvsMember: return "MVS members";
        case EListingFormat::Unknown: break;
    }
    return "unknown";
}

EListingFormat ListingFormatOfSystem(std::string_view system) {
    const std::string text = ToUpperAscii(system);
    const auto has = [&text](std::string_view word) { return text.find(word) != std::string::npos; };
    // OS/400 and z/OS servers may also say "UNIX" for their other file systems.
    if (has("OS/400")) return EListingFormat::Os400;
    if (has("MVS") || has("Z/OS") || has("OS/390")) return EListingFormat::MvsDataset;
    if (has("VMS")) return EListingFormat::Vms;
    if (has("NETWARE")) return EListingFormat::NetWare;
    if (has("WINDOWS_NT")) return EListingFormat::Dos;
    if (has("UNIX")) return EListingFormat::Unix;
    return EListingFormat::Unknown;
}

// "+i8388621.29609,m824255902,/,<TAB>src": facts, a tab, the name.
bool CFtpDir::SplitEPLF(std::string_view line) {
    const size_t plus = line.find_first_not_of(" ");
    const size_t tab = line.find('\t');
    if (plus == std::string_view::npos || line[plus] != '+' || tab == std::string_view::npos || tab < plus)
        return false;
    std::string_view facts = line.substr(plus + 1, tab - plus - 1);
    bool folder = false;
    bool file = false;
    int64_t modified = -1;
    while (!facts.empty()) {
        const size_t comma = std::min(facts.find(','), facts.size());
        const std::string_view fact = facts.substr(0, comma);
        facts.remove_prefix(std::min(comma + 1, facts.size()));
        if (fact.empty()) continue;
        const std::string_view value = fact.substr(1);
        switch (fact[0]) {
            case '/': folder = true; break;
            case 'r': file = true; break;
            case 's':
                if (IsDigits(value)) m_strSize = value;
                break;
            case 'm':
                if (IsDigits(value) && value.size() <= 12) modified = std::stoll(std::string(value));
                break;
            case 'i': m_strUnique = value; break;
            default: break;
        }
    }
    // Neither a folder to enter nor a file to fetch: nothing for us.
    if (!folder && !file) return KnownNonEntry();
    if (!TakeName(line.substr(tab + 1))) return false;
    if (modified >= 0) {
        m_strDateTime = std::to_string(modified);
        SetTimes(modified);
    }
    if (!folder && !m_strSize.empty()) m_Path.Length(m_strSize);
    return TakeKind(folder ? KIND_FOLDER : KIND_FILE);
}

// "d [R----F--] supervisor   512   Jan 16 18:53    login".
bool CFtpDir::SplitNetWare(std::string_view line, int64_t now) {
    const Fields fields(line);
    if (fields.size() == 2 && EqualsNoCase(fields[0].text, "total") && IsDigits(fields[1].text))
        return KnownNonEntry();
    int64_t seconds = 0;
    if (fields.size() < 8 || fields[0].text.size() != 1 || (fields[0].text[0] != 'd' && fields[0].text[0] != '-') ||
        fields[1].text.size() < 2 || fields[1].text.front() != '[' || fields[1].text.back() != ']' ||
        !IsDigits(fields[3].text) || NamedDate(fields, 4, now, seconds) != 3)
        return false;
    m_strPermissions = fields[1].text;
    m_strOwner = fields[2].text;
    m_strSize = fields[3].text;
    JoinFields(fields, 4, 3, m_strDateTime);
    if (!TakeName(NameAfter(line, fields[6].End(), kNetWarePadding))) return false;
    SetTimes(seconds);
    const bool folder = fields[0].text[0] == 'd';
    if (!folder) m_Path.Length(m_strSize);
    return TakeKind(folder ? KIND_FOLDER : KIND_FILE);
}

// "DOCS.DIR;1   1/3   2-JAN-2024 08:00:01  [SYSTEM,ALICE]  (RWE,RWE,RE,RE)".
bool CFtpDir::SplitVMS(std::string_view line) {
    const Fields fields(line);
    if (fields.empty()) return false;
    const std::string_view first = fields[0].text;
    // "Directory DISK$USER:[ALICE]", "Total of 3 files, 48/54 blocks.",
    // "Grand total of 2 directories, 9 files, ...".
    if ((EqualsNoCase(first, "Directory") && fields.size() == 2 && fields[1].text.back() == ']') ||
        (fields.size() > 2 && EqualsNoCase(first, "Total") && EqualsNoCase(fields[1].text, "of")) ||
        (fields.size() > 2 && EqualsNoCase(first, "Grand") && EqualsNoCase(fields[1].text, "total")))
        return KnownNonEntry();
    std::string_view name;
    if (fields.size() < 4 || !SplitVmsName(first, name)) return false;
    const std::string_view size = fields[1].text.substr(0, fields[1].text.find('/'));
    int64_t seconds = 0;
    if (!IsDigits(size) || !VmsDate(fields[2].text, fields[3].text, seconds)) return false;
    for (size_t k = 4; k < fields.size(); ++k) {
        const std::string_view text = fields[k].text;
        if (text.front() == '[' && text.back() == ']') m_strOwner = text;
        else if (text.front() == '(' && text.back() == ')') m_strPermissions = text;
        else return false;
    }
    const bool folder = name.size() > 4 && EqualsNoCase(name.substr(name.size() - 4), ".DIR");
    if (folder) name.remove_suffix(4);
    if (!TakeName(name)) return false;
    m_strSize = size;
    m_strDateTime = std::string(fields[2].text) + " " + std::string(fields[3].text);
    SetTimes(seconds);
    if (!folder) m_Path.Length(std::stoull(std::string(size)) * kVmsBlock);
    return TakeKind(folder ? KIND_FOLDER : KIND_FILE);
}

// "QSYS   77824 02/23/00 15:09:55 *DIR       QOpenSys/", or without a size
// and date: "ALICE   *MEM       MYLIB.FILE/MBR1.MBR".
bool CFtpDir::SplitOS400(std::string_view line) {
    const Fields fields(line);
    const bool dated = fields.size() >= 6 && IsDigits(fields[1].text);
    const size_t type = dated ? 4 : 1;
    if (fields.size() < type + 2 || fields[type].text.size() < 2 || fields[type].text[0] != '*') return false;
    for (char c : fields[type].text.substr(1)) {
        if (!IsUpperOrDigit(c)) return false;
    }
    int64_t seconds = 0;
    int hour = 0;
    int minute = 0;
    if (dated && (!ReadClock(fields[3].text, false, hour, minute, true) ||
                  !Os400Date(fields[2].text, hour, minute, seconds)))
        return false;
    const Field& kind = fields[type];
    const size_t padding = kind.text.size() < kOs400TypeColumn - 1 ? kOs400TypeColumn - kind.text.size() : 1;
    std::string_view name = NameAfter(line, kind.End(), padding);
    const bool folder = !name.empty() && name.back() == '/';
    if (folder) name.remove_suffix(1);
    // A member of a file object in a folder below this one ("MYLIB.FILE/MBR1.MBR").
    if (name.find('/') != std::string_view::npos) return KnownNonEntry();
    m_strOwner = fields[0].text;
    m_strPermissions = kind.text;
    if (!TakeName(name)) return false;
    if (dated) {
        m_strSize = fields[1].text;
        m_strDateTime = std::string(fields[2].text) + " " + std::string(fields[3].text);
        SetTimes(seconds);
        if (!folder) m_Path.Length(m_strSize);
    }
    return TakeKind(folder ? KIND_FOLDER : KIND_FILE);
}

// "WRK101 3390   2023/11/02  1   15  FB      80 27920  PS  ALICE.DATA.CSV",
// "Migrated        ALICE.OLD", "Pseudo Directory      ALICE.PROJECTS".
// Partitioned data sets (PO) are folders: their members are listed inside.
// The space used is counted in tracks, so no size is known.
bool CFtpDir::SplitMvsDataset(std::string_view line) {
    const Fields fields(line);
    if (fields.size() >= 2 && EqualsNoCase(fields[0].text, "Volume") && EqualsNoCase(fields[1].text, "Unit"))
        return KnownNonEntry();
    if (fields.size() < 2 || !IsDatasetName(fields.back().text)) return false;
    bool folder = false;
    int64_t seconds = -1;
    if (fields.size() == 2 && EqualsNoCase(fields[0].text, "Migrated")) {
        folder = false;
    } else if (fields.size() == 3 && EqualsNoCase(fields[0].text, "Pseudo") &&
               EqualsNoCase(fields[1].text, "Directory")) {
        folder = true;
    } else if (fields.size() == 10 && IsDigits(fields[3].text) && IsDigits(fields[4].text) &&
               IsDigits(fields[6].text) && IsDigits(fields[7].text)) {
        const std::string_view referred = fields[2].text;
        if (referred != "**NONE**" && !SlashedIsoDate(referred, 0, 0, seconds)) return false;
        const std::string_view organisation = fields[8].text;
        folder = organisation == "PO" || organisation == "PO-E";
        m_strPermissions = organisation;
        m_strDateTime = referred;
    } else {
        return false;
    }
    if (!TakeName(fields.back().text)) return false;
    if (seconds >= 0) SetTimes(seconds);
    return TakeKind(folder ? KIND_FOLDER : KIND_FILE);
}

// "PAYROLL   01.03 2023/05/01 2024/02/10 14:22    45    40     0 ALICE" (ISPF
// statistics), "LOADMOD1  000348   000348   00   FO ..." (a load module) or
// the name alone.
bool CFtpDir::SplitMvsMember(std::string_view line) {
    const Fields fields(line);
    if (fields.size() >= 2 && EqualsNoCase(fields[0].text, "Name") && EqualsNoCase(fields[1].text, "VV.MM"))
        return KnownNonEntry();
    if (fields.empty() || !IsMemberName(fields[0].text)) return false;
    int64_t seconds = -1;
    if (fields.size() >= 9) {
        const std::string_view version = fields[1].text;
        int hour = 0;
        int minute = 0;
        int64_t created = 0;
        if (version.size() != 5 || version[2] != '.' || !IsDigits(version.substr(0, 2)) ||
            !IsDigits(version.substr(3)) || !SlashedIsoDate(fields[2].text, 0, 0, created) ||
            !ReadClock(fields[4].text, false, hour, minute, true) ||
            !SlashedIsoDate(fields[3].text, hour, minute, seconds) || !IsDigits(fields[5].text))
            return false;
        m_strDateTime = std::string(fields[3].text) + " " + std::string(fields[4].text);
        m_strOwner = fields[8].text;
    } else if (fields.size() != 1 && !(fields.size() >= 3 && fields[1].text.size() >= 6 && IsHex(fields[1].text) &&
                                       fields[2].text.size() == fields[1].text.size() && IsHex(fields[2].text))) {
        return false;
    }
    if (!TakeName(fields[0].text)) return false;
    if (seconds >= 0) SetTimes(seconds);
    return TakeKind(KIND_FILE);
}

}  // namespace velmora
