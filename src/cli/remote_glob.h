#pragma once

#include <string>
#include <vector>

#include "ftp/ftp_client.h"

namespace parcelo::cli {

// True when the last name of a remote path holds a wildcard: "*", "?" or
// "[...]" (matched by the program, not by the shell, when quoted).
bool HasWildcard(const std::string& path);

// The files of the pattern's folder whose names match its last name, as
// full paths with the listing's size and times, in listing order; false
// (with `error`) when the folder cannot be listed. Folders never match. A
// name without wildcards matches itself.
bool ExpandRemote(velmora::CFtpClient& client, const std::string& pattern, std::vector<velmora::CFtpPath>& files,
                  std::string& error);

}  // namespace parcelo::cli
