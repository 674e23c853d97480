#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/api.h"

// The file-system services the library uses: status of a path, directory
// enumeration, and the few operations on files and folders. Every call
// answers false with a readable reason instead of throwing. Paths are POSIX
// texts; a network text ("\\srv\share\...") is refused until the caller
// has mapped the share to a local folder.
namespace velmora::platform {

// The attribute word of a file status, in the bit layout the stored formats use.
enum FileAttribute : uint32_t {
    FileAttrReadOnly = 0x1,
    FileAttrHidden = 0x2,
    FileAttrSystem = 0x4,
    FileAttrVolume = 0x8,
    FileAttrDirectory = 0x10,
    FileAttrArchive = 0x20,
    FileAttrNormal = 0x80,
    FileAttrTemporary = 0x100,
    FileAttrReparsePoint = 0x400,  // a symbolic link
    FileAttrCompressed = 0x800,
};
inline constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFF;

// Times are in 100-ns units since 1601-01-01 UTC. The creation time is the
// birth time where the file system records it, otherwise the change time.
struct VELMORA_API FileStatus {
    uint32_t attributes = 0;
    uint64_t creationTime = 0;
    uint64_t lastAccessTime = 0;
    uint64_t lastWriteTime = 0;
    uint64_t size = 0;
};

// A path text the file system may be given: not empty, and not a network
// text that has not been mapped to a local folder. False with the reason.
VELMORA_API bool IsUsablePath(std::string_view path, std::string* error = nullptr);

// The status of what the path names, following symbolic links. A dangling
// link answers with the status of the link itself. False when nothing is
// there (or the path is empty).
VELMORA_API bool GetFileStatus(std::string_view path, FileStatus& status, std::string* error = nullptr);

// The path itself is a symbolic link (whatever it points at).
VELMORA_API bool IsSymbolicLink(std::string_view path);
// The first folder of `path` below `root` (not `root` itself, nor the last
// name of `path`) that is a symbolic link, in `link`; false when there is
// none. What a transfer writes below a destination must not go through a
// link someone put there to another place.
VELMORA_API bool FindLinkBelow(std::string_view root, std::string_view path, std::string& link);
// The absolute path with every link resolved; empty when it cannot be.
VELMORA_API std::string RealPath(std::string_view path);

struct VELMORA_API DirEntry {
    std::string name;
    FileStatus status;
    // The entry is a symbolic link; `status` describes its target. Tree
    // walkers use this to avoid descending into linked folders.
    bool isSymlink = false;
};

// Reads a folder's entries one at a time (not "." and ".."), in the order
// the file system gives them, so that a folder of a million names is never
// held whole. An entry that vanishes between its name and its status is
// left out.
class VELMORA_API DirectoryReader {
public:
    DirectoryReader();
    ~DirectoryReader();
    DirectoryReader(const DirectoryReader&) = delete;
    DirectoryReader& operator=(const DirectoryReader&) = delete;

    // Starts reading `folder`; false, with the reason in Error(), when it
    // cannot be read.
    bool Open(std::string_view folder);
    // The next entry; false at the end, or when reading failed on the way
    // (Error() then says why).
    bool Next(DirEntry& entry);
    void Close();
    const std::string& Error() const { return m_strError; }

private:
    struct State;
    std::unique_ptr<State> m_pState;
    std::string m_strError;
};

// Every entry of the folder (not "." and ".."), in the order the file system
// gives them. False when the folder cannot be read.
VELMORA_API bool ListDirectory(std::string_view folder, std::vector<DirEntry>& entries,
                               std::string* error = nullptr);

// Deletes a file (not a folder).
VELMORA_API bool DeleteFile(std::string_view path, std::string* error = nullptr);
// Removes an empty folder (not a file, not a folder with anything in it).
VELMORA_API bool RemoveDirectory(std::string_view path, std::string* error = nullptr);
// Moves `from` to `to`; refuses to replace an existing `to`.
VELMORA_API bool RenameFile(std::string_view from, std::string_view to, std::string* error = nullptr);
// Creates one folder level; fails when it exists or its parent is missing.
VELMORA_API bool CreateDirectory(std::string_view path, std::string* error = nullptr);
// Sets a file's last access and last write time (100-ns units since 1601, UTC).
VELMORA_API bool SetLastWriteTime(std::string_view path, uint64_t fileTime, std::string* error = nullptr);

}  // namespace velmora::platform
