#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/api.h"

namespace velmora::protocol {

// How an SSH session logs in and which servers it trusts.
struct VELMORA_API CSshSettings {
    // The one host key to accept ("SHA256:base64", as `ssh-keygen -l`
    // shows it, or the digest in hex); empty: the known-hosts files decide.
    std::string fingerprint;
    // The known-hosts files; empty: the user's (~/.ssh/known_hosts) and our own.
    std::vector<std::string> knownHostsFiles;
    // Private key files to offer, in order.
    std::vector<std::string> identities;
    // Asked for the passphrase of an encrypted key file; false: skip the key.
    std::function<bool(const std::string& keyFile, std::string& passphrase)> askPassphrase;
    // Offer the keys of the agent at $SSH_AUTH_SOCK, when one runs.
    bool useAgent = true;
    // Asked for a keyboard-interactive prompt that is not the password
    // (a one-time code...); false: the method fails.
    std::function<bool(const std::string& prompt, bool echo, std::string& answer)> askKeyboard;
};

}  // namespace velmora::protocol
