#include "app/transfers/transfer_queue_pane.h"

#include <algorithm>

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QToolButton>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/transfers/transfer_queue.h"

namespace parcelo {
namespace {

// The running row's percentage drawn as a bar.
class CProgressDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const int percent = index.data(CTransferListModel::kPercentRole).toInt();
        if (percent < 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionProgressBar bar;
        bar.rect = option.rect.adjusted(1, 2, -1, -2);
        bar.minimum = 0;
        bar.maximum = 100;
        bar.progress = percent;
        bar.text = index.data().toString();
        bar.textVisible = true;
        bar.state = option.state | QStyle::State_Horizontal;
        QApplication::style()->drawControl(QStyle::CE_ProgressBar, &bar, painter);
    }
};

}  // namespace

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
    m_pView->header()->resizeSection(CTransferListModel::COLUMN_PROGRESS, 100);
    m_pView->setItemDelegateForColumn(CTransferListModel::COLUMN_PROGRESS, new CProgressDelegate(m_pView));

    auto* buttons = new QHBoxLayout(m_pButtons);
    buttons->setContentsMargins(0, 0, 0, 0);
    m_pStart = AddButton(tr("Start"), &CTransferQueuePane::OnStart);
    m_pPause = AddButton(tr("Pause"), &CTransferQueuePane::OnPause);
    m_pUp = AddButton(tr("Up"), &CTransferQueuePane::OnMoveUp);
    m_pDown = AddButton(tr("Down"), &CTransferQueuePane::OnMoveDown);
    m_pCancel = AddButton(tr("Cancel"), &CTransferQueuePane::OnCancel);
    m_pRemove = AddButton(tr("Remove"), &CTransferQueuePane::OnRemove);
    m_pRetry = AddButton(tr("Retry"), &CTransferQueuePane::OnRetry);
    buttons->addStretch(1);
    m_pStartAll = AddButton(tr("Start all"), &CTransferQueuePane::OnStartAll);
    AddButton(tr("Clear finished"), &CTransferQueuePane::OnClearFinished);
    AddButton(tr("Stop all"), &CTransferQueuePane::OnStopAll);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pView, 1);
    layout->addWidget(m_pButtons);

    connect(m_pView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CTransferQueuePane::UpdateButtons);
    connect(&queue.GetModel(), &QAbstractItemModel::dataChanged, this, &CTransferQueuePane::UpdateButtons);
    connect(&queue.GetModel(), &QAbstractItemModel::rowsMoved, this, &CTransferQueuePane::UpdateButtons);
    connect(&queue.GetModel(), &QAbstractItemModel::rowsInserted, this, &CTransferQueuePane::UpdateButtons);
    connect(m_pView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        for (QToolButton* button : m_pButtons->findChildren<QToolButton*>()) {
            QAction* action = menu.addAction(button->text(), button, &QToolButton::click);
            action->setEnabled(button->isEnabled());
        }
        menu.exec(m_pView->viewport()->mapToGlobal(at));
    });
    UpdateButtons();
}

// Small buttons: the dock below the panes stays narrow enough for small screens.
QToolButton* CTransferQueuePane::AddButton(const QString& text, void (CTransferQueuePane::*command)()) {
    auto* button = new QToolButton;
    button->setText(text);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_pButtons->layout()->addWidget(button);
    connect(button, &QToolButton::clicked, this, command);
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

void CTransferQueuePane::OnStart() {
    for (int id : GetSelectedIds()) m_queue.Start(id);
}

void CTransferQueuePane::OnPause() {
    for (int id : GetSelectedIds()) m_queue.Pause(id);
}

// Several rows move together, the first in the way first.
void CTransferQueuePane::OnMoveUp() {
    std::vector<int> ids = GetSelectedIds();
    std::sort(ids.begin(), ids.end(), [this](int a, int b) {
        return m_queue.GetModel().RowOf(a) < m_queue.GetModel().RowOf(b);
    });
    for (int id : ids) m_queue.MoveUp(id);
}

void CTransferQueuePane::OnMoveDown() {
    std::vector<int> ids = GetSelectedIds();
    std::sort(ids.begin(), ids.end(), [this](int a, int b) {
        return m_queue.GetModel().RowOf(a) > m_queue.GetModel().RowOf(b);
    });
    for (int id : ids) m_queue.MoveDown(id);
}

void CTransferQueuePane::OnStartAll() { m_queue.StartAll(); }

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
    bool startable = false;
    bool pausable = false;
    bool movable = false;
    for (int id : GetSelectedIds()) {
        const CTransferEntry* entry = m_queue.GetModel().Find(id);
        if (entry == nullptr) continue;
        cancellable = cancellable || !entry->IsOver();
        removable = removable || entry->state != CTransferEntry::Running;
        retriable = retriable || entry->IsOver();
        startable = startable || (entry->IsUnfinished() && !m_queue.IsQueued(id));
        pausable = pausable || (entry->IsUnfinished() && entry->state != CTransferEntry::Paused);
        movable = movable || entry->state != CTransferEntry::Running;
    }
    bool anyToStart = false;
    for (int row = 0; row < m_queue.GetModel().rowCount(); ++row) {
        const CTransferEntry& entry = m_queue.GetModel().At(row);
        anyToStart = anyToStart || (entry.state == CTransferEntry::Waiting && !m_queue.IsQueued(entry.id));
    }
    m_pStart->setEnabled(startable);
    m_pPause->setEnabled(pausable);
    m_pUp->setEnabled(movable);
    m_pDown->setEnabled(movable);
    m_pStartAll->setEnabled(anyToStart);
    m_pCancel->setEnabled(cancellable);
    m_pRemove->setEnabled(removable);
    m_pRetry->setEnabled(retriable);
}

}  // namespace parcelo
