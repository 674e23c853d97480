#include "app/connections/login_password.h"

#include <cctype>
#include <filesystem>
#include <string>

#include "app/common/window_thread.h"
#include "app/transfers/prompter.h"
#include "ftp/login_info.h"
#include "ftp/password_store.h"
#include "ftp/remote_session.h"
#include "ftp/ssh_keys.h"

namespace parcelo {

using velmora::CFtpLoginInfo;
using velmora::platform::ESecretResult;

ELoginPassword ReadyLoginPassword(CFtpLoginInfo& info, IPrompter& prompter, QWidget* parent) {
    const std::string account = info.GetLoginName() + "@" + info.GetHost();
    std::string why;
    ELoginPassword typed = ELoginPassword::Typed;
    if (info.IsPasswordPending()) {
        std::string error;
        const ESecretResult fetched = velmora::FetchSavedPassword(info, error);
        if (fetched == ESecretResult::Ok) return ELoginPassword::FromKeyring;
        // A missing entry is replaced; a keyring that cannot be read now is
        // not written over with what is typed.
        if (fetched == ESecretResult::NotFound) {
            typed = ELoginPassword::TypedToSave;
            why = "The password of '" + info.GetHostName() +
                  "' is no longer in the desktop keyring. Enter it to log in as " + account +
                  "; it is saved in the keyring again.";
        } else {
            if (!error.empty()) error[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(error[0])));
            why = error + ".\n\nEnter the password to log in as " + account + " (kept for this session only).";
        }
    } else if (info.GetPasswordRest() == velmora::EPasswordStore::None && info.GetPassword().empty()) {
        why = "The password of '" + info.GetHostName() + "' is not saved. Enter it to log in as " + account +
              " (kept for this session only).";
    } else {
        return ELoginPassword::AsItWas;
    }
    std::string password;
    if (!prompter.AskPassword(parent, "Password", why, password)) return ELoginPassword::Cancelled;
    info.SetStoredPassword(password);
    velmora::platform::WipeSecret(password);
    return typed;
}

void SetPasswordRemembered(CFtpLoginInfo& info, bool remember) {
    if (remember == IsPasswordRemembered(info)) return;
    if (!remember) {
        // Read before its entry goes, so that this session still has it.
        std::string ignored;
        velmora::FetchSavedPassword(info, ignored);
        info.SetPasswordRest(velmora::EPasswordStore::None);
        return;
    }
    info.SetPasswordRest(velmora::EPasswordStore::File);
    info.SetPassword(std::string(info.GetPassword()));
}

void ReadyKeyboardQuestions(CFtpLoginInfo& info, IPrompter& prompter, QWidget* window,
                            std::shared_ptr<CQuestionGate> gate) {
    if (!info.IsSftp()) return;
    velmora::CSshSettings ssh = info.GetSshSettings();
    const std::string title = "Login to " + info.GetHostName();
    ssh.askKeyboard = [&prompter, window, gate, title](const std::string& prompt, bool echo, std::string& answer) {
        // The server's words, minus anything that is not text.
        const std::string question = prompt.empty() ? "The server asks for an answer:" : velmora::PrintableName(prompt);
        return AskOnWindowThread(
            window, gate,
            [&prompter, window, title, question, echo](std::string& text) {
                return echo ? prompter.AskText(window, title, question, text)
                            : prompter.AskPassword(window, title, question, text);
            },
            answer);
    };
    info.SetSshSettings(ssh);
}

bool IsPasswordRemembered(const CFtpLoginInfo& info) {
    return info.GetPasswordRest() != velmora::EPasswordStore::None;
}

void KeepLoginPassword(CFtpLoginInfo& saved, const CFtpLoginInfo& ready, ELoginPassword how) {
    if (how == ELoginPassword::TypedToSave) {
        saved.SetPassword(ready.GetPassword());
    } else if (how != ELoginPassword::AsItWas && how != ELoginPassword::Cancelled) {
        saved.SetStoredPassword(ready.GetPassword());
    }
}

void ReadyKeyPassphrases(CFtpLoginInfo& info, CKeyPassphrases& known, IPrompter& prompter, QWidget* parent) {
    if (!info.IsSftp()) return;
    velmora::CSshSettings ssh = info.GetSshSettings();
    CKeyPassphrases ready;
    for (const std::string& file : ssh.identities) {
        std::error_code code;
        // A missing file, or one without a passphrase, needs none; the login names it if it fails.
        if (!std::filesystem::is_regular_file(file, code) || velmora::IsKeyPassphrase(file, "")) continue;
        const auto kept = known.find(file);
        bool opens = kept != known.end() && velmora::IsKeyPassphrase(file, kept->second);
        std::string passphrase = opens ? kept->second : std::string();
        std::string why = "The key file " + file + " is protected. Enter its passphrase (kept for this session only).";
        while (!opens && prompter.AskPassword(parent, "Key passphrase", why, passphrase)) {
            opens = velmora::IsKeyPassphrase(file, passphrase);
            why = "That passphrase does not open " + file + ". Enter its passphrase again.";
        }
        if (opens) ready[file] = known[file] = passphrase;
    }
    ssh.askPassphrase = [ready](const std::string& file, std::string& passphrase) {
        const auto found = ready.find(file);
        if (found == ready.end()) return false;
        passphrase = found->second;
        return true;
    };
    info.SetSshSettings(ssh);
}

}  // namespace parcelo
