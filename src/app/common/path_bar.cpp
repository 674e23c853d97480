#include "app/common/path_bar.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>

namespace parcelo {

void CFolderHistory::Visit(const QString& folder) {
    if (folder.isEmpty() || folder == Current()) return;
    m_folders.erase(m_folders.begin() + (m_nCurrent + 1), m_folders.end());
    m_folders.append(folder);
    m_nCurrent = m_folders.size() - 1;
}

QString CFolderHistory::Back() { return CanGoBack() ? m_folders.at(--m_nCurrent) : QString(); }

QString CFolderHistory::Forward() { return CanGoForward() ? m_folders.at(++m_nCurrent) : QString(); }

namespace {

QToolButton* AddButton(QHBoxLayout* layout, QStyle::StandardPixmap icon, const QString& name, const QString& tip) {
    auto* button = new QToolButton;
    button->setObjectName(name);
    button->setIcon(button->style()->standardIcon(icon));
    button->setToolTip(tip);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(button);
    return button;
}

void AddKey(QWidget* pane, const QKeySequence& key, QObject* receiver, std::function<void()> action) {
    auto* shortcut = new QShortcut(key, pane, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    QObject::connect(shortcut, &QShortcut::activated, receiver, std::move(action));
}

}  // namespace

CPathBar::CPathBar(QWidget* pane) : QWidget(pane), m_pEdit(new QLineEdit) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_pBack = AddButton(layout, QStyle::SP_ArrowBack, "back", tr("Back (Alt+Left)"));
    m_pForward = AddButton(layout, QStyle::SP_ArrowForward, "forward", tr("Forward (Alt+Right)"));
    m_pUp = AddButton(layout, QStyle::SP_FileDialogToParent, "up", tr("Up one folder (Backspace)"));
    m_pEdit->setObjectName("path");
    m_pEdit->setClearButtonEnabled(true);
    layout->addWidget(m_pEdit, 1);
    connect(m_pBack, &QToolButton::clicked, this, &CPathBar::GoBack);
    connect(m_pForward, &QToolButton::clicked, this, &CPathBar::GoForward);
    connect(m_pUp, &QToolButton::clicked, this, &CPathBar::UpRequested);
    connect(m_pEdit, &QLineEdit::returnPressed, this, [this] {
        const QString typed = m_pEdit->text().trimmed();
        if (typed.isEmpty()) {
            Restore();
            return;
        }
        emit FolderRequested(typed);
    });
    if (pane != nullptr) {
        AddKey(pane, QKeySequence(Qt::ALT | Qt::Key_Left), this, [this] { GoBack(); });
        AddKey(pane, QKeySequence(Qt::ALT | Qt::Key_Right), this, [this] { GoForward(); });
        AddKey(pane, QKeySequence(Qt::ALT | Qt::Key_Up), this, [this] { emit UpRequested(); });
    }
    UpdateButtons();
}

void CPathBar::ShowFolder(const QString& folder) {
    m_history.Visit(folder);
    m_pEdit->setText(folder);
    UpdateButtons();
}

void CPathBar::Restore() { m_pEdit->setText(m_history.Current()); }

// The history moves at once; the pane then shows the folder (ShowFolder
// changes nothing more) or, when it is gone, stays where it was.
void CPathBar::GoBack() {
    const QString folder = m_history.Back();
    UpdateButtons();
    if (!folder.isEmpty()) emit FolderRequested(folder);
}

void CPathBar::GoForward() {
    const QString folder = m_history.Forward();
    UpdateButtons();
    if (!folder.isEmpty()) emit FolderRequested(folder);
}

void CPathBar::UpdateButtons() {
    m_pBack->setEnabled(m_history.CanGoBack());
    m_pForward->setEnabled(m_history.CanGoForward());
}

}  // namespace parcelo
