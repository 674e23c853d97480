#include "app/transfers/transfer_status_line.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

#include "app/transfers/transfer_queue.h"

namespace parcelo {

CTransferStatusLine::CTransferStatusLine(CTransferQueue& queue, QWidget* parent)
    : QWidget(parent), m_queue(queue), m_pText(new QLabel), m_pBar(new QProgressBar) {
    setObjectName("transferStatus");
    m_pText->setObjectName("transferText");
    m_pBar->setRange(0, 100);
    m_pBar->setMaximumWidth(160);
    m_pBar->setMaximumHeight(16);
    m_pBar->hide();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pText);
    layout->addWidget(m_pBar);
    const CTransferListModel* model = &queue.GetModel();
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
        connect(model, signal, this, &CTransferStatusLine::Refresh);
    }
    connect(model, &QAbstractItemModel::dataChanged, this, &CTransferStatusLine::Refresh);
    connect(&queue, &CTransferQueue::WaitingCountChanged, this, &CTransferStatusLine::Refresh);
    // A run's row says how it ended before the run is let go: the line is
    // told again once nothing runs.
    connect(&queue, &CTransferQueue::EntryEnded, this, &CTransferStatusLine::Refresh);
    Refresh();
}

void CTransferStatusLine::Refresh() {
    const CTransferEntry* running = m_queue.GetRunningEntry();
    const int waiting = m_queue.GetWaitingCount();
    QString text;
    if (running != nullptr) {
        const QModelIndex row = m_queue.GetModel().index(m_queue.GetModel().RowOf(running->id), 0);
        const auto column = [&row](int which) { return row.siblingAtColumn(which).data().toString(); };
        text = tr("Transferring %1").arg(QString::fromStdString(running->source));
        for (int which : {CTransferListModel::COLUMN_SPEED, CTransferListModel::COLUMN_TIME_LEFT}) {
            if (!column(which).isEmpty()) text += "   " + column(which);
        }
        if (!column(CTransferListModel::COLUMN_TIME_LEFT).isEmpty()) text += tr(" left");
    } else {
        text = tr("No transfer running");
    }
    if (waiting > 0) text += waiting == 1 ? tr("   (1 waiting)") : tr("   (%1 waiting)").arg(waiting);
    m_pText->setText(text);
    const int percent = running != nullptr ? running->percent : -1;
    m_pBar->setVisible(percent >= 0);
    if (percent >= 0) m_pBar->setValue(percent);
}

QString CTransferStatusLine::GetText() const { return m_pText->text(); }

int CTransferStatusLine::GetPercent() const { return m_pBar->isHidden() ? -1 : m_pBar->value(); }

}  // namespace parcelo
