#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/api.h"

// The desktop's keyring: the Secret Service of the user's D-Bus session
// (GNOME Keyring, KWallet, KeePassXC), through libsecret. Entries are found
// again by their attributes; their label is what a person sees in the
// keyring's own program. Secrets cross the bus encrypted (the service's
// session), never in clear.
//
// Every call is bounded and never waits on a service that is not there:
// without a session bus, or on a bus without the service, calls answer
// NoService at once; a service that does not answer in time gives Failed,
// and the keyring is then left alone for the rest of the process. The
// service's own unlock prompt appears only where the host allowed it
// (AllowSecretPrompts); otherwise a locked keyring answers Locked.
// Calls from several threads are taken one at a time.
namespace velmora::platform {

enum class ESecretResult {
    Ok,
    NotFound,   // no entry with these attributes
    NoService,  // no Secret Service can be reached in this session
    Locked,     // the keyring is locked and no prompt may unlock it
    Failed,     // refused, dismissed, timed out or broken: see the error text
};

// The attribute names an entry may carry: "application", "kind",
// "connection", "host", "port", "user", "order", "field" and "file".
using SecretAttributes = std::vector<std::pair<std::string, std::string>>;

// Whether calls may show the service's unlock prompt (a window of its own).
// Off until the host turns it on: a program without a person in front of it
// must not wait for one.
VELMORA_API void AllowSecretPrompts(bool allow);
VELMORA_API bool AreSecretPromptsAllowed();

// Stores the secret under the attributes, replacing an entry that has the
// same attributes, in the keyring's default collection.
VELMORA_API ESecretResult StoreSecret(const SecretAttributes& attributes, const std::string& label,
                                      std::string_view secret, std::string& error);
// The secret of the entry with these attributes.
VELMORA_API ESecretResult LookupSecret(const SecretAttributes& attributes, std::string& secret, std::string& error);
// Deletes every entry that has these attributes (and maybe others); Ok when
// there was none.
VELMORA_API ESecretResult ClearSecrets(const SecretAttributes& attributes, std::string& error);

// Overwrites the text's bytes before it is emptied, so that a password does
// not stay behind in freed memory.
VELMORA_API void WipeSecret(std::string& text);

}  // namespace velmora::platform
