#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "objects/obj.h"
#include "platform/api.h"
#include "platform/file_system.h"

namespace velmora {

class CFileRecFind;
class CFilePathList;
class CStringTokenizer;

// How SplitPath reads a path text. Values from 2 upward belong to the code
// that sets them: they are stored, copied and written, never interpreted here.
enum _PathType : int32_t {
    PATH_LITERAL = 0,  // what follows the last separator is the file name
    PATH_FOLDER = 1,   // the whole text is a folder
    PATH_PROBE = 3,    // literal, re-read as a folder when the file system says so
};

// One file or folder: the full path text, its four parts, the separator in
// use, and the status block (attributes, three times, 64-bit size) as a
// directory listing or a status query gives it. Local paths are held with
// "/" separators, network paths ("\\srv\share\...") with "\".
//
// A job holds one of these per file, so the text is kept once: the parts
// are spans of the path text, given by their lengths, whenever they spell
// it (drive empty, path = dir + name + ext). Only the others (a drive, a
// relative text, a folder named without its last separator, parts read as
// stored) keep the parts' text apart.
class VELMORA_API CFilePath : public CObj {
public:
    using StatusBlock = platform::FileStatus;

    CFilePath();
    explicit CFilePath(std::string_view text, _PathType type = PATH_LITERAL);
    // A copy or a move is a new object: the CObj fields start afresh.
    CFilePath(const CFilePath& other);
    CFilePath(CFilePath&& other) noexcept;
    explicit CFilePath(const CFileRecFind& entry);
    ~CFilePath() override;

    CFilePath& operator=(const CFilePath& other);
    // Takes the other's path and leaves it cleared; the CObj fields stay.
    CFilePath& operator=(CFilePath&& other) noexcept;
    CFilePath& operator=(const CFileRecFind& entry);

    // CObj protocol.
    CObj* CreateObject() const override;
    void Clear() override;
    // Copies the path text and its parts, separator, icon, path type and
    // status block; not the CObj fields.
    void Copy(const CObj& src) override;
    // Drive, dir, file name and extension, ignoring case.
    bool IsEqual(const CObj& other) const override;
    void WriteXMLAttr(std::string& out) const override;
    std::string XMLObject() const override;
    using CObj::ReadXMLAttr;
    bool ReadXMLAttr(const std::string& name, const std::string& value) override;
    using CObj::ReadXML;
    virtual bool ReadXML(CStringTokenizer& text);

    // The path rebuilt from its parts.
    explicit operator std::string();

    // Fills the record from one listing entry (local or FTP).
    virtual void Copy(const CFileRecFind& entry);
    // Directories equal ignoring case, "\" and "/" alike.
    virtual bool IsEqualDir(const CFilePath& other) const;

    // Setting; every setter ends by rebuilding the path text.
    void SplitPath(std::string_view text, _PathType type);
    void SetPath(std::string_view text, _PathType type = PATH_LITERAL) { SplitPath(text, type); }
    void SetPath(std::string_view dir, std::string_view name);
    void SetDrive(std::string_view drive);
    void SetDrive(char letter);
    void SetDir(std::string_view dir);
    void SetFileName(std::string_view name);
    // Splits at the first "."; a text without one (or starting with one) is
    // all file name and leaves the extension as it was.
    void SetFileNameAndExt(std::string_view text);
    void SetExt(std::string_view ext);
    _PathType GetPathType() const { return m_PathType; }
    void SetPathType(_PathType type) { m_PathType = type; }

    // Getting.
    const std::string& GetPath() const { return m_strPath; }
    const std::string& MakePath();
    const std::string& GetDrive() const;
    std::string GetDir(bool removeSlash = false) const;
    std::string GetDriveAndDir() const;
    std::string GetFileName(bool withExt = true) const;
    std::string GetExt(bool lower = false, bool withoutDot = false) const;
    bool IsEqualExt(std::string_view ext, bool ignoreCase = true) const;
    std::string GetTailDir() const;
    std::string GetURL() const { return "file://" + m_strPath; }
    // POSIX has no short names: the path itself.
    std::string GetShortPathNameW() const { return m_strPath; }
    std::string GetDisplayPathName() const;
    char GetSlash() const { return m_cSlash; }
    bool IsEmpty() const { return m_strPath.empty(); }
    static bool IsSlash(char c) { return c == '/' || c == '\\'; }

