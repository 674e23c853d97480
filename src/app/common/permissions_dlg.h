#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace parcelo {

// Which entries below a folder a recursive change reaches.
enum class EPermissionsScope { FilesAndFolders, FilesOnly, FoldersOnly };

// What the permissions dialog is asked and answers.
struct CPermissionsChoice {
    std::string subject;      // what the change is for, as the dialog names it
    uint32_t mode = 0644;     // the permission bits (with set-id and sticky bits)
    bool offerRecursion = false;  // folders are among the entries
    bool recursive = false;
    EPermissionsScope scope = EPermissionsScope::FilesAndFolders;
};

// The bits a listing's permission text stands for ("drwxr-sr-x" is 02755);
// none when the text is not of that form.
std::optional<uint32_t> ParseModeText(std::string_view listed);
// "755", or "2755" where set-id or sticky bits are set.
std::string FormatMode(uint32_t mode);

// Read, write and execute for the owner, the group and others as check
// boxes, and the same as an octal number: changing one changes the other.
// For folders: whether to go down into them, and to which entries there.
class CPermissionsDlg : public QDialog {
    Q_OBJECT

public:
    enum EWho { OWNER, GROUP, OTHERS };
    enum EWhat { READ, WRITE, EXECUTE };

    explicit CPermissionsDlg(const CPermissionsChoice& choice, QWidget* parent = nullptr);

    CPermissionsChoice GetChoice() const;
    QCheckBox* GetBox(EWho who, EWhat what) const { return m_boxes[who][what]; }
    QLineEdit* GetOctalEdit() const { return m_pOctal; }
    QCheckBox* GetRecursiveBox() const { return m_pRecursive; }
    QComboBox* GetScopeBox() const { return m_pScope; }

private:
    void ShowMode(uint32_t mode);
    void BoxesChanged();
    void OctalChanged(const QString& text);

    CPermissionsChoice m_choice;
    QCheckBox* m_boxes[3][3] = {};
    QLineEdit* m_pOctal;
    QCheckBox* m_pRecursive;
    QComboBox* m_pScope;
    QPushButton* m_pOk = nullptr;
    bool m_bShowing = false;
};

}  // namespace parcelo
