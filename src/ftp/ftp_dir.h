#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "objects/obj.h"
#include "objects/std_list.h"
#include "paths/file_path.h"
#include "paths/list_obj.h"
#include "platform/api.h"
#include "platform/clock.h"

namespace velmora {

// The layouts of classic listings (the reply to "LIST") that servers send.
// A listing is read in one of them, chosen by the lines it reads
// (CFtpListingReader).
enum class EListingFormat : int32_t {
    Unknown = 0,
    Unix,        // drwxr-xr-x 3 alice staff 4096 Dec  7 07:11 docs (also ISO and numeric dates)
    Dos,         // 12-31-21  11:59PM       <DIR>          My Folder (IIS, also 24-hour and ISO)
    Eplf,        // +i8388621.29609,m824255902,/,<TAB>src
    NetWare,     // d [R----F--] supervisor   512   Jan 16 18:53    login
    Vms,         // DOCS.DIR;1   1/3   2-JAN-2024 08:00:01  [ALICE]  (RWE,RWE,RE,RE)
    Os400,       // QSYS   77824 02/23/00 15:09:55 *DIR       QOpenSys/
    MvsDataset,  // WRK101 3390   2023/11/02  1   15  FB  80 27920  PS  ALICE.DATA.CSV
    MvsMember,   // PAYROLL   01.03 2023/05/01 2024/02/10 14:22    45    40     0 ALICE
};
// Every layout above, in the order a line is tried when nothing else tells.
extern VELMORA_API const EListingFormat kListingFormats[8];
// "Unix", "DOS", ... for the log.
VELMORA_API const char* ListingFormatName(EListingFormat format);
// The layout a SYST reply ("215 UNIX Type: L8") names; Unknown when none.
VELMORA_API EListingFormat ListingFormatOfSystem(std::string_view system);

// One line of a remote folder listing, split into its fields, with the path
// of the entry it describes, in any of the layouts above or a machine
// listing (MLSD, read by SplitMLSD).
//
// The Unix fields are found by their shape (a size followed by a date)
// rather than by fixed columns, because servers differ in padding, in
// numeric or named owners and in whether a group or owner column exists.
// A name is the rest of the line after the separator its layout puts
// before it, so a name that starts with a blank keeps it.
//
// Names come from the server and are not trusted: a name that is empty, "."
// or "..", or holds a "/", a "\" or a control character, never becomes part of
// the path, and the line does not count as an entry.
class VELMORA_API CFtpDir : public CObj {
public:
    enum EKind : int32_t {
        KIND_NONE = 0,    // not an entry: a header ("total 12"), garbage, a refused name
        KIND_FILE = 1,    // attributes 128, the name is the path's file name
        KIND_FOLDER = 2,  // attributes 16, the name is the path's last folder
        KIND_LINK = 3,    // a symbolic link: listed by its own name, neither file nor folder
    };

    CFtpDir();
    // No entry yet, of `folder`: the next Split reads one.
    explicit CFtpDir(const CFtpPath& folder);
    // The entry `line` describes in `folder`, in the first layout that
    // reads it. `now` (seconds since 1970) decides the year of a date given
    // without one.
    CFtpDir(const CFtpPath& folder, std::string_view line, int64_t now = platform::Now());
    // The same in one layout.
    CFtpDir(const CFtpPath& folder, std::string_view line, int64_t now, EListingFormat format);
    CFtpDir(const CFtpDir& other) = default;
    CFtpDir& operator=(const CFtpDir& other) = default;
    ~CFtpDir() override;

    CObj* CreateObject() const override;
    void Clear() override;
    void Copy(const CObj& src) override;

    // An entry of a machine listing (MLSD) in `folder`.
    static CFtpDir FromMachineListing(const CFtpPath& folder, std::string_view line);

    // An entry of `folder` told by its facts instead of a line (a protocol
    // whose listings carry attributes): `modifiedUtc` in seconds since 1970,
    // `mode` the permission bits. Not an entry (and marked unsafe) when the
    // name may not become part of a path.
    static CFtpDir FromFacts(const CFtpPath& folder, std::string_view name, EKind kind, std::optional<uint64_t> size,
                             std::optional<int64_t> modifiedUtc, std::optional<uint32_t> mode);
    // Reads the line into the fields and the path (which holds the listed
    // folder beforehand). False when the line is not an entry.
    bool Split(std::string_view line, int64_t now);
    bool Split(std::string_view line, int64_t now, EListingFormat format);
    // A machine listing line: "type=file;size=6;modify=20241207071100;
    // unix.mode=0644; name". The times are exact and in UTC; the permissions
    // text is made from the type and "unix.mode" ("-rw-r--r--"); the folder's
    // own "cdir" and "pdir" entries and other types are no entry.
    bool SplitMLSD(std::string_view line);
    bool SplitUNIX(std::string_view line, int64_t now);
    bool SplitDOS(std::string_view line);
    bool SplitEPLF(std::string_view line);
    bool SplitNetWare(std::string_view line, int64_t now);
    // A VMS entry on one line (a long name that the server put on a line of
    // its own is joined to the next one first, see CFtpListingReader). The
    // version goes: "A.TXT;3" is "A.TXT", and "X.DIR;1" the folder "X".
    bool SplitVMS(std::string_view line);
    bool SplitOS400(std::string_view line);
    bool SplitMvsDataset(std::string_view line);
    bool SplitMvsMember(std::string_view line);
    // Sets the path's three times from a listing date; false (times left as
    // they were) when the text is not one.
    bool ParseDateTime(std::string_view text, int64_t now);
    // A listing date in local time: "Mon dd hh:mm", "Mon dd yyyy",
    // "mm-dd-yy hh:mmAM", "mm-dd-yyyy hh:mm". A Unix date without a year
    // gets the year that puts it in the twelve months before `now` (a day
    // of slack allows for servers in other time zones).
    static bool ParseListingTime(std::string_view text, int64_t now, int64_t& seconds);
    // A name that may become part of a path.
    static bool IsSafeName(std::string_view name);

