#include "app/transfers/prompter.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include <QCheckBox>
#include <QDateTime>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

#include "app/common/dialog_parent.h"
#include "app/common/enter_name_dlg.h"
#include "base/format.h"
#include "base/size_format.h"
#include "platform/clock.h"

namespace parcelo {

namespace {

// Every box of the program opens over the window the user is in, in front
// and with the keyboard.
int RunModal(QDialog& dialog) {
    dialog.setWindowModality(Qt::ApplicationModal);
    BringForward(&dialog);
    return dialog.exec();
}

int RunBox(QWidget* parent, QMessageBox::Icon icon, const std::string& title, const std::string& text,
           QMessageBox::StandardButtons buttons, QMessageBox::StandardButton byDefault) {
    QMessageBox box(icon, QString::fromStdString(title), QString::fromStdString(text), buttons, DialogParent(parent));
    box.setDefaultButton(byDefault);
    return RunModal(box);
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

}  // namespace

bool IPrompter::ConfirmActions(QWidget* parent, const std::string& title, const std::string& text,
                               const std::vector<std::string>& actions) {
    return AskYesNo(parent, title, text + "\n\n" + Lines(actions));
}

bool IPrompter::PickUploadPaths(QWidget* parent, const std::string& title, std::vector<std::string>& paths) {
    std::string folder = paths.empty() ? std::string() : paths.front();
    if (!PickFolder(parent, title, folder)) return false;
    paths = {folder};
    return true;
}

bool IPrompter::ConfirmActionsWith(QWidget* parent, const std::string& title, const std::string& text,
                                   const std::vector<std::string>& actions, const std::string& option, bool& on) {
    if (!ConfirmActions(parent, title, text, actions)) return false;
    on = AskYesNo(parent, title, option + "?");
    return true;
}

bool IPrompter::PickItem(QWidget* parent, const std::string& title, const std::string& text,
                         const std::vector<std::string>& items, int& chosen) {
    chosen = AskChoice(parent, title, text, items);
    return chosen >= 0;
}

int IPrompter::AskChoice(QWidget* parent, const std::string& title, const std::string& text,
                         const std::vector<std::string>& choices) {
    for (size_t i = 0; i < choices.size(); ++i) {
        if (AskYesNo(parent, title, text + "\n\n" + choices[i] + "?")) return static_cast<int>(i);
    }
    return -1;
}

namespace {

// The box that confirms a list of actions: the list is its details.
class CActionsBox : public QMessageBox {
public:
    CActionsBox(QWidget* parent, const std::string& title, const std::string& text,
                const std::vector<std::string>& actions)
        : QMessageBox(QMessageBox::Question, QString::fromStdString(title), QString::fromStdString(text),
                      QMessageBox::Yes | QMessageBox::No, DialogParent(parent)) {
        setDefaultButton(QMessageBox::No);
        setDetailedText(QString::fromStdString(Lines(actions)));
    }
};

}  // namespace

bool CDialogPrompter::ConfirmActions(QWidget* parent, const std::string& title, const std::string& text,
                                     const std::vector<std::string>& actions) {
    CActionsBox box(parent, title, text, actions);
    return RunModal(box) == QMessageBox::Yes;
}

bool CDialogPrompter::ConfirmActionsWith(QWidget* parent, const std::string& title, const std::string& text,
                                         const std::vector<std::string>& actions, const std::string& option,
                                         bool& on) {
    CActionsBox box(parent, title, text, actions);
    box.setCheckBox(new QCheckBox(QString::fromStdString(option)));
    if (RunModal(box) != QMessageBox::Yes) return false;
    on = box.checkBox()->isChecked();
    return true;
}

int CDialogPrompter::AskChoice(QWidget* parent, const std::string& title, const std::string& text,
                               const std::vector<std::string>& choices) {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::NoButton, DialogParent(parent));
    std::vector<QAbstractButton*> buttons;
    for (const std::string& choice : choices) {
        buttons.push_back(box.addButton(QString::fromStdString(choice), QMessageBox::AcceptRole));
    }
    box.setEscapeButton(box.addButton(QMessageBox::Cancel));
    RunModal(box);
    const auto chosen = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return chosen == buttons.end() ? -1 : static_cast<int>(chosen - buttons.begin());
}

bool CDialogPrompter::AskYesNo(QWidget* parent, const std::string& title, const std::string& text) {
    return RunBox(parent, QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

bool CDialogPrompter::AskTrust(QWidget* parent, const std::string& title, const std::string& text,
                               const std::string& trustButton) {
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::NoButton, DialogParent(parent));
    QPushButton* trust = box.addButton(QString::fromStdString(trustButton), QMessageBox::AcceptRole);
    box.setDefaultButton(box.addButton(QMessageBox::Cancel));
    RunModal(box);
    return box.clickedButton() == trust;
}

void CDialogPrompter::ShowMessage(QWidget* parent, const std::string& title, const std::string& text) {
    RunBox(parent, QMessageBox::Information, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

void CDialogPrompter::ShowError(QWidget* parent, const std::string& title, const std::string& text) {
    RunBox(parent, QMessageBox::Critical, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool CDialogPrompter::AskName(QWidget* parent, std::string& name) {
    CEnterNameDlg dialog(name, DialogParent(parent));
    if (RunModal(dialog) != QDialog::Accepted) return false;
    name = dialog.GetName();
    return true;
}

bool CDialogPrompter::AskPermissions(QWidget* parent, CPermissionsChoice& choice) {
    CPermissionsDlg dialog(choice, DialogParent(parent));
    if (RunModal(dialog) != QDialog::Accepted) return false;
    choice = dialog.GetChoice();
    return true;
}

bool CDialogPrompter::PickItem(QWidget* parent, const std::string& title, const std::string& text,
                               const std::vector<std::string>& items, int& chosen) {
    QStringList shown;
    for (const std::string& item : items) shown << QString::fromStdString(item);
    bool accepted = false;
    const QString picked = QInputDialog::getItem(DialogParent(parent), QString::fromStdString(title),
                                                 QString::fromStdString(text), shown, 0, false, &accepted);
    chosen = accepted ? static_cast<int>(shown.indexOf(picked)) : -1;
    return chosen >= 0;
}

bool CDialogPrompter::AskText(QWidget* parent, const std::string& title, const std::string& text, std::string& value) {
    bool accepted = false;
    const QString typed = QInputDialog::getText(DialogParent(parent), QString::fromStdString(title),
                                                QString::fromStdString(text), QLineEdit::Normal,
                                                QString::fromStdString(value), &accepted);
    if (!accepted) return false;
    value = typed.trimmed().toStdString();
    return true;
}

bool CDialogPrompter::AskSpeedLimit(QWidget* parent, uint64_t& bytesPerSecond) {
    const QString explained = QObject::tr("Bytes per second for each transfer, all its connections together, "
                                          "with k, M or G for KiB, MiB or GiB (500k, 2M).\nEmpty or 0: no limit.");
    QString typed = bytesPerSecond == 0 ? QString() : QString::fromStdString(velmora::FormatSize(bytesPerSecond));
    QString text = explained;
    for (;;) {
        bool accepted = false;
        typed = QInputDialog::getText(DialogParent(parent), QObject::tr("Speed limit"), text, QLineEdit::Normal,
                                      typed, &accepted)
                    .trimmed();
        if (!accepted) return false;
        uint64_t read = 0;
        if (typed.isEmpty() || velmora::ParseSize(typed.remove(' ').toStdString(), read)) {
            bytesPerSecond = read;
            return true;
        }
        text = QObject::tr("\"%1\" is not a speed.\n\n").arg(typed) + explained;
    }
}

bool CDialogPrompter::AskPassword(QWidget* parent, const std::string& title, const std::string& text,
                                  std::string& password) {
    bool accepted = false;
    const QString typed = QInputDialog::getText(parent, QString::fromStdString(title), QString::fromStdString(text),
                                                QLineEdit::Password, QString(), &accepted);
    if (!accepted) return false;
    password = typed.toStdString();
    return true;
}

bool CDialogPrompter::PickFolder(QWidget* parent, const std::string& title, std::string& folder) {
    const QString chosen =
        QFileDialog::getExistingDirectory(DialogParent(parent), QString::fromStdString(title), QString::fromStdString(folder));
    if (chosen.isEmpty()) return false;
    folder = chosen.toStdString();
    return true;
}

bool CDialogPrompter::PickFile(QWidget* parent, const std::string& title, bool forSaving, std::string& path) {
    const QString filter = QObject::tr("Site lists (*.xml);;All files (*)");
    const QString chosen =
        forSaving ? QFileDialog::getSaveFileName(DialogParent(parent), QString::fromStdString(title),
                                                 QString::fromStdString(path), filter)
                  : QFileDialog::getOpenFileName(DialogParent(parent), QString::fromStdString(title),
                                                 QString::fromStdString(path), filter);
    if (chosen.isEmpty()) return false;
    path = chosen.toStdString();
    return true;
}

bool CDialogPrompter::PickUploadPaths(QWidget* parent, const std::string& title, std::vector<std::string>& paths) {
    const QString start = paths.empty() ? QString() : QString::fromStdString(paths.front());
    const int kind = AskChoice(parent, title, "Upload files or a folder?", {"Files...", "Folder..."});
    QStringList chosen;
    if (kind == 0) {
        chosen = QFileDialog::getOpenFileNames(DialogParent(parent), QString::fromStdString(title), start);
    } else if (kind == 1) {
        const QString picked =
            QFileDialog::getExistingDirectory(DialogParent(parent), QString::fromStdString(title), start);
        if (!picked.isEmpty()) chosen << picked;
    }
    if (chosen.isEmpty()) return false;
    paths.clear();
    for (const QString& path : chosen) paths.push_back(path.toStdString());
    return true;
}

namespace {

std::string Describe(std::optional<uint64_t> size, uint64_t fileTime) {
    std::string text = size ? velmora::FormatSize(*size) : "size not known yet";
    if (fileTime == 0) return text;
    const QDateTime when = QDateTime::fromSecsSinceEpoch(velmora::platform::FileTimeToUnix(fileTime));
    return text + ", " + QLocale().toString(when, QLocale::ShortFormat).toStdString();
}

}  // namespace

std::string CDialogPrompter::TargetQuestionText(const CTargetQuestion& question) {
    const char* where = question.upload ? "on the server" : "on this computer";
    return velmora::Format("'%s' exists already %s.\n\nExisting file: %s\nNew file: %s", question.target.c_str(),
                           where, Describe(question.targetSize, question.targetTime).c_str(),
                           Describe(question.sourceSize, question.sourceTime).c_str());
}

bool CDialogPrompter::AskExistingTarget(QWidget* parent, const CTargetQuestion& question, ETargetAnswer& answer,
                                        bool& forAll) {
    QMessageBox box(QMessageBox::Question, QObject::tr("File exists"),
                    QString::fromStdString(TargetQuestionText(question)), QMessageBox::NoButton, DialogParent(parent));
    const std::pair<const char*, ETargetAnswer> choices[] = {{"Overwrite", ETargetAnswer::Overwrite},
                                                             {"Overwrite if newer", ETargetAnswer::OverwriteIfNewer},
                                                             {"Resume", ETargetAnswer::Resume},
                                                             {"Rename", ETargetAnswer::Rename},
                                                             {"Skip", ETargetAnswer::Skip}};
    std::vector<std::pair<QAbstractButton*, ETargetAnswer>> buttons;
    for (const auto& [text, choice] : choices) {
        if (choice == ETargetAnswer::Resume && !question.CanResume()) continue;
        buttons.emplace_back(box.addButton(QObject::tr(text), QMessageBox::AcceptRole), choice);
        // Enter alone never replaces anything.
        if (choice == ETargetAnswer::Skip) box.setDefaultButton(static_cast<QPushButton*>(buttons.back().first));
    }
    box.addButton(QMessageBox::Cancel)->hide();
    box.setEscapeButton(QMessageBox::Cancel);
    box.setCheckBox(new QCheckBox(QObject::tr("For all files of this transfer")));
    RunModal(box);
    for (const auto& [button, choice] : buttons) {
        if (box.clickedButton() != button) continue;
        answer = choice;
        forAll = box.checkBox()->isChecked();
        return true;
    }
    return false;
}

}  // namespace parcelo
