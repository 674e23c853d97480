#include "app/prompter.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "app/enter_name_dlg.h"

namespace parcelo {

namespace {

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

bool CDialogPrompter::ConfirmActions(QWidget* parent, const std::string& title, const std::string& text,
                                     const std::vector<std::string>& actions) {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.setDetailedText(QString::fromStdString(Lines(actions)));
    return box.exec() == QMessageBox::Yes;
}

bool CDialogPrompter::AskYesNo(QWidget* parent, const std::string& title, const std::string& text) {
    return QMessageBox::question(parent, QString::fromStdString(title), QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

bool CDialogPrompter::AskTrust(QWidget* parent, const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::NoButton, parent);
    QPushButton* trust = box.addButton(QObject::tr("Trust this certificate"), QMessageBox::AcceptRole);
    box.setDefaultButton(box.addButton(QMessageBox::Cancel));
    box.exec();
    return box.clickedButton() == trust;
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
