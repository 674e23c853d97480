#pragma once

#include <string_view>

#include "platform/api.h"

// A protocol trace: every command a control connection sends and every reply
// line it receives, handed to one process-wide sink (standard error for
// `parcelo-cli -v`, the log file in the desktop program). Commands come as
// "[2] > USER alice", reply lines as "[2] < 331 Password required", where 2
// numbers the connection in the process, so that the lines of sessions that
// run side by side can be told apart; the arguments of PASS and ACCT are
// masked. Off until a sink is set.
namespace velmora::protocol {

using FtpTraceSink = void (*)(std::string_view line);

// Null switches the trace off. The sink may be called from any thread that
// runs a connection, and must not use a connection itself.
VELMORA_API void SetFtpTraceSink(FtpTraceSink sink);

// A number for a new control connection's lines: 1, 2, 3, ...
int NextTraceLabel();
void TraceCommand(int label, std::string_view command);
void TraceReplyLine(int label, std::string_view line);

}  // namespace velmora::protocol
