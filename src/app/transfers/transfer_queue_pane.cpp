#include "app/transfers/transfer_queue_pane.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/transfers/transfer_queue.h"

namespace parcelo {

CTransferQueuePane::CTransferQueuePane(CTransferQueue& queue, QWidget* parent)
    : QWidget(parent), m_queue(queue), m_pView(new QTreeView), m_pButtons(new QWidget) {
    m_pView->setObjectName("queueView");
    m_pView->setModel(&queue.GetModel());
    m_pView->setRootIsDecorated(false);
    m_pView->setUniformRowHeights(true);
    m_pView->setAllColumnsShowFocus(true);
    m_pView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pView->setContextMenuPolicy(Qt::CustomContextMenu);
    m_pView->header()->setStretchLastSection(true);
    m_pView->header()->resizeSection(CTransferListModel::COLUMN_STATE, 80);
    m_pView->header()->resizeSection(CTransferListModel::COLUMN_SOURCE, 220);
    m_pView->header()->resizeSection(CTransferListModel::COLUMN_DESTINATION, 220);
    m_pView->header()->resizeSection(CTransferListModel::COLUMN_SIZE, 80);

    auto* buttons = new QHBoxLayout(m_pButtons);
    buttons->setContentsMargins(0, 0, 0, 0);
    m_pCancel = AddButton(tr("Cancel"), &CTransferQueuePane::OnCancel);
    m_pRemove = AddButton(tr("Remove"), &CTransferQueuePane::OnRemove);
    m_pRetry = AddButton(tr("Retry"), &CTransferQueuePane::OnRetry);
    buttons->addStretch(1);
    AddButton(tr("Clear finished"), &CTransferQueuePane::OnClearFinished);
    AddButton(tr("Stop all"), &CTransferQueuePane::OnStopAll);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pView, 1);
    layout->addWidget(m_pButtons);

    connect(m_pView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CTransferQueuePane::UpdateButtons);
    connect(&queue.GetModel(), &QAbstractItemModel::dataChanged, this, &CTransferQueuePane::UpdateButtons);
    connect(m_pView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        for (QPushButton* button : m_pButtons->findChildren<QPushButton*>()) {
            QAction* action = menu.addAction(button->text(), button, &QPushButton::click);
            action->setEnabled(button->isEnabled());
        }
        menu.exec(m_pView->viewport()->mapToGlobal(at));
    });
    UpdateButtons();
}

QPushButton* CTransferQueuePane::AddButton(const QString& text, void (CTransferQueuePane::*command)()) {
    auto* button = new QPushButton(text);
    button->setAutoDefault(false);
    m_pButtons->layout()->addWidget(button);
    connect(button, &QPushButton::clicked, this, command);
    return button;
}

std::vector<int> CTransferQueuePane::GetSelectedIds() const {
    std::vector<int> ids;
    for (const QModelIndex& row : m_pView->selectionModel()->selectedRows()) {
        ids.push_back(row.data(CTransferListModel::kIdRole).toInt());
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

void CTransferQueuePane::SelectEntry(int id) {
    const CTransferListModel& model = m_queue.GetModel();
    for (int row = 0; row < model.rowCount(); ++row) {
        if (model.IdAt(row) != id) continue;
        m_pView->selectionModel()->select(model.index(row, 0), QItemSelectionModel::ClearAndSelect |
                                                                   QItemSelectionModel::Rows);
        m_pView->setCurrentIndex(model.index(row, 0));
        return;
    }
}

void CTransferQueuePane::OnCancel() {
    for (int id : GetSelectedIds()) m_queue.Cancel(id);
}

void CTransferQueuePane::OnRemove() {
    for (int id : GetSelectedIds()) m_queue.Remove(id);
}

void CTransferQueuePane::OnRetry() {
    for (int id : GetSelectedIds()) m_queue.Retry(id);
}

void CTransferQueuePane::OnStopAll() { m_queue.CancelAll(); }

void CTransferQueuePane::OnClearFinished() {
    std::vector<int> ended;
    const CTransferListModel& model = m_queue.GetModel();
    for (int row = 0; row < model.rowCount(); ++row) {
        if (model.At(row).IsOver()) ended.push_back(model.IdAt(row));
    }
    for (int id : ended) m_queue.Remove(id);
}

void CTransferQueuePane::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        OnRemove();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CTransferQueuePane::UpdateButtons() {
    bool cancellable = false;
    bool removable = false;
    bool retriable = false;
    for (int id : GetSelectedIds()) {
        const CTransferEntry* entry = m_queue.GetModel().Find(id);
        if (entry == nullptr) continue;
        cancellable = cancellable || !entry->IsOver();
        removable = removable || entry->state != CTransferEntry::Running;
        retriable = retriable || entry->IsOver();
    }
    m_pCancel->setEnabled(cancellable);
    m_pRemove->setEnabled(removable);
    m_pRetry->setEnabled(retriable);
}

}  // namespace parcelo
