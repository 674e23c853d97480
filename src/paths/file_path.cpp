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

CFilePath::CFilePath(const CFileRecFind& entry) { Copy(entry); }

CFilePath::~CFilePath() = default;

CFilePath& CFilePath::operator=(const CFilePath& other) {
    if (this != &other) Copy(other);
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
    m_strDrive.clear();
    m_strDir.clear();
    m_strFileName.clear();
    m_strExt.clear();
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
    m_PathType = other.m_PathType;
    m_strPath = other.m_strPath;
    m_strDrive = other.m_strDrive;
    m_strDir = other.m_strDir;
    m_strFileName = other.m_strFileName;
    m_strExt = other.m_strExt;
    m_nIcon = other.m_nIcon;
    m_status = other.m_status;
}

bool CFilePath::IsEqual(const CObj& other) const {
    const auto* path = dynamic_cast<const CFilePath*>(&other);
    return path && EqualsNoCase(m_strDrive, path->m_strDrive) && EqualsNoCase(m_strDir, path->m_strDir) &&
           EqualsNoCase(m_strFileName, path->m_strFileName) && EqualsNoCase(m_strExt, path->m_strExt);
}

void CFilePath::WriteXMLAttr(std::string& out) const {
    out += XMLAttr("path", m_strPath);
    out += XMLAttr("drive", m_strDrive);
    out += XMLAttr("dir", m_strDir);
    out += XMLAttr("filename", m_strFileName);
    out += XMLAttr("ext", m_strExt);
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
    if (key == "path") {
        m_strPath = value;
    } else if (key == "drive") {
        m_strDrive = value;
    } else if (key == "dir") {
        m_strDir = value;
    } else if (key == "filename") {
        m_strFileName = value;
    } else if (key == "ext") {
        m_strExt = value;
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
    std::string mine = m_strDir;
    std::string theirs = other.m_strDir;
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
    m_strDrive.clear();
    m_strDir.clear();
    m_strFileName.clear();
    m_strExt.clear();
    if (type == PATH_FOLDER) {
        // A made-up file name makes the whole text land in the directory.
        SplitPath(AppendSlash(s, '/') + "a.a", m_strDrive, m_strDir, m_strFileName, m_strExt);
        m_strFileName.clear();
        m_strExt.clear();
    } else {
        SplitPath(s, m_strDrive, m_strDir, m_strFileName, m_strExt);
    }
    m_strPath = s;
    FixSlash();
    if (type == PATH_PROBE) FixByReadStatus();
}

void CFilePath::SetPath(std::string_view dir, std::string_view name) {
    SplitPath(AppendSlash(dir, '/') + std::string(name), PATH_LITERAL);
}

void CFilePath::SetDrive(std::string_view drive) {
    m_strDrive = drive;
    MakePath();
}

void CFilePath::SetDrive(char letter) { SetDrive(Format("%c:", letter)); }

void CFilePath::SetDir(std::string_view dir) {
    m_strDir = AppendSlash(dir, '/');
    MakePath();
}

void CFilePath::SetFileName(std::string_view name) {
    m_strFileName = name;
    MakePath();
}

void CFilePath::SetFileNameAndExt(std::string_view text) {
    // A name given to a folder's own path, as a listing does for each of
    // its files: the text the parts make is the folder's text and the name.
    const bool append = IsMadeFolder() && !HasSeparator(text);
    const size_t dot = text.find('.');
    if (dot == std::string_view::npos || dot == 0) {
        m_strFileName = text;
    } else {
        m_strFileName = text.substr(0, dot);
        m_strExt = text.substr(dot);
    }
    if (append) {
        m_cSlash = '/';
        m_strPath += text;
    } else {
        MakePath();
    }
}

void CFilePath::SetExt(std::string_view ext) {
    m_strExt = (ext.empty() || ext.front() == '.') ? std::string(ext) : "." + std::string(ext);
    MakePath();
}

// ---- getting -------------------------------------------------------------

// Every setter ends here, so the text is rebuilt in its own room and the
// directory checked once: fixing it again after the join would change nothing.
const std::string& CFilePath::MakePath() {
    const bool network = FixDirSlash();
    m_strPath.clear();
    platform::AppendPathText(m_strPath, m_strDrive, m_strDir, m_strFileName, m_strExt);
    FixPathSlash(network);
    return m_strPath;
}

std::string CFilePath::GetDir(bool removeSlash) const { return removeSlash ? RemoveSlash(m_strDir) : m_strDir; }

std::string CFilePath::GetFileName(bool withExt) const { return withExt ? m_strFileName + m_strExt : m_strFileName; }

std::string CFilePath::GetExt(bool lower, bool withoutDot) const {
    const std::string ext = withoutDot ? WithoutLeadingDot(m_strExt) : m_strExt;
    return lower ? ToLowerAscii(ext) : ext;
}

bool CFilePath::IsEqualExt(std::string_view ext, bool ignoreCase) const {
    const std::string mine = WithoutLeadingDot(m_strExt);
    const std::string theirs = WithoutLeadingDot(ext);
    return ignoreCase ? EqualsNoCase(mine, theirs) : mine == theirs;
}

std::string CFilePath::GetTailDir() const { return CStringTokenizer(m_strDir).GetPrev(kSeparators); }

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
        Copy(folder);
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
    Copy(renamed);
    return true;
}

