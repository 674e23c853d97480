#include "cli/global_options.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "cli/terminal_prompt.h"
#include "engine/file_parts.h"
#include "ftp/password_store.h"
#include "ftp/session_options.h"
#include "platform/secret_store.h"

namespace parcelo::cli {
namespace {

// Adds a global option to a command unless the command has its own option of
// that name, which then wins there.
template <class AddOption>
void AddUnlessTaken(CLI::App& command, const std::string& name, AddOption add) {
    if (command.get_option_no_throw(name) == nullptr) add()->group("Global options");
}

// A byte count as curl reads a rate: a whole number, with a suffix k, m or
// g (either case) for 1024, 1024² or 1024³, put in its place as a plain
// number; an error text for anything else. `what` names the value in the
// error, `example` shows how one is written.
CLI::Validator ScaledNumber(const std::string& what, const std::string& example) {
    return CLI::Validator(
        [what, example](std::string& text) -> std::string {
            uint64_t number = 0;
            const char* end = text.data() + text.size();
            auto [rest, error] = std::from_chars(text.data(), end, number);
            int shift = 0;
            if (error == std::errc() && rest + 1 == end) {
                const std::string_view suffixes = "kmg";
                const size_t at = suffixes.find(static_cast<char>(std::tolower(static_cast<unsigned char>(*rest))));
                if (at != std::string_view::npos) {
                    shift = 10 * static_cast<int>(at + 1);
                    ++rest;
                }
            }
            if (error != std::errc() || rest != end || number > (UINT64_MAX >> shift))
                return "not " + what + ": '" + text + "' (" + example + ")";
            text = std::to_string(number << shift);
            return {};
        },
        std::string());
}

}  // namespace

void GlobalOptions::AddTo(CLI::App& command) {
    AddUnlessTaken(command, "--quiet",
                   [&] { return command.add_flag("-q,--quiet", quiet, "No progress line and no summary"); });
    AddUnlessTaken(command, "--json", [&] {
        return command.add_flag("--json", json,
                                "Listings and the summary of a transfer as JSON, one object per line on standard "
                                "output (the fields are in the README)");
    });
    AddUnlessTaken(command, "--log", [&] {
        return command.add_option("--log", logFile, "Write the library's log to FILE")->type_name("FILE");
    });
    AddUnlessTaken(command, "--connections", [&] {
        return command
            .add_option("--connections", connectionsFile,
                        // Said the same on every machine: the manual page is made from it at build time.
                        "The connection list file (default: Parcelo/Projects/FtpPropList.xml in "
                        "$XDG_DATA_HOME, or in ~/.local/share)")
            ->type_name("FILE");
    });
    AddUnlessTaken(command, "--password-file", [&] {
        return command.add_option("--password-file", passwordFile, "Read the FTP password from the first line of FILE (a password in a URL shows in ps)")
            ->type_name("FILE");
    });
    AddUnlessTaken(command, "--password-store", [&] {
        return command
            .add_option("--password-store", passwordStore,
                        "Where saved passwords go: keyring (the desktop's Secret Service), file (scrambled in the "
                        "connection list or job database, readable by anyone who has the file) or none (asked "
                        "each time). Default: the keyring where one runs, else the file, with a warning")
            ->type_name("STORE")
            ->check(CLI::IsMember({"keyring", "file", "none"}));
    });
    AddUnlessTaken(command, "--retries", [&] {
        return command
            .add_option("--retries", retries,
                        "Attempts of a transfer at a login when a server cannot be reached, and at a step a "
                        "server refused for now (a 4xx reply), 3 s apart (default 5)")
            ->type_name("N")
            ->check(CLI::Range(1, 100));
    });
    AddUnlessTaken(command, "--verbose", [&] {
        return command.add_flag("-v,--verbose", verbose,
                                "Show every FTP command and reply on standard error (passwords masked)");
    });
    AddUnlessTaken(command, "--no-preserve-times", [&] {
        return command.add_flag("--no-preserve-times", noPreserveTimes,
                                "Transferred files get the time of the transfer, not their source's modification time");
    });
    AddUnlessTaken(command, "--parallel", [&] {
        return command
            .add_option("--parallel", parallel,
                        "Sessions a transfer opens to its server to move files side by side (default 4; "
                        "server to server and into archives: one)")
            ->type_name("N")
            ->check(CLI::Range(1, 16));
    });
    AddUnlessTaken(command, "--segments", [&] {
        return command
            .add_option("--segments", segments,
                        "Parts a file from a server is downloaded in at once, each over a session of its own "
                        "(default 1; files of 2 MiB and more, from servers that can start at an offset)")
            ->type_name("N")
            ->check(CLI::Range(1, velmora::kMaxFileParts));
    });
    AddUnlessTaken(command, "--low-speed-limit", [&] {
        return command
            .add_option("--low-speed-limit", lowSpeedLimit,
                        "A transfer slower than BYTES per second over --low-speed-time fails and is taken up "
                        "again (default 1; 0: no limit)")
            ->type_name("BYTES")
            ->check(CLI::Range(int64_t{0}, int64_t{UINT32_MAX}));
    });
    AddUnlessTaken(command, "--low-speed-time", [&] {
        return command
            .add_option("--low-speed-time", lowSpeedTime,
                        "The seconds over which --low-speed-limit is measured (default 30)")
            ->type_name("SECONDS")
            ->check(CLI::Range(1, 86400));
    });
    AddUnlessTaken(command, "--verify", [&] {
        return command
            .add_option("--verify", verify,
                        "Check each file sent or received against the server's hash of it: auto (where the server "
                        "offers a hash command; the default), require (files of servers that offer none fail) or off")
            ->type_name("MODE")
            ->check(CLI::IsMember({"auto", "require", "off"}));
    });
    AddUnlessTaken(command, "--limit-rate", [&] {
        return command
            .add_option("--limit-rate", limitRate,
                        "Keep a transfer to RATE bytes per second, all its sessions together: 500k, 2M, 1G "
                        "(k, M, G: 1024, 1024^2, 1024^3; default 0: no limit)")
            ->type_name("RATE")
            ->transform(ScaledNumber("a rate", "bytes per second, e.g. 500k, 2M, 1G"));
    });
    AddUnlessTaken(command, "--max-entries", [&] {
        return command
            .add_option("--max-entries", maxTreeEntries,
                        "Fail a transfer whose server folders hold more than N entries in all (default 4000000), "
                        "so that a server listing folders without end cannot exhaust memory")
            ->type_name("N")
            ->check(CLI::Range(uint64_t{1}, UINT64_MAX));
    });
    AddUnlessTaken(command, "--max-path-bytes", [&] {
        return command
            .add_option("--max-path-bytes", maxTreePathBytes,
                        "Fail a transfer whose server folders' entries have paths longer than SIZE in all: 512M, 2G "
                        "(default 1G)")
            ->type_name("SIZE")
            ->transform(ScaledNumber("a size", "bytes, e.g. 512M, 2G"));
    });
    AddTlsOptions(command, tls, "Global options");
    AddSshOptions(command, ssh, "Global options");
}

namespace {
// One write a line, so that the lines of sessions on other threads stay whole.
void TraceToStandardError(std::string_view line) {
    const std::string whole = std::string(line) + "\n";
    std::fwrite(whole.data(), 1, whole.size(), stderr);
}
}  // namespace

void GlobalOptions::Apply() const {
    velmora::EPasswordStore store = velmora::EPasswordStore::Auto;
    velmora::ParsePasswordStore(passwordStore, store);
    velmora::SetPasswordStore(store);
    // The keyring's unlock prompt is for a person: one who runs the command
    // from a terminal. A script gets "the keyring is locked" instead.
    velmora::platform::AllowSecretPrompts(CanPrompt());
    velmora::SetFtpTraceSink(verbose ? TraceToStandardError : nullptr);
    // Sessions outside a job (listings, renames) keep the limit too; a job
    // copies it into its settings.
    using velmora::CSessionOptions;
    CSessionOptions::LowSpeed lowSpeed = CSessionOptions::GetDefaultLowSpeed();
    if (lowSpeedLimit >= 0) lowSpeed.bytesPerSecond = static_cast<uint32_t>(lowSpeedLimit);
    if (lowSpeedTime > 0) lowSpeed.seconds = lowSpeedTime;
    CSessionOptions::SetDefaultLowSpeed(lowSpeed);
}

velmora::CJobSettings GlobalOptions::JobSettings() const {
    velmora::CJobSettings settings;
    settings.m_nLoginAttempts = retries;
    settings.m_nSessions = parallel;
    settings.m_nSegments = segments;
    settings.m_bPreserveTimes = !noPreserveTimes;
    velmora::ParseVerifyName(verify, settings.m_eVerify);
    settings.m_nRateLimit = limitRate;
    settings.m_nMaxTreeEntries = maxTreeEntries;
    settings.m_nMaxTreePathBytes = maxTreePathBytes;
    return settings;
}

void GlobalOptions::AddEverywhere(CLI::App& app) {
    AddTo(app);
    for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) AddEverywhere(*command);
}

}  // namespace parcelo::cli
