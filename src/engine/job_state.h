#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>

#include "db/db_log_status.h"
#include "engine/job_result.h"
#include "engine/job_settings.h"
#include "engine/rate_pacer.h"
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

// The providers of a job's settings, each asked under a lock of its own.
enum class EJobProvider { UniqueName, TargetQuestion, Password, Count };

// One running job: the settings its host gave it and what it has done so
// far (the result it hands back). A mover owns its job; every engine object
// that works for it (sources, data files, the sessions of a pool, a mirror)
// reaches it as the job of the thread it runs on (Current), which the mover
// and each further session bind for the time they work (CJobBinding).
//
// The abort flag is set from other threads (a cancel message sent by a
// window), so it is atomic. The counts, the errors and the outcomes are
// shared by the sessions of a job that runs several side by side: whoever
// changes or reads them while the job runs holds the report lock.
//
// Lock order, outer first: the report lock, then the message box's lock (a
// report sends its records while it holds the report lock). A session
// pool's queue lock is never held while taking either, and nothing waits on
// the network, or asks a provider, while holding any of them.
class VELMORA_API CJobState : public CJobResult {
public:
    // The error count at which a job stops.
    static constexpr int32_t kErrorLimit = 21;

    explicit CJobState(const CJobSettings& settings = CJobSettings());
    CJobState(const CJobState&) = delete;
    CJobState& operator=(const CJobState&) = delete;

    // The job the calling thread works for; a thread that works for none
    // has a job of its own, with default settings.
    static CJobState& Current();

    const CJobSettings& Settings() const { return m_settings; }
    // A job that runs several orders (the database engine's) takes each
    // order's own choices while it runs it.
    CJobSettings& Settings() { return m_settings; }
    CJobDatabase* Database() const { return m_settings.m_pJobDatabase; }

    // Zero counts, byte totals, total items, errors, outcomes and abort flag;
    // the start time becomes now. The last error message stays.
    void Reset();
    // False once a fatal error was reported or the error limit was reached.
    bool ContinueCheck() const;
    // Aborted by the cancel message, or by the host's stop request.
    bool IsAborted() const {
        const std::atomic<bool>* stop = m_settings.m_pStopRequest;
        return m_bAbort.load() || (stop != nullptr && stop->load());
    }
    void AddProcessedBytes(int64_t bytes) {
        const auto lock = ReportLock();
        m_nProcessedBytes += bytes;
    }
    // Counts an error: `text` becomes the last error message, and the first
    // one of the job with `file` when there was none before.
    void CountError(int32_t category, const std::string& text, const std::string& file);
    // A file that was not sent, failed or not taken (the sent are counted).
    void Unsent(EFileOutcome kind, const std::string& source, const std::string& reason);
    // A copy of what the job did, for its host.
    CJobResult Result() const;
    // True the first time in the job that `subject` is asked about: what is
    // said once a job (a server that offers no hash).
    bool FirstNotice(const std::string& subject);
    // After the failed `attempt` at something that may pass by itself (a
    // login, a step the server refused for now): false when the settings'
    // attempts are spent; else announces the pause with `why` (a wait,
    // command 11, for whoever shows the job) and waits the settings' retry
    // delay, less when the job is aborted meanwhile (false then).
    bool RetryLater(int attempt, const std::string& why) const;
    // After `bytes` of a transfer went: waits as long as the settings' rate
    // limit asks, less when the job is aborted meanwhile.
    void Pace(uint64_t bytes);
    // What the job's folder walks have gathered, against the settings' bounds.
    CWalkBudget& WalkBudget() { return m_walkBudget; }

    // One question at a time to each provider; taken with no other lock
    // of the job's held.
    [[nodiscard]] std::unique_lock<std::mutex> ProviderLock(EJobProvider provider) const {
        return std::unique_lock(m_providerMutexes[static_cast<size_t>(provider)]);
    }
    // Serialises the reports of a job's sessions; re-entrant, since one
    // report makes others.
    [[nodiscard]] std::unique_lock<std::recursive_mutex> ReportLock() const {
        return std::unique_lock(m_reportMutex);
    }

    // Seconds since 1970 (UTC).
    int64_t m_tStart = 0;
    std::atomic<bool> m_bAbort{false};
    // The database log action of the running pair.
    tagDBLogAction m_eAction = DBACTION_NONE;

private:
    // Waits `time`, in short steps so that an abort ends the wait; false
    // when the job was aborted.
    bool WaitUnlessAborted(std::chrono::steady_clock::duration time) const;

    CJobSettings m_settings;
    std::set<std::string> m_notices;
    CRatePacer m_pacer;
    CWalkBudget m_walkBudget;
    mutable std::recursive_mutex m_reportMutex;
    mutable std::mutex m_providerMutexes[static_cast<size_t>(EJobProvider::Count)];
};

// Makes `job` the calling thread's job (CJobState::Current) while it exists;
// the thread's job before comes back after it.
class VELMORA_API CJobBinding {
public:
    explicit CJobBinding(CJobState& job);
    ~CJobBinding();
    CJobBinding(const CJobBinding&) = delete;
    CJobBinding& operator=(const CJobBinding&) = delete;

private:
    CJobState* m_pPrevious;
};

}  // namespace velmora
