#pragma once

#include <string>

#include <CLI/CLI.hpp>

// What the shells and man(1) need to know of the program, made from its own
// commands and options, so that they never differ from what it accepts.
namespace parcelo::cli {

// A script that teaches bash (or zsh) the program's commands and options:
// `source <(parcelo-cli completion bash)`, or installed by `make install`.
std::string BashCompletion(const CLI::App& app);
std::string ZshCompletion(const CLI::App& app);

// The manual page (roff, section 1) with every command, its arguments and
// options, the global options once, the exit statuses and the environment.
std::string ManPage(const CLI::App& app, const std::string& version);

// Adds `completion bash|zsh`, and the hidden `--man-page` that the build
// uses to write the manual page.
void AddHelpPageCommands(CLI::App& app, const std::string& version);

}  // namespace parcelo::cli
