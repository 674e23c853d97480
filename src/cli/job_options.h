#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/cli_context.h"
#include "cli/location.h"
#include "engine/overwrite_policy.h"
#include "tasks/tansform.h"

namespace parcelo::cli {

// What a copy does on the way (the options of `copy`, `zip` and the
// scheduled transfer orders).
struct JobOptions {
    bool zip = false;
    std::string zipName;
    std::string zipPassword;
    // The password is asked for (file, environment, terminal) instead of
    // given on the command line, where ps shows it.
    bool zipEncrypt = false;
    std::string zipPasswordFile;
    std::string encryption = "aes256";
    bool deleteSource = false;
    std::string exclude;
    std::vector<std::string> excludeFolders;
    bool followLinks = false;

    // Adds --zip, --zip-name, --zip-password, --encryption, --exclude,
    // --exclude-folder, --follow-links
    // and, where a command can move files, --delete-source.
    enum class DeleteSource { kOffered, kNotOffered };
    void AddTo(CLI::App& command, DeleteSource deleteSourceOption);
    // --encryption (aes256, the default, or traditional).
    void AddEncryptionTo(CLI::App& command);
    // The ZIP password when one is asked for (--zip-encrypt, or
    // `fileMeansEncrypt` with a password file): from the password file, else
    // $PARCELO_ZIP_PASSWORD, else twice on the terminal; false with the
    // sources named when none gives it.
    bool AskZipPassword(const std::string& passwordFile, bool fileMeansEncrypt, std::string& error);
    // Says on standard error that the traditional cipher is weak when it is
    // about to protect an archive.
    void WarnWhenWeak(const CliContext& context) const;
    // --exclude, --exclude-folder and --follow-links alone.
    void AddExclusionsTo(CLI::App& command);
    // The transform of a job from `source`: a plain copy or a compression
    // into an archive, with the exclusion filter. Extensions may be written
    // "tmp", ".tmp" or "*.tmp"; a relative folder is read like the source
    // (against the current folder, or the source folder on a server) and
    // must lie inside the source. Deleting the source is the caller's own
    // step after the copy.
    bool Transform(const Location& source, velmora::CTansform& transform, std::string& error) const;
};

// --follow-links: links met in a local source folder send what they point to.
void AddFollowLinksTo(CLI::App& command, bool& followLinks);

// What a transfer does with files that are there already:
// --overwrite, --no-clobber or --newer (one of them).
struct OverwriteOptions {
    bool overwrite = false;
    bool noClobber = false;
    bool newer = false;

    void AddTo(CLI::App& command);
    // The policy asked for, else `fallback`.
    velmora::EOverwrite Policy(velmora::EOverwrite fallback) const;
};

}  // namespace parcelo::cli
