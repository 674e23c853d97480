#include "cli/job_run.h"

#include <optional>

#include "cli/job_report.h"
#include "cli/server_folder.h"
#include "cli/unique_upload_names.h"
#include "engine/move_trans.h"
#include "tasks/tsk_item.h"

namespace parcelo::cli {

int RunJob(CliContext& context, const std::string& subject, const JobServers& servers, velmora::CJobSettings settings,
           const JobStep& run, velmora::CJobResult* done) {
    JobReport report(context, subject);
    if (const velmora::CFtpLoginInfo* source = servers.source) {
        report.CheckRefusedFolders([source](const std::string& path) { return IsServerFolder(*source, path); });
    }
    std::optional<UniqueUploadNames> names;
    if (servers.keepFilesOn) {
        names.emplace(*servers.keepFilesOn, [&report](const std::string& text) { report.Notice(text); });
        names->OpenSession();
        settings.m_providers.uniqueName = [&names](const velmora::CFtpPath&, velmora::CFtpPath& target, bool) {
            return names->Provide(target);
        };
    }
    velmora::CJobResult result;
    const bool ran = run(settings, result);
    if (done) *done = result;
    return report.Finish(ran, result);
}

int RunItems(CliContext& context, const velmora::CTskItems& items, const std::string& subject,
             const velmora::CJobSettings& settings, const JobServers& servers, velmora::CJobResult* done) {
    const auto run = [&items](const velmora::CJobSettings& jobSettings, velmora::CJobResult& result) {
        velmora::CMover mover(items, jobSettings);
        const bool ran = mover.RunItems();
        result = mover.GetResult();
        return ran;
    };
    return RunJob(context, subject, servers, settings, run, done);
}

}  // namespace parcelo::cli
