#pragma once

#include <vector>

#include <QWidget>

class QPushButton;
class QTreeView;

namespace parcelo {

class CTransferQueue;

// The queue's list in the main window: every transfer with its state,
// source, destination, size and result, and the commands on the selected
// ones (Cancel, Remove, Retry) and on all (Stop all, Clear finished).
// Delete removes the selected entries.
class CTransferQueuePane : public QWidget {
    Q_OBJECT

public:
    explicit CTransferQueuePane(CTransferQueue& queue, QWidget* parent = nullptr);

    QTreeView* GetView() const { return m_pView; }
    // The ids of the selected entries, in list order.
    std::vector<int> GetSelectedIds() const;
    // Selects the entry's row (and only it).
    void SelectEntry(int id);

    void OnCancel();
    void OnRemove();
    void OnRetry();
    void OnStopAll();
    // Takes every ended entry off the list.
    void OnClearFinished();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPushButton* AddButton(const QString& text, void (CTransferQueuePane::*command)());
    // Buttons follow what the selection allows.
    void UpdateButtons();

    CTransferQueue& m_queue;
    QTreeView* m_pView;
    QWidget* m_pButtons;
    QPushButton* m_pCancel = nullptr;
    QPushButton* m_pRemove = nullptr;
    QPushButton* m_pRetry = nullptr;
};

}  // namespace parcelo
