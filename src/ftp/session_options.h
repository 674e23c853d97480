#pragma once

#include "ftp/protocol/ftp_trace.h"
#include "ftp/protocol/session_options.h"

// The options a remote session is opened with, and the process-wide trace of
// what sessions send and receive, under the library's own names: the code
// above the FTP access layer never names the protocol layer.
namespace velmora {

using CSessionOptions = protocol::CSessionOptions;

using protocol::FtpTraceSink;
using protocol::SetFtpTraceSink;

}  // namespace velmora
