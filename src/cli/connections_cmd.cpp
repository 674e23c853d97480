// connections list | add | remove | show | password: the saved connections,
// in the same file the desktop program keeps them in; their passwords in the
// desktop's keyring where one runs.

#include <filesystem>
#include <string>

#include "base/format.h"
#include "cli/commands.h"
#include "cli/location.h"
#include "cli/tls_options.h"
#include "ftp/login_info.h"
#include "ftp/password_store.h"
#include "ftp/tls_trust.h"
#include "platform/secret_store.h"

namespace parcelo::cli {
namespace {

struct AddOptions {
    std::string name;
    std::string url;
    std::string description;
    bool active = false;
    int retries = 3;
};

// Shown with "\n" line ends on a terminal.
std::string UnixLines(std::string text) {
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
    return text;
}

bool Save(CliContext& context, velmora::CFtpLoginInfoList& list, std::string& error) {
    const std::filesystem::path file(context.ConnectionsFile());
    std::error_code ignored;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ignored);
    const bool saved = list.SaveXML(file.string());
    for (const std::string& notice : list.GetSaveNotices()) context.Warn(notice);
    if (saved) return true;
    error = "cannot write the connection list '" + file.string() + "': " + list.GetLastError();
    return false;
}

// Where the connection's password rests, in words.
std::string PasswordPlace(const CliContext& context, const velmora::CFtpLoginInfo& info) {
    switch (info.GetPasswordRest()) {
        case velmora::EPasswordStore::Keyring: return "in the desktop keyring";
        case velmora::EPasswordStore::None: return "not saved: asked for at each use";
        default:
            return info.GetPassword().empty() ? "none saved" : "scrambled in " + context.ConnectionsFile();
    }
}

int List(CliContext& context) {
    velmora::CFtpLoginInfoList* list = nullptr;
    std::string error;
    if (!context.Connections(list, error)) return context.Fail(error);
    for (const velmora::CFtpLoginInfo* info : *list) {
        context.Print(velmora::Format("%s\t%s\t%s", info->GetHostName().c_str(),
                                      DisplayUrl(*info, info->GetRemotePath()).c_str(),
                                      info->GetLoginName().c_str()));
    }
    return kExitOk;
}

int Show(CliContext& context, const std::string& name) {
    velmora::CFtpLoginInfoList* list = nullptr;
    std::string error;
    if (!context.Connections(list, error)) return context.Fail(error);
    const velmora::CFtpLoginInfo* info = list->FindByHost(name);
    if (!info) return context.Fail("no saved connection named '" + name + "'");
    context.Print(UnixLines(info->GetDescription()));
    context.Print(velmora::Format(" - Port:........'%d'\n - Passive:.....'%s'\n - Retries:.....'%d'",
                                  info->GetPort(), info->IsPassive() ? "yes" : "no", info->GetRetries()));
    if (info->IsSftp()) {
        context.Print(" - Protocol:....'SFTP'");
        const velmora::CSshSettings& ssh = info->GetSshSettings();
        if (!ssh.fingerprint.empty()) context.Print(" - Host key:....'" + ssh.fingerprint + "'");
        for (const std::string& file : ssh.identities) context.Print(" - Key file:....'" + file + "'");
    } else {
        context.Print(velmora::Format(" - TLS:.........'%s'", velmora::TlsModeName(info->GetTlsMode())));
    }
    if (!info->GetTlsFingerprint().empty())
        context.Print(" - Certificate:.'" + info->GetTlsFingerprint() + "'");
    if (!info->GetTlsCaFile().empty()) context.Print(" - CA file:.....'" + info->GetTlsCaFile() + "'");
    if (info->IsTlsInsecure()) context.Print(" - Accepts ANY certificate (UNSAFE)");
    context.Print(" - Password:....'" + PasswordPlace(context, *info) + "'");
    return kExitOk;
}

int Add(CliContext& context, const AddOptions& options) {
    velmora::CFtpLoginInfoList* list = nullptr;
    std::string error;
    if (!context.Connections(list, error)) return context.Fail(error);
    if (list->FindByHost(options.name)) return context.Fail("a connection named '" + options.name + "' exists");
    if (!LocationParser::IsFtpUrl(options.url)) {
        return context.UsageError(
            "the address must be ftp://[user[:password]@]host[:port]/path (or ftpes://, ftps://, sftp://)");
    }
    Location location;
    LocationParser parser(context);
    parser.AllowMissingPassword();
    if (!parser.Parse(options.url, location, error)) return context.UsageError(error);
    velmora::CFtpLoginInfo* info = list->AddNewConnection(nullptr);
    const std::string guid = info->GetStrGUID();
    info->Copy(location.login);
    info->SetStrGUID(guid);
    info->SetHostName(options.name);
    info->SetDescr(options.description);
    info->SetPassive(!options.active);
    info->SetRetries(options.retries);
    info->SetFtpPath(velmora::CFtpPath(location.path, velmora::PATH_FOLDER));
    KeepTlsWhereSeen(*info);
    if (info->IsTlsInsecure()) context.Warn(StoredInsecureWarning("connection", info->GetHost()));
    if (!Save(context, *list, error)) return context.Fail(error);
    if (location.passwordMissing) {
        context.Warn("saved no password for '" + options.name +
                     "': each use asks for it on a terminal or takes --password-file, $PARCELO_PASSWORD or ~/.netrc, "
                     "and a schedule cannot log in with it; save one with: connections password " + options.name);
    } else if (info->GetPasswordRest() == velmora::EPasswordStore::None) {
        context.Warn("the password of '" + options.name + "' is not saved (--password-store none): each use asks for it");
    }
    return kExitOk;
}

int SetPassword(CliContext& context, const std::string& name) {
    velmora::CFtpLoginInfoList* list = nullptr;
    std::string error;
    if (!context.Connections(list, error)) return context.Fail(error);
    velmora::CFtpLoginInfo* info = list->FindByHost(name);
    if (!info) return context.Fail("no saved connection named '" + name + "'");
    std::string password;
    bool found = false;
    if (!context.PasswordFromFile(password, found, error)) return context.Fail(error);
    if (!found) found = CliContext::PasswordFromEnvironment(password);
    if (!found) found = context.AskPassword(*info, password);
    if (!found) {
        return context.Fail("no password for '" + name +
                            "': give it with --password-file FILE or $PARCELO_PASSWORD, or run the command from a "
                            "terminal to be asked for it");
    }
    // Given now to be kept: also for a connection that asked each time.
    if (info->GetPasswordRest() == velmora::EPasswordStore::None) info->SetPasswordRest(velmora::EPasswordStore::File);
    info->SetPassword(password);
    velmora::platform::WipeSecret(password);
    if (!Save(context, *list, error)) return context.Fail(error);
    context.Print("the password of '" + name + "' is " + PasswordPlace(context, *info));
    return kExitOk;
}

int Remove(CliContext& context, const std::string& name) {
    velmora::CFtpLoginInfoList* list = nullptr;
    std::string error;
    if (!context.Connections(list, error)) return context.Fail(error);
    velmora::CFtpLoginInfo* info = list->FindByHost(name);
    if (!info) return context.Fail("no saved connection named '" + name + "'");
    list->RemoveAndDestroy(info);
    if (!Save(context, *list, error)) return context.Fail(error);
    return kExitOk;
}

}  // namespace

