// parcelo-cli: every capability of the library from a terminal or a script,
// and the scheduling host of the job database.

#include <cstdio>
#include <new>

#include <CLI/CLI.hpp>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "cli/help_pages.h"
#include "cli/usage_hint.h"
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
    const std::string version = std::string("parcelo-cli ") + PARCELO_VERSION;
    app.set_version_flag("--version", version, "Show the program's version");

    // Whole lines: standard output may share a file with standard error,
    // which is written at once.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    CliContext context;
    CommandStatus status;
    app.parse_complete_callback([&] {
        context.options.Apply();
        if (context.options.logFile.empty()) {
            // Without --log the library's lines are never written: a long job keeps none of them.
            velmora::CLogFile().KeepNothingWhileClosed();
        } else if (!velmora::CLogFile().Open(context.options.logFile)) {
            throw CLI::ValidationError("--log", "cannot open the log file '" + context.options.logFile + "'");
        }
        if (context.options.tls.insecure) {
            std::fprintf(stderr, "parcelo-cli: WARNING: --insecure accepts any server certificate: anyone on the way "
                                 "can read and change this session, passwords included\n");
        }
    });
    AddConnectionCommands(app, context, status);
    AddListingCommands(app, context, status);
    AddRemoteCommands(app, context, status);
    AddTransferCommands(app, context, status);
    AddMirrorCommand(app, context, status);
    AddDatabaseCommands(app, context, status);
    AddSchedulerCommand(app, context, status);
    AddHelpPageCommands(app, version);
    // After the commands, so that each of them lists the global options too.
    context.options.AddEverywhere(app);

    const PlainFtpNotice plainFtpNotice(context.options.quiet);
    int result = status.value;
    try {
        app.parse(argc, argv);
        result = status.value;
    } catch (const CLI::ParseError& e) {
        if (const std::string hint = UnknownWordHint(app); !hint.empty()) {
            std::fprintf(stderr, "parcelo-cli: %s\n", hint.c_str());
            result = kExitUsage;
        } else {
            result = app.exit(e) == 0 ? kExitOk : kExitUsage;
        }
    } catch (const std::bad_alloc&) {
        // A clear word and a failure status rather than an abort.
        std::fputs("parcelo-cli: out of memory\n", stderr);
        result = kExitFailed;
    }
    // The library keeps the last lines of a job pending until the log is flushed.
    velmora::CLogFile().Close();
    return result;
}
