// Launches that a scheduling host claimed and never finished: it was killed
// during them, or its machine went down. Left Processing, such a launch
// would keep its schedule from ever running again.

#include "base/format.h"
#include "db_engine/db_engine.h"
#include "messaging/log_status.h"

namespace velmora {

bool CDBEngine::ResumeLeftLaunches(const CDBScheduleObj& schedule) {
    // Without the host lock, a launch Processing may well be running elsewhere.
    if (!m_bSoleHost) return true;
    CDBLaunchOrderSet left(m_pDatabase);
    if (!left.LoadByStatus(schedule, CDBLaunchOrder::eLaunchProcessing)) return Fail(left);
    for (CDBObj* element : left) {
        m_selLaunch.Copy(*element);
        CLogStatus::Send(LOG_STATUS, "Sys", kResumedAction,
                         Format("launch %d of schedule '%s' was left running by a scheduler that stopped during "
                                "it; it runs again, its files continuing where they stopped",
                                m_selLaunch.ID, schedule.Name.c_str()));
        // Its jobs continue the partial files the killed run left, as
        // their partial records allow, instead of writing them again.
        CJobSettings continuing = m_jobSettings;
        continuing.m_bContinue = true;
        if (!ProcessOrder(schedule, m_selLaunch, continuing)) return false;
    }
    return true;
}

}  // namespace velmora
