#pragma once

#include <string>
#include <vector>

#include "cli/cli_context.h"

// "-" in place of a local file: standard output for what comes from a
// server (cat, download URL -), standard input for what goes to one
// (upload - URL/NAME). One session per server; no job, no progress line.
//
// Each file is checked against its server's hash as --verify says, with the
// digest taken as the bytes flow. What went to standard output cannot be
// taken back: a mismatch fails the file. What came from standard input is
// sent once more after a mismatch where standard input is a file that can be
// read again, and otherwise removed from the server (or left under its
// partial name where it cannot be removed) and failed.
namespace parcelo::cli {

// The files the texts name (wildcards allowed), one after the other; the
// exit status.
int CopyRemoteFilesToOutput(CliContext& context, const std::vector<std::string>& texts);
// Standard input, to its end, as the file `text` names (its folder is made
// when missing), sent under ".NAME.part" until it is complete and checked
// where `tempNames`; the exit status.
int StoreInputAsRemoteFile(CliContext& context, const std::string& text, bool tempNames);

}  // namespace parcelo::cli
