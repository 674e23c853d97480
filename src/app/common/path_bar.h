#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace parcelo {

// The folders a pane showed, for Back and Forward: visiting a folder drops
// the ones ahead of the current one, as a web browser does.
class CFolderHistory {
public:
    // The pane shows `folder` now (nothing changes when it already does).
    void Visit(const QString& folder);
    bool CanGoBack() const { return m_nCurrent > 0; }
    bool CanGoForward() const { return m_nCurrent + 1 < m_folders.size(); }
    // The folder to show; empty when there is none that way.
    QString Back();
    QString Forward();
    QString Current() const { return m_nCurrent >= 0 ? m_folders.at(m_nCurrent) : QString(); }

private:
    QStringList m_folders;
    qsizetype m_nCurrent = -1;
};

// The field above a pane's list: the folder shown, which may be typed or
// pasted over (Enter goes there), with Back, Forward and Up beside it.
// Alt+Left, Alt+Right and Alt+Up do the same anywhere in the pane that
// holds the bar (its parent when the bar is made).
class CPathBar : public QWidget {
    Q_OBJECT

public:
    explicit CPathBar(QWidget* pane);

    // The pane now shows `folder`: the field says so and the history has it.
    void ShowFolder(const QString& folder);
    // The pane could not go where the field said: the field shows the
    // folder again.
    void Restore();
    QLineEdit* GetEdit() const { return m_pEdit; }
    const CFolderHistory& GetHistory() const { return m_history; }
    void GoBack();
    void GoForward();

signals:
    // The user asked for this folder (typed, Back or Forward).
    void FolderRequested(const QString& folder);
    // Up one level.
    void UpRequested();

private:
    void UpdateButtons();

    CFolderHistory m_history;
    QLineEdit* m_pEdit;
    QToolButton* m_pBack;
    QToolButton* m_pForward;
    QToolButton* m_pUp;
};

}  // namespace parcelo
