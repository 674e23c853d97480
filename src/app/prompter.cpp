#include "app/prompter.h"

#include <utility>
#include <vector>

#include <QCheckBox>
#include <QDateTime>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

#include "app/enter_name_dlg.h"
#include "base/format.h"
#include "base/value_format.h"
#include "platform/clock.h"

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

namespace {

std::string Describe(uint64_t size, uint64_t fileTime) {
    std::string text = velmora::FormatValue(static_cast<int64_t>(size), true);
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
                    QString::fromStdString(TargetQuestionText(question)), QMessageBox::NoButton, parent);
    const std::pair<const char*, ETargetAnswer> choices[] = {{"Overwrite", ETargetAnswer::Overwrite},
                                                             {"Overwrite if newer", ETargetAnswer::OverwriteIfNewer},
                                                             {"Resume", ETargetAnswer::Resume},
                                                             {"Rename", ETargetAnswer::Rename},
                                                             {"Skip", ETargetAnswer::Skip}};
    std::vector<std::pair<QAbstractButton*, ETargetAnswer>> buttons;
    for (const auto& [text, choice] : choices) {
        if (choice == ETargetAnswer::Resume && !question.CanResume()) continue;
        buttons.emplace_back(box.addButton(QObject::tr(text), QMessageBox::AcceptRole), choice);
    }
    box.addButton(QMessageBox::Cancel)->hide();
    box.setEscapeButton(QMessageBox::Cancel);
    box.setCheckBox(new QCheckBox(QObject::tr("For all files of this transfer")));
    box.exec();
    for (const auto& [button, choice] : buttons) {
        if (box.clickedButton() != button) continue;
        answer = choice;
        forAll = box.checkBox()->isChecked();
        return true;
    }
    return false;
}

}  // namespace parcelo
