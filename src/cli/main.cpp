// parcelo-cli: every capability of the library from a terminal or a script,
// and the scheduling host of the job database.

#include <cstdio>
#include <new>

#include <CLI/CLI.hpp>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "messaging/log_file.h"
#include "platform/process.h"

using namespace parcelo::cli;

int main(int argc, char** argv) {
    // Passwords come in from the first moment: no core file may keep them.
    velmora::platform::KeepSecretsInProcess();
    CLI::App app{"Transfers between local folders, network shares, ZIP archives and FTP servers; "
                 "the job database and its scheduler.",
                 "parcelo-cli"};
    app.footer("Locations: ftp://[user[:password]@]host[:port]/path (ftpes:// requires explicit TLS, ftps:// "
               "is implicit TLS), NAME:/path or NAME: (a saved connection "
               "and its start folder), a local path. A trailing \"/\" names a folder.\n"
               "Passwords: a password written in a URL can be seen by other users of the machine (in ps); "
               "give it with --password-file, $PARCELO_PASSWORD or ~/.netrc (mode 600), or let the program "
               "ask for it on the terminal.\n"
               "Exit status: 0 success, 1 failure, 2 usage error.");
    app.require_subcommand(1);

    CliContext context;
    CommandStatus status;
    app.parse_complete_callback([&] {
        context.options.Apply();
        if (!context.options.logFile.empty() && !velmora::CLogFile().Open(context.options.logFile)) {
            throw CLI::ValidationError("--log", "cannot open the log file '" + context.options.logFile + "'");
        }
        if (context.options.tls.insecure) {
            std::fprintf(stderr, "parcelo-cli: WARNING: --insecure accepts any server certificate: anyone on the way "
                                 "can read and change this session, passwords included\n");
        }
    });
    AddConnectionCommands(app, context, status);
    AddRemoteCommands(app, context, status);
    AddTransferCommands(app, context, status);
    AddMirrorCommand(app, context, status);
    AddDatabaseCommands(app, context, status);
    AddSchedulerCommand(app, context, status);
    // After the commands, so that each of them lists the global options too.
    context.options.AddEverywhere(app);

    const PlainFtpNotice plainFtpNotice;
    int result = status.value;
    try {
        app.parse(argc, argv);
        result = status.value;
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        result = code == 0 ? kExitOk : kExitUsage;
    } catch (const std::bad_alloc&) {
        // A clear word and a failure status rather than an abort.
        std::fputs("parcelo-cli: out of memory\n", stderr);
        result = kExitFailed;
    }
    // The library keeps the last lines of a job pending until the log is flushed.
    velmora::CLogFile().Close();
    return result;
}
