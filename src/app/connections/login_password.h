#pragma once

#include <map>
#include <memory>
#include <string>

class QWidget;

namespace velmora {
class CFtpLoginInfo;
}

namespace parcelo {

class IPrompter;
class CQuestionGate;

// How the password of a login was made ready.
enum class ELoginPassword {
    AsItWas,      // the connection held it (an empty one included)
    FromKeyring,  // read from the desktop's keyring
    Typed,        // asked for; kept in memory for this session only
    TypedToSave,  // asked for because its keyring entry was gone: to be saved again
    Cancelled,    // the question was cancelled: no login
};

// Makes the password of a connection ready for its login, on the window
// thread. One that rests in the desktop's keyring is read from it (the
// service may show its own unlock prompt). One that is not saved, or whose
// keyring entry is missing, locked or unreadable, is asked for, and the
// question says why.
ELoginPassword ReadyLoginPassword(velmora::CFtpLoginInfo& info, IPrompter& prompter, QWidget* parent);

// The passphrases of the key files an SFTP login offers, by file, in memory
// for the program's run only.
using CKeyPassphrases = std::map<std::string, std::string>;

// Makes the passphrases of an SFTP login's encrypted key files ready, on the
// window thread: one that `known` holds and that still opens its key is
// taken, any other is asked for until it opens the key (a cancelled question
// leaves that key out of the login). The login's SSH settings then answer
// the session with them, on whatever thread it logs in.
void ReadyKeyPassphrases(velmora::CFtpLoginInfo& info, CKeyPassphrases& known, IPrompter& prompter, QWidget* parent);

// Keyboard-interactive questions of an SFTP server other than the password
// (a one-time code, say) are asked in `window` while the login waits on its
// own thread. Once the gate is closed (the connect was cancelled, the window
// goes) the login gets no answer and fails.
void ReadyKeyboardQuestions(velmora::CFtpLoginInfo& info, IPrompter& prompter, QWidget* window,
                            std::shared_ptr<CQuestionGate> gate);

// "Remember password": off, the password is kept in memory only, and the
// next save takes it out of the file or the keyring; on, the next save puts
// it where the user's choice of store says (see velmora::EPasswordStore).
void SetPasswordRemembered(velmora::CFtpLoginInfo& info, bool remember);
bool IsPasswordRemembered(const velmora::CFtpLoginInfo& info);

// The list's connection keeps the password made ready for `ready`: in
// memory, or (TypedToSave) as a change that the next save puts away.
void KeepLoginPassword(velmora::CFtpLoginInfo& saved, const velmora::CFtpLoginInfo& ready, ELoginPassword how);

}  // namespace parcelo
