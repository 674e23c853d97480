#include "platform/notes.h"

#include <sys/xattr.h>
#include <unistd.h>

#include "platform/atomic_file.h"
#include "platform/file_stream.h"

namespace velmora::platform {
namespace {

// The largest value an extended attribute holds; a longer note is kept beside.
constexpr size_t kMaxAttributeNote = 64 * 1024;
constexpr size_t kMaxNote = 1024 * 1024;

std::string AttributeName(const CNotePlace& place) { return "user." + place.attribute; }

}  // namespace

bool SetNote(const CNotePlace& place, std::string_view text) {
    const std::string attribute = AttributeName(place);
    if (::setxattr(place.path.c_str(), attribute.c_str(), text.data(), text.size(), 0) == 0) return true;
    // An older note must not speak in place of this one.
    ::removexattr(place.path.c_str(), attribute.c_str());
    CFileWriter writer;
    if (writer.Open(place.beside) && writer.Write(text.data(), text.size()) && writer.Close()) return true;
    ::unlink(place.beside.c_str());
    return false;
}

bool ReadNote(const CNotePlace& place, std::string& text) {
    text.resize(kMaxAttributeNote);
    const ssize_t size = ::getxattr(place.path.c_str(), AttributeName(place).c_str(), text.data(), text.size());
    if (size >= 0) {
        text.resize(static_cast<size_t>(size));
        return true;
    }
    return ReadWholeFile(place.beside, text, nullptr, kMaxNote);
}

void RemoveNote(const CNotePlace& place) {
    ::removexattr(place.path.c_str(), AttributeName(place).c_str());
    ::unlink(place.beside.c_str());
}

}  // namespace velmora::platform