bool CFilePath::CreateDirectoryW() const {
    if (IsExistsDirectory()) return true;
    const std::string folder = StatusText(GetDriveAndDir());
    return !folder.empty() && platform::CreateDirectory(folder);
}

bool CFilePath::CreateFolder() const {
    if (IsExistsDirectory()) return true;
    CFilePath level(*this);
    level.SetDir("/");
    CStringTokenizer names(RemoveSlash(m_strDir));
    if (IsNetwork()) level.SetDir("\\\\" + names.GetToken(kSeparators));
    for (std::string name = names.GetToken(kSeparators); !name.empty(); name = names.GetToken(kSeparators)) {
        level.SetDir(level.m_strDir + name + "/");
        if (!level.CreateDirectoryW()) return false;
    }
    return true;
}

// ---- directory arithmetic ------------------------------------------------

bool CFilePath::AppendDir(std::string_view dir) {
    m_strDir = AppendSlash(m_strDir, '/') + AppendSlash(dir, '/');
    MakePath();
    return true;
}

bool CFilePath::AddFolder(const CFilePath& path) {
    const std::vector<std::string> levels = DirLevels(path.m_strDir);
    if (levels.empty()) return false;
    m_strDir = AppendSlash(m_strDir, '/') + AppendSlash(levels.back(), '/');
    if (m_strDir.size() == 2) m_strDir.clear();
    MakePath();
    return true;
}

bool CFilePath::SubstructDir(const CFilePath& path) {
    const std::string& other = path.m_strDir;
    size_t shared = 0;
    while (shared < other.size() && shared < m_strDir.size() && m_strDir[shared] == other[shared]) ++shared;
    if (shared > 0) {
        m_strDir.erase(0, shared);
        MakePath();
    }
    return true;
}

bool CFilePath::UpDir() {
    CStringTokenizer dir(m_strDir);
    const bool dropped = !dir.GetPrev(kSeparators).empty();
    SetDir(dir.str());
    return dropped;
}

bool CFilePath::IsParent(const CFilePath& path) const {
    const std::vector<std::string> mine = DirLevels(m_strDir);
    const std::vector<std::string> theirs = DirLevels(path.m_strDir);
    if (theirs.size() != mine.size() + 1) return false;
    for (size_t i = 0; i < mine.size(); ++i) {
        if (!EqualsNoCase(mine[i], theirs[i])) return false;
    }
    return true;
}

void CFilePath::SplitSubfolders(CFilePathList& list) const {
    for (const std::string& level : DirLevels(m_strDir)) {
        auto* sub = new CFilePath(*this);
        sub->SetDir("/" + level);
        list.Add(sub);
    }
}

void CFilePath::MakeSubfolders(const CFilePathList& list) {
    std::string dir;
    for (const CFilePath* sub : list) dir += sub->m_strDir;
    m_strDir = dir;
    MakePath();
}

bool CFilePath::IsMadeFolder() const {
    // What MakePath leaves alone: a drive ending in ":" (or none), a
    // directory in "/" only that starts and ends with one and never has two
    // in a row, no file name, and the path text those two joined.
    if (!m_strFileName.empty() || !m_strExt.empty()) return false;
    const std::string_view dir(m_strDir);
    const std::string_view drive(m_strDrive);
    return !dir.empty() && dir.front() == '/' && dir.back() == '/' && dir.find('\\') == std::string_view::npos &&
           dir.find("//") == std::string_view::npos &&
           (drive.empty() || (drive.back() == ':' && !HasSeparator(drive))) &&
           m_strPath.size() == drive.size() + dir.size() && m_strPath.starts_with(drive) && m_strPath.ends_with(dir);
}

bool CFilePath::HasSeparator(std::string_view text) {
    return text.find('/') != std::string_view::npos || text.find('\\') != std::string_view::npos;
}

bool CFilePath::IsNetwork() const { return m_strDrive.empty() && m_strDir.starts_with("\\\\"); }

void CFilePath::FixSlash() { FixPathSlash(FixDirSlash()); }

bool CFilePath::FixDirSlash() {
    const bool network = IsNetwork();
    m_cSlash = network ? '\\' : '/';
    if (m_strDir.empty()) {
        m_strDir = std::string(1, m_cSlash);
    } else if (!IsSlash(m_strDir.front())) {
        m_strDir.insert(m_strDir.begin(), m_cSlash);
    }
    FixSlash(m_strDir, m_cSlash);
    // Collapsing took one of the two leading separators.
    if (network) m_strDir.insert(m_strDir.begin(), '\\');
    return network;
}

void CFilePath::FixPathSlash(bool network) {
    if (network) {
        m_strPath = m_strDrive + AppendSlash(m_strDir, '\\') + m_strFileName + m_strExt;
    } else {
        FixSlash(m_strPath, m_cSlash);
    }
}

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
    for (const std::string_view ext : extensions) {
        if (EqualsNoCase(m_strExt, ext)) return true;
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
    m_strDir = "/";
    MakePath();
}

std::string CFtpPath::GetFtpDir(bool withSlashes) const {
    std::string dir = m_strDir;
    FixSlash(dir, '/');
    if (!withSlashes) return RemoveSlash(dir);
    if (dir.empty()) return "/";
    if (!IsSlash(dir.front())) dir.insert(dir.begin(), '/');
    return AppendSlash(dir, '/');
}

}  // namespace velmora
