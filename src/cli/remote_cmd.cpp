// mkdir, rmdir, rm, rename, cat, chmod: one FTP session per command.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/path_text.h"
#include "cli/commands.h"
#include "cli/file_mode.h"
#include "cli/location.h"
#include "cli/remote_login.h"
#include "cli/stream_transfer.h"
#include "ftp/ftp_client.h"
#include "ftp/ftp_node.h"
#include "ftp/ftp_remote_folder.h"

namespace parcelo::cli {
namespace {

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

int RemoveFiles(CliContext& context, const std::vector<std::string>& texts) {
    int result = kExitOk;
    ForEachRemoteFile(context, texts, "rmdir", result,
                      [&](velmora::CFtpClient& client, const Location& location, const velmora::CFtpPath& file) {
                          velmora::CRemoteSession* session = client.GetSession();
                          if (session->DeleteFile(file.GetPath())) return;
                          std::string reason = session->GetLastError();
                          // Servers word a folder refused to DELE each their own way: the server is asked.
                          if (session->IsFolder(file.GetPath())) reason = "it is a folder (use rmdir)";
                          result = context.Fail("cannot remove " + DisplayUrl(location.login, file.GetPath()) +
                                                ": " + reason);
                      });
    return result;
}

// The permission bits a listing shows, one listing per folder.
class ListedModes {
public:
    // The bits of `path` now, and whether it is a folder; false with the
    // reason when its folder cannot be listed or does not show them.
    bool Find(velmora::CRemoteSession& session, const std::string& path, uint32_t& mode, bool& folder,
              std::string& error) {
        const size_t slash = path.rfind('/');
        const std::string parent = slash == std::string::npos ? std::string("/") : path.substr(0, slash + 1);
        const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
        auto listed = m_folders.find(parent);
        if (listed == m_folders.end()) {
            std::map<std::string, Entry> entries;
            if (!velmora::ForEachRemoteEntry(
                    &session, parent,
                    [&entries](const velmora::CFtpFind& find) {
                        const velmora::CFtpDir& entry = *find.GetCurrent();
                        entries[entry.GetName()] = {entry.GetPermissions(), entry.IsFolder()};
                    },
                    &error)) {
                return false;
            }
            listed = m_folders.emplace(parent, std::move(entries)).first;
        }
        const auto entry = listed->second.find(name);
        if (entry == listed->second.end()) {
            error = "not in the listing of " + parent;
            return false;
        }
        if (!FileMode::FromPermissions(entry->second.permissions, mode)) {
            error = "the server does not show its permissions; give the mode in digits (e.g. 644)";
            return false;
        }
        folder = entry->second.folder;
        return true;
    }

private:
    struct Entry {
        std::string permissions;
        bool folder = false;
    };
    std::map<std::string, std::map<std::string, Entry>> m_folders;
};

int ChangeMode(CliContext& context, const std::string& modeText, const std::vector<std::string>& texts) {
    FileMode mode;
    if (!mode.Parse(modeText)) {
        return context.UsageError("'" + modeText + "' is not a mode: digits such as 644, or symbols such as u+x,go-w");
    }
    int result = kExitOk;
    ListedModes listed;
    ForEachRemoteFile(context, texts, "", result,
                      [&](velmora::CFtpClient& client, const Location& location, const velmora::CFtpPath& file) {
                          const std::string path = file.GetPath();
                          const std::string shown = DisplayUrl(location.login, path);
                          uint32_t current = 0;
                          bool folder = false;
                          std::string error;
                          velmora::CRemoteSession& session = *client.GetSession();
                          if (mode.IsRelative() && !listed.Find(session, path, current, folder, error)) {
                              result = context.Fail("cannot change the permissions of " + shown + ": " + error);
                              return;
                          }
                          if (session.SetPermissions(path, mode.Apply(current, folder))) return;
                          result =
                              context.Fail("cannot change the permissions of " + shown + ": " + session.GetLastError());
                      });
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

    CLI::App* cat = app.add_subcommand("cat", "Write remote files to standard output, one after the other");
    cat->add_option("REMOTE_FILE", *files, "The files; a quoted name may hold *, ? and [...]")->required();
    cat->callback([&context, &status, files] { status.value = CopyRemoteFilesToOutput(context, *files); });

    auto mode = std::make_shared<std::string>();
    CLI::App* chmod = app.add_subcommand("chmod", "Change the permissions of remote files or folders");
    chmod->add_option("MODE", *mode, "Digits (644, 0755) or symbols as chmod reads them (u+x, go-w, a=r,u+w)")
        ->required();
    chmod->add_option("REMOTE", *files, "The files or folders; a quoted name may hold *, ? and [...]")->required();
    chmod->callback([&context, &status, mode, files] { status.value = ChangeMode(context, *mode, *files); });

    auto newName = std::make_shared<std::string>();
    CLI::App* rename = app.add_subcommand("rename", "Rename or move a remote file or folder");
    rename->add_option("REMOTE", *location, "The file or folder")->required();
    rename->add_option("NEW_NAME", *newName, "A new name in the same folder, or a path on the server")->required();
    rename->callback([&context, &status, location, newName] {
        status.value = Rename(context, *location, *newName);
    });
}

}  // namespace parcelo::cli
