#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

namespace parcelo {

class CTransferQueue;

// The transfers in the main window's status bar: the running entry's
// percentage, speed and time left, and how many wait, read from the queue's
// own rows so that both always say the same.
class CTransferStatusLine : public QWidget {
    Q_OBJECT

public:
    explicit CTransferStatusLine(CTransferQueue& queue, QWidget* parent = nullptr);

    QString GetText() const;
    // The bar's percentage; -1 while it is hidden.
    int GetPercent() const;
    void Refresh();

private:
    CTransferQueue& m_queue;
    QLabel* m_pText;
    QProgressBar* m_pBar;
};

}  // namespace parcelo
