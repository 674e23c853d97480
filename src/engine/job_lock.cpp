#include "engine/job_lock.h"

#include <mutex>

#include "engine/statistic.h"
#include "messaging/log_status.h"

namespace velmora {
namespace {

std::recursive_mutex& JobMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

}  // namespace

CJobLock::CJobLock(CJobDatabase* database) {
    if (!JobMutex().try_lock()) {
        CStatistic::LogText(LOG_STATUS, "Wait:", WaitText());
        JobMutex().lock();
    }
    m_pPrevious = CStatistic::GetDatabase();
    CStatistic::SetDatabase(database);
}

CJobLock::~CJobLock() {
    CStatistic::SetDatabase(m_pPrevious);
    JobMutex().unlock();
}

const char* CJobLock::WaitText() { return "Another job is running; this one waits until it ends"; }

}  // namespace velmora
