#pragma once

#include <vector>

#include <QWidget>

class QToolButton;
class QTreeView;

namespace parcelo {

class CTransferQueue;

// The queue's list in the main window: every transfer with its state,
// source, destination, size, progress (a bar, the speed and the time left)
// and result, and the commands on the selected ones (Start, Pause, Up,
// Down, Cancel, Remove, Retry) and on all (Start all, Stop all, Clear
// finished). Delete removes the selected entries.
class CTransferQueuePane : public QWidget {
    Q_OBJECT

public:
    explicit CTransferQueuePane(CTransferQueue& queue, QWidget* parent = nullptr);

    QTreeView* GetView() const { return m_pView; }
    // The ids of the selected entries, in list order.
    std::vector<int> GetSelectedIds() const;
    // Selects the entry's row (and only it).
    void SelectEntry(int id);

    void OnStart();
    void OnPause();
    void OnMoveUp();
    void OnMoveDown();
    void OnStartAll();
    void OnCancel();
    void OnRemove();
    void OnRetry();
    void OnStopAll();
    // Takes every ended entry off the list.
    void OnClearFinished();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QToolButton* AddButton(const QString& text, void (CTransferQueuePane::*command)());
    // Buttons follow what the selection allows.
    void UpdateButtons();

    CTransferQueue& m_queue;
    QTreeView* m_pView;
    QWidget* m_pButtons;
    QToolButton* m_pStart = nullptr;
    QToolButton* m_pPause = nullptr;
    QToolButton* m_pUp = nullptr;
    QToolButton* m_pDown = nullptr;
    QToolButton* m_pStartAll = nullptr;
    QToolButton* m_pCancel = nullptr;
    QToolButton* m_pRemove = nullptr;
    QToolButton* m_pRetry = nullptr;
};

}  // namespace parcelo
