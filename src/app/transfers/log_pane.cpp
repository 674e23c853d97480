#include "app/transfers/log_pane.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QVBoxLayout>

#include "app/common/window_thread.h"
#include "messaging/log_file.h"
#include "messaging/log_status.h"
#include "messaging/msg.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"

namespace parcelo {

void LogAppEvent(int kind, const std::string& source, const std::string& action, const std::string& text) {
    velmora::CLogStatus::Send(kind, source, action, text);
    velmora::CLogFile().Flush();
}

// ---- CLogModel ----

CLogModel::CLogModel(QObject* parent) : QAbstractListModel(parent) {
    velmora::CMsgBox::Box().Subscribe(kListenerName, this);
}

CLogModel::~CLogModel() { velmora::CMsgBox::Box().Unsubscribe(this); }

void CLogModel::OnMsg(velmora::CMsg& msg) {
    if (msg.Cmd() != velmora::MSG_LOG_RECORD) return;
    const auto* record = dynamic_cast<const velmora::CLogStatus*>(msg.Object());
    if (record == nullptr) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_arrived.push_back({record->GetKind(), QString::fromStdString(record->GetLine())});
    if (m_arrived.size() > static_cast<size_t>(kMaxRecords)) m_arrived.pop_front();
    // One queued call takes everything that arrives before it runs.
    if (std::exchange(m_bTakePosted, true)) return;
    PostToWindowThread(this, [this] { TakeArrived(); });
}

void CLogModel::TakeArrived() {
    std::deque<CRecord> arrived;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        arrived.swap(m_arrived);
        m_bTakePosted = false;
    }
    if (arrived.empty()) return;
    const int overflow = static_cast<int>(m_records.size() + arrived.size()) - kMaxRecords;
    if (overflow > 0) {
        const int dropped = std::min(overflow, static_cast<int>(m_records.size()));
        if (dropped > 0) {
            beginRemoveRows(QModelIndex(), 0, dropped - 1);
            m_records.erase(m_records.begin(), m_records.begin() + dropped);
            endRemoveRows();
        }
    }
    const int first = static_cast<int>(m_records.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(arrived.size()) - 1);
    m_records.insert(m_records.end(), arrived.begin(), arrived.end());
    endInsertRows();
}

int CLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_records.size());
}

QVariant CLogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(m_records.size())) return {};
    const CRecord& record = m_records[index.row()];
    if (role == Qt::DisplayRole) return record.line;
    if (role == kKindRole) return record.kind;
    if (role == Qt::ForegroundRole && record.kind == velmora::LOG_ERROR) return QColor(Qt::darkRed);
    return {};
}

// ---- CLogLevelFilter ----

void CLogLevelFilter::SetErrorsOnly(bool errorsOnly) {
    m_bErrorsOnly = errorsOnly;
    invalidateFilter();
}

bool CLogLevelFilter::filterAcceptsRow(int row, const QModelIndex& parent) const {
    if (!m_bErrorsOnly) return true;
    return sourceModel()->index(row, 0, parent).data(CLogModel::kKindRole).toInt() == velmora::LOG_ERROR;
}

// ---- CLogPane ----

CLogPane::CLogPane(QWidget* parent)
    : QWidget(parent),
      m_pModel(new CLogModel(this)),
      m_pFilter(new CLogLevelFilter(this)),
      m_pLevel(new QComboBox),
      m_pView(new QListView) {
    m_pFilter->setSourceModel(m_pModel);
    m_pLevel->setObjectName("logLevel");
    m_pLevel->addItems({tr("All records"), tr("Errors only")});
    m_pView->setObjectName("log");
    m_pView->setModel(m_pFilter);
    m_pView->setUniformItemSizes(true);
    m_pView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_pView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pView->setSelectionMode(QAbstractItemView::ExtendedSelection);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Show:")));
    top->addWidget(m_pLevel);
    top->addStretch(1);
    layout->addLayout(top);
    layout->addWidget(m_pView, 1);

    connect(m_pLevel, &QComboBox::currentIndexChanged, this, [this](int level) { m_pFilter->SetErrorsOnly(level == 1); });
    // The newest record stays in sight while the user has not scrolled away.
    connect(m_pFilter, &QAbstractItemModel::rowsInserted, this, [this] { m_pView->scrollToBottom(); });
}

}  // namespace parcelo
