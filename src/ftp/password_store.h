#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/api.h"
#include "platform/secret_store.h"

namespace velmora {

class CFtpLoginInfo;

// Where a saved password rests, and where the host wants new ones put:
//  - Keyring: in the desktop's keyring; the file or the database keeps a
//    marker and no password;
//  - File: scrambled in the file or the database itself (readable by anyone
//    who has the file: the scramble is no encryption);
//  - None: nowhere; the password is asked for each time it is needed;
//  - Auto (a choice only): the keyring where one runs, else the file, said
//    in a notice that names the file.
enum class EPasswordStore { Auto, Keyring, File, None };

// The host's choice for passwords saved from now on, process-wide (Auto
// until the host sets one). It does not move passwords saved before.
VELMORA_API void SetPasswordStore(EPasswordStore choice);
VELMORA_API EPasswordStore GetPasswordStore();
// "auto", "keyring", "file", "none".
VELMORA_API const char* PasswordStoreName(EPasswordStore store);
VELMORA_API bool ParsePasswordStore(std::string_view name, EPasswordStore& store);

// Puts a password away as the host's choice says. `where` receives Keyring,
// File or None: File means that the caller keeps it scrambled in `file`
// (for Auto without a keyring, `notice` then says so for the user). False
// with `error` when the keyring was chosen or is there but cannot take it
// (locked, refused, not answering).
VELMORA_API bool PutPassword(const platform::SecretAttributes& key, const std::string& label,
                             const std::string& password, const std::string& file, EPasswordStore& where,
                             std::string& notice, std::string& error);

// The keyring entry of a saved connection: found again by its GUID; host,
// port and user say whose password it is.
VELMORA_API platform::SecretAttributes ConnectionSecretKey(const CFtpLoginInfo& info);
VELMORA_API platform::SecretAttributes ConnectionSecretQuery(const std::string& guid);
VELMORA_API std::string ConnectionSecretLabel(const CFtpLoginInfo& info);

// Reads the password of a connection whose password rests in the keyring
// and was not read yet; Ok at once for any other connection. The error
// names the connection.
VELMORA_API platform::ESecretResult FetchSavedPassword(CFtpLoginInfo& info, std::string& error);

// SSH key passphrases, kept in the keyring only when the user asks for it.
// A person's answer for the passphrase of a key file: false when none was
// given; `remember` set keeps it in the keyring.
using PassphraseQuestion = std::function<bool(const std::string& keyFile, std::string& passphrase, bool& remember)>;
// The keyring entry of a key file's passphrase (the file's absolute path).
VELMORA_API platform::SecretAttributes KeyPassphraseKey(const std::string& keyFile);
// An asker for an SSH session's key passphrases (CSshSettings::askPassphrase):
// the passphrase remembered for the key, while it still opens the key
// (an outdated one is deleted); otherwise `ask`. An answer is remembered
// only when the user asked for that and it opens the key. `tell` hears why
// one could not be remembered.
VELMORA_API std::function<bool(const std::string& keyFile, std::string& passphrase)> RememberedPassphrases(
    PassphraseQuestion ask, std::function<void(const std::string& notice)> tell = {});

}  // namespace velmora
