#include "platform/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/file_stream.h"
#include "platform/system.h"

namespace velmora::platform {
namespace {

// Whole-file errors name the file, since their callers show them as they are.
bool Fail(std::string* error, std::string_view path, std::string_view reason) {
    if (error) *error = std::string(path) + ": " + std::string(reason);
    return false;
}

}  // namespace

bool WriteFileReplacing(std::string_view path, std::string_view data, std::string* error, bool ownerOnly) {
    CReplacingFileWriter writer;
    std::string reason;
    if (writer.Open(path, &reason, ownerOnly) && writer.Write(data.data(), data.size(), &reason) &&
        writer.Commit(&reason, /*durable=*/true)) {
        return true;
    }
    return Fail(error, path, reason);
}

bool ReadWholeFile(std::string_view path, std::string& data, std::string* error, size_t maxSize) {
    CFileReader reader;
    std::string reason;
    if (!reader.Open(path, &reason)) return Fail(error, path, reason);
    if (reader.GetSize() > maxSize) return Fail(error, path, SystemErrorText(EFBIG));
    std::string content;
    char buffer[65536];
    for (;;) {
        size_t received = 0;
        if (!reader.Read(buffer, sizeof buffer, received, &reason)) return Fail(error, path, reason);
        if (received == 0) break;
        // The file may have grown since it was opened.
        if (content.size() + received > maxSize) return Fail(error, path, SystemErrorText(EFBIG));
        content.append(buffer, received);
    }
    data.swap(content);
    return true;
}

bool AppendLine(std::string_view path, std::string_view line, std::string* error) {
    const std::string name(path);
    std::error_code ignored;
    const std::filesystem::path folder = std::filesystem::path(name).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return Fail(error, path, SystemErrorText(errno));
    std::string text(line);
    text += '\n';
    const ssize_t written = ::write(fd, text.data(), text.size());
    const int code = errno;
    ::close(fd);
    if (written == static_cast<ssize_t>(text.size())) return true;
    return Fail(error, path, SystemErrorText(written < 0 ? code : ENOSPC));
}

}  // namespace velmora::platform
