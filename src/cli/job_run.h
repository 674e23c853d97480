#pragma once

#include "cli/cli_context.h"

namespace velmora {
class CTskItems;
}

namespace parcelo::cli {

// One job of task items, run by a mover and reported to the user; the
// job's own error count decides the exit status.
int RunItems(CliContext& context, const velmora::CTskItems& items);

}  // namespace parcelo::cli
