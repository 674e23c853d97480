#pragma once

#include <map>
#include <memory>
#include <string>

#include "cli/global_options.h"
#include "ftp/login_info.h"

namespace parcelo::cli {

// Exit statuses of every command.
enum ExitCode : int {
    kExitOk = 0,
    kExitFailed = 1,  // the operation failed or had errors
    kExitUsage = 2,   // the command line was wrong
};

// What every command shares: the global options, the connection list (read
// on first use) and the output for the user, in which no URL shows its
// password.
class CliContext {
public:
    GlobalOptions options;

    // The connection list file: --connections, else the desktop program's.
    std::string ConnectionsFile() const;
    static std::string DefaultConnectionsFile();
    // The saved connections, loaded once; false (with `error`) when the
    // file exists but cannot be read as a connection list.
    bool Connections(velmora::CFtpLoginInfoList*& list, std::string& error);

    // The password given outside any location: --password-file (its first
    // line), else nothing; `error` when the file cannot be read.
    bool PasswordFromFile(std::string& password, bool& found, std::string& error) const;
    // $PARCELO_PASSWORD, when set.
    static bool PasswordFromEnvironment(std::string& password);
    // The password of a login asked for on the terminal, once per account
    // and server; false without a terminal.
    bool AskPassword(const velmora::CFtpLoginInfo& login, std::string& password);

    // The text with the password of each URL in it ("scheme://user:PASSWORD@")
    // replaced by "***"; the rest stays as it is, server replies included.
    static std::string Mask(std::string text);

    // An error text without the prefixes the layers below put before it
    // each: "Ftp error:  Ftp: 530 Login incorrect." reads "Ftp error: 530
    // Login incorrect.".
    static std::string Readable(const std::string& text);

    // "parcelo-cli: " + text on standard error, readable and masked; answers the status.
    int Fail(const std::string& text) const { return Report(text, kExitFailed); }
    int UsageError(const std::string& text) const { return Report(text, kExitUsage); }
    int Report(const std::string& text, int status) const;
    // "parcelo-cli: " + text on standard error, masked; nothing for "".
    void Warn(const std::string& text) const;
    // A line for the user (standard output), masked.
    void Print(const std::string& text) const;

private:
    std::unique_ptr<velmora::CFtpLoginInfoList> m_connections;
    // Answers given at the prompt, by "user@host:port".
    std::map<std::string, std::string> m_answers;
};

}  // namespace parcelo::cli
