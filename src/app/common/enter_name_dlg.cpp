#include "app/common/enter_name_dlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace parcelo {

CEnterNameDlg::CEnterNameDlg(const std::string& name, QWidget* parent)
    : QDialog(parent), m_pName(new QLineEdit(QString::fromStdString(name))) {
    setWindowTitle(tr("Parcelo"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(tr("Enter new name here:"));
    label->setBuddy(m_pName);
    layout->addWidget(label);
    m_pName->setObjectName("name");
    m_pName->selectAll();
    m_pName->setMinimumWidth(260);
    layout->addWidget(m_pName);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    auto updateOk = [this, ok] { ok->setEnabled(!GetName().empty()); };
    connect(m_pName, &QLineEdit::textChanged, this, updateOk);
    updateOk();
}

std::string CEnterNameDlg::GetName() const { return m_pName->text().trimmed().toStdString(); }

}  // namespace parcelo
