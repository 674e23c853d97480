#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "tasks/tansform.h"

namespace parcelo::cli {

// What a copy does on the way (the options of `copy`, `zip` and the
// scheduled transfer orders).
struct JobOptions {
    bool zip = false;
    std::string zipName;
    std::string zipPassword;
    bool deleteSource = false;
    std::string exclude;
    std::vector<std::string> excludeFolders;

    // Adds --zip, --zip-name, --zip-password, --delete-source, --exclude and
    // --exclude-folder to a command.
    void AddTo(CLI::App& command);
    // The transform of a job: a plain copy or a compression into an
    // archive, with the exclusion filter. Deleting the source is the
    // caller's own step after the copy.
    velmora::CTansform Transform() const;
};

}  // namespace parcelo::cli
