// upload, download, copy, zip: transfer jobs run by the library's mover, with
// the live progress line on a terminal.

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/format.h"
#include "base/path_text.h"
#include "cli/commands.h"
#include "cli/created_folders.h"
#include "cli/job_options.h"
#include "cli/job_report.h"
#include "cli/job_run.h"
#include "cli/location.h"
#include "cli/remote_glob.h"
#include "cli/server_folder.h"
#include "cli/stream_transfer.h"
#include "engine/move_trans.h"
#include "engine/mover_api.h"
#include "ftp/ftp_client.h"
#include "paths/file_path_list.h"
#include "platform/system.h"
#include "platform/work_folder.h"
#include "tasks/tsk_item.h"

namespace parcelo::cli {
namespace {

// The sources, then the destination. One list on the command line, so that
// options may follow it.
struct TransferArgs {
    std::vector<std::string> sources;
    std::string destination;
    OverwriteOptions overwrite;
    bool continuing = false;  // --continue
    bool tempNames = false;   // --temp-names (uploads)
    bool followLinks = false;  // --follow-links (uploads)

    TransferArgs Split() const {
        TransferArgs split = *this;
        split.destination = sources.back();
        split.sources.pop_back();
        return split;
    }
};

struct CopyArgs {
    std::string source;
    std::string destination;
    JobOptions job;
    OverwriteOptions overwrite;
};

// What the help of each transfer says of files that are there already.
const std::string kRerunRule =
    "Files that are there already: one equal to its source (size, and time where the target keeps times) stays "
    "and counts as unchanged; the part a killed run left of the same source is continued; any other is refused "
    "(exit status 1; the other files go on) unless --overwrite, --newer, --continue, --no-clobber or --rename "
    "(to a server) says what to do. Running a command again sends nothing that is there.\n";

// The job's settings, with what it does with files at its destination:
// what the options ask (continuing a file is asking to replace it). Without
// one, running a command again is safe (a re-run): a file equal to its
// source stays, the part a killed run left is continued, and any other file
// is refused with the options that would settle it.
velmora::CJobSettings TransferSettings(const CliContext& context, const OverwriteOptions& options, bool continuing) {
    velmora::CJobSettings settings = context.options.JobSettings();
    settings.m_eOverwrite = continuing ? velmora::EOverwrite::Design : options.Policy(velmora::EOverwrite::Rerun);
    return settings;
}

// --rename: files sent to a server keep those there, under free names.
bool KeepsServerFiles(const OverwriteOptions& options, bool continuing) { return !continuing && options.rename; }

// Whether the destination of one file is that file's new name, as cp and
// curl read "a.csv b.csv": it does not end in "/" and is not a folder that
// is there (`isFolder` asks). Several files and trees go into a folder. The
// job is told so (CJobSettings::m_bNamedTarget) and puts the file under
// that name.
bool NamesTheFile(const Location& destination, bool oneFile, const std::function<bool()>& isFolder) {
    return oneFile && !destination.folder && destination.path != "/" && !isFolder();
}

bool IsLocalFolder(const Location& local) { return velmora::CFilePath::IsExistsDirectory(local.path); }

bool IsRemoteFolder(const Location& remote) { return IsServerFolder(remote.login, remote.path); }

int RunMoverApi(CliContext& context, velmora::CMoverAPI& api, const std::string& subject, const JobServers& servers,
                const velmora::CJobSettings& settings) {
    return RunJob(context, subject, servers, settings,
                  [&api](const velmora::CJobSettings& jobSettings, velmora::CJobResult& result) {
                      api.SetJobSettings(jobSettings);
                      const bool ran = api.DoCopy();
                      result = api.GetResult();
                      return ran;
                  });
}

bool ParseAll(CliContext& context, const std::vector<std::string>& texts, std::vector<Location>& out, int& status) {
    LocationParser parser(context);
    for (const std::string& text : texts) {
        Location location;
        std::string error;
        if (!parser.Parse(text, location, error)) {
            status = context.UsageError(error);
            return false;
        }
        out.push_back(location);
    }
    return true;
}

int Upload(CliContext& context, const TransferArgs& args) {
    if (args.sources == std::vector<std::string>{"-"}) return StoreInputAsRemoteFile(context, args.destination, args.tempNames);
    if (std::ranges::count(args.sources, "-") > 0) {
        return context.UsageError("standard input (-) goes up on its own, as one file");
    }
    std::vector<Location> locals;
    Location remote;
    std::string error;
    int status = kExitOk;
    if (!LocationParser(context).ParseRemote(args.destination, remote, error)) return context.UsageError(error);
    if (!ParseAll(context, args.sources, locals, status)) return status;
    velmora::CFtpPathList files;
    for (const Location& local : locals) {
        if (local.kind != Location::kLocal) return context.UsageError("'" + local.Display() + "' is not a local path");
        if (velmora::CFilePath::IsExistsDirectory(local.path)) {
            if (locals.size() != 1) return context.UsageError("a folder is uploaded on its own: one folder, or files");
            continue;
        }
        if (!velmora::CFilePath::IsExistsFile(local.path)) return context.Fail("no such file: " + local.path);
        files.Add(new velmora::CFtpPath(local.path));
    }
    const bool named = NamesTheFile(remote, files.GetCount() == 1, [&remote] { return IsRemoteFolder(remote); });
    const velmora::CFtpPath destination = named ? velmora::CFtpPath(remote.path)
                                                : velmora::CFtpPath(remote.path, velmora::PATH_FOLDER);
    velmora::CMoverAPI api;
    api.SetContinue(args.continuing);
    api.SetTempNames(args.tempNames);
    velmora::CTansform transform;
    transform.SetFollowLinks(args.followLinks);
    api.SetTransform(transform);
    if (files.IsEmpty()) {
        api.UploadFolderA(remote.login, velmora::CFtpPath(locals.front().path, velmora::PATH_FOLDER), destination);
    } else {
        api.UploadFilesA(remote.login, files, destination);
    }
    const bool keep = KeepsServerFiles(args.overwrite, args.continuing);
    velmora::CJobSettings settings = TransferSettings(context, args.overwrite, args.continuing);
    settings.m_bNamedTarget = named;
    return RunMoverApi(context, api, locals.front().Display(), {.keepFilesOn = keep ? &remote.login : nullptr},
                       settings);
}

// A remote file to download, with what the listing says of it.
struct RemoteFile {
    Location location;
    velmora::CFtpPath listed;
};

// The remote files to download: each location whose name holds a wildcard
// becomes the files it matches; with `listAll`, every file is looked up in
// its folder's listing too, for its time. One session lists them all.
bool ListRemoteFiles(CliContext& context, const std::vector<Location>& remotes, bool listAll,
                     std::vector<RemoteFile>& expanded, int& status) {
    velmora::CFtpClient client;
    for (const Location& remote : remotes) {
        if (!remote.IsRemote() || remote.folder || (!listAll && !HasWildcard(remote.path))) {
            expanded.push_back({remote, velmora::CFtpPath(remote.path)});
            continue;
        }
        if (!client.IsConnected() && !client.Login(remote.login)) {
            status = context.Fail("cannot log in to " + remote.Display() + ": " + client.GetStrError());
            return false;
        }
        std::vector<velmora::CFtpPath> files;
        std::string error;
        if (!ExpandRemote(client, remote.path, files, error)) {
            status = context.Fail(error);
            return false;
        }
        if (files.empty()) {
            status = context.Fail(HasWildcard(remote.path) ? "no file matches " + remote.Display()
                                                           : "no such file: " + remote.Display());
            return false;
        }
        for (const velmora::CFtpPath& file : files) {
            Location match = remote;
            match.path = file.GetPath();
            expanded.push_back({match, file});
        }
    }
    return true;
}

int Download(CliContext& context, const TransferArgs& args) {
    if (args.destination == "-") return CopyRemoteFilesToOutput(context, args.sources);
    std::vector<Location> remotes;
    int status = kExitOk;
    if (!ParseAll(context, args.sources, remotes, status)) return status;
    Location local;
    std::string error;
    if (!LocationParser(context).Parse(args.destination, local, error)) return context.UsageError(error);
    if (local.kind != Location::kLocal) return context.UsageError("the destination is a local folder");
    for (const Location& remote : remotes) {
        if (!remote.IsRemote()) return context.UsageError("'" + remote.Display() + "' is not a remote location");
        if (!SameServer(remote.login, remotes.front().login)) {
            return context.UsageError("the files to download come from one server");
        }
        if (remote.folder && remotes.size() != 1) {
            return context.UsageError("a folder is downloaded on its own: one folder, or files");
        }
    }
    // Replacing only older files needs the times of the server's files.
    const bool newer = args.overwrite.Policy(velmora::EOverwrite::Design) == velmora::EOverwrite::Newer;
    std::vector<RemoteFile> listed;
    if (!ListRemoteFiles(context, remotes, newer, listed, status)) return status;
    velmora::CFtpPathList files;
    for (const RemoteFile& file : listed) {
        if (!file.location.folder) files.Add(new velmora::CFtpPath(file.listed));
    }
    const Location& first = remotes.front();
    const bool oneFile = listed.size() == 1 && !first.folder && !HasWildcard(first.path);
    const bool named = NamesTheFile(local, oneFile, [&local] { return IsLocalFolder(local); });
    const velmora::CFtpPath destination = named ? velmora::CFtpPath(local.path)
                                                : velmora::CFtpPath(local.path, velmora::PATH_FOLDER);
    velmora::CMoverAPI api;
    api.SetContinue(args.continuing);
    if (files.IsEmpty()) {
        api.DownloadFolderA(first.login, velmora::CFtpPath(first.path, velmora::PATH_FOLDER), destination);
    } else {
        api.DownloadFilesA(first.login, files, destination);
    }
    velmora::CJobSettings settings = TransferSettings(context, args.overwrite, args.continuing);
    settings.m_bNamedTarget = named;
    const CreatedFolders made(local.path);
    const int result = RunMoverApi(context, api, first.Display(), {.source = &first.login}, settings);
    if (result != kExitOk) made.RemoveEmpty();
    return result;
}

// The destination point of a copy: a folder unless the source is a single
// file (local or on a server) copied to a new name (NamesTheFile, which
// `named` tells).
velmora::CTransPoint DestinationPoint(const Location& destination, const Location& from, bool zip, bool& named) {
    const bool oneFile =
        !zip && (from.IsRemote() ? !from.folder : from.Point().GetPointType() == velmora::ePointFile);
    named = false;
    if (destination.kind == Location::kShare) return destination.Point();
    if (destination.IsRemote()) {
        named = NamesTheFile(destination, oneFile, [&destination] { return IsRemoteFolder(destination); });
        velmora::CTransPoint point = destination.Point();
        point.SetFtpPath(named ? velmora::CFtpPath(destination.path)
                               : velmora::CFtpPath(destination.path, velmora::PATH_FOLDER));
        return point;
    }
    named = NamesTheFile(destination, oneFile, [&destination] { return IsLocalFolder(destination); });
    if (named) return velmora::CTransPoint(velmora::ePointFile, velmora::CFtpPath(destination.path));
    return velmora::CTransPoint(velmora::ePointFolder, velmora::CFtpPath(destination.path, velmora::PATH_FOLDER));
}

// The file deletion that makes a copy a move; run only after a copy
// without a single error, so that no source goes without its copy.
int DeleteSource(CliContext& context, const velmora::CTransPoint& source) {
    velmora::CTansform remove;
    remove.SetDeleteSourceFile();
    velmora::CTskItems items;
    items.Add(new velmora::CTskItem(source, remove, velmora::CTransPoint(velmora::ePointNone)));
    return RunItems(context, items, source.GetStrPath(), context.options.JobSettings());
}

int Copy(CliContext& context, const CopyArgs& args) {
    LocationParser parser(context);
    Location from;
    Location to;
    std::string error;
    if (!parser.ParseEnds(args.source, args.destination, from, to, error)) {
        return context.UsageError(error);
    }
    // The engine would copy the folder's files, each to the new name.
    if (from.IsRemote() && !from.folder && IsServerFolder(from.login, from.path)) {
        return context.UsageError(from.Display() + " is a folder: add a trailing / to copy it");
    }
    const velmora::CTransPoint source = from.Point();
    if (!from.IsRemote() && !velmora::CFilePath::IsExistsDirectory(from.path) &&
        !velmora::CFilePath::IsExistsFile(from.path)) {
        return context.Fail("no such file or folder: " + from.path);
    }
    if (args.job.deleteSource && (source.GetPointType() != velmora::ePointFile || args.job.zip)) {
        return context.UsageError("--delete-source moves one local file (without --zip)");
    }
    if (args.overwrite.rename && !to.IsRemote()) return context.UsageError("--rename keeps both on a server");
    JobOptions job = args.job;
    if (!job.AskZipPassword(job.zipPasswordFile, false, error)) return context.UsageError(error);
    velmora::CTansform transform;
    if (!job.Transform(from, transform, error)) return context.UsageError(error);
    job.WarnWhenWeak(context);
    bool named = false;
    const velmora::CTransPoint destination = DestinationPoint(to, from, job.zip, named);
    // An archive of a chosen name is not replaced unasked.
    if (job.zip && !job.zipName.empty() && !to.IsRemote() && !args.overwrite.overwrite &&
        velmora::CFilePath::IsExistsFile(velmora::AppendSlash(destination.GetStrPath(), '/') + job.zipName)) {
        return context.Fail(job.zipName + " is there already in " + to.Display() + ": --overwrite replaces it");
    }
    velmora::CTskItems items;
    velmora::platform::WorkFolder work;
    if (args.job.zip && to.IsRemote() && !work.IsValid()) {
        return context.Fail("cannot create a work folder in " + velmora::platform::TempFolder());
    }
    if (!items.AddCompression(source, transform, destination, work.path())) {
        items.Add(new velmora::CTskItem(source, transform, destination));
    }
    const bool keep = to.IsRemote() && KeepsServerFiles(args.overwrite, false);
    velmora::CJobSettings settings = TransferSettings(context, args.overwrite, false);
    settings.m_bNamedTarget = named;
    const CreatedFolders made(to.IsRemote() ? std::string() : to.path);
    velmora::CJobResult copied;
    const int status =
        RunItems(context, items, from.Display(), settings, {.keepFilesOn = keep ? &to.login : nullptr}, &copied);
    if (status != kExitOk) made.RemoveEmpty();
    if (status != kExitOk || !args.job.deleteSource) return status;
    // A file kept at the destination means the source was not copied.
    if (copied.m_nSkipped > 0) return context.Fail("the source stays: it was not copied");
    return DeleteSource(context, source);
}

int Zip(CliContext& context, const CopyArgs& args) {
    Location from;
    Location archive;
    LocationParser parser(context);
    std::string error;
    if (!parser.ParseEnds(args.source, args.destination, from, archive, error)) {
        return context.UsageError(error);
    }
    if (from.kind == Location::kFtp || archive.kind == Location::kFtp) {
        return context.UsageError("zip works on local folders (use copy --zip for a server)");
    }
    if (!velmora::CFilePath::IsExistsDirectory(from.path)) return context.Fail("no such folder: " + from.path);
    if (archive.folder || velmora::CFilePath::IsExistsDirectory(archive.path)) {
        return context.UsageError("the archive is a file name, e.g. backup.zip");
    }
    if (velmora::CFilePath::IsExistsFile(archive.path) && !args.overwrite.overwrite) {
        return context.Fail(archive.path + " is there already: --overwrite replaces it");
    }
    JobOptions options = args.job;
    if (!options.AskZipPassword(context.options.passwordFile, true, error)) return context.UsageError(error);
    options.zip = true;
    velmora::CTansform transform;
    if (!options.Transform(from, transform, error)) return context.UsageError(error);
    options.WarnWhenWeak(context);
    transform.SetZipFileAuto(false);
    transform.ZipFileName() = velmora::CFilePath(archive.path).GetFileName(true);
    const velmora::CTransPoint destination(velmora::ePointFolder, velmora::CFtpPath(archive.path));
    velmora::CTskItems items;
    items.Add(new velmora::CTskItem(from.Point(), transform, destination));
    return RunItems(context, items, from.Display(), context.options.JobSettings());
}

}  // namespace

void AddTransferCommands(CLI::App& app, CliContext& context, CommandStatus& status) {
    auto upload = std::make_shared<TransferArgs>();
    CLI::App* up = app.add_subcommand("upload", "Upload one local folder, or local files, to a remote folder");
    up->add_option("LOCAL... REMOTE", upload->sources,
                   "A local folder, or local files, then ftp://host/folder/ or NAME:/folder/; one file may go to "
                   "ftp://host/folder/NEWNAME (no trailing /, not a folder there); - (standard input) then "
                   "ftp://host/folder/NAME")
        ->required()
        ->expected(2, CLI::detail::expected_max_vector_size);
    up->add_flag("-c,--continue", upload->continuing,
                 "Continue remote files that are shorter than their local source, from their end (one begun "
                 "from a local file that has changed since starts again)");
    up->add_flag("--temp-names", upload->tempNames,
                 "Send each file under a temporary name (.NAME.part), renamed when it is complete");
    AddFollowLinksTo(*up, upload->followLinks);
    upload->overwrite.AddTo(*up, true);
    up->footer(kRerunRule + up->get_footer());
    up->callback([&context, &status, upload] { status.value = Upload(context, upload->Split()); });

    auto download = std::make_shared<TransferArgs>();
    CLI::App* down = app.add_subcommand("download", "Download a remote folder (trailing /) or remote files");
    down->add_option("REMOTE... LOCAL", download->sources,
                     "A remote folder, or remote files of one server, then the local folder; one file may go to a "
                     "new name (no trailing /, not a folder there); - for standard output")
        ->required()
        ->expected(2, CLI::detail::expected_max_vector_size);
    down->add_flag("-c,--continue", download->continuing,
                   "Continue what an interrupted download left (.NAME.part), or a shorter local file, from its end "
                   "(a partial file whose remote file has changed since starts again)");
    download->overwrite.AddTo(*down);
    down->footer(kRerunRule + down->get_footer());
    down->callback([&context, &status, download] { status.value = Download(context, download->Split()); });

    auto copy = std::make_shared<CopyArgs>();
    CLI::App* copyCommand = app.add_subcommand(
        "copy", "One transfer between local folders and files, network shares and FTP servers");
    copyCommand->add_option("SOURCE", copy->source, "A local path, a share, ftp://... or NAME:/...")->required();
    copyCommand->add_option("DESTINATION", copy->destination,
                            "Where to: a folder, or for one file its new name (no trailing /, not a folder there)")
        ->required();
    copy->job.AddTo(*copyCommand, JobOptions::DeleteSource::kOffered);
    copy->overwrite.AddTo(*copyCommand, true);
    copyCommand->footer(kRerunRule + copyCommand->get_footer());
    copyCommand->callback([&context, &status, copy] { status.value = Copy(context, *copy); });

    auto zip = std::make_shared<CopyArgs>();
    CLI::App* zipCommand = app.add_subcommand("zip", "Compress a folder into a ZIP archive");
    zipCommand->add_option("SOURCE_FOLDER", zip->source, "The folder to compress")->required();
    zipCommand->add_option("ARCHIVE", zip->destination, "The archive to write, e.g. backup.zip")->required();
    zipCommand->add_flag("-e,--encrypt", zip->job.zipEncrypt,
                         "Protect the archive with a password from --password-file, $PARCELO_ZIP_PASSWORD or the "
                         "terminal (a --password-file alone asks for this too)");
    zipCommand->add_option("--password", zip->job.zipPassword, "The password itself (other users see it in ps)")
        ->type_name("P");
    zipCommand->add_flag("--overwrite", zip->overwrite.overwrite, "Replace an archive that is there already");
    zip->job.AddEncryptionTo(*zipCommand);
    zip->job.AddExclusionsTo(*zipCommand);
    zipCommand->callback([&context, &status, zip] { status.value = Zip(context, *zip); });
}

}  // namespace parcelo::cli
