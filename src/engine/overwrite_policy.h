#pragma once

#include <cstdint>
#include <string>

#include "paths/file_path.h"
#include "platform/api.h"

namespace velmora {

// What a job does with a file that is already where a file goes.
enum class EOverwrite : int32_t {
    Design = 0,  // as the engine always did: the file is replaced
    Refuse = 1,  // an error for that file; the file stays
    Replace = 2, // the file is replaced
    Skip = 3,    // the file stays and the source file counts as skipped
    Newer = 4,   // replaced only when the source file is newer
};

enum class EOverwriteStep { Write, Skip, Refuse };

// A file where a file goes, as its place reports it.
struct CExistingTarget {
    bool exists = false;
    // Last write time in 100-ns units since 1601; 0 when unknown.
    uint64_t lastWriteTime = 0;
};

// The step for one file: `source` (with its last write time) going where
// `target` says what is there. A target of unknown age is not older.
VELMORA_API EOverwriteStep CheckOverwrite(EOverwrite policy, const CFtpPath& source, const CExistingTarget& target);
// Whether the policy needs to know what is at a target at all.
VELMORA_API bool NeedsTargetCheck(EOverwrite policy);
// A local file's state.
VELMORA_API CExistingTarget LocalTarget(const std::string& path);

// The policy's name as hosts store it ("replace", "skip", "newer", "refuse";
// "" for Design), and back (Design for any other text).
VELMORA_API std::string OverwriteName(EOverwrite policy);
VELMORA_API EOverwrite OverwriteFromName(const std::string& name);

}  // namespace velmora
