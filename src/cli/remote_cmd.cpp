// ls, mkdir, rmdir, rm, rename: one FTP session per command.

#include <memory>
#include <string>
#include <vector>

#include "base/format.h"
#include "base/path_text.h"
#include "cli/commands.h"
#include "cli/location.h"
#include "cli/remote_glob.h"
#include "ftp/ftp_client.h"
#include "ftp/ftp_find.h"
#include "ftp/ftp_node.h"
#include "platform/clock.h"

namespace parcelo::cli {
namespace {

// A logged-in session for the location's server; the error is reported.
bool Connect(CliContext& context, const Location& location, velmora::CFtpClient& client, int& status) {
    if (client.Login(location.login)) return true;
    status = context.Fail("cannot log in to " + location.Display() + ": " + client.GetStrError());
    return false;
}

bool ParseRemote(CliContext& context, const std::string& text, Location& location, int& status) {
    std::string error;
    if (LocationParser(context).ParseRemote(text, location, error)) return true;
    status = context.UsageError(error);
    return false;
}

// The location read and its server logged in to.
bool OpenSession(CliContext& context, const std::string& text, Location& location, velmora::CFtpClient& client,
                 int& status) {
    return ParseRemote(context, text, location, status) && Connect(context, location, client, status);
}

std::string KindText(const velmora::CFtpDir& entry) {
    if (entry.IsFolder()) return "dir";
    if (entry.IsLink()) return "link";
    return "file";
}

std::string DateText(const velmora::CFtpPath& path) {
    if (path.LastWriteTime() == 0) return "-";
    return velmora::platform::FormatLocalTime(velmora::platform::FileTimeToUnix(path.LastWriteTime()),
                                              "%Y-%m-%d %H:%M");
}

int List(CliContext& context, const std::string& text) {
    Location location;
    velmora::CFtpClient client;
    int status = kExitOk;
    if (!OpenSession(context, text, location, client, status)) return status;
    velmora::CFtpFind find(client.GetSession());
    if (!find.Open(location.path)) {
        return context.Fail("cannot list " + location.Display() + ": " + find.GetLastError());
    }
    for (bool more = find.GetCount() > 0; more;) {
        more = find.FindNextFileW() != 0;
        const velmora::CFtpDir& entry = *find.GetCurrent();
        const std::string size =
            entry.IsFile() ? velmora::Format("%llu", static_cast<unsigned long long>(entry.GetPath().Length())) : "-";
        context.Print(velmora::Format("%-4s %14s  %-16s  %s", KindText(entry).c_str(), size.c_str(),
                                      DateText(entry.GetPath()).c_str(), entry.GetName().c_str()));
    }
    return kExitOk;
}

int MakeFolder(CliContext& context, const std::string& text) {
    Location location;
    velmora::CFtpClient client;
    int status = kExitOk;
    if (!OpenSession(context, text, location, client, status)) return status;
    if (client.CreateFolder(velmora::CFtpPath(location.path, velmora::PATH_FOLDER))) return kExitOk;
    return context.Fail("cannot create " + location.Display() + ": " + client.GetStrError());
}

int RemoveFolder(CliContext& context, const std::string& text, bool recursive) {
    Location location;
    velmora::CFtpClient client;
    int status = kExitOk;
    if (!OpenSession(context, text, location, client, status)) return status;
    const velmora::CFtpPath folder(location.path, velmora::PATH_FOLDER);
    if (folder.IsFtpRoot()) return context.UsageError("the server's root folder cannot be removed");
    if (recursive) {
        velmora::CFtpNode node(client.GetSession());
        if (node.DeleteFolder(folder)) return kExitOk;
        return context.Fail("cannot remove " + location.Display() + ": " + node.GetLastError());
    }
    velmora::CRemoteSession* session = client.GetSession();
    if (session->RemoveFolder(folder.GetFtpDir(false))) return kExitOk;
    return context.Fail("cannot remove " + location.Display() + ": " + session->GetLastError());
}

// One session serves every file of one server.
int RemoveFiles(CliContext& context, const std::vector<std::string>& texts) {
    int result = kExitOk;
    velmora::CFtpClient client;
    velmora::CFtpLoginInfo connected;
    for (const std::string& text : texts) {
        Location location;
        int status = kExitOk;
        if (!ParseRemote(context, text, location, status)) return status;
        if (location.folder) return context.UsageError("'" + text + "' names a folder: use rmdir");
        if (!client.IsConnected() || !SameServer(connected, location.login)) {
            client.Logoff();
            if (!Connect(context, location, client, status)) return status;
            connected = location.login;
        }
        std::vector<velmora::CFtpPath> files = {velmora::CFtpPath(location.path)};
        if (HasWildcard(location.path)) {
            files.clear();
            std::string error;
            if (!ExpandRemote(client, location.path, files, error)) return context.Fail(error);
            if (files.empty()) result = context.Fail("no file matches " + location.Display());
        }
        velmora::CRemoteSession* session = client.GetSession();
        for (const velmora::CFtpPath& file : files) {
            if (!session->DeleteFile(file.GetPath())) {
                std::string reason = session->GetLastError();
                // Servers word a folder refused to DELE each their own way: the server is asked.
                if (session->IsFolder(file.GetPath())) reason = "it is a folder (use rmdir)";
                result = context.Fail("cannot remove " + DisplayUrl(location.login, file.GetPath()) + ": " + reason);
            }
        }
    }
    return result;
}

// The new name: a path on the same server, or a bare name in the folder
// that holds `from` (a path without a trailing "/").
std::string RenameTarget(const std::string& from, const std::string& to) {
    const std::string target = to.size() > 1 ? velmora::RemoveSlash(to) : to;
    if (target.starts_with("/")) return target;
    return velmora::CFtpPath(from).GetFtpDir(true) + target;
}

int Rename(CliContext& context, const std::string& text, const std::string& to) {
    if (to.empty() || to.find("://") != std::string::npos) {
        return context.UsageError("the new name is a name or a path on the same server");
    }
    Location location;
    velmora::CFtpClient client;
    int status = kExitOk;
    if (!OpenSession(context, text, location, client, status)) return status;
    velmora::CRemoteSession* session = client.GetSession();
    const std::string from = location.folder ? velmora::CFtpPath(location.path, velmora::PATH_FOLDER).GetFtpDir(false)
                                             : location.path;
    if (session->Rename(from, RenameTarget(from, to))) return kExitOk;
    return context.Fail("cannot rename " + location.Display() + ": " + session->GetLastError());
}

}  // namespace

void AddRemoteCommands(CLI::App& app, CliContext& context, CommandStatus& status) {
    auto location = std::make_shared<std::string>();
    CLI::App* ls = app.add_subcommand("ls", "List a remote folder: kind, size, date, name");
    ls->add_option("REMOTE_FOLDER", *location, "ftp://host/folder/ or NAME:/folder/")->required();
    ls->callback([&context, &status, location] { status.value = List(context, *location); });

    CLI::App* mkdir = app.add_subcommand("mkdir", "Create a remote folder (and the folders above it)");
    mkdir->add_option("REMOTE_FOLDER", *location, "The folder to create")->required();
    mkdir->callback([&context, &status, location] { status.value = MakeFolder(context, *location); });

    auto recursive = std::make_shared<bool>(false);
    CLI::App* rmdir = app.add_subcommand("rmdir", "Remove a remote folder");
    rmdir->add_option("REMOTE_FOLDER", *location, "The folder to remove")->required();
    rmdir->add_flag("-r,--recursive", *recursive, "Remove everything in it too");
    rmdir->callback([&context, &status, location, recursive] {
        status.value = RemoveFolder(context, *location, *recursive);
    });

    auto files = std::make_shared<std::vector<std::string>>();
    CLI::App* rm = app.add_subcommand("rm", "Remove remote files");
    rm->add_option("REMOTE_FILE", *files, "The files to remove; a quoted name may hold *, ? and [...]")->required();
    rm->callback([&context, &status, files] { status.value = RemoveFiles(context, *files); });

    auto newName = std::make_shared<std::string>();
    CLI::App* rename = app.add_subcommand("rename", "Rename or move a remote file or folder");
    rename->add_option("REMOTE", *location, "The file or folder")->required();
    rename->add_option("NEW_NAME", *newName, "A new name in the same folder, or a path on the server")->required();
    rename->callback([&context, &status, location, newName] {
        status.value = Rename(context, *location, *newName);
    });
}

}  // namespace parcelo::cli
