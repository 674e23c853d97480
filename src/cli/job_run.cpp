#include "cli/job_run.h"

#include "cli/job_report.h"
#include "engine/move_trans.h"
#include "tasks/tsk_item.h"

namespace parcelo::cli {

int RunItems(CliContext& context, const velmora::CTskItems& items, const std::string& subject) {
    JobReport report(context, subject);
    bool result = false;
    {
        velmora::CMover mover(items);
        result = mover.RunItems();
    }
    return report.Finish(result);
}

}  // namespace parcelo::cli
