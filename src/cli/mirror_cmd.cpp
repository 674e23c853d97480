// mirror: a destination folder made a copy of a source folder's contents,
// sending only what is new or changed, one line per action and a summary.

#include <memory>
#include <string>

#include "base/format.h"
#include "base/value_format.h"
#include "cli/commands.h"
#include "cli/job_database_file.h"
#include "cli/job_options.h"
#include "cli/job_run.h"
#include "cli/json_line.h"
#include "cli/location.h"
#include "engine/job_result.h"
#include "engine/mirror.h"
#include "tasks/tansform.h"
#include "tasks/tsk_item.h"

namespace parcelo::cli {
namespace {

struct MirrorArgs {
    std::string source;
    std::string destination;
    bool deleteExtra = false;
    int maxDelete = velmora::CTansform::kDeleteGuarded;
    bool forceDelete = false;
    bool dryRun = false;
    // Files of equal size are compared by their hashes, not their times.
    bool checksum = false;
    // A job database that keeps the record of earlier runs.
    std::string database;
    // Only the exclusions are used.
    JobOptions exclusions;
};

// A folder end of the mirror; a local source folder must be there.
bool MirrorPoint(const Location& location, bool mustExist, velmora::CTransPoint& point, std::string& error) {
    const velmora::CFtpPath folder(location.path, velmora::PATH_FOLDER);
    if (location.IsRemote()) {
        point = velmora::CTransPoint(velmora::ePointFtp, location.login, folder);
        return true;
    }
    if (velmora::CFilePath::IsExistsFile(location.path)) {
        error = "'" + location.Display() + "' is a file: mirror works on folders";
        return false;
    }
    if (mustExist && location.kind == Location::kLocal && !velmora::CFilePath::IsExistsDirectory(location.path)) {
        error = "no such folder: " + location.path;
        return false;
    }
    point = velmora::CTransPoint(location.kind == Location::kShare ? velmora::ePointNetwork : velmora::ePointFolder,
                                 folder);
    return true;
}

// {"action":"new","path":"img/logo.png"}: "new", "changed" or "deleted".
std::string ActionJson(const std::string& action, const std::string& path) {
    const std::string word = action == "+" ? "new" : action == "~" ? "changed" : action == "-" ? "deleted" : action;
    return JsonLine().Text("action", word).Text("path", path).Line();
}

void PrintSummary(const CliContext& context, bool dryRun, const velmora::CJobResult& job) {
    const velmora::CMirrorCounts& counts = job.m_mirror;
    const int32_t sent = dryRun ? counts.m_nNew + counts.m_nChanged : job.m_nProcessed;
    const int64_t bytes = dryRun ? counts.m_nBytes : job.m_nProcessedBytes;
    if (context.options.json) {
        context.Print(JsonLine()
                          .Text("summary", "mirror")
                          .Flag("dry_run", dryRun)
                          .Number("sent", sent)
                          .Number("bytes", bytes)
                          .Number("unchanged", counts.m_nEqual)
                          .Number("deleted", counts.m_nDeleted)
                          .Line());
        return;
    }
    const std::string bytesText = velmora::FormatValue(static_cast<uint64_t>(bytes), false);
    context.Print(velmora::Format("%s %d files (%s bytes), skipped %d unchanged, %s %d", dryRun ? "Would send" : "Sent",
                                  sent, bytesText.c_str(), counts.m_nEqual, dryRun ? "would delete" : "deleted",
                                  counts.m_nDeleted));
}

int Mirror(CliContext& context, const MirrorArgs& args) {
    LocationParser parser(context);
    Location from;
    Location to;
    std::string error;
    if (!parser.ParseEnds(args.source, args.destination, from, to, error)) {
        return context.UsageError(error);
    }
    velmora::CTransPoint source;
    velmora::CTransPoint destination;
    if (!MirrorPoint(from, true, source, error) || !MirrorPoint(to, false, destination, error)) {
        return context.UsageError(error);
    }
    velmora::CTansform transform;
    if (!args.exclusions.Transform(from, transform, error)) return context.UsageError(error);
    transform.SetSync();
    transform.SetSyncDelete(args.deleteExtra);
    transform.SetMaxDelete(args.forceDelete ? velmora::CTansform::kDeleteAny : args.maxDelete);
    transform.SetDryRun(args.dryRun);
    velmora::CTskItems items;
    items.Add(new velmora::CTskItem(source, transform, destination));
    JobDatabaseFile database;
    if (!args.database.empty() && !database.Open(args.database, error)) return context.Fail(error);
    if (!args.database.empty()) context.Warn(JobDatabaseFile::AccessWarning(args.database));
    velmora::CJobSettings settings = context.options.JobSettings();
    if (!args.database.empty()) settings.m_pRecordDatabase = database.get();
    settings.m_bMirrorChecksum = args.checksum;
    int status = kExitOk;
    velmora::CJobResult result;
    {
        // "+ new", "~ changed", "- deleted" as they happen.
        velmora::CMirrorActionListener lines([&context](const std::string& action, const std::string& path) {
            // The refusal itself is the job's error, told at its end.
            if (action == velmora::CMirror::kRefusedAction)
                context.Warn("to delete all the same: --max-delete N (at most N) or --force-delete");
            else
                context.Print(context.options.json ? ActionJson(action, path) : action + " " + path);
        });
        status = RunItems(context, items, from.Display(), settings, {}, &result);
    }
    PrintSummary(context, args.dryRun, result);
    return status;
}

}  // namespace

void AddMirrorCommand(CLI::App& app, CliContext& context, CommandStatus& status) {
    auto args = std::make_shared<MirrorArgs>();
    CLI::App* mirror = app.add_subcommand(
        "mirror", "Make DESTINATION a copy of SOURCE's contents, sending only new and changed files");
    mirror->add_option("SOURCE", args->source, "A folder: local, ftp://... or NAME:/...")->required();
    mirror->add_option("DESTINATION", args->destination, "A folder, created when missing")->required();
    mirror->add_flag("--delete", args->deleteExtra,
                     "Also delete what DESTINATION has and SOURCE lacks: never more than half of DESTINATION, "
                     "and nothing when SOURCE is empty, unless --max-delete or --force-delete says so");
    mirror->add_option("--max-delete", args->maxDelete, "With --delete: delete up to N entries, whatever the share")
        ->type_name("N")
        ->check(CLI::NonNegativeNumber);
    mirror->add_flag("--force-delete", args->forceDelete, "With --delete: delete whatever the number");
    mirror->add_flag("--dry-run", args->dryRun, "Only print what would be done");
    mirror->add_flag("--checksum", args->checksum,
                     "Compare files of equal size by their hashes instead of their times (slow: the server hashes "
                     "each such file; without a hash in common, times decide)");
    mirror->add_option("--db", args->database,
                       "A job database that keeps a record of each run, so that the next one need not list "
                       "the whole destination")
        ->type_name("FILE");
    args->exclusions.AddExclusionsTo(*mirror);
    mirror->callback([&context, &status, args] { status.value = Mirror(context, *args); });
}

}  // namespace parcelo::cli
