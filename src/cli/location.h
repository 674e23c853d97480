#pragma once

#include <string>

#include "cli/cli_context.h"
#include "db_engine/trans_order_extras.h"
#include "ftp/login_info.h"
#include "paths/file_path.h"
#include "tasks/trans_point.h"

namespace parcelo::cli {

// One end of a command as the user wrote it:
//   ftp://[user[:password]@]host[:port]/path   a place on an FTP server
//   sftp://[user[:password]@]host[:port]/path  the same over SSH (the local user by default)
//   NAME:/path                                  the same through a saved connection
//   NAME:                                       the saved connection's start folder
//   \\server\share\path                         a network share
//   anything else                               a local file or folder
// A trailing "/" (or "\") names a folder.
struct Location {
    enum Kind { kLocal, kShare, kFtp };

    Kind kind = kLocal;
    // The server, user and password of an FTP location (remote path: the
    // server's root).
    velmora::CFtpLoginInfo login;
    // The local path, or the path on the server (starting with "/").
    std::string path;
    bool folder = false;
    // The saved connection the location was written with; empty for an
    // address.
    velmora::CSavedConnectionRef connection;
    // The TLS settings the text gives by itself, before the command's
    // options: its URL scheme's, or the saved connection's.
    velmora::CTlsSettings ownTls;
    // The account needs a password and no source gave one (only where the
    // parser was told that this is no error).
    bool passwordMissing = false;

    bool IsRemote() const { return kind == kFtp; }
    // The path on the server, or the local path, as a path record; a folder
    // location as a folder.
    velmora::CFtpPath Path() const;
    // "ftp://host[:port]/path" or the local path: never the password.
    std::string Display() const;
    // The transfer point for a job; a local point is a folder or a file by
    // what is on the disk (else by the trailing separator).
    velmora::CTransPoint Point() const;
};

// "ftp://host[:port]/path" for a server and a path on it: never the user
// or the password.
std::string DisplayUrl(const velmora::CFtpLoginInfo& login, const std::string& path);

// The same server and account (host, port and user).
bool SameServer(const velmora::CFtpLoginInfo& a, const velmora::CFtpLoginInfo& b);

// Reads locations against the context's connection list and password
// sources. A location's password comes from the URL, else --password-file,
// else the saved connection (from the desktop's keyring where it rests
// there), else $PARCELO_PASSWORD, else ~/.netrc, else (for a named user) a
// prompt on the terminal. A named user without any of these is an error
// that names them, before any server is asked: an empty password would
// only earn a bare "530".
class LocationParser {
public:
    explicit LocationParser(CliContext& context) : m_context(context) {}

    // A missing password is noted in the location, not an error (for what
    // saves an account rather than logs in).
    void AllowMissingPassword() { m_bMissingPasswordAllowed = true; }
    // A saved connection's password is not read (for what only names the
    // connection, and reads its password when it runs); one that keeps none
    // is noted in the location.
    void LeaveSavedPasswords() { m_bSavedPasswordsLeft = true; }

    // False with a message for the user in `error`.
    bool Parse(const std::string& text, Location& out, std::string& error);
    // The same, for a location that must be on an FTP server.
    bool ParseRemote(const std::string& text, Location& out, std::string& error);
    // Both ends of a transfer, source first.
    bool ParseEnds(const std::string& source, const std::string& destination, Location& from, Location& to,
                   std::string& error) {
        return Parse(source, from, error) && Parse(destination, to, error);
    }

    // "ftp://...", "ftpes://...", "ftps://...", in any letter case.
    static bool IsFtpUrl(const std::string& text);
    // "NAME:/..." or "NAME:" : `name` is the connection's name, `path` the
    // rest ("" for the start folder).
    static bool IsSavedConnection(const std::string& text, std::string& name, std::string& path);

private:
    bool ParseUrl(const std::string& text, Location& out, std::string& error);
    bool ParseSaved(const std::string& name, const std::string& path, Location& out, std::string& error);
    bool ApplyPassword(bool hasPassword, bool hasUser, const velmora::CFtpLoginInfo* saved, Location& out,
                       std::string& error);
    // The saved connection's password (read from the keyring where it
    // rests there); false with the reason the keyring gave otherwise.
    static bool FromSaved(const velmora::CFtpLoginInfo& saved, Location& out, std::string& password,
                          std::string& trouble);
    // The password (and, for a URL without a user, the login) from ~/.netrc.
    bool FromNetrc(bool hasUser, velmora::CFtpLoginInfo& login, std::string& password);

    CliContext& m_context;
    bool m_bMissingPasswordAllowed = false;
    bool m_bSavedPasswordsLeft = false;
};

}  // namespace parcelo::cli
