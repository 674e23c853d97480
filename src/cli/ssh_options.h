#pragma once

#include <string>
#include <vector>

#include "cli/tls_options.h"
#include "ftp/login_info.h"

namespace CLI {
class App;
}

namespace parcelo::cli {

// The global SSH option: --identity FILE, repeatable. The host key an SFTP
// location trusts besides the known-hosts files is --fingerprint's, the
// option that pins a TLS certificate.
struct SshOptions {
    std::vector<std::string> identities;
};

void AddSshOptions(CLI::App& command, SshOptions& options, const std::string& group);

// Whether a --fingerprint text names a certificate's digest (64 hex digits)
// or an SSH host key as OpenSSH shows it ("SHA256:" and 43 base64 digits).
bool IsFingerprint(const std::string& text);

// The SSH settings of an SFTP location: a saved connection's stored ones,
// with the key files and the pinned host key the options give. Passphrases
// of encrypted keys are asked on the terminal, once per key file and one
// question at a time, whichever session asks; so are a server's
// keyboard-interactive questions that the password does not answer.
velmora::CSshSettings SshSettingsFor(const SshOptions& options, const TlsOptions& tls,
                                     const velmora::CFtpLoginInfo* saved);

}  // namespace parcelo::cli
