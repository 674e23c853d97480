#include "cli/job_run.h"

#include "base/format.h"
#include "cli/progress_line.h"
#include "engine/move_trans.h"
#include "engine/statistic.h"
#include "tasks/tsk_item.h"

namespace parcelo::cli {

int JobResult(CliContext& context, bool result, long errors, const std::string& lastError) {
    if (result && errors == 0) return kExitOk;
    if (errors == 0) return context.Fail("the transfer failed");
    const std::string count = errors == 1 ? std::string("1 error") : velmora::Format("%ld errors", errors);
    return context.Fail("the transfer had " + count + (lastError.empty() ? std::string() : "; the last: " + lastError));
}

int RunItems(CliContext& context, const velmora::CTskItems& items) {
    bool result = false;
    {
        ProgressLine progress(context);
        velmora::CMover mover(items);
        result = mover.RunItems();
    }
    const velmora::CJobState& job = velmora::CStatistic::Job();
    return JobResult(context, result, job.m_nErrors, job.m_strLastError);
}

}  // namespace parcelo::cli
