#include "paths/file_path.h"

#include <algorithm>
#include <vector>

#include "base/format.h"
#include "base/path_text.h"
#include "base/text.h"
#include "base/tokenizer.h"
#include "paths/file_path_list.h"
#include "paths/file_rec_find.h"
#include "platform/path_split.h"

namespace velmora {
namespace {

constexpr std::string_view kSeparators = "/\\";

// The directory names of a dir text, in order.
std::vector<std::string> DirLevels(std::string_view dir) {
    std::vector<std::string> levels;
    CStringTokenizer(dir).SplitToken(levels, kSeparators);
    return levels;
}

std::string WithoutLeadingDot(std::string_view ext) {
    return std::string(!ext.empty() && ext.front() == '.' ? ext.substr(1) : ext);
}

// The text a status query uses: without its trailing separator, except
// that a lone separator stays the root folder.
std::string StatusText(std::string_view text) {
    std::string trimmed = RemoveSlash(text);
    return trimmed.empty() ? std::string(text) : trimmed;
}

bool QueryStatus(std::string_view text, platform::FileStatus& status) {
    const std::string query = StatusText(text);
    return !query.empty() && platform::GetFileStatus(query, status);
}

// A piece of `text`, cut to what the text has.
std::string_view Span(std::string_view text, size_t from, size_t length) {
    return text.substr(std::min(from, text.size()), length);
}

// Whether the text is the three parts one after the other.
bool Spells(std::string_view text, std::string_view dir, std::string_view name, std::string_view ext) {
    return text.size() == dir.size() + name.size() + ext.size() && text.starts_with(dir) &&
           text.substr(dir.size(), name.size()) == name && text.ends_with(ext);
}

bool IsNetworkParts(std::string_view drive, std::string_view dir) { return drive.empty() && dir.starts_with("\\\\"); }

// The separator a path of these parts uses, and its directory made to use
// it: starting with one, of that kind only, never two in a row, except the
// two that begin a network directory.
char FixDirSlash(std::string_view drive, std::string& dir) {
    const bool network = IsNetworkParts(drive, dir);
    const char slash = network ? '\\' : '/';
    if (dir.empty()) {
        dir = std::string(1, slash);
    } else if (!CFilePath::IsSlash(dir.front())) {
        dir.insert(dir.begin(), slash);
    }
    CFilePath::FixSlash(dir, slash);
    // Collapsing took one of the two leading separators.
    if (network) dir.insert(dir.begin(), '\\');
    return slash;
}

uint32_t Low(uint64_t value) { return static_cast<uint32_t>(value); }
uint32_t High(uint64_t value) { return static_cast<uint32_t>(value >> 32); }
int AsInt(uint32_t value) { return static_cast<int>(value); }
uint64_t Combine(uint32_t low, uint32_t high) { return (static_cast<uint64_t>(high) << 32) | low; }

// Stored numbers are signed 32-bit decimals; an unsigned spelling of the
// same bits is accepted too.
uint32_t ParseWord(const std::string& value) { return static_cast<uint32_t>(ParseInt64(value)); }

void SetLow(uint64_t& value, uint32_t low) { value = Combine(low, High(value)); }
void SetHigh(uint64_t& value, uint32_t high) { value = Combine(Low(value), high); }

}  // namespace

// ---- construction and the CObj protocol --------------------------------

CFilePath::CFilePath() { Clear(); }

CFilePath::CFilePath(std::string_view text, _PathType type) { SplitPath(text, type); }

CFilePath::CFilePath(const CFilePath& other) : CObj() { CopyPath(other); }

CFilePath::CFilePath(CFilePath&& other) noexcept : CObj() { MovePath(other); }

CFilePath::CFilePath(const CFileRecFind& entry) { Copy(entry); }

CFilePath::~CFilePath() = default;

CFilePath& CFilePath::operator=(const CFilePath& other) {
    if (this != &other) Copy(other);
    return *this;
}

CFilePath& CFilePath::operator=(CFilePath&& other) noexcept {
    if (this != &other) MovePath(other);
    return *this;
}

CFilePath& CFilePath::operator=(const CFileRecFind& entry) {
    Copy(entry);
    return *this;
}

CObj* CFilePath::CreateObject() const { return new CFilePath(); }

void CFilePath::Clear() {
    m_PathType = PATH_LITERAL;
    m_strPath.clear();
    m_pParts.reset();
    m_nDirLength = 0;
    m_nNameLength = 0;
    m_cSlash = '/';
    m_nIcon = -1;
    m_status = StatusBlock{};
}

void CFilePath::Copy(const CObj& src) {
    const auto* other = dynamic_cast<const CFilePath*>(&src);
    if (!other || other == this) return;
    CopyPath(*other);
}

void CFilePath::CopyPath(const CFilePath& other) {
    m_strPath = other.m_strPath;
    m_pParts = other.m_pParts ? std::make_unique<SeparateParts>(*other.m_pParts) : nullptr;
    CopyNonText(other);
}

void CFilePath::MovePath(CFilePath& other) {
    m_strPath = std::move(other.m_strPath);
    m_pParts = std::move(other.m_pParts);
    CopyNonText(other);
    other.Clear();
}

void CFilePath::CopyNonText(const CFilePath& other) {
    m_PathType = other.m_PathType;
    m_nIcon = other.m_nIcon;
    m_nDirLength = other.m_nDirLength;
    m_nNameLength = other.m_nNameLength;
    m_cSlash = other.m_cSlash;
    m_status = other.m_status;
}

bool CFilePath::IsEqual(const CObj& other) const {
    const auto* path = dynamic_cast<const CFilePath*>(&other);
    if (!path) return false;
    const PartViews mine = Parts();
    const PartViews theirs = path->Parts();
    return EqualsNoCase(mine.drive, theirs.drive) && EqualsNoCase(mine.dir, theirs.dir) &&
           EqualsNoCase(mine.name, theirs.name) && EqualsNoCase(mine.ext, theirs.ext);
}

void CFilePath::WriteXMLAttr(std::string& out) const {
    const PartViews parts = Parts();
    out += XMLAttr("path", m_strPath);
    out += XMLAttr("drive", parts.drive);
    out += XMLAttr("dir", parts.dir);
    out += XMLAttr("filename", parts.name);
    out += XMLAttr("ext", parts.ext);
    out += XMLAttr("slash", static_cast<int>(m_cSlash));
    out += XMLAttr("FileAttributes", AsInt(m_status.attributes));
    out += XMLAttr("CreationTimeLo", AsInt(Low(m_status.creationTime)));
    out += XMLAttr("CreationTimeHi", AsInt(High(m_status.creationTime)));
    out += XMLAttr("LastAccessTimeLo", AsInt(Low(m_status.lastAccessTime)));
    out += XMLAttr("LastAccessTimeHi", AsInt(High(m_status.lastAccessTime)));
    out += XMLAttr("LastWriteTimeLo", AsInt(Low(m_status.lastWriteTime)));
    out += XMLAttr("LastWriteTimeHi", AsInt(High(m_status.lastWriteTime)));
    out += XMLAttr("FileSizeHigh", AsInt(FileSizeHigh()));
    out += XMLAttr("FileSizeLow", AsInt(FileSizeLow()));
    out += XMLAttr("Icon", m_nIcon);
    out += XMLAttr("PathType", static_cast<int>(m_PathType));
}

std::string CFilePath::XMLObject() const { return "CFilePath"; }

bool CFilePath::ReadXMLAttr(const std::string& name, const std::string& value) {
    const std::string key = ToLowerAscii(name);
    // Text and parts are taken as they stand, without being made to agree.
    PartViews parts = Parts();
    const auto storePart = [&](std::string_view PartViews::*part) {
        parts.*part = value;
        Assign(m_strPath, parts);
    };
    if (key == "path") {
        Assign(value, parts);
    } else if (key == "drive") {
        storePart(&PartViews::drive);
    } else if (key == "dir") {
        storePart(&PartViews::dir);
    } else if (key == "filename") {
        storePart(&PartViews::name);
    } else if (key == "ext") {
        storePart(&PartViews::ext);
    } else if (key == "slash") {
        const uint32_t code = ParseWord(value);
        if (code < 128 && IsSlash(static_cast<char>(code))) m_cSlash = static_cast<char>(code);
    } else if (key == "fileattributes") {
        m_status.attributes = ParseWord(value);
    } else if (key == "creationtimelo") {
        SetLow(m_status.creationTime, ParseWord(value));
    } else if (key == "creationtimehi") {
        SetHigh(m_status.creationTime, ParseWord(value));
    } else if (key == "lastaccesstimelo") {
        SetLow(m_status.lastAccessTime, ParseWord(value));
    } else if (key == "lastaccesstimehi") {
        SetHigh(m_status.lastAccessTime, ParseWord(value));
    } else if (key == "lastwritetimelo") {
        SetLow(m_status.lastWriteTime, ParseWord(value));
    } else if (key == "lastwritetimehi") {
        SetHigh(m_status.lastWriteTime, ParseWord(value));
    } else if (key == "filesizehigh") {
        SetHigh(m_status.size, ParseWord(value));
    } else if (key == "filesizelow") {
        SetLow(m_status.size, ParseWord(value));
    } else if (key == "icon") {
        m_nIcon = static_cast<int>(ParseWord(value));
    } else if (key == "pathtype") {
        m_PathType = static_cast<_PathType>(ParseWord(value));
    }
    return true;
}

bool CFilePath::ReadXML(CStringTokenizer& text) {
    const std::string closeTag = "</" + XMLObject() + ">";
    text.GetNextToken("<");
    CStringTokenizer tag(text.GetNextToken(">"));
    if (tag.IsEmpty()) return false;
    const std::string name = tag.GetNextToken(" ");
    if (name.empty() || name != XMLObject()) return false;
    text.LeftToken(closeTag);
    ReadXMLAttr(tag.str());
    return true;
}

CFilePath::operator std::string() { return MakePath(); }

// ---- listing entries -----------------------------------------------------

void CFilePath::Copy(const CFileRecFind& entry) {
    // The entry may be answering from this very record.
    if (entry.GetCurrentPath() == this) return;
    Clear();
    const std::string entryPath = entry.GetFilePath();
    const bool directory = entry.IsDirectory();
    SplitPath(directory ? AppendSlash(entryPath, '/') : entryPath, PATH_LITERAL);
    Length(entry.GetLength());
    SetAttr(entry);
    m_status.lastWriteTime = entry.GetLastWriteTime();
    m_status.lastAccessTime = entry.GetLastAccessTime();
    m_status.creationTime = entry.GetCreationTime();
}

void CFilePath::SetAttr(const CFileRecFind& entry) {
    uint32_t attributes = 0;
    if (entry.IsReadOnly()) attributes |= platform::FileAttrReadOnly;
    if (entry.IsDirectory()) attributes |= platform::FileAttrDirectory;
    if (entry.IsCompressed()) attributes |= platform::FileAttrCompressed;
    if (entry.IsSystem()) attributes |= platform::FileAttrSystem;
    if (entry.IsHidden()) attributes |= platform::FileAttrHidden;
    if (entry.IsTemporary()) attributes |= platform::FileAttrTemporary;
    if (entry.IsNormal()) attributes |= platform::FileAttrNormal;
    if (entry.IsArchived()) attributes |= platform::FileAttrArchive;
    m_status.attributes = attributes;
}

bool CFilePath::IsEqualDir(const CFilePath& other) const {
    std::string mine(Parts().dir);
    std::string theirs(other.Parts().dir);
    std::replace(mine.begin(), mine.end(), '\\', '/');
    std::replace(theirs.begin(), theirs.end(), '\\', '/');
    return EqualsNoCase(mine, theirs);
}

// ---- setting -------------------------------------------------------------

void CFilePath::SplitPath(std::string_view text, _PathType type) {
    m_PathType = type;
    std::string s(text);
    CStringTokenizer scheme(s);
    const std::string prefix = scheme.GetToken(":");
    const std::string& rest = scheme.str();
    if ((prefix == "file" || prefix == "ftp" || prefix == "network") && rest.starts_with("//")) {
        s = rest.substr(2);
    }
    s = TrimText(s);
    platform::PathParts parts;
    if (type == PATH_FOLDER) {
        // A made-up file name makes the whole text land in the directory.
        parts = platform::SplitPathText(AppendSlash(s, '/') + "a.a");
        parts.name.clear();
        parts.ext.clear();
    } else {
        parts = platform::SplitPathText(s);
    }
    Normalise(std::move(s), {parts.drive, parts.dir, parts.name, parts.ext}, false);
    if (type == PATH_PROBE) FixByReadStatus();
}

void CFilePath::SetPath(std::string_view dir, std::string_view name) {
    SplitPath(AppendSlash(dir, '/') + std::string(name), PATH_LITERAL);
}

void CFilePath::SetDrive(std::string_view drive) { MakePathWith(&PartViews::drive, drive); }

void CFilePath::SetDrive(char letter) { SetDrive(Format("%c:", letter)); }

void CFilePath::SetDir(std::string_view dir) { MakePathWith(&PartViews::dir, AppendSlash(dir, '/')); }

void CFilePath::SetFileName(std::string_view name) { MakePathWith(&PartViews::name, name); }

void CFilePath::SetFileNameAndExt(std::string_view text) {
    // A name given to a folder's own path, as a listing does for each of
    // its files: the text the parts make is the folder's text and the name.
    const bool append = IsMadeFolder() && !HasSeparator(text);
    const size_t dot = text.find('.');
    PartViews parts = Parts();
    if (dot == std::string_view::npos || dot == 0) {
        parts.name = text;
    } else {
        parts.name = text.substr(0, dot);
        parts.ext = text.substr(dot);
    }
    if (append) {
        // The text is the directory alone, so the name and extension that
        // follow it are the rest of the text.
        m_cSlash = '/';
        m_nNameLength = static_cast<uint32_t>(parts.name.size());
        m_strPath += text;
    } else {
        Normalise({}, parts, true);
    }
}

void CFilePath::SetExt(std::string_view ext) {
    MakePathWith(&PartViews::ext, (ext.empty() || ext.front() == '.') ? std::string(ext) : "." + std::string(ext));
}

// ---- getting -------------------------------------------------------------

const std::string& CFilePath::MakePath() {
    Normalise({}, Parts(), true);
    return m_strPath;
}

void CFilePath::MakePathWith(std::string_view PartViews::*part, std::string_view value) {
    PartViews parts = Parts();
    parts.*part = value;
    Normalise({}, parts, true);
}

void CFilePath::Normalise(std::string path, const PartViews& parts, bool join) {
    std::string dir(parts.dir);
    m_cSlash = FixDirSlash(parts.drive, dir);
    if (m_cSlash == '\\') {
        // A network path has no drive.
        path = AppendSlash(dir, '\\');
        path.append(parts.name).append(parts.ext);
    } else {
        if (join) platform::AppendPathText(path, parts.drive, dir, parts.name, parts.ext);
        FixSlash(path, m_cSlash);
    }
    Assign(std::move(path), {parts.drive, dir, parts.name, parts.ext});
}

void CFilePath::Assign(std::string path, const PartViews& parts) {
    // Made before anything is stored: the parts may be views of what is.
    std::unique_ptr<SeparateParts> separate;
    if (!parts.drive.empty() || !Spells(path, parts.dir, parts.name, parts.ext)) {
        separate = std::make_unique<SeparateParts>();
        separate->drive = parts.drive;
        separate->text.reserve(parts.dir.size() + parts.name.size() + parts.ext.size());
        separate->text.append(parts.dir).append(parts.name).append(parts.ext);
    }
    m_nDirLength = static_cast<uint32_t>(parts.dir.size());
    m_nNameLength = static_cast<uint32_t>(parts.name.size());
    m_strPath = std::move(path);
    m_pParts = std::move(separate);
}

CFilePath::PartViews CFilePath::Parts() const {
    const std::string_view text = m_pParts ? std::string_view(m_pParts->text) : std::string_view(m_strPath);
    const std::string_view dir = Span(text, 0, m_nDirLength);
    const std::string_view name = Span(text, dir.size(), m_nNameLength);
    return {GetDrive(), dir, name, Span(text, dir.size() + name.size(), std::string_view::npos)};
}

const std::string& CFilePath::GetDrive() const {
    static const std::string none;
    return m_pParts ? m_pParts->drive : none;
}

std::string CFilePath::GetDir(bool removeSlash) const {
    const std::string_view dir = Parts().dir;
    return removeSlash ? RemoveSlash(dir) : std::string(dir);
}

std::string CFilePath::GetDriveAndDir() const {
    const PartViews parts = Parts();
    std::string text(parts.drive);
    return text.append(parts.dir);
}

std::string CFilePath::GetFileName(bool withExt) const {
    const PartViews parts = Parts();
    std::string name(parts.name);
    return withExt ? name.append(parts.ext) : name;
}

std::string CFilePath::GetExt(bool lower, bool withoutDot) const {
    const std::string_view mine = Parts().ext;
    const std::string ext = withoutDot ? WithoutLeadingDot(mine) : std::string(mine);
    return lower ? ToLowerAscii(ext) : ext;
}

bool CFilePath::IsEqualExt(std::string_view ext, bool ignoreCase) const {
    const std::string mine = WithoutLeadingDot(Parts().ext);
    const std::string theirs = WithoutLeadingDot(ext);
    return ignoreCase ? EqualsNoCase(mine, theirs) : mine == theirs;
}

std::string CFilePath::GetTailDir() const { return CStringTokenizer(Parts().dir).GetPrev(kSeparators); }

std::string CFilePath::GetDisplayPathName() const {
    for (const char* word : {"My Pictures", "My Documents", "Desktop"}) {
        const size_t at = m_strPath.find(word);
        if (at != std::string::npos) return "../" + m_strPath.substr(at);
    }
    return m_strPath;
}

// ---- status --------------------------------------------------------------

bool CFilePath::IsValidAttr() const {
    return m_status.attributes != 0 && m_status.attributes != platform::kInvalidFileAttributes;
}

void CFilePath::Length(std::string_view decimal) {
    const int64_t size = ParseInt64(decimal);
    m_status.size = size > 0 ? static_cast<uint64_t>(size) : 0;
}

bool CFilePath::IsValid() const {
    return !m_strPath.empty() &&
           (m_status.creationTime != 0 || m_status.lastAccessTime != 0 || m_status.lastWriteTime != 0);
}

// ---- file system ---------------------------------------------------------

bool CFilePath::ReadStatus() {
    m_status.attributes = 0;
    return QueryStatus(m_strPath, m_status);
}

bool CFilePath::FixByReadStatus() {
    if (!ReadStatus()) return false;
    if (IsDirectory()) {
        CFilePath folder(m_strPath, PATH_FOLDER);
        folder.m_status = m_status;
        MovePath(folder);
    }
    return true;
}

bool CFilePath::IsExistsFile() { return ReadStatus() && !IsDirectory(); }

bool CFilePath::IsExistsDirectory() const { return IsExistsDirectory(GetDriveAndDir()); }

bool CFilePath::IsExistsFile(std::string_view text) {
    platform::FileStatus status;
    return QueryStatus(text, status) &&
           (status.attributes & (platform::FileAttrDirectory | platform::FileAttrVolume)) == 0;
}

bool CFilePath::IsExistsDirectory(std::string_view text) {
    platform::FileStatus status;
    return QueryStatus(text, status) && (status.attributes & platform::FileAttrDirectory) != 0;
}

bool CFilePath::DeleteFileW(std::string_view text) { return !text.empty() && platform::DeleteFile(text); }

bool CFilePath::RenameFile(std::string_view name) {
    if (m_strPath.empty() || name.empty()) return false;
    CFilePath renamed(*this);
    renamed.SetFileNameAndExt(name);
    if (!platform::RenameFile(m_strPath, renamed.m_strPath)) return false;
    MovePath(renamed);
    return true;
}

bool CFilePath::CreateDirectoryW() const {
    if (IsExistsDirectory()) return true;
    const std::string folder = StatusText(GetDriveAndDir());
    // Another session of the job may make the same folder at the same time.
    return !folder.empty() && (platform::CreateDirectory(folder) || IsExistsDirectory());
}

bool CFilePath::CreateFolder() const {
    if (IsExistsDirectory()) return true;
    CFilePath level(*this);
    level.SetDir("/");
    CStringTokenizer names(RemoveSlash(Parts().dir));
    if (IsNetwork()) level.SetDir("\\\\" + names.GetToken(kSeparators));
    for (std::string name = names.GetToken(kSeparators); !name.empty(); name = names.GetToken(kSeparators)) {
        level.SetDir(level.GetDir() + name + "/");
        if (!level.CreateDirectoryW()) return false;
    }
    return true;
}

// ---- directory arithmetic ------------------------------------------------

bool CFilePath::AppendDir(std::string_view dir) {
    MakePathWith(&PartViews::dir, AppendSlash(Parts().dir, '/') + AppendSlash(dir, '/'));
    return true;
}

bool CFilePath::AddFolder(const CFilePath& path) {
    const std::vector<std::string> levels = DirLevels(path.Parts().dir);
    if (levels.empty()) return false;
    std::string dir = AppendSlash(Parts().dir, '/') + AppendSlash(levels.back(), '/');
    if (dir.size() == 2) dir.clear();
    MakePathWith(&PartViews::dir, dir);
    return true;
}

bool CFilePath::SubstructDir(const CFilePath& path) {
    const std::string_view other = path.Parts().dir;
    const std::string_view mine = Parts().dir;
    size_t shared = 0;
    while (shared < other.size() && shared < mine.size() && mine[shared] == other[shared]) ++shared;
    if (shared > 0) MakePathWith(&PartViews::dir, mine.substr(shared));
    return true;
}

bool CFilePath::UpDir() {
    CStringTokenizer dir(Parts().dir);
    const bool dropped = !dir.GetPrev(kSeparators).empty();
    SetDir(dir.str());
    return dropped;
}

bool CFilePath::IsParent(const CFilePath& path) const {
    const std::vector<std::string> mine = DirLevels(Parts().dir);
    const std::vector<std::string> theirs = DirLevels(path.Parts().dir);
    if (theirs.size() != mine.size() + 1) return false;
    for (size_t i = 0; i < mine.size(); ++i) {
        if (!EqualsNoCase(mine[i], theirs[i])) return false;
    }
    return true;
}

void CFilePath::SplitSubfolders(CFilePathList& list) const {
    for (const std::string& level : DirLevels(Parts().dir)) {
        auto* sub = new CFilePath(*this);
        sub->SetDir("/" + level);
        list.Add(sub);
    }
}

void CFilePath::MakeSubfolders(const CFilePathList& list) {
    std::string dir;
    for (const CFilePath* sub : list) dir += sub->Parts().dir;
    MakePathWith(&PartViews::dir, dir);
}

bool CFilePath::IsMadeFolder() const {
    // What MakePath leaves alone: parts that spell the text (so no drive),
    // no file name, and a directory in "/" only that starts and ends with
    // one and never has two in a row.
    if (m_pParts) return false;
    const PartViews parts = Parts();
    const std::string_view dir = parts.dir;
    return parts.name.empty() && parts.ext.empty() && !dir.empty() && dir.front() == '/' && dir.back() == '/' &&
           dir.find('\\') == std::string_view::npos && dir.find("//") == std::string_view::npos;
}

bool CFilePath::HasSeparator(std::string_view text) {
    return text.find('/') != std::string_view::npos || text.find('\\') != std::string_view::npos;
}

bool CFilePath::IsNetwork() const {
    const PartViews parts = Parts();
    return IsNetworkParts(parts.drive, parts.dir);
}

void CFilePath::FixSlash() { Normalise(m_strPath, Parts(), false); }

void CFilePath::FixSlash(std::string& text, char slash) {
    // Most texts are right already (one kind of separator, never two in a
    // row): they are left as they are, without building a copy. Every path
    // made passes here, so the check is two library scans.
    const char other = slash == '/' ? '\\' : '/';
    const char twice[] = {slash, slash};
    const std::string_view view(text);
    if (view.find(other) == std::string_view::npos && view.find(std::string_view(twice, 2)) == std::string_view::npos)
        return;
    std::string fixed;
    fixed.reserve(text.size());
    for (const char c : text) {
        if (!IsSlash(c)) {
            fixed += c;
        } else if (fixed.empty() || fixed.back() != slash) {
            fixed += slash;
        }
    }
    text.swap(fixed);
}

void CFilePath::SplitPath(std::string_view text, std::string& drive, std::string& dir, std::string& name,
                          std::string& ext) {
    platform::PathParts parts = platform::SplitPathText(text);
    drive = std::move(parts.drive);
    dir = std::move(parts.dir);
    name = std::move(parts.name);
    ext = std::move(parts.ext);
}

void CFilePath::MakePath(std::string& out, std::string_view drive, std::string_view dir, std::string_view name,
                         std::string_view ext) {
    out = platform::MakePathText(drive, dir, name, ext);
}

// ---- file types ----------------------------------------------------------

bool CFilePath::IsExtOneOf(std::initializer_list<std::string_view> extensions) const {
    const std::string_view mine = Parts().ext;
    for (const std::string_view ext : extensions) {
        if (EqualsNoCase(mine, ext)) return true;
    }
    return false;
}

bool CFilePath::IsHTML() const { return IsExtOneOf({".html", ".htm"}); }
bool CFilePath::IsAudio() const { return IsExtOneOf({".wav", ".mp3", ".aiff", ".au", ".snd", ".wave"}); }
bool CFilePath::IsMovie() const { return IsExtOneOf({".mov", ".mp4", ".avi"}); }
bool CFilePath::IsIMAGE() const {
    return IsExtOneOf({".png", ".TIF", ".TIFF", ".JPEG", ".JPG", ".GIF"}) || IsBMP() || IsNEF();
}
bool CFilePath::IsNEF() const { return IsExtOneOf({".nef"}); }
bool CFilePath::IsPNG() const { return IsExtOneOf({".png"}); }
bool CFilePath::IsTIF() const { return IsExtOneOf({".TIF", ".TIFF"}); }
bool CFilePath::IsJPEG() const { return IsExtOneOf({".JPEG", ".JPG"}); }
bool CFilePath::IsGIF() const { return IsExtOneOf({".GIF"}); }
bool CFilePath::IsBMP() const { return IsExtOneOf({".BMP", ".PCX"}); }
bool CFilePath::IsBIN() const { return IsExtOneOf({".BIN"}); }
bool CFilePath::IsTXT() const { return IsExtOneOf({".TXT"}); }

// ---- CFtpPath ------------------------------------------------------------

CFtpPath& CFtpPath::operator=(const CFilePath& other) {
    Copy(other);
    return *this;
}

CFtpPath& CFtpPath::operator=(const CFileRecFind& entry) {
    Copy(entry);
    return *this;
}

CObj* CFtpPath::CreateObject() const { return new CFtpPath(); }

void CFtpPath::MakeFtpRoot() {
    Clear();
    MakePathWith(&PartViews::dir, "/");
}

std::string CFtpPath::GetFtpDir(bool withSlashes) const {
    std::string dir(Parts().dir);
    FixSlash(dir, '/');
    if (!withSlashes) return RemoveSlash(dir);
    if (dir.empty()) return "/";
    if (!IsSlash(dir.front())) dir.insert(dir.begin(), '/');
    return AppendSlash(dir, '/');
}

}  // namespace velmora
