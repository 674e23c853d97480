#pragma once

#include <string>

#include "cli/cli_context.h"

namespace velmora {
class CTskItems;
}

namespace parcelo::cli {

// One job of task items, run by a mover and reported to the user (`subject`
// names what it moves); the job's own error count decides the exit status.
int RunItems(CliContext& context, const velmora::CTskItems& items, const std::string& subject);

}  // namespace parcelo::cli
