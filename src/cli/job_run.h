#pragma once

#include <string>

#include "cli/cli_context.h"

namespace velmora {
class CTskItems;
}

namespace parcelo::cli {

// The exit status of a job: success only without a single error.
int JobResult(CliContext& context, bool result, long errors, const std::string& lastError);
// One job of task items, run by a mover with the progress line; the job's
// own error count decides.
int RunItems(CliContext& context, const velmora::CTskItems& items);

}  // namespace parcelo::cli
