#pragma once

#include <QWidget>

class QSplitter;

namespace parcelo {

// A window of two panes with a movable splitter between them.
class CSplitterDlg : public QWidget {
    Q_OBJECT

public:
    explicit CSplitterDlg(Qt::Orientation orientation, QWidget* parent = nullptr);

    QSplitter* GetSplitter() const { return m_pSplitter; }

protected:
    // Places the two panes; the stretch factors share the room between them.
    void SetPanes(QWidget* first, QWidget* second, int firstStretch, int secondStretch);

private:
    QSplitter* m_pSplitter;
};

// Freezes a window's painting while its contents are rebuilt, so the user
// never sees a half-built tree. Locks nest; the outermost unlock repaints.
class CLockDialog {
public:
    explicit CLockDialog(QWidget* window) : m_pWindow(window) {}

    void LockWindowUpdate();
    void UnlockWindowUpdate();
    bool IsLocked() const { return m_nLocks > 0; }

    // Holds the lock for a scope.
    class CScope {
    public:
        explicit CScope(CLockDialog& dialog) : m_dialog(dialog) { m_dialog.LockWindowUpdate(); }
        ~CScope() { m_dialog.UnlockWindowUpdate(); }
        CScope(const CScope&) = delete;
        CScope& operator=(const CScope&) = delete;

    private:
        CLockDialog& m_dialog;
    };

private:
    QWidget* m_pWindow;
    int m_nLocks = 0;
};

}  // namespace parcelo
