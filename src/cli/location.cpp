#include "cli/location.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "base/format.h"
#include "base/path_text.h"
#include "base/text.h"
#include "cli/netrc.h"
#include "cli/ssh_options.h"
#include "cli/terminal_prompt.h"
#include "ftp/password_store.h"
#include "tasks/ftp_url.h"

namespace parcelo::cli {
namespace {

constexpr std::string_view kFtpSchemes[] = {"ftp://", "ftpes://", "ftps://", "sftp://"};
// What a server sees as the user when a URL names none.
constexpr const char* kAnonymousUser = "anonymous";
constexpr const char* kPasswordSources =
    "give it with --password-file FILE, $PARCELO_PASSWORD or ~/.netrc, or run the command from a terminal to be "
    "asked for it";

// Anonymous logins take what they are given. An SSH login with a key file
// or an agent to offer asks for no password before it is refused one.
bool NeedsPassword(const velmora::CFtpLoginInfo& login, const velmora::CFtpLoginInfo* saved) {
    if (login.IsSftp()) {
        const char* agent = std::getenv("SSH_AUTH_SOCK");
        const bool agentOffered = login.GetSshSettings().useAgent && agent && *agent;
        return !login.GetLoginName().empty() && login.GetSshSettings().identities.empty() && !agentOffered;
    }
    return !login.GetLoginName().empty() && !velmora::EqualsNoCase(login.GetLoginName(), kAnonymousUser) &&
           !(saved && saved->IsAnonymous());
}

// The user an SSH address without one logs in as, as ssh does: the local one.
std::string LocalUser() {
    if (const char* user = std::getenv("USER"); user && *user) return user;
    const passwd* entry = getpwuid(geteuid());
    return entry ? entry->pw_name : std::string();
}

bool EndsWithSeparator(const std::string& text) {
    return !text.empty() && velmora::CFilePath::IsSlash(text.back());
}

// A saved connection's start folder, "/" when it has none.
std::string StartFolder(const velmora::CFtpLoginInfo& saved) {
    const std::string folder = saved.GetRemotePath();
    return folder.starts_with("/") ? folder : "/" + folder;
}

}  // namespace

velmora::CFtpPath Location::Path() const {
    return velmora::CFtpPath(path, folder ? velmora::PATH_FOLDER : velmora::PATH_LITERAL);
}

std::string DisplayUrl(const velmora::CFtpLoginInfo& login, const std::string& path) {
    velmora::CFtpLoginInfo shown;
    shown.SetHost(login.GetHost());
    shown.SetPort(login.GetPort());
    shown.SetTlsMode(login.GetTlsMode());
    shown.SetProtocol(login.GetProtocol());
    // The URL puts its own "/" after the host.
    const size_t start = path.find_first_not_of('/');
    shown.SetFtpPath(velmora::CFtpPath(start == std::string::npos ? std::string() : path.substr(start)));
    return shown.GetPureURL();
}

bool SameServer(const velmora::CFtpLoginInfo& a, const velmora::CFtpLoginInfo& b) {
    return a.GetProtocol() == b.GetProtocol() && a.GetHost() == b.GetHost() && a.GetPort() == b.GetPort() &&
           a.GetLoginName() == b.GetLoginName();
}

std::string Location::Display() const { return kind == kFtp ? DisplayUrl(login, path) : path; }

velmora::CTransPoint Location::Point() const {
    if (kind == kFtp) {
        velmora::CTransPoint point(velmora::ePointFtp, login, Path());
        return point;
    }
    if (kind == kShare) return velmora::CTransPoint(velmora::ePointNetwork, Path());
    const bool isFolder = velmora::CFilePath::IsExistsDirectory(path) ||
                          (!velmora::CFilePath::IsExistsFile(path) && folder);
    return velmora::CTransPoint(isFolder ? velmora::ePointFolder : velmora::ePointFile,
                                velmora::CFtpPath(path, isFolder ? velmora::PATH_FOLDER : velmora::PATH_LITERAL));
}

bool LocationParser::IsFtpUrl(const std::string& text) {
    for (const std::string_view scheme : kFtpSchemes)
        if (velmora::EqualsNoCase(std::string_view(text).substr(0, scheme.size()), scheme)) return true;
    return false;
}

bool LocationParser::IsSavedConnection(const std::string& text, std::string& name, std::string& path) {
    // A name is whatever comes before the first ":", as long as it holds no
    // separator itself (so "./a:/b" stays a local path); after it comes an
    // absolute path or nothing.
    const size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    if (text.find_first_of("/\\") < colon) return false;
    if (colon + 1 < text.size() && text[colon + 1] != '/') return false;
    name = text.substr(0, colon);
    path = text.substr(colon + 1);
    return true;
}

bool LocationParser::Parse(const std::string& text, Location& out, std::string& error) {
    out = Location();
    if (text.empty()) {
        error = "an empty location";
        return false;
    }
    out.folder = EndsWithSeparator(text);
    if (IsFtpUrl(text)) return ParseUrl(text, out, error);
    std::string name;
    std::string path;
    if (IsSavedConnection(text, name, path)) return ParseSaved(name, path, out, error);
    out.kind = text.starts_with("\\\\") ? Location::kShare : Location::kLocal;
    out.path = out.folder && text.size() > 1 ? velmora::RemoveSlash(text) : text;
    // The library reads a path without a leading "/" from the root, so a
    // relative path is made absolute here, against the current folder.
    std::error_code ignored;
    if (out.kind == Location::kLocal) out.path = std::filesystem::absolute(out.path, ignored).lexically_normal().string();
    if (out.path.size() > 1 && out.path.back() == '/') out.path.pop_back();
    return true;
}

bool LocationParser::ParseRemote(const std::string& text, Location& out, std::string& error) {
    if (!Parse(text, out, error)) return false;
    if (out.IsRemote()) return true;
    error = "'" + text + "' is not a remote location (ftp://host/path, sftp://host/path or NAME:/path)";
    return false;
}

bool LocationParser::ParseUrl(const std::string& text, Location& out, std::string& error) {
    velmora::CFtpUrl url;
    if (!url.Parse(text)) {
        error = "cannot read the FTP address (ftp://[user[:password]@]host[:port]/path, or sftp://)";
        return false;
    }
    out.kind = Location::kFtp;
    out.login.SetHost(url.host);
    out.login.SetHostName(url.host);
    out.login.SetPort(url.port);
    out.login.SetPassword(url.password);
    out.login.SetProtocol(url.protocol);
    // Escapes in the path as curl and lftp read them ("sub%20one" is "sub one").
    out.path = url.path.empty() ? "/" : velmora::CFtpUrl::PercentDecode(url.path);
    if (out.login.IsSftp()) {
        out.login.SetLoginName(url.hasUser ? url.user : LocalUser());
        out.login.SetSshSettings(SshSettingsFor(m_context.options.ssh, m_context.options.tls, nullptr));
        return ApplyPassword(url.hasPassword, true, nullptr, out, error);
    }
    out.login.SetLoginName(url.hasUser ? url.user : kAnonymousUser);
    out.ownTls.mode = url.tlsMode.value_or(velmora::ETlsMode::Plain);
    out.login.SetTlsSettings(TlsSettingsFor(m_context.options.tls, url.tlsMode, nullptr));
    return ApplyPassword(url.hasPassword, url.hasUser, nullptr, out, error);
}

bool LocationParser::ParseSaved(const std::string& name, const std::string& path, Location& out,
                                std::string& error) {
    velmora::CFtpLoginInfoList* list = nullptr;
    if (!m_context.Connections(list, error)) return false;
    const velmora::CFtpLoginInfo* saved = list->FindByHost(name);
    if (!saved) {
        error = "no saved connection named '" + name + "' in " + m_context.ConnectionsFile();
        return false;
    }
    out.kind = Location::kFtp;
    out.login = *saved;
    out.login.SetFtpPath(velmora::CFtpPath());
    out.ownTls = saved->GetTlsSettings();
    out.login.SetTlsSettings(TlsSettingsFor(m_context.options.tls, std::nullopt, saved));
    if (saved->IsSftp()) out.login.SetSshSettings(SshSettingsFor(m_context.options.ssh, m_context.options.tls, saved));
    out.connection = {saved->GetStrGUID(), saved->GetHostName()};
    out.path = path.empty() ? StartFolder(*saved) : path;
    if (path.empty()) out.folder = true;
    if (m_bSavedPasswordsLeft) {
        out.passwordMissing = NeedsPassword(out.login, saved) && !saved->IsPasswordPending() &&
                              saved->GetPassword().empty();
        return true;
    }
    return ApplyPassword(false, !saved->GetLoginName().empty(), saved, out, error);
}

bool LocationParser::FromSaved(const velmora::CFtpLoginInfo& saved, Location& out, std::string& password,
                               std::string& trouble) {
    if (velmora::FetchSavedPassword(out.login, trouble) != velmora::platform::ESecretResult::Ok) return false;
    password = out.login.GetPassword();
    if (!password.empty()) return true;
    if (saved.GetPasswordRest() == velmora::EPasswordStore::None)
        trouble = "the saved connection '" + saved.GetHostName() + "' keeps no password (it asks for it)";
    return false;
}

bool LocationParser::ApplyPassword(bool hasPassword, bool hasUser, const velmora::CFtpLoginInfo* saved,
                                   Location& out, std::string& error) {
    if (hasPassword) return true;
    const bool needed = hasUser && NeedsPassword(out.login, saved);
    std::string password;
    std::string trouble;
    bool found = false;
    if (!m_context.PasswordFromFile(password, found, error)) return false;
    if (!found && saved) found = FromSaved(*saved, out, password, trouble);
    if (!found) found = CliContext::PasswordFromEnvironment(password);
    if (!found) found = FromNetrc(hasUser, out.login, password);
    if (!found && needed) {
        if (!trouble.empty() && CanPrompt()) m_context.Warn(trouble);
        found = m_context.AskPassword(out.login, password);
    }
    out.passwordMissing = needed && !found;
    if (out.passwordMissing && !m_bMissingPasswordAllowed) {
        const std::string account = velmora::Format("%s@%s:%d", out.login.GetLoginName().c_str(),
                                                    out.login.GetHost().c_str(), out.login.GetPort());
        error = (trouble.empty() ? "no password for " + account : trouble) + ": " + kPasswordSources;
        if (saved && !trouble.empty()) error += ", or save it again: connections password " + saved->GetHostName();
        return false;
    }
    out.login.SetPassword(password);
    velmora::platform::WipeSecret(password);
    return true;
}

bool LocationParser::FromNetrc(bool hasUser, velmora::CFtpLoginInfo& login, std::string& password) {
    NetrcAccount account;
    std::string warning;
    const bool found = ReadNetrcAccount(login.GetHost(), hasUser ? login.GetLoginName() : std::string(), account,
                                        warning);
    m_context.Warn(warning);
    if (!found) return false;
    if (!hasUser && !account.login.empty()) login.SetLoginName(account.login);
    password = account.password;
    return true;
}

}  // namespace parcelo::cli