void AddConnectionCommands(CLI::App& app, CliContext& context, CommandStatus& status) {
    CLI::App* connections = app.add_subcommand("connections", "Edit the list of saved connections");
    connections->require_subcommand(1);

    connections->add_subcommand("list", "Name, address and user of each saved connection")->callback([&] {
        status.value = List(context);
    });

    auto name = std::make_shared<std::string>();
    CLI::App* show = connections->add_subcommand("show", "The settings of one saved connection");
    show->add_option("NAME", *name, "The connection's name")->required();
    show->callback([&context, &status, name] { status.value = Show(context, *name); });

    auto add = std::make_shared<AddOptions>();
    CLI::App* addCommand = connections->add_subcommand("add", "Save a new connection");
    addCommand->add_option("NAME", add->name, "The connection's name")->required();
    addCommand->add_option("URL", add->url, "ftp://[user[:password]@]host[:port]/start-folder")->required();
    addCommand->add_option("--description", add->description, "Free text");
    addCommand->add_flag("--active", add->active, "Active mode (the server connects back)");
    addCommand->add_option("--retries", add->retries, "Login attempts")->check(CLI::Range(1, 100));
    addCommand->callback([&context, &status, add] { status.value = Add(context, *add); });

    auto named = std::make_shared<std::string>();
    CLI::App* password = connections->add_subcommand(
        "password", "Save a connection's password (from --password-file, $PARCELO_PASSWORD or the terminal) in the "
                    "desktop keyring, or as --password-store says");
    password->add_option("NAME", *named, "The connection's name")->required();
    password->callback([&context, &status, named] { status.value = SetPassword(context, *named); });

    auto removed = std::make_shared<std::string>();
    CLI::App* remove = connections->add_subcommand("remove", "Delete a saved connection (and its keyring entry)");
    remove->add_option("NAME", *removed, "The connection's name")->required();
    remove->callback([&context, &status, removed] { status.value = Remove(context, *removed); });
}

}  // namespace parcelo::cli
