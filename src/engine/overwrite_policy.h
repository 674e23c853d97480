#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "paths/file_path.h"
#include "platform/api.h"

namespace velmora {

// What a job does with a file that is already where a file goes.
enum class EOverwrite : int32_t {
    Design = 0,   // as the engine always did: the file is replaced
    Refuse = 1,   // an error for that file; the file stays
    Replace = 2,  // the file is replaced
    Skip = 3,     // the file stays and the source file counts as skipped
    Newer = 4,    // replaced only when the source file is newer
    // A run again of the same transfer: a file equal to the source stays
    // (counted unchanged), the part an interrupted transfer of this very
    // source left is continued, any other file is an error for that file.
    Rerun = 5,
};

enum class EOverwriteStep { Write, Skip, Refuse };

// A file where a file goes, as its place reports it.
struct CExistingTarget {
    bool exists = false;
    // Last write time in 100-ns units since 1601; 0 when unknown.
    uint64_t lastWriteTime = 0;
    std::optional<uint64_t> size;
    // The place gives a file the time of its source (a server that cannot
    // keeps the time it was written).
    bool keepsTimes = true;
};

// What a re-run (EOverwrite::Rerun) does with one file.
enum class ERerunStep {
    Write,      // nothing is there: the file goes
    Unchanged,  // an equal file is there: it stays, nothing goes
    Continue,   // the part an interrupted transfer of this source left is there: the rest goes
    Refuse,     // another file is there: an error for that file, the file stays
};

// The step for one file: `source` (with its last write time) going where
// `target` says what is there. A target of unknown age is not older.
VELMORA_API EOverwriteStep CheckOverwrite(EOverwrite policy, const CFtpPath& source, const CExistingTarget& target);
// The re-run step for a source of `size` bytes last written at `time`
// (100-ns units since 1601; 0 when unknown). Equal means the same size and,
// where the target's place keeps times, the same time as finely as it keeps
// them. `heldOfSource`: the partial record of the target says it is the part
// an interrupted transfer of this very source left.
VELMORA_API ERerunStep CheckRerun(uint64_t size, uint64_t time, const CExistingTarget& target, bool heldOfSource);
// Whether the policy needs to know what is at a target at all.
VELMORA_API bool NeedsTargetCheck(EOverwrite policy);
// A local file's state.
VELMORA_API CExistingTarget LocalTarget(const std::string& path);

// The policy's name as hosts store it ("replace", "skip", "newer", "refuse";
// "" for Design), and back (Design for any other text).
VELMORA_API std::string OverwriteName(EOverwrite policy);
VELMORA_API EOverwrite OverwriteFromName(const std::string& name);

}  // namespace velmora
