#pragma once

#include <string>
#include <string_view>

#include "platform/api.h"

// The four-part split and join of a path text: drive, directory, file name
// and extension. Both "/" and "\" separate; "C:\Data\a.txt",
// "\\srv\share\f.doc" and "/pub/a.txt" are all understood.
//
// There are no length limits: a long part is kept whole rather than cut or
// refused, since POSIX paths legitimately run far beyond 260 characters.
namespace velmora::platform {

struct VELMORA_API PathParts {
    std::string drive;  // "X:" when the second character is ":", else empty
    std::string dir;    // up to and including the last separator
    std::string name;   // the file name up to the last "."
    std::string ext;    // from the last "." of the file name on
};

VELMORA_API PathParts SplitPathText(std::string_view text);

// The parts joined: a ":" is added to a drive that lacks one, a separator to
// a directory that does not end in one (the kind the directory already uses,
// "/" when it has none), and a "." to an extension that does not start with one.
VELMORA_API std::string MakePathText(std::string_view drive, std::string_view dir, std::string_view name,
                                     std::string_view ext);
// The same appended to `out`, whose room is reused (none of the parts may
// be a view into `out`).
VELMORA_API void AppendPathText(std::string& out, std::string_view drive, std::string_view dir, std::string_view name,
                                std::string_view ext);

}  // namespace velmora::platform
