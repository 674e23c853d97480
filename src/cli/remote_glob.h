#pragma once

#include <string>
#include <vector>

#include "ftp/ftp_client.h"

namespace parcelo::cli {

// True when the last name of a remote path holds a wildcard: "*", "?" or
// "[...]" (matched by the program, not by the shell, when quoted).
bool HasWildcard(const std::string& path);

// The files of the pattern's folder whose names match its last name, as
// full paths in listing order; false (with `error`) when the folder cannot
// be listed. Folders never match.
bool ExpandRemote(velmora::CFtpClient& client, const std::string& pattern, std::vector<std::string>& paths,
                  std::string& error);

}  // namespace parcelo::cli
