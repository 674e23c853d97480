#pragma once

#include <string>

#include "ftp/login_info.h"

namespace parcelo::cli {

// Whether `path` is a folder on the login's server: the server lets a
// session change into it. Servers refuse to send a folder in their own
// words, so this is asked instead of reading the refusal. One session.
bool IsServerFolder(const velmora::CFtpLoginInfo& login, const std::string& path);

}  // namespace parcelo::cli
