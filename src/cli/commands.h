#pragma once

#include <CLI/CLI.hpp>

#include "cli/cli_context.h"

// Each family of commands adds its sub-commands to the program's parser. A
// command's callback leaves its exit status in `status`.
namespace parcelo::cli {

struct CommandStatus {
    int value = kExitOk;
};

void AddConnectionCommands(CLI::App& app, CliContext& context, CommandStatus& status);
void AddListingCommands(CLI::App& app, CliContext& context, CommandStatus& status);
void AddRemoteCommands(CLI::App& app, CliContext& context, CommandStatus& status);
void AddTransferCommands(CLI::App& app, CliContext& context, CommandStatus& status);
void AddMirrorCommand(CLI::App& app, CliContext& context, CommandStatus& status);
void AddDatabaseCommands(CLI::App& app, CliContext& context, CommandStatus& status);
void AddSchedulerCommand(CLI::App& app, CliContext& context, CommandStatus& status);

}  // namespace parcelo::cli
