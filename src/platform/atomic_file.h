#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/api.h"

// Whole-file reads and writes for the files the library saves in one piece
// (node trees). A write never leaves a half-written file where a good one was.
namespace velmora::platform {

// Writes `data` to a new file in the same folder as `path`, flushes it to the
// disk and renames it over `path`. On any failure (a full disk, a missing
// folder) the temporary file is removed and `path` keeps what it held.
// A replaced file keeps its permissions, unless `ownerOnly` asks for a file
// that only its owner may read and write (0600) from the first byte on.
VELMORA_API bool WriteFileReplacing(std::string_view path, std::string_view data,
                                    std::string* error = nullptr, bool ownerOnly = false);

// Reads the whole file into `data`. Only regular files are read (a pipe is
// refused rather than waited on); files larger than `maxSize` bytes are
// refused rather than read.
VELMORA_API bool ReadWholeFile(std::string_view path, std::string& data, std::string* error = nullptr,
                               size_t maxSize = size_t{1} << 30);

// Adds `line` and a line end at the end of the file, creating it (0600) and
// its folder when missing. One write per call, so lines that processes add
// at the same time never mix.
VELMORA_API bool AppendLine(std::string_view path, std::string_view line, std::string* error = nullptr);

}  // namespace velmora::platform
