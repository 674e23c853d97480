#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/cli_context.h"
#include "tasks/tansform.h"

namespace parcelo::cli {

// What a copy does on the way (the options of `copy`, `zip` and the
// scheduled transfer orders).
struct JobOptions {
    bool zip = false;
    std::string zipName;
    std::string zipPassword;
    std::string encryption = "aes256";
    bool deleteSource = false;
    std::string exclude;
    std::vector<std::string> excludeFolders;

    // Adds --zip, --zip-name, --zip-password, --delete-source, --exclude and
    // --exclude-folder to a command.
    void AddTo(CLI::App& command);
    // Adds --encryption (aes256, the default, or traditional).
    void AddEncryptionTo(CLI::App& command);
    // Says on standard error that the traditional cipher is weak when it is
    // about to protect an archive.
    void WarnWhenWeak(const CliContext& context) const;
    // The transform of a job: a plain copy or a compression into an
    // archive, with the exclusion filter. Deleting the source is the
    // caller's own step after the copy.
    velmora::CTansform Transform() const;
};

}  // namespace parcelo::cli
