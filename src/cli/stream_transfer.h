#pragma once

#include <string>
#include <vector>

#include "cli/cli_context.h"

// "-" in place of a local file: standard output for what comes from a
// server (cat, download URL -), standard input for what goes to one
// (upload - URL/NAME). One session per server; no job, no progress line.
namespace parcelo::cli {

// The files the texts name (wildcards allowed), one after the other; the
// exit status.
int CopyRemoteFilesToOutput(CliContext& context, const std::vector<std::string>& texts);
// Standard input, to its end, as the file `text` names (its folder is made
// when missing); the exit status.
int StoreInputAsRemoteFile(CliContext& context, const std::string& text);

}  // namespace parcelo::cli
