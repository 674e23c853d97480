#include "app/common/permissions_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "base/format.h"

namespace parcelo {

namespace {

constexpr uint32_t kSetUid = 04000;
constexpr uint32_t kSetGid = 02000;
constexpr uint32_t kSticky = 01000;

// The bit of one box: owner read is 0400, others execute 0001.
uint32_t BitOf(int who, int what) { return 1u << ((2 - who) * 3 + (2 - what)); }

}  // namespace

// Nine letters after the kind; "s"/"t" is execute with set-id/sticky,
// "S"/"T" the same without execute.
std::optional<uint32_t> ParseModeText(std::string_view listed) {
    if (listed.size() == 10) listed.remove_prefix(1);
    if (listed.size() != 9) return std::nullopt;
    uint32_t mode = 0;
    for (int who = 0; who < 3; ++who) {
        for (int what = 0; what < 3; ++what) {
            const char letter = listed[static_cast<size_t>(who * 3 + what)];
            const char set = "rwx"[what];
            if (letter == set) {
                mode |= BitOf(who, what);
                continue;
            }
            if (what == 2) {
                const uint32_t special = who == 0 ? kSetUid : who == 1 ? kSetGid : kSticky;
                const char lower = who == 2 ? 't' : 's';
                if (letter == lower || letter == lower - 32) {
                    mode |= special | (letter == lower ? BitOf(who, what) : 0);
                    continue;
                }
            }
            if (letter != '-') return std::nullopt;
        }
    }
    return mode;
}

std::string FormatMode(uint32_t mode) {
    return velmora::Format((mode & 07000) != 0 ? "%04o" : "%03o", mode & 07777);
}

CPermissionsDlg::CPermissionsDlg(const CPermissionsChoice& choice, QWidget* parent)
    : QDialog(parent), m_choice(choice), m_pOctal(new QLineEdit), m_pRecursive(new QCheckBox), m_pScope(new QComboBox) {
    setWindowTitle(tr("Permissions"));
    auto* subject = new QLabel(tr("Permissions of %1").arg(QString::fromStdString(choice.subject)));
    subject->setWordWrap(true);
    auto* grid = new QGridLayout;
    const QString whats[] = {tr("Read"), tr("Write"), tr("Execute")};
    const QString whos[] = {tr("Owner"), tr("Group"), tr("Others")};
    for (int what = 0; what < 3; ++what) grid->addWidget(new QLabel(whats[what]), 0, what + 1, Qt::AlignHCenter);
    for (int who = 0; who < 3; ++who) {
        grid->addWidget(new QLabel(whos[who]), who + 1, 0);
        for (int what = 0; what < 3; ++what) {
            auto* box = new QCheckBox;
            box->setAccessibleName(whos[who] + " " + whats[what]);
            connect(box, &QCheckBox::toggled, this, &CPermissionsDlg::BoxesChanged);
            grid->addWidget(box, who + 1, what + 1, Qt::AlignHCenter);
            m_boxes[who][what] = box;
        }
    }
    grid->addWidget(new QLabel(tr("Octal value:")), 4, 0);
    m_pOctal->setObjectName("octal");
    m_pOctal->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-7]{3,4}"), m_pOctal));
    m_pOctal->setMaxLength(4);
    grid->addWidget(m_pOctal, 4, 1, 1, 3);
    connect(m_pOctal, &QLineEdit::textEdited, this, &CPermissionsDlg::OctalChanged);

    m_pRecursive->setText(tr("Apply to everything in the folders too"));
    m_pScope->addItems({tr("Files and folders"), tr("Files only"), tr("Folders only")});
    m_pRecursive->setChecked(choice.recursive);
    m_pScope->setCurrentIndex(static_cast<int>(choice.scope));
    m_pRecursive->setVisible(choice.offerRecursion);
    m_pScope->setVisible(choice.offerRecursion);
    m_pScope->setEnabled(choice.recursive);
    connect(m_pRecursive, &QCheckBox::toggled, m_pScope, &QWidget::setEnabled);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    m_pOk = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(subject);
    layout->addLayout(grid);
    layout->addWidget(m_pRecursive);
    layout->addWidget(m_pScope);
    layout->addWidget(buttons);
    ShowMode(choice.mode);
}

void CPermissionsDlg::ShowMode(uint32_t mode) {
    m_choice.mode = mode & 07777;
    m_bShowing = true;
    for (int who = 0; who < 3; ++who) {
        for (int what = 0; what < 3; ++what) m_boxes[who][what]->setChecked((mode & BitOf(who, what)) != 0);
    }
    m_bShowing = false;
    if (m_pOctal->text() != QString::fromStdString(FormatMode(m_choice.mode))) {
        m_pOctal->setText(QString::fromStdString(FormatMode(m_choice.mode)));
    }
    m_pOk->setEnabled(true);
}

// The boxes hold the nine bits; set-id and sticky bits stay as they were.
void CPermissionsDlg::BoxesChanged() {
    if (m_bShowing) return;
    uint32_t mode = m_choice.mode & 07000;
    for (int who = 0; who < 3; ++who) {
        for (int what = 0; what < 3; ++what) {
            if (m_boxes[who][what]->isChecked()) mode |= BitOf(who, what);
        }
    }
    ShowMode(mode);
}

// A value being typed ("7", "75") is no mode yet: OK waits for three digits.
void CPermissionsDlg::OctalChanged(const QString& text) {
    bool number = false;
    const uint32_t mode = text.toUInt(&number, 8);
    if (!number || text.size() < 3) {
        m_pOk->setEnabled(false);
        return;
    }
    ShowMode(mode);
}

CPermissionsChoice CPermissionsDlg::GetChoice() const {
    CPermissionsChoice choice = m_choice;
    choice.recursive = choice.offerRecursion && m_pRecursive->isChecked();
    choice.scope = static_cast<EPermissionsScope>(m_pScope->currentIndex());
    return choice;
}

}  // namespace parcelo
