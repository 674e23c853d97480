#pragma once

#include <string_view>

#include "platform/api.h"

// A protocol trace: every command a control connection sends and every reply
// line it receives, handed to one process-wide sink (standard error for
// `parcelo-cli -v`, the log file in the desktop program). Commands come as
// "> USER alice", reply lines as "< 331 Password required"; the arguments of
// PASS and ACCT are masked. Off until a sink is set.
namespace velmora::protocol {

using FtpTraceSink = void (*)(std::string_view line);

// Null switches the trace off. The sink may be called from any thread that
// runs a connection, and must not use a connection itself.
VELMORA_API void SetFtpTraceSink(FtpTraceSink sink);

void TraceCommand(std::string_view command);
void TraceReplyLine(std::string_view line);

}  // namespace velmora::protocol
