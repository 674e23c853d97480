#include "cli/job_run.h"

#include <optional>

#include "cli/job_report.h"
#include "cli/server_folder.h"
#include "cli/unique_upload_names.h"
#include "engine/move_trans.h"
#include "tasks/tsk_item.h"

namespace parcelo::cli {

int RunJob(CliContext& context, const std::string& subject, const JobServers& servers,
           const std::function<bool()>& run) {
    JobReport report(context, subject);
    if (const velmora::CFtpLoginInfo* source = servers.source) {
        report.CheckRefusedFolders([source](const std::string& path) { return IsServerFolder(*source, path); });
    }
    std::optional<UniqueUploadNames> names;
    if (servers.keepFilesOn) {
        names.emplace(*servers.keepFilesOn, [&report](const std::string& text) { report.Notice(text); });
        names->OpenSession();
    }
    return report.Finish(run());
}

int RunItems(CliContext& context, const velmora::CTskItems& items, const std::string& subject,
             const JobServers& servers) {
    return RunJob(context, subject, servers, [&items] { return velmora::CMover(items).RunItems(); });
}

}  // namespace parcelo::cli
