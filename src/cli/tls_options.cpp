#include "cli/tls_options.h"

#include <cstdio>
#include <filesystem>

#include <CLI/CLI.hpp>

#include "cli/ssh_options.h"
#include "ftp/ftp_client.h"
#include "ftp/tls_trust.h"
#include "messaging/log_status.h"
#include "messaging/msg.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"

namespace parcelo::cli {

namespace {

constexpr std::string_view kFingerprintLabel = "SHA-256 fingerprint: ";

}  // namespace

void AddTlsOptions(CLI::App& command, TlsOptions& options, const std::string& group) {
    command
        .add_option("--tls", options.mode,
                    "FTP over TLS for ftp:// locations and new saved connections: auto (TLS when the server "
                    "offers it, the default), require (explicit TLS), implicit (TLS from the first byte, port "
                    "990), off")
        ->type_name("MODE")
        ->check(CLI::IsMember({"auto", "require", "implicit", "off"}, CLI::ignore_case))
        ->group(group);
    command.add_option("--ca-file", options.caFile, "Also trust the certificate authorities in FILE (PEM)")
        ->type_name("FILE")
        ->check(CLI::ExistingFile)
        ->group(group);
    command
        .add_option("--fingerprint", options.fingerprint,
                    "Trust exactly the server certificate with this SHA-256 fingerprint, or the SFTP server's host "
                    "key (SHA256:BASE64, as ssh-keygen -l shows it); stored by connections add")
        ->type_name("SHA256:HEX")
        ->check(
            [](const std::string& text) {
                return IsFingerprint(text) ? std::string()
                                           : "not a SHA-256 fingerprint (64 hex digits, or SHA256: and 43 "
                                             "base64 digits)";
            },
            "SHA256:HEX")
        ->group(group);
    command
        .add_flag("--insecure", options.insecure,
                  "Accept any server certificate (UNSAFE: anyone on the way can read and change the session)")
        ->group(group);
}

velmora::CTlsSettings TlsSettingsFor(const TlsOptions& options, std::optional<velmora::ETlsMode> scheme,
                                     const velmora::CFtpLoginInfo* saved) {
    velmora::CTlsSettings settings = saved ? saved->GetTlsSettings() : velmora::CTlsSettings();
    velmora::ETlsMode chosen = velmora::ETlsMode::Auto;
    velmora::ParseTlsModeName(options.mode, chosen);
    if (scheme)
        settings.mode = *scheme;
    else if (!saved || !options.mode.empty())
        settings.mode = chosen;
    if (!options.fingerprint.empty()) settings.fingerprint = velmora::FormatFingerprint(options.fingerprint);
    // By its absolute path: a saved connection or an order is used elsewhere.
    if (!options.caFile.empty()) settings.caFile = std::filesystem::absolute(options.caFile).lexically_normal();
    settings.insecure = settings.insecure || options.insecure;
    // A pinned certificate or a CA file says the server does TLS: a server
    // that stops offering it gets no password in clear.
    settings.mode = settings.EffectiveMode();
    return settings;
}

void KeepTlsWhereSeen(velmora::CFtpLoginInfo& login) {
    const uint16_t port = login.GetPort() > 0                                 ? static_cast<uint16_t>(login.GetPort())
                          : login.GetTlsMode() == velmora::ETlsMode::Implicit ? velmora::kImplicitTlsPort
                                                                              : 21;
    if (login.GetTlsMode() == velmora::ETlsMode::Auto && velmora::CTlsMemory::ForUser().DidTls(login.GetHost(), port))
        login.SetTlsMode(velmora::ETlsMode::Require);
}

std::string StoredInsecureWarning(const std::string& what, const std::string& host) {
    return "WARNING: this " + what + " accepts ANY certificate from " + host +
           " each time it is used (--insecure is stored with it): anyone on the way can read and change its "
           "sessions, passwords included. --fingerprint or --ca-file trust the server safely.";
}

std::string WithTrustHint(const std::string& text) {
    if (text.find(velmora::kTlsDowngradeText) != std::string::npos)
        return text + "\nTo use plain FTP with this server anyway: --tls off";
    const size_t label = text.find(kFingerprintLabel);
    if (text.find(velmora::kUntrustedCertificateText) == std::string::npos || label == std::string::npos) return text;
    const size_t start = label + kFingerprintLabel.size();
    const std::string fingerprint = text.substr(start, text.find('\n', start) - start);
    return text + "\nTo trust this certificate: --fingerprint " + fingerprint +
           " (or --ca-file with the authority that issued it)";
}

PlainFtpNotice::PlainFtpNotice(const bool& quiet) : m_quiet(quiet) {
    velmora::CMsgBox::Box().Subscribe("parcelo-cli plain FTP notice", this);
}

PlainFtpNotice::~PlainFtpNotice() { velmora::CMsgBox::Box().Unsubscribe(this); }

void PlainFtpNotice::OnMsg(velmora::CMsg& msg) {
    if (msg.Cmd() != velmora::MSG_LOG_RECORD || m_quiet) return;
    const auto* record = dynamic_cast<const velmora::CLogStatus*>(msg.Object());
    if (!record || record->GetAction() != velmora::CFtpClient::kPlainFtpAction) return;
    const std::lock_guard lock(m_mutex);
    // A job logs in more than once, several sessions at a time.
    if (!m_said.insert(record->GetText()).second) return;
    std::fprintf(stderr, "parcelo-cli: warning: %s\n", record->GetText().c_str());
}

}  // namespace parcelo::cli
