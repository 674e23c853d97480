#include "platform/file_stream.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <vector>

#include "platform/file_system.h"
#include "platform/notes.h"

namespace velmora::platform {
namespace {

bool FailErrno(std::string* error, int code) {
    if (error) *error = std::strerror(code);
    return false;
}

bool FailText(std::string* error, std::string_view text) {
    if (error) *error = std::string(text);
    return false;
}

// A hidden name in the target's folder: "." + name + suffix + ".part".
std::string HiddenName(std::string_view target, const std::string& suffix) {
    const size_t slash = target.find_last_of('/');
    const std::string folder(slash == std::string_view::npos ? std::string_view() : target.substr(0, slash + 1));
    // Cut so that the suffix still fits within the longest name a folder takes.
    const std::string name(
        (slash == std::string_view::npos ? target : target.substr(slash + 1)).substr(0, 200));
    return folder + "." + name + suffix + ".part";
}

// A hidden name in the target's folder that no other writer picks.
std::string TemporaryName(const std::string& target) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    char suffix[16];
    const auto number = static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull);
    std::snprintf(suffix, sizeof suffix, ".%012llx", number);
    return HiddenName(target, suffix);
}

CNotePlace PartialNotePlace(std::string_view target) {
    return {PartialPath(target), "velmora", PartialNotePath(target)};
}

// At the file's position, or with `at` from that offset on (pwrite: other
// threads may write elsewhere in the file meanwhile).
bool WriteAll(int fd, const void* data, size_t size, std::string* error, std::optional<uint64_t> at = std::nullopt) {
    if (fd < 0) return FailText(error, "File is not open");
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t count = at ? ::pwrite(fd, bytes, size, static_cast<off_t>(*at)) : ::write(fd, bytes, size);
        if (count < 0) {
            if (errno == EINTR) continue;
            return FailErrno(error, errno);
        }
        bytes += count;
        size -= static_cast<size_t>(count);
        if (at) *at += static_cast<uint64_t>(count);
    }
    return true;
}

// Makes a rename in the folder survive a crash.
void SyncFolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

CFileReader::~CFileReader() { Close(); }

bool CFileReader::Open(std::string_view path, std::string* error) {
    Close();
    if (!IsUsablePath(path, error)) return false;
    // Not blocking while opening: a pipe without a writer would wait forever.
    m_fd = ::open(std::string(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0) return FailErrno(error, errno);
    struct stat info {};
    if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        Close();
        return FailText(error, "Not a regular file");
    }
    m_size = static_cast<uint64_t>(info.st_size);
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
    return true;
}

bool CFileReader::Read(void* buffer, size_t size, size_t& received, std::string* error) {
    received = 0;
    if (m_fd < 0) return FailText(error, "File is not open");
    for (;;) {
        const ssize_t count = ::read(m_fd, buffer, size);
        if (count >= 0) {
            received = static_cast<size_t>(count);
            return true;
        }
        if (errno != EINTR) return FailErrno(error, errno);
    }
}

bool CFileReader::Seek(uint64_t offset, std::string* error) {
    if (m_fd < 0) return FailText(error, "File is not open");
    return ::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) >= 0 || FailErrno(error, errno);
}

void CFileReader::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_size = 0;
}

CReplacingFileWriter::~CReplacingFileWriter() { Discard(); }

bool CReplacingFileWriter::Open(std::string_view path, std::string* error, bool ownerOnly) {
    Discard();
    if (!IsUsablePath(path, error)) return false;
    m_target = path;
    for (int attempt = 0; attempt < 16 && m_fd < 0; ++attempt) {
        m_temp = TemporaryName(m_target);
        m_fd = ::open(m_temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, ownerOnly ? 0600 : 0666);
        if (m_fd < 0 && errno != EEXIST) break;
    }
    if (m_fd < 0) {
        const int code = errno;
        m_temp.clear();
        return FailErrno(error, code);
    }
    if (!ownerOnly) KeepPermissionsOf(m_target);
    return true;
}

bool CReplacingFileWriter::KeepPermissionsOf(const std::string& target) {
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) ::fchmod(m_fd, existing.st_mode & 07777);
    return true;
}

bool CReplacingFileWriter::OpenPartial(std::string_view path, bool keep, std::string* error) {
    Discard();
    if (!IsUsablePath(path, error)) return false;
    m_target = path;
    const std::string partial = PartialPath(path);
    // A link in the partial's place is not written through.
    m_fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (m_fd < 0) return FailErrno(error, errno);
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        Abandon();
        return code == EWOULDBLOCK ? FailText(error, "Another transfer is writing " + partial) : FailErrno(error, code);
    }
    m_temp = partial;
    off_t end = ::lseek(m_fd, 0, SEEK_END);
    // Only a partial with something in it is emptied: on ext4 a file
    // truncated to nothing has all it holds written out when it is closed,
    // which can keep the close of a large download waiting for the disk.
    if (end > 0 && !keep) end = ::ftruncate(m_fd, 0) == 0 && ::lseek(m_fd, 0, SEEK_SET) == 0 ? 0 : -1;
    if (end < 0) {
        const int code = errno;
        Abandon();
        return FailErrno(error, code);
    }
    m_kept = static_cast<uint64_t>(end);
    m_bPartial = true;
    if (!keep) RemovePartialNote();
    return KeepPermissionsOf(m_target);
}

