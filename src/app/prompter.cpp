#include "app/prompter.h"

#include <QFileDialog>
#include <QMessageBox>

#include "app/enter_name_dlg.h"

namespace parcelo {

bool CDialogPrompter::AskYesNo(QWidget* parent, const std::string& title, const std::string& text) {
    return QMessageBox::question(parent, QString::fromStdString(title), QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void CDialogPrompter::ShowMessage(QWidget* parent, const std::string& title, const std::string& text) {
    QMessageBox::information(parent, QString::fromStdString(title), QString::fromStdString(text));
}

void CDialogPrompter::ShowError(QWidget* parent, const std::string& title, const std::string& text) {
    QMessageBox::critical(parent, QString::fromStdString(title), QString::fromStdString(text));
}

bool CDialogPrompter::AskName(QWidget* parent, std::string& name) {
    CEnterNameDlg dialog(name, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    name = dialog.GetName();
    return true;
}

bool CDialogPrompter::PickFolder(QWidget* parent, const std::string& title, std::string& folder) {
    const QString chosen =
        QFileDialog::getExistingDirectory(parent, QString::fromStdString(title), QString::fromStdString(folder));
    if (chosen.isEmpty()) return false;
    folder = chosen.toStdString();
    return true;
}

}  // namespace parcelo
