#pragma once

#include <functional>
#include <string>

#include "cli/cli_context.h"
#include "engine/job_result.h"
#include "engine/job_settings.h"
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

// Runs a job with `settings` and answers its run's result; `result` gets
// what the job did.
using JobStep = std::function<bool(const velmora::CJobSettings& settings, velmora::CJobResult& result)>;

// A job (`run`) reported to the user; `subject` names what it moves, for
// errors that name nothing. The job's own error count decides the exit
// status; `done`, when given, gets what the job did.
int RunJob(CliContext& context, const std::string& subject, const JobServers& servers, velmora::CJobSettings settings,
           const JobStep& run, velmora::CJobResult* done = nullptr);

// One job of task items, run by a mover.
int RunItems(CliContext& context, const velmora::CTskItems& items, const std::string& subject,
             const velmora::CJobSettings& settings, const JobServers& servers = {},
             velmora::CJobResult* done = nullptr);

}  // namespace parcelo::cli
