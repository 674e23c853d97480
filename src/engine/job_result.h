#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/api.h"

namespace velmora {

// What the mirrors of a job found: files new at the destination, files
// changed, files already equal there, and entries deleted from it; the
// bytes of the new and changed files (in a dry run, what would be sent).
struct CMirrorCounts {
    int32_t m_nNew = 0;
    int32_t m_nChanged = 0;
    int32_t m_nEqual = 0;
    int32_t m_nDeleted = 0;
    int64_t m_nBytes = 0;
};

// What became of one file a job was to put somewhere.
enum class EFileOutcome {
    Sent,      // it is at its target, whole
    Failed,    // it was tried and is not there (the reason says why)
    NotTaken,  // the job ended before its turn came
};

struct CFileOutcome {
    EFileOutcome kind = EFileOutcome::Sent;
    std::string source;
    std::string reason;
};

// What a job hands back to its host when it ends.
struct VELMORA_API CJobResult {
    // The failed and not-taken files kept at most; the counts go on beyond.
    static constexpr size_t kMaxKeptOutcomes = 10000;

    int32_t m_nProcessed = 0;
    int32_t m_nSkipped = 0;
    // Files whose target was equal to them already (a re-run).
    int32_t m_nUnchanged = 0;
    // Files whose server's hash matched the bytes sent or received.
    int32_t m_nVerified = 0;
    int32_t m_nErrors = 0;
    int32_t m_nNotTaken = 0;
    int64_t m_nTotalBytes = 0;
    int64_t m_nProcessedBytes = 0;
    int64_t m_nTotalItems = 0;
    // The category of the latest error; 0 while there was none.
    int32_t m_nLastCategory = 0;
    bool m_bAborted = false;
    CMirrorCounts m_mirror;
    // The first error and the file it happened to (empty when it happened
    // to none), and the latest error message.
    std::string m_strFirstError;
    std::string m_strFirstErrorFile;
    std::string m_strLastError;
    // The files that failed or were not taken, in the order they ended.
    std::vector<CFileOutcome> m_unsent;
};

}  // namespace velmora
