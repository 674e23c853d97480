#pragma once

#include <string>

#include <CLI/CLI.hpp>

namespace parcelo::cli {

// The options every command accepts, before or after the command's name.
// A new one is a member here and one line in AddTo.
struct GlobalOptions {
    bool quiet = false;
    std::string logFile;
    std::string connectionsFile;
    std::string passwordFile;

    // Adds the options to one command (group "Global options").
    void AddTo(CLI::App& command);
    // Adds them to the program and to each of its commands, at every depth,
    // so that they are read wherever they appear and listed in every help.
    void AddEverywhere(CLI::App& app);
};

}  // namespace parcelo::cli
