#include "platform/atomic_file.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace velmora::platform {
namespace {

bool Fail(std::string* error, std::string_view what, int code) {
    if (error) *error = std::string(what) + ": " + std::generic_category().message(code);
    return false;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Creates a new, unique file beside `path`; answers its descriptor.
int CreateSibling(const std::string& path, std::string& tempPath, mode_t mode) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = path + ".tmp" + std::to_string(random() % 1000000);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// A replaced file keeps the permissions it had.
void KeepMode(const std::string& path, int fd) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) ::fchmod(fd, info.st_mode & 07777);
}

void SyncFolder(const std::string& path) {
    const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool WriteFileReplacing(std::string_view pathText, std::string_view data, std::string* error, bool ownerOnly) {
    const std::string path(pathText);
    if (path.empty()) return Fail(error, "No file name", ENOENT);
    std::string tempPath;
    const int fd = CreateSibling(path, tempPath, ownerOnly ? 0600 : 0666);
    if (fd < 0) return Fail(error, path, errno);
    if (!ownerOnly) KeepMode(path, fd);
    const bool written = WriteAll(fd, data) && ::fsync(fd) == 0;
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        ::unlink(tempPath.c_str());
        return Fail(error, path, written ? errno : writeError);
    }
    if (::rename(tempPath.c_str(), path.c_str()) != 0) {
        const int renameError = errno;
        ::unlink(tempPath.c_str());
        return Fail(error, path, renameError);
    }
    SyncFolder(path);
    return true;
}

bool ReadWholeFile(std::string_view pathText, std::string& data, std::string* error, size_t maxSize) {
    const std::string path(pathText);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Fail(error, path, errno);
    struct stat info {};
    int code = 0;
    if (::fstat(fd, &info) != 0) {
        code = errno;
    } else if (!S_ISREG(info.st_mode)) {
        code = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    } else if (static_cast<uint64_t>(info.st_size) > maxSize) {
        code = EFBIG;
    }
    if (code != 0) {
        ::close(fd);
        return Fail(error, path, code);
    }
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            code = errno;
            ::close(fd);
            return Fail(error, path, code);
        }
        if (got == 0) break;
        if (content.size() + static_cast<size_t>(got) > maxSize) {
            ::close(fd);
            return Fail(error, path, EFBIG);
        }
        content.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    data.swap(content);
    return true;
}

}  // namespace velmora::platform
