#pragma once

#include <functional>
#include <string>

#include "cli/cli_context.h"
#include "ftp/login_info.h"

namespace velmora {
class CTskItems;
}

namespace parcelo::cli {

// The servers a job's report and names ask.
struct JobServers {
    // Files sent to this server get free names there (UniqueUploadNames).
    const velmora::CFtpLoginInfo* keepFilesOn = nullptr;
    // A file this server refused to send is looked up as a folder.
    const velmora::CFtpLoginInfo* source = nullptr;
};

// A job (`run`) reported to the user; `subject` names what it moves, for
// errors that name nothing. The job's own error count decides the exit
// status.
int RunJob(CliContext& context, const std::string& subject, const JobServers& servers,
           const std::function<bool()>& run);

// One job of task items, run by a mover.
int RunItems(CliContext& context, const velmora::CTskItems& items, const std::string& subject,
             const JobServers& servers = {});

}  // namespace parcelo::cli
