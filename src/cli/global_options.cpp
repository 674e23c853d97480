#include "cli/global_options.h"

#include "cli/cli_context.h"

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
}

void GlobalOptions::AddEverywhere(CLI::App& app) {
    AddTo(app);
    for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) AddEverywhere(*command);
}

}  // namespace parcelo::cli