bool CReplacingFileWriter::SetPartialNote(std::string_view text) {
    return m_fd >= 0 && m_bPartial && SetNote(PartialNotePlace(m_target), text);
}

void CReplacingFileWriter::RemovePartialNote() { RemoveNote(PartialNotePlace(m_target)); }

bool CReplacingFileWriter::Write(const void* data, size_t size, std::string* error) {
    return WriteAll(m_fd, data, size, error);
}

bool CReplacingFileWriter::WriteAt(uint64_t offset, const void* data, size_t size, std::string* error) {
    return WriteAll(m_fd, data, size, error, offset);
}

bool CReplacingFileWriter::Truncate(uint64_t size, std::string* error) {
    if (m_fd < 0) return FailText(error, "File is not open");
    const auto end = static_cast<off_t>(size);
    return (::ftruncate(m_fd, end) == 0 && ::lseek(m_fd, end, SEEK_SET) >= 0) || FailErrno(error, errno);
}

bool CReplacingFileWriter::CopyMetadataFrom(std::string_view source, std::string* error) {
    if (m_fd < 0) return FailText(error, "File is not open");
    struct stat info {};
    if (::stat(std::string(source).c_str(), &info) != 0) return FailErrno(error, errno);
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    if (::fchmod(m_fd, info.st_mode & 07777) != 0 || ::futimens(m_fd, times) != 0) return FailErrno(error, errno);
    return true;
}

bool CReplacingFileWriter::Commit(std::string* error, bool durable) {
    if (m_fd < 0) return FailText(error, "File is not open");
    // A transfer writes many files and leaves syncing to the system: the
    // rename already keeps a half-written file from ever standing at the target.
    if (durable && ::fsync(m_fd) != 0) {
        const int code = errno;
        Discard();
        return FailErrno(error, code);
    }
    // A complete file is no partial file: it takes no note along.
    if (m_bPartial) RemovePartialNote();
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0) {
        const int code = errno;
        Discard();
        return FailErrno(error, code);
    }
    if (std::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        const int code = errno;
        Discard();
        return FailErrno(error, code);
    }
    m_temp.clear();
    m_bPartial = false;
    if (durable) SyncFolderOf(m_target);
    return true;
}

void CReplacingFileWriter::Discard() {
    if (!m_temp.empty()) ::unlink(m_temp.c_str());
    if (m_bPartial) ::unlink(PartialNotePath(m_target).c_str());
    Abandon();
}

void CReplacingFileWriter::Abandon() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_temp.clear();
    m_kept = 0;
    m_bPartial = false;
}

std::string PartialPath(std::string_view path) { return HiddenName(path, std::string()); }

std::string PartialNotePath(std::string_view path) { return PartialPath(path) + ".source"; }

bool ReadPartialNote(std::string_view path, std::string& text) { return ReadNote(PartialNotePlace(path), text); }

uint64_t HeldOfPartial(std::string_view path, uint64_t sourceLength) {
    const std::string target(path);
    const std::string partial = PartialPath(path);
    struct stat info {};
    const bool hasPartial = ::stat(partial.c_str(), &info) == 0;
    if (!hasPartial) ::unlink(PartialNotePath(path).c_str());
    if (!hasPartial && sourceLength > 0 && ::stat(target.c_str(), &info) == 0 &&
        S_ISREG(info.st_mode) && static_cast<uint64_t>(info.st_size) < sourceLength) {
        std::rename(target.c_str(), partial.c_str());
    }
    if (::stat(partial.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
    const auto held = static_cast<uint64_t>(info.st_size);
    return sourceLength > 0 && held > sourceLength ? 0 : held;
}

CFileWriter::~CFileWriter() { Close(); }

bool CFileWriter::Open(std::string_view path, std::string* error) {
    Close();
    if (!IsUsablePath(path, error)) return false;
    m_fd = ::open(std::string(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return m_fd >= 0 || FailErrno(error, errno);
}

bool CFileWriter::Write(const void* data, size_t size, std::string* error) { return WriteAll(m_fd, data, size, error); }

bool CFileWriter::Close(std::string* error) {
    if (m_fd < 0) return true;
    const int closed = ::close(m_fd);
    m_fd = -1;
    return closed == 0 || FailErrno(error, errno);
}

bool CopyFileReplacing(std::string_view from, std::string_view to, std::string* error) {
    CFileReader reader;
    CReplacingFileWriter writer;
    if (!reader.Open(from, error) || !writer.Open(to, error)) return false;
    std::vector<char> buffer(size_t{256} << 10);
    for (;;) {
        size_t received = 0;
        if (!reader.Read(buffer.data(), buffer.size(), received, error)) return false;
        if (received == 0) break;
        if (!writer.Write(buffer.data(), received, error)) return false;
    }
    return writer.CopyMetadataFrom(from, error) && writer.Commit(error);
}

}  // namespace velmora::platform
