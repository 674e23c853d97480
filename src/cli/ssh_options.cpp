#include "cli/ssh_options.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

#include <CLI/CLI.hpp>

#include "cli/terminal_prompt.h"
#include "ftp/remote_session.h"
#include "ftp/tls_trust.h"

namespace parcelo::cli {
namespace {

constexpr std::string_view kSshPrefix = "SHA256:";
constexpr size_t kSshDigits = 43;  // a SHA-256 digest in unpadded base64

bool IsBase64Digit(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

// The answers given so far, shared by the sessions of one command.
struct PassphraseAnswers {
    std::mutex mutex;
    std::map<std::string, std::string> byKeyFile;
};

}  // namespace

void AddSshOptions(CLI::App& command, SshOptions& options, const std::string& group) {
    command
        .add_option("--identity", options.identities,
                    "Offer the private key FILE to SFTP servers (repeatable; stored by connections add)")
        ->type_name("FILE")
        ->check(CLI::ExistingFile)
        ->group(group);
}

bool IsFingerprint(const std::string& text) {
    std::string digits;
    if (velmora::ParseFingerprint(text, digits)) return true;
    if (!text.starts_with(kSshPrefix)) return false;
    const std::string_view key = std::string_view(text).substr(kSshPrefix.size());
    return key.size() == kSshDigits && std::all_of(key.begin(), key.end(), IsBase64Digit);
}

velmora::CSshSettings SshSettingsFor(const SshOptions& options, const TlsOptions& tls,
                                     const velmora::CFtpLoginInfo* saved) {
    velmora::CSshSettings settings = saved ? saved->GetSshSettings() : velmora::CSshSettings();
    if (!tls.fingerprint.empty()) settings.fingerprint = tls.fingerprint;
    if (!options.identities.empty()) {
        // By their absolute paths: a saved connection is used elsewhere.
        settings.identities.clear();
        for (const std::string& file : options.identities)
            settings.identities.push_back(std::filesystem::absolute(file).lexically_normal().string());
    }
    if (!CanPrompt()) return settings;
    auto answers = std::make_shared<PassphraseAnswers>();
    settings.askPassphrase = [answers](const std::string& keyFile, std::string& passphrase) {
        const std::lock_guard lock(answers->mutex);
        const auto known = answers->byKeyFile.find(keyFile);
        if (known != answers->byKeyFile.end()) {
            passphrase = known->second;
            return true;
        }
        if (!PromptPassword("Passphrase for key " + keyFile + ": ", passphrase)) return false;
        answers->byKeyFile[keyFile] = passphrase;
        return true;
    };
    // A keyboard-interactive question other than the password (a one-time
    // code) is asked on the terminal as the server words it, minus anything
    // that would drive the terminal.
    settings.askKeyboard = [answers](const std::string& prompt, bool echo, std::string& answer) {
        const std::lock_guard lock(answers->mutex);
        return PromptAnswer(prompt.empty() ? "Answer: " : velmora::PrintableName(prompt), echo, answer);
    };
    return settings;
}

}  // namespace parcelo::cli
