#pragma once

#include <string>
#include <string_view>

#include "platform/api.h"

// A small note kept with a file or folder: an extended attribute of it,
// which costs no file of its own, or where the file system keeps none (or
// no more), a file beside it. A note is written without waiting for the
// disk: a process that is killed leaves it.
namespace velmora::platform {

struct VELMORA_API CNotePlace {
    std::string path;       // the file or folder the note is kept with
    std::string attribute;  // the attribute's name, without "user."
    std::string beside;     // the file that holds the note otherwise
};

// False when the note could not be kept either way (nothing of it is left).
VELMORA_API bool SetNote(const CNotePlace& place, std::string_view text);
// False when there is none.
VELMORA_API bool ReadNote(const CNotePlace& place, std::string& text);
VELMORA_API void RemoveNote(const CNotePlace& place);

}  // namespace velmora::platform