    // Status block.
    uint32_t GetAttr() const { return m_status.attributes; }
    void SetAttr(uint32_t attributes) { m_status.attributes = attributes; }
    void SetAttr(const CFileRecFind& entry);
    void AddAttr(uint32_t bits) { m_status.attributes |= bits; }
    bool MatchesMask(uint32_t bits) const { return (m_status.attributes & bits) != 0; }
    bool IsValidAttr() const;
    bool IsReadOnly() const { return MatchesMask(platform::FileAttrReadOnly); }
    bool IsHidden() const { return MatchesMask(platform::FileAttrHidden); }
    bool IsSystem() const { return MatchesMask(platform::FileAttrSystem); }
    bool IsDirectory() const { return MatchesMask(platform::FileAttrDirectory); }
    bool IsArchived() const { return MatchesMask(platform::FileAttrArchive); }
    bool IsNormal() const { return MatchesMask(platform::FileAttrNormal); }
    bool IsTemporary() const { return MatchesMask(platform::FileAttrTemporary); }
    bool IsCompressed() const { return MatchesMask(platform::FileAttrCompressed); }
    void CopyFileAttributes(const CFilePath& other) { m_status = other.m_status; }
    const StatusBlock& GetStatusBlock() const { return m_status; }
    void SetStatusBlock(const StatusBlock& status) { m_status = status; }
    uint64_t Length() const { return m_status.size; }
    void Length(uint64_t size) { m_status.size = size; }
    // A decimal text; anything that is not a non-negative number gives 0.
    void Length(std::string_view decimal);
    uint32_t FileSizeHigh() const { return static_cast<uint32_t>(m_status.size >> 32); }
    uint32_t FileSizeLow() const { return static_cast<uint32_t>(m_status.size); }
    uint64_t CreationTime() const { return m_status.creationTime; }
    void CreationTime(uint64_t fileTime) { m_status.creationTime = fileTime; }
    uint64_t LastAccessTime() const { return m_status.lastAccessTime; }
    void LastAccessTime(uint64_t fileTime) { m_status.lastAccessTime = fileTime; }
    uint64_t LastWriteTime() const { return m_status.lastWriteTime; }
    void LastWriteTime(uint64_t fileTime) { m_status.lastWriteTime = fileTime; }
    int Icon() const { return m_nIcon; }
    void Icon(int index) { m_nIcon = index; }
    // A path text and at least one known time.
    bool IsValid() const;

    // File system. Queries on an empty path answer false at once.
    bool ReadStatus();
    bool FixByReadStatus();
    bool IsExists() { return ReadStatus(); }
    bool IsExistsFile();
    // Whether the folder that holds this path exists.
    bool IsExistsDirectory() const;
    bool IsFile() const { return IsExistsFile(m_strPath); }
    bool IsFolder() const { return IsExistsDirectory(m_strPath); }
    static bool IsExistsFile(std::string_view text);
    static bool IsExistsDirectory(std::string_view text);
    bool DeleteFileW() const { return DeleteFileW(m_strPath); }
    static bool DeleteFileW(std::string_view text);
    // Renames the file in its folder; `name` is the new name with extension.
    bool RenameFile(std::string_view name);
    bool CreateDirectoryW() const;
    bool CreateFolder() const;

    // Directory arithmetic.
    bool AppendDir(std::string_view dir);
    bool AppendDir(const CFilePath& path) { return AppendDir(path.Parts().dir); }
    bool AddFolder(const CFilePath& path);
    bool SubstructDir(const CFilePath& path);
    bool UpDir();
    bool IsParent(const CFilePath& path) const;
    void SplitSubfolders(CFilePathList& list) const;
    void MakeSubfolders(const CFilePathList& list);
    bool IsNetwork() const;
    void FixSlash();
    static void FixSlash(std::string& text, char slash);

