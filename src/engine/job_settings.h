#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/file_check.h"
#include "engine/overwrite_policy.h"
#include "ftp/session_options.h"
#include "ftp/walk_step.h"
#include "paths/file_path.h"
#include "platform/api.h"

namespace velmora {

class CFtpLoginInfo;
class CJobDatabase;
class CSQLiteDatabase;

// What a job asks the host that runs it. Each is called on the thread of the
// session that needs the answer, never while the job holds its report lock
// or a delivery holds the message box, so that an answer may take its time
// (list a server folder, wait for the user). The job calls each provider
// under a lock of that provider's own, one question at a time.
struct VELMORA_API CJobProviders {
    // The name a file sent to a server goes under (a TargetChoice): the
    // target is renamed in place to a free name (TARGET_RENAME), kept
    // (TARGET_AS_BEFORE), or the file is left out (TARGET_SKIP), refused
    // (TARGET_FAIL) or put to the existing-target question (TARGET_ASK).
    // `rename` asks for a free name whatever else the provider would do.
    // Without one, the job asks the program's provider on the message box
    // (command 17 to "UNIQUE_NAME_PROVIDER_ID").
    using UniqueName = std::function<int32_t(const CFtpPath& source, CFtpPath& target, bool rename)>;
    // What the program answers (a TargetChoice) for a file whose target
    // exists already: `remote` for a target on a server. A TARGET_RENAME for
    // a local target has renamed it. Without one, TARGET_AS_BEFORE.
    using TargetQuestion = std::function<int32_t(const CFtpPath& source, CFtpPath& target, bool remote)>;
    // The password for a login whose own is empty; false leaves it empty.
    using Password = std::function<bool(const CFtpLoginInfo& login, std::string& password)>;

    UniqueName uniqueName;
    TargetQuestion targetQuestion;
    Password password;
};

// Everything a job reads that its host chooses. The host (the command line,
// the desktop program, the scheduler, a caller of the Mover API) gives each
// job a value of its own; the job keeps its copy for its whole run, so two
// jobs in one process never see each other's settings.
struct VELMORA_API CJobSettings {
    // Sessions a job between local files and a server may open to the
    // server; 1 moves every file over the one session.
    int32_t m_nSessions = 1;
    // Parts a file downloaded from a server goes in at once, each over a
    // session of its own (where the server reads from an offset and each
    // part is 1 MiB or more); 1 sends every file in one stream.
    int32_t m_nSegments = 1;
    // What the job does with files that are there already.
    EOverwrite m_eOverwrite = EOverwrite::Design;
    // A target shorter than its source, or the partial file an earlier
    // transfer left of it, is continued instead of written again.
    bool m_bContinue = false;
    // Uploads go to a temporary name and take their own when complete.
    bool m_bTempNames = false;
    // A file put into a target gets its source's modification time.
    bool m_bPreserveTimes = false;
    // Whether files sent to or from a server are checked against the
    // server's hash of them.
    EVerify m_eVerify = EVerify::Auto;
    // A mirror tells files of equal size apart by their hashes instead of
    // their times (slow: each server hashes each such file).
    bool m_bMirrorChecksum = false;
    // The engine's own number of attempts.
    static constexpr int32_t kAttempts = 5;
    // Attempts at a login, and at a step a server refused for now (a 4xx
    // reply), each a pause of m_nRetryDelayMs after the one before; 0 keeps
    // the engine's own number.
    int32_t m_nLoginAttempts = 0;
    int32_t m_nRetryDelayMs = 3000;
    // Sessions' low-speed limit starts as the process's default (which a
    // host may set in one place) when the settings are made, and stays the
    // job's own from then on.
    CSessionOptions::LowSpeed m_lowSpeed = CSessionOptions::GetDefaultLowSpeed();
    // The bytes per second the job's transfers keep to, all its sessions
    // together; 0: as fast as they go.
    uint64_t m_nRateLimit = 0;
    // A limit of the host's that it may change while the job runs (the
    // desktop's speed limit); when set it is read at every block instead of
    // m_nRateLimit. The host keeps it alive for as long as the job runs.
    const std::atomic<uint64_t>* m_pLiveRateLimit = nullptr;
    // What the job's walks of server folders may gather between them, in
    // entries and in bytes of their paths; past either the job fails.
    uint64_t m_nMaxTreeEntries = CWalkBudget::kDefaultEntries;
    uint64_t m_nMaxTreePathBytes = CWalkBudget::kDefaultPathBytes;
    // Machine listings where a server offers them.
    bool m_bMachineListing = true;
    // The destination of a job of one file names that file, which takes
    // this name instead of its own (the command line's "upload a.csv
    // ftp://host/out/b.csv"). Otherwise a destination is a folder, and files
    // on a server keep their names.
    bool m_bNamedTarget = false;
    // Where a mirror keeps what its earlier runs left (null: no record).
    CSQLiteDatabase* m_pRecordDatabase = nullptr;
    // Where the job's log entries and order statuses go (null: nowhere).
    CJobDatabase* m_pJobDatabase = nullptr;
    // A flag of the host's that stops this job once set (unlike the cancel
    // message, which reaches every job).
    const std::atomic<bool>* m_pStopRequest = nullptr;
    CJobProviders m_providers;

    int32_t Attempts() const { return m_nLoginAttempts > 0 ? m_nLoginAttempts : kAttempts; }
    // The limit in force now.
    uint64_t RateLimit() const { return m_pLiveRateLimit != nullptr ? m_pLiveRateLimit->load() : m_nRateLimit; }
};

}  // namespace velmora
