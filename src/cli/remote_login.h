#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/cli_context.h"
#include "cli/location.h"
#include "ftp/ftp_client.h"

// The steps every command that works on a server directly (not through a
// transfer job) takes first. Each reports its failure to the user and leaves
// the exit status in `status`.
namespace parcelo::cli {

// Reads a location that must be on a server (a usage error otherwise).
bool ParseRemoteLocation(CliContext& context, const std::string& text, Location& location, int& status);
// Logs the client in to the location's server.
bool ConnectTo(CliContext& context, const Location& location, velmora::CFtpClient& client, int& status);
// Both.
bool OpenSession(CliContext& context, const std::string& text, Location& location, velmora::CFtpClient& client,
                 int& status);

// Each file the texts name, with a session to its server (one serves the
// files of one server, in the order given). A quoted name may hold
// wildcards; one that matches nothing is an error of its own and the rest
// go on. A text that names a folder is a usage error that names
// `folderCommand`; with none, the folder is acted on like a file. False at a failure that ends the command (`status` says
// which); `status` also keeps the failures that did not.
using RemoteFileAction =
    std::function<void(velmora::CFtpClient& client, const Location& location, const velmora::CFtpPath& file)>;
bool ForEachRemoteFile(CliContext& context, const std::vector<std::string>& texts, const std::string& folderCommand,
                       int& status, const RemoteFileAction& act);

}  // namespace parcelo::cli
