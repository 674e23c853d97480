#include "platform/file_system.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <system_error>

#include "platform/clock.h"

namespace velmora::platform {
namespace {

namespace fs = std::filesystem;

void SetError(std::string* error, std::string_view text) {
    if (error) *error = std::string(text);
}

void SetErrno(std::string* error, int code) {
    if (error) *error = std::strerror(code);
}

bool Fail(std::string* error, const std::error_code& code) {
    SetError(error, code.message());
    return false;
}

uint64_t ToFileTime(const struct statx_timestamp& t) {
    return UnixToFileTime(t.tv_sec, t.tv_nsec);
}

bool IsHiddenName(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return !name.empty() && name.front() == '.' && name != "." && name != "..";
}

uint32_t AttributesOf(const struct statx& info, std::string_view path) {
    uint32_t attributes = 0;
    if (S_ISDIR(info.stx_mode)) {
        attributes |= FileAttrDirectory;
    } else if (S_ISREG(info.stx_mode)) {
        attributes |= FileAttrArchive;
    } else {
        // Devices, pipes and sockets are not files a transfer can copy.
        attributes |= FileAttrSystem;
    }
    if ((info.stx_mode & S_IWUSR) == 0) attributes |= FileAttrReadOnly;
    if (IsHiddenName(path)) attributes |= FileAttrHidden;
    return attributes;
}

bool QueryStatus(const std::string& path, int flags, FileStatus& status, std::string* error) {
    struct statx info {};
    if (statx(AT_FDCWD, path.c_str(), flags, STATX_BASIC_STATS | STATX_BTIME, &info) != 0) {
        SetErrno(error, errno);
        return false;
    }
    status.attributes = AttributesOf(info, path);
    status.creationTime = ToFileTime((info.stx_mask & STATX_BTIME) ? info.stx_btime : info.stx_ctime);
    status.lastAccessTime = ToFileTime(info.stx_atime);
    status.lastWriteTime = ToFileTime(info.stx_mtime);
    status.size = S_ISREG(info.stx_mode) ? info.stx_size : 0;
    return true;
}

std::string Joined(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/') path += '/';
    path += name;
    return path;
}

}  // namespace

// "\\srv\share\..." texts name network shares; they reach the file system
// only after the share was mapped to a local folder, never as a relative
// name with backslashes.
bool IsUsablePath(std::string_view path, std::string* error) {
    if (path.empty()) {
        SetError(error, "Empty path");
        return false;
    }
    if (path.starts_with("\\\\")) {
        SetError(error, "Network path is not mapped to a local folder");
        return false;
    }
    return true;
}

bool GetFileStatus(std::string_view path, FileStatus& status, std::string* error) {
    status = FileStatus{};
    if (!IsUsablePath(path, error)) return false;
    const std::string text(path);
    if (QueryStatus(text, 0, status, error)) return true;
    return QueryStatus(text, AT_SYMLINK_NOFOLLOW, status, nullptr);
}

bool IsSymbolicLink(std::string_view path) {
    if (!IsUsablePath(path, nullptr)) return false;
    struct stat info {};
    return lstat(std::string(path).c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

bool FindLinkBelow(std::string_view root, std::string_view path, std::string& link) {
    std::string base(root);
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    if (path.size() <= base.size() || path.compare(0, base.size(), base) != 0 ||
        (base != "/" && path[base.size()] != '/'))
        return false;
    // Each folder between the root and the last name, in turn.
    for (size_t slash = path.find('/', base.size() + 1); slash != std::string_view::npos;
         slash = path.find('/', slash + 1)) {
        const std::string folder(path.substr(0, slash));
        if (folder.size() > base.size() && IsSymbolicLink(folder)) {
            link = folder;
            return true;
        }
    }
    return false;
}

std::string RealPath(std::string_view path) {
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(std::string(path), error);
    return error ? std::string() : real.string();
}

struct DirectoryReader::State {
    std::string folder;
    fs::directory_iterator next;
    // A step that failed after an entry was read: told once that entry is.
    std::error_code failed;
};

DirectoryReader::DirectoryReader() = default;
DirectoryReader::~DirectoryReader() = default;

bool DirectoryReader::Open(std::string_view folder) {
    Close();
    if (!IsUsablePath(folder, &m_strError)) return false;
    auto state = std::make_unique<State>();
    state->folder = std::string(folder);
    std::error_code code;
    state->next = fs::directory_iterator(fs::path(state->folder), code);
    if (code) return Fail(&m_strError, code);
    m_pState = std::move(state);
    return true;
}

bool DirectoryReader::Next(DirEntry& entry) {
    if (!m_pState) return false;
    State& state = *m_pState;
    const fs::directory_iterator end;
    while (!state.failed && state.next != end) {
        std::error_code code;
        entry.name = state.next->path().filename().string();
        entry.isSymlink = state.next->is_symlink(code);
        const bool there = GetFileStatus(Joined(state.folder, entry.name), entry.status);
        state.next.increment(state.failed);
        if (there) return true;
    }
    if (state.failed) Fail(&m_strError, state.failed);
    m_pState.reset();
    return false;
}

void DirectoryReader::Close() {
    m_pState.reset();
    m_strError.clear();
}

bool ListDirectory(std::string_view folder, std::vector<DirEntry>& entries, std::string* error) {
    entries.clear();
    DirectoryReader reader;
    bool read = reader.Open(folder);
    for (DirEntry entry; read && reader.Next(entry);) entries.push_back(std::move(entry));
    read = read && reader.Error().empty();
    if (!read && error) *error = reader.Error();
    return read;
}

bool DeleteFile(std::string_view path, std::string* error) {
    // unlink refuses folders, as a file deletion should.
    if (!IsUsablePath(path, error)) return false;
    const std::string text(path);
    if (unlink(text.c_str()) == 0) return true;
    SetErrno(error, errno);
    return false;
}

bool SetLastWriteTime(std::string_view path, uint64_t fileTime, std::string* error) {
    if (!IsUsablePath(path, error)) return false;
    constexpr uint64_t kTicksPerSecond = 10000000;
    timespec times[2];
    times[0].tv_sec = FileTimeToUnix(fileTime);
    times[0].tv_nsec = static_cast<long>(fileTime % kTicksPerSecond) * 100;
    times[1] = times[0];
    const std::string text(path);
    if (utimensat(AT_FDCWD, text.c_str(), times, 0) == 0) return true;
    SetErrno(error, errno);
    return false;
}

bool RemoveDirectory(std::string_view path, std::string* error) {
    if (!IsUsablePath(path, error)) return false;
    const std::string text(path);
    if (rmdir(text.c_str()) == 0) return true;
    SetErrno(error, errno);
    return false;
}

bool RenameFile(std::string_view from, std::string_view to, std::string* error) {
    if (!IsUsablePath(from, error) || !IsUsablePath(to, error)) return false;
    const std::string source(from);
    const std::string target(to);
    if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) {
        SetErrno(error, errno);
        return false;
    }
    // The file system cannot refuse to replace by itself: check first.
    struct stat existing {};
    if (lstat(target.c_str(), &existing) == 0) {
        SetErrno(error, EEXIST);
        return false;
    }
    if (std::rename(source.c_str(), target.c_str()) == 0) return true;
    SetErrno(error, errno);
    return false;
}

bool CreateDirectory(std::string_view path, std::string* error) {
    if (!IsUsablePath(path, error)) return false;
    const std::string text(path);
    if (mkdir(text.c_str(), 0777) == 0) return true;
    SetErrno(error, errno);
    return false;
}

}  // namespace velmora::platform