    EKind GetKind() const { return m_eKind; }
    bool IsEntry() const { return m_eKind != KIND_NONE; }
    // No entry, and the layout knows the line as such: a header, a total,
    // the folder's own "." and "..", a device, a member of another folder.
    bool IsKnownNonEntry() const { return m_bKnownNonEntry; }
    // Neither an entry nor a line the layout knows, nor a refused name.
    bool IsBroken() const { return !IsEntry() && !m_bKnownNonEntry && !m_bUnsafeName; }
    // What the server names the file by, whatever its path: MLSD's
    // "unique" fact, EPLF's "i"; empty when the listing does not say.
    const std::string& GetUnique() const { return m_strUnique; }
    bool IsFile() const { return m_eKind == KIND_FILE; }
    bool IsFolder() const { return m_eKind == KIND_FOLDER; }
    bool IsLink() const { return m_eKind == KIND_LINK; }
    // Where a link points, as listed ("../up", "/data"); empty when the
    // listing did not say.
    const std::string& GetLinkTarget() const { return m_strLinkTarget; }
    // The line named something that was refused as unsafe.
    bool HasUnsafeName() const { return m_bUnsafeName; }
    // The name starts with "." (dots and hidden names).
    bool IsDots() const { return !m_strName.empty() && m_strName[0] == '.'; }
    bool IsUnixDirectory() const { return !m_strPermissions.empty() && (m_strPermissions[0] | 0x20) == 'd'; }
    bool IsUnixFile() const { return !m_strPermissions.empty() && m_strPermissions[0] == '-'; }

    const std::string& GetDate() const { return m_strDate; }
    const std::string& GetTime() const { return m_strTime; }
    const std::string& GetDateTime() const { return m_strDateTime; }
    const std::string& GetSizeText() const { return m_strSize; }
    const std::string& GetName() const { return m_strName; }
    const std::string& GetLine() const { return m_strLine; }
    const std::string& GetPermissions() const { return m_strPermissions; }
    const std::string& GetLinkCount() const { return m_strLinks; }
    const std::string& GetOwner() const { return m_strOwner; }
    const std::string& GetGroup() const { return m_strGroup; }
    const CFtpPath& GetPath() const { return m_Path; }
    operator CFtpPath() const { return m_Path; }

private:
    // Empties what a split sets, keeping the listed folder in the path.
    void Reset(std::string_view line);
    // The same, keeping the line: the next layout reads it.
    void ClearFields();
    static bool IsBlankLine(std::string_view line);
    // Reads a line that is not blank in one layout.
    bool SplitAs(std::string_view line, int64_t now, EListingFormat format);
    // A line its layout knows and that is no entry; false.
    bool KnownNonEntry();
    void SetTimes(int64_t secondsUtc);
    // Checks and stores the name; false (and the unsafe mark) when refused.
    bool TakeName(std::string_view name);
    // Sets the kind and puts the name into the path as a file or a folder;
    // false (and the unsafe mark) for a folder name a path cannot hold.
    bool TakeKind(EKind kind);

    std::string m_strDate;
    std::string m_strTime;
    std::string m_strDateTime;
    std::string m_strSize;
    std::string m_strName;
    std::string m_strLine;
    std::string m_strPermissions;
    std::string m_strLinks;
    std::string m_strOwner;
    std::string m_strGroup;
    CFtpPath m_Path;
    EKind m_eKind = KIND_NONE;
    bool m_bUnsafeName = false;
    bool m_bKnownNonEntry = false;
    std::string m_strLinkTarget;
    std::string m_strUnique;
};

// The entries of one listing, owned.
class VELMORA_API CFtpDirList : public CStdList<CFtpDir, CFtpDir*>, public CListObj {
public:
    CFtpDirList() : CStdList(true, false) {}

protected:
    CObj* CreateListObject() const override { return new CFtpDirList(); }
};

}  // namespace velmora