    // The four-part split and join of a path text.
    static void SplitPath(std::string_view text, std::string& drive, std::string& dir, std::string& name,
                          std::string& ext);
    static void MakePath(std::string& out, std::string_view drive, std::string_view dir, std::string_view name,
                         std::string_view ext);

    // File types by extension, ignoring case.
    bool IsHTML() const;
    bool IsAudio() const;
    bool IsMovie() const;
    bool IsIMAGE() const;
    bool IsNEF() const;
    bool IsPNG() const;
    bool IsTIF() const;
    bool IsJPEG() const;
    bool IsGIF() const;
    bool IsBMP() const;
    bool IsBIN() const;
    bool IsTXT() const;

protected:
    // The four parts, as views of the text that holds them: valid until
    // the path next changes.
    struct PartViews {
        std::string_view drive, dir, name, ext;
    };
    PartViews Parts() const;

    bool IsExtOneOf(std::initializer_list<std::string_view> extensions) const;
    // Member by member, without the type check of Copy.
    void CopyPath(const CFilePath& other);
    // The same taking the other's texts; leaves it cleared.
    void MovePath(CFilePath& other);
    // Path type, icon, part lengths, separator and status block.
    void CopyNonText(const CFilePath& other);
    // Stores `path` and the parts, which may be views of the ones held now;
    // the directory is first made to use the separator of its kind, and the
    // path text is either joined from the parts or, without `join`, kept
    // with its separators made the same.
    void Normalise(std::string path, const PartViews& parts, bool join);
    // Stores `path` and the parts as they are (they may be views of the
    // ones held now).
    void Assign(std::string path, const PartViews& parts);
    // One part replaced (`value` may be a view of what is held) and the
    // path made again.
    void MakePathWith(std::string_view PartViews::*part, std::string_view value);
    // A folder's path (no file name or extension) as MakePath makes it.
    bool IsMadeFolder() const;
    static bool HasSeparator(std::string_view text);

    // The parts' text when it is not the path text itself.
    struct SeparateParts {
        std::string drive;
        std::string text;  // dir, file name and extension, one after the other
    };

    _PathType m_PathType = PATH_LITERAL;
    int m_nIcon = -1;
    uint32_t m_nDirLength = 0;
    uint32_t m_nNameLength = 0;  // the extension is the rest of the parts' text
    std::string m_strPath;
    std::unique_ptr<SeparateParts> m_pParts;  // null while the parts spell m_strPath
    char m_cSlash = '/';
    StatusBlock m_status;
};

// A path on an FTP server: the same record with FTP-style directory getters.
class VELMORA_API CFtpPath : public CFilePath {
public:
    CFtpPath() = default;
    explicit CFtpPath(std::string_view text, _PathType type = PATH_LITERAL) : CFilePath(text, type) {}
    CFtpPath(const CFtpPath& other) = default;
    CFtpPath(CFtpPath&& other) noexcept = default;
    explicit CFtpPath(const CFilePath& other) : CFilePath(other) {}
    explicit CFtpPath(const CFileRecFind& entry) : CFilePath(entry) {}

    CFtpPath& operator=(const CFtpPath& other) = default;
    CFtpPath& operator=(CFtpPath&& other) noexcept = default;
    CFtpPath& operator=(const CFilePath& other);
    CFtpPath& operator=(const CFileRecFind& entry);

    CObj* CreateObject() const override;

    bool IsFtpRoot() const {
        const std::string_view dir = Parts().dir;
        return dir.empty() || dir == "/";
    }
    void MakeFtpRoot();
    // The directory with "/" separators; without the flag the trailing
    // separator is removed (the root gives ""), with it the text is "/"
    // for the root and otherwise starts and ends with "/".
    std::string GetFtpDir(bool withSlashes = true) const;
    std::string GetFtpPath() const { return GetFtpDir(true) + GetFileName(true); }
    std::string GetFtpPathName() const { return GetFtpPath(); }
};

}  // namespace velmora
