#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "db/db_log_status.h"
#include "engine/overwrite_policy.h"
#include "platform/api.h"

namespace velmora {

// The numbered kinds of failure the transfer engine reports. A fatal one
// stops the job after the current file.
enum eErrorCategory : int32_t {
    ERROR_NONE = 0,
    ERROR_ABORTED = 1,      // "Aborted by user" (fatal)
    ERROR_TOO_MANY = 2,     // "Too mach errors"
    ERROR_ZIP = 3,          // "Fail add to zip file"
    ERROR_COPY = 4,         // "Copy file error"
    ERROR_DEST_FOLDER = 5,  // "Cannot create dest folder" (fatal)
    ERROR_FTP = 6,          // "Ftp error" (fatal)
    ERROR_EXCEPTION = 7,    // "Exception error" (fatal)
    ERROR_READ = 8,         // "Read access error"
    ERROR_WRITE = 9,        // "Write access error" (fatal)
    ERROR_UNKNOWN = 10,     // "Unknown error", also for any number outside the table
    ERROR_CONNECT = 11,     // "Connect error" (fatal)
};

// The category's text; "Unknown error" for a number outside the table.
VELMORA_API std::string GetErrorCategoryText(int32_t category);
VELMORA_API bool IsFatalErrorCategory(int32_t category);

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

// The state of the running job. There is one per process, shared by every
// mover, source and data file: one job runs at a time. The abort flag is set
// from other threads (a cancel message sent by a window), so it is atomic.
// The counters, the last error and the job database are shared by the
// sessions of a job that runs several side by side: whoever changes or reads
// them while a job runs holds the report lock.
struct VELMORA_API CJobState {
    // The error count at which a job stops.
    static constexpr int32_t kErrorLimit = 21;

    int32_t m_nProcessed = 0;
    int32_t m_nSkipped = 0;
    int32_t m_nErrors = 0;
    // The category of the latest error; 0 while there was none.
    int32_t m_nLastCategory = ERROR_NONE;
    int64_t m_nTotalBytes = 0;
    int64_t m_nProcessedBytes = 0;
    int64_t m_nTotalItems = 0;
    // Seconds since 1970 (UTC).
    int64_t m_tStart = 0;
    std::atomic<bool> m_bAbort{false};
    // The database log action of the running pair.
    tagDBLogAction m_eAction = DBACTION_NONE;
    CMirrorCounts m_mirror;
    // The message of the latest error, kept from one job to the next.
    std::string m_strLastError;
    // How the transfers that follow treat their targets (kept by Reset):
    // a target shorter than its source, or the partial file an earlier
    // transfer left of it, is continued instead of written again; uploads
    // are written under a temporary name and renamed when complete.
    bool m_bContinue = false;
    bool m_bTempNames = false;
    // Login attempts of an FTP source, set by the host for every job that
    // follows; 0 keeps the engine's own number.
    int32_t m_nLoginAttempts = 0;
    // What a job does with local files that are there already; set by the
    // host (or a scheduled order) for the jobs that follow.
    EOverwrite m_eOverwrite = EOverwrite::Design;
    // How many sessions a job between local files and a server may open to
    // the server, set by the host for the jobs that follow; 1 moves every
    // file over the one session.
    int32_t m_nSessions = 1;
    // The destination of a job of one file names that file, which takes
    // this name instead of its own (the command line's "upload a.csv
    // ftp://host/out/b.csv"); set by the host for the jobs that follow.
    // Otherwise a destination is a folder, and files on a server keep their
    // names.
    bool m_bNamedTarget = false;

    // The process's job.
    static CJobState& Job();

    // Zero counts, byte totals, total items, category and abort flag; the
    // start time becomes now. The last error message, the login attempts
    // and the overwrite policy stay.
    void Reset();
    // False once a fatal error was reported or the error limit was reached.
    bool ContinueCheck() const;
    // Aborted by the cancel message, or by the stop request of the host
    // that runs the job (see SetStopRequest).
    bool IsAborted() const {
        const std::atomic<bool>* stop = m_pStopRequest.load();
        return m_bAbort.load() || (stop != nullptr && stop->load());
    }
    // While the job runs, a host may give it a flag of its own that aborts
    // it once set: unlike the cancel message, which reaches whatever job
    // runs, it stops only the job it was given to. The job's thread sets it
    // (null again at the end) while it holds the job lock.
    void SetStopRequest(const std::atomic<bool>* stop) { m_pStopRequest = stop; }
    void AddProcessedBytes(int64_t bytes) {
        const auto lock = ReportLock();
        m_nProcessedBytes += bytes;
    }
    // Serialises the reports of a job's sessions; re-entrant, since one
    // report makes others.
    [[nodiscard]] std::unique_lock<std::recursive_mutex> ReportLock() const {
        return std::unique_lock(m_reportMutex);
    }

private:
    mutable std::recursive_mutex m_reportMutex;
    std::atomic<const std::atomic<bool>*> m_pStopRequest{nullptr};
};

}  // namespace velmora
