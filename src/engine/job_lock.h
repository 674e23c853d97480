#pragma once

#include "platform/api.h"

namespace velmora {

class CJobDatabase;

// One job at a time, enforced. The job state (counts, byte totals, abort
// flag, last error) and the job database are process-wide, so two jobs
// running at once (two drops in quick succession, a scheduled job during a
// manual transfer) would corrupt each other's counts. A job holds this lock
// for its whole run; a job that starts on another thread meanwhile waits for
// it to end, and says so in the log. The lock is re-entrant, so a job may run
// another one inside it (a scheduled launch runs its transfer orders).
//
// While it is held, the given database (null: none) is the job database, so
// a manual transfer never writes into the database of an earlier scheduled
// job; the one before is restored when the lock is released.
class VELMORA_API CJobLock {
public:
    explicit CJobLock(CJobDatabase* database);
    ~CJobLock();
    CJobLock(const CJobLock&) = delete;
    CJobLock& operator=(const CJobLock&) = delete;

    // The text of the log line of a job that has to wait.
    static const char* WaitText();

private:
    CJobDatabase* m_pPrevious;
};

}  // namespace velmora
