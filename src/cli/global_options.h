#pragma once

#include <cstdint>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/ssh_options.h"
#include "cli/tls_options.h"
#include "engine/job_settings.h"

namespace parcelo::cli {

// The options every command accepts, before or after the command's name.
// A new one is a member here and one call in AddTo. A command's own option
// of the same name wins over a global one there.
struct GlobalOptions {
    bool quiet = false;
    bool json = false;  // one JSON object per line on standard output
    std::string logFile;
    std::string connectionsFile;
    std::string passwordFile;
    // Where passwords saved from now on go: "keyring", "file" or "none";
    // empty: the keyring where one runs, else the file (said so).
    std::string passwordStore;
    TlsOptions tls;
    SshOptions ssh;
    // Attempts of a transfer at a login and at a step refused for now; 0
    // keeps the engine's five.
    int retries = 0;
    // Sessions a transfer may open to its server side by side.
    int parallel = 4;
    int segments = 1;
    bool verbose = false;          // the FTP protocol trace on standard error
    bool noPreserveTimes = false;  // transferred files keep the time of the transfer
    // A transfer slower than this many bytes per second over that many
    // seconds fails (and is taken up again); -1: the library's default.
    int64_t lowSpeedLimit = -1;
    int lowSpeedTime = -1;
    // Files checked against their server's hash: "auto", "require" or "off".
    std::string verify = "auto";
    // Bytes per second a transfer keeps to, all its sessions together; 0: no limit.
    uint64_t limitRate = 0;
    // What a transfer's walks of server folders may gather, in entries and
    // in bytes of their paths.
    uint64_t maxTreeEntries = velmora::CWalkBudget::kDefaultEntries;
    uint64_t maxTreePathBytes = velmora::CWalkBudget::kDefaultPathBytes;

    // Adds the options to one command (group "Global options"), leaving out
    // those it has itself.
    void AddTo(CLI::App& command);
    // Adds them to the program and to each of its commands, at every depth,
    // so that they are read wherever they appear and listed in every help.
    void AddEverywhere(CLI::App& app);
    // Puts the options that steer the library as a whole into effect (the
    // protocol trace).
    void Apply() const;
    // The settings a transfer job starts from (each command adds its own).
    velmora::CJobSettings JobSettings() const;
};

}  // namespace parcelo::cli
