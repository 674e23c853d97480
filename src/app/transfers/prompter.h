#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/common/permissions_dlg.h"
#include "app/transfers/existing_targets.h"

class QWidget;

namespace parcelo {

// The questions and notices the windows put to the user. The program answers
// them with modal dialogs; tests answer them from a script.
class IPrompter {
public:
    virtual ~IPrompter() = default;

    // A Yes/No box; true for Yes.
    virtual bool AskYesNo(QWidget* parent, const std::string& title, const std::string& text) = 0;
    // A box with one OK button.
    virtual void ShowMessage(QWidget* parent, const std::string& title, const std::string& text) = 0;
    // The same for a failure: the box carries the error icon.
    virtual void ShowError(QWidget* parent, const std::string& title, const std::string& text) {
        ShowMessage(parent, title, text);
    }
    // The name entry, pre-filled with `name`; false when cancelled.
    virtual bool AskName(QWidget* parent, std::string& name) = 0;
    // A password, typed without echo, for the login that `text` names;
    // false when cancelled.
    virtual bool AskPassword(QWidget* parent, const std::string& title, const std::string& text,
                             std::string& password) = 0;
    // A local folder; false when cancelled.
    virtual bool PickFolder(QWidget* parent, const std::string& title, std::string& folder) = 0;
    // A file to read, or with `forSaving` one to write (`path` proposes
    // it); false when cancelled.
    virtual bool PickFile(QWidget* parent, const std::string& title, bool forSaving, std::string& path) = 0;
    // Local files, or one local folder, to upload; false when cancelled.
    // Without a way to pick files, a folder.
    virtual bool PickUploadPaths(QWidget* parent, const std::string& title, std::vector<std::string>& paths);
    // A Yes/No question about a list of actions the user sees first (one
    // line each); true for Yes.
    virtual bool ConfirmActions(QWidget* parent, const std::string& title, const std::string& text,
                                const std::vector<std::string>& actions);
    // The same with a switch the user may turn on (`option` its text, off at
    // first); `on` tells how it was left. Asked here as a second Yes/No.
    virtual bool ConfirmActionsWith(QWidget* parent, const std::string& title, const std::string& text,
                                    const std::vector<std::string>& actions, const std::string& option, bool& on);
    // One of `choices` (the texts of its buttons) by its index; -1 when the
    // question was dismissed. Asked here as one Yes/No per choice, in order.
    virtual int AskChoice(QWidget* parent, const std::string& title, const std::string& text,
                          const std::vector<std::string>& choices);
    // One of `items` (shown as a list) by its index; false when cancelled.
    // Asked here as AskChoice.
    virtual bool PickItem(QWidget* parent, const std::string& title, const std::string& text,
                          const std::vector<std::string>& items, int& chosen);
    // A line of text, pre-filled with `value`; false when cancelled. Asked
    // here as a name (AskName).
    virtual bool AskText(QWidget* parent, const std::string& /*title*/, const std::string& /*text*/,
                         std::string& value) {
        return AskName(parent, value);
    }
    // What to do with a file whose target exists, and whether for all files
    // of the job; false when the question was dismissed.
    virtual bool AskExistingTarget(QWidget* parent, const CTargetQuestion& question, ETargetAnswer& answer,
                                   bool& forAll) = 0;
    // The permissions to set (the dialog starts from `choice`); false when
    // cancelled.
    virtual bool AskPermissions(QWidget* parent, CPermissionsChoice& choice) = 0;
    // The transfers' speed limit in bytes per second, starting from the
    // current one (0: no limit); false when cancelled.
    virtual bool AskSpeedLimit(QWidget* parent, uint64_t& bytesPerSecond) = 0;
    // An unknown server certificate or SSH host key, described in `text`:
    // true for the button `trustButton` names ("Trust this certificate"),
    // false for "Cancel".
    virtual bool AskTrust(QWidget* parent, const std::string& title, const std::string& text,
                          const std::string& /*trustButton*/) {
        return AskYesNo(parent, title, text);
    }
};

// The prompter of the running program: modal dialogs.
class CDialogPrompter : public IPrompter {
public:
    bool AskYesNo(QWidget* parent, const std::string& title, const std::string& text) override;
    void ShowMessage(QWidget* parent, const std::string& title, const std::string& text) override;
    void ShowError(QWidget* parent, const std::string& title, const std::string& text) override;
    bool AskName(QWidget* parent, std::string& name) override;
    bool AskPassword(QWidget* parent, const std::string& title, const std::string& text,
                     std::string& password) override;
    bool PickFolder(QWidget* parent, const std::string& title, std::string& folder) override;
    bool PickFile(QWidget* parent, const std::string& title, bool forSaving, std::string& path) override;
    // First whether files or a folder, then the matching file dialog.
    bool PickUploadPaths(QWidget* parent, const std::string& title, std::vector<std::string>& paths) override;
    // The question with the list as the box's details.
    bool ConfirmActions(QWidget* parent, const std::string& title, const std::string& text,
                        const std::vector<std::string>& actions) override;
    // The switch is the box's check box.
    bool ConfirmActionsWith(QWidget* parent, const std::string& title, const std::string& text,
                            const std::vector<std::string>& actions, const std::string& option, bool& on) override;
    int AskChoice(QWidget* parent, const std::string& title, const std::string& text,
                  const std::vector<std::string>& choices) override;
    bool PickItem(QWidget* parent, const std::string& title, const std::string& text,
                  const std::vector<std::string>& items, int& chosen) override;
    bool AskText(QWidget* parent, const std::string& title, const std::string& text, std::string& value) override;
    bool AskExistingTarget(QWidget* parent, const CTargetQuestion& question, ETargetAnswer& answer,
                           bool& forAll) override;
    // The question's text: the file, and what is known of both sides.
    static std::string TargetQuestionText(const CTargetQuestion& question);
    bool AskTrust(QWidget* parent, const std::string& title, const std::string& text,
                  const std::string& trustButton) override;
    bool AskPermissions(QWidget* parent, CPermissionsChoice& choice) override;
    // Typed as the command line's rates are ("500k", "2M"); asked again
    // until it reads as one.
    bool AskSpeedLimit(QWidget* parent, uint64_t& bytesPerSecond) override;
};

}  // namespace parcelo
