#include "cli/global_options.h"

#include <cstdio>

#include "cli/cli_context.h"
#include "engine/source.h"
#include "ftp/protocol/ftp_trace.h"

namespace parcelo::cli {

void GlobalOptions::AddTo(CLI::App& command) {
    const std::string group = "Global options";
    command.add_flag("-q,--quiet", quiet, "No progress line and no summary")->group(group);
    command.add_option("--log", logFile, "Write the library's log to FILE")->type_name("FILE")->group(group);
    command
        .add_option("--connections", connectionsFile,
                    "The connection list file (default: " + CliContext::DefaultConnectionsFile() + ")")
        ->type_name("FILE")
        ->group(group);
    command.add_option("--password-file", passwordFile, "Read the FTP password from the first line of FILE")
        ->type_name("FILE")
        ->group(group);
    command.add_flag("-v,--verbose", verbose, "Show every FTP command and reply on standard error (passwords masked)")
        ->group(group);
    command.add_flag("--no-preserve-times", noPreserveTimes,
                     "Transferred files get the time of the transfer, not their source's modification time")
        ->group(group);
}

namespace {
void TraceToStandardError(std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
}
}  // namespace

void GlobalOptions::Apply() const {
    velmora::CSource::SetPreserveTimes(!noPreserveTimes);
    velmora::protocol::SetFtpTraceSink(verbose ? TraceToStandardError : nullptr);
}

void GlobalOptions::AddEverywhere(CLI::App& app) {
    AddTo(app);
    for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) AddEverywhere(*command);
}

}  // namespace parcelo::cli
