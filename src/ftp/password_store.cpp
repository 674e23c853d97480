#include "ftp/password_store.h"

#include <atomic>
#include <filesystem>

#include "base/format.h"
#include "base/text.h"
#include "ftp/login_info.h"
#include "ftp/protocol/ssh_connection.h"

namespace velmora {
namespace {

constexpr const char* kApplication = "Parcelo";

std::atomic<EPasswordStore> g_choice{EPasswordStore::Auto};

struct StoreName {
    EPasswordStore store;
    const char* name;
};
constexpr StoreName kStoreNames[] = {
    {EPasswordStore::Auto, "auto"},
    {EPasswordStore::Keyring, "keyring"},
    {EPasswordStore::File, "file"},
    {EPasswordStore::None, "none"},
};

}  // namespace

void SetPasswordStore(EPasswordStore choice) { g_choice = choice; }

EPasswordStore GetPasswordStore() { return g_choice; }

const char* PasswordStoreName(EPasswordStore store) {
    for (const StoreName& entry : kStoreNames)
        if (entry.store == store) return entry.name;
    return "auto";
}

bool ParsePasswordStore(std::string_view name, EPasswordStore& store) {
    for (const StoreName& entry : kStoreNames) {
        if (EqualsNoCase(name, entry.name)) {
            store = entry.store;
            return true;
        }
    }
    return false;
}

bool PutPassword(const platform::SecretAttributes& key, const std::string& label, const std::string& password,
                 const std::string& file, EPasswordStore& where, std::string& notice, std::string& error) {
    const EPasswordStore choice = GetPasswordStore();
    notice.clear();
    if (choice == EPasswordStore::None || choice == EPasswordStore::File) {
        where = choice;
        return true;
    }
    const platform::ESecretResult result = platform::StoreSecret(key, label, password, error);
    if (result == platform::ESecretResult::Ok) {
        where = EPasswordStore::Keyring;
        return true;
    }
    if (result == platform::ESecretResult::NoService && choice == EPasswordStore::Auto) {
        where = EPasswordStore::File;
        notice = error + "; the password (" + label + ") is kept scrambled in " + file +
                 ", where anyone who can read that file can recover it";
        error.clear();
        return true;
    }
    return false;
}

platform::SecretAttributes ConnectionSecretQuery(const std::string& guid) {
    return {{"application", kApplication}, {"kind", "connection"}, {"connection", guid}};
}

platform::SecretAttributes ConnectionSecretKey(const CFtpLoginInfo& info) {
    platform::SecretAttributes key = ConnectionSecretQuery(info.GetStrGUID());
    key.emplace_back("host", info.GetHost());
    key.emplace_back("port", std::to_string(info.GetPort()));
    key.emplace_back("user", info.GetLoginName());
    return key;
}

std::string ConnectionSecretLabel(const CFtpLoginInfo& info) {
    return Format("Parcelo: password of the connection '%s' (%s@%s:%d)", info.GetHostName().c_str(),
                  info.GetLoginName().c_str(), info.GetHost().c_str(), info.GetPort());
}

platform::ESecretResult FetchSavedPassword(CFtpLoginInfo& info, std::string& error) {
    if (!info.IsPasswordPending()) return platform::ESecretResult::Ok;
    std::string password;
    std::string reason;
    const platform::ESecretResult result = platform::LookupSecret(ConnectionSecretQuery(info.GetStrGUID()), password,
                                                                  reason);
    if (result == platform::ESecretResult::Ok) {
        info.SetStoredPassword(password);
        platform::WipeSecret(password);
        return result;
    }
    error = "the password of the saved connection '" + info.GetHostName() + "' is kept in the desktop keyring";
    error += result == platform::ESecretResult::NotFound ? ", which no longer has it" : ", but " + reason;
    return result;
}

platform::SecretAttributes KeyPassphraseKey(const std::string& keyFile) {
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(keyFile, ignored);
    return {{"application", kApplication}, {"kind", "ssh-key"}, {"file", absolute.lexically_normal().string()}};
}

std::function<bool(const std::string&, std::string&)> RememberedPassphrases(
    PassphraseQuestion ask, std::function<void(const std::string&)> tell) {
    return [ask = std::move(ask), tell = std::move(tell)](const std::string& keyFile, std::string& passphrase) {
        const platform::SecretAttributes key = KeyPassphraseKey(keyFile);
        std::string error;
        if (platform::LookupSecret(key, passphrase, error) == platform::ESecretResult::Ok) {
            if (protocol::IsKeyPassphrase(keyFile, passphrase)) return true;
            // The key has a new passphrase now.
            platform::WipeSecret(passphrase);
            platform::ClearSecrets(key, error);
        }
        bool remember = false;
        if (!ask || !ask(keyFile, passphrase, remember)) return false;
        if (!remember || !protocol::IsKeyPassphrase(keyFile, passphrase)) return true;
        const std::string label = "Parcelo: passphrase of the SSH key " + key.back().second;
        if (platform::StoreSecret(key, label, passphrase, error) != platform::ESecretResult::Ok && tell)
            tell("the passphrase of " + keyFile + " is not remembered: " + error);
        return true;
    };
}

}  // namespace velmora
