#include "app/panes/local_folder_model.h"

#include <algorithm>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMimeData>
#include <QStyle>
#include <QUrl>

#include "app/common/natural_order.h"
#include "base/size_format.h"

namespace parcelo {

CLocalFolderModel::CLocalFolderModel(QObject* parent) : QAbstractTableModel(parent) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &CLocalFolderModel::Refresh);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
}

bool CLocalFolderModel::SetFolder(const QString& folder) {
    const QString clean = QDir::cleanPath(folder);
    const QFileInfo info(clean);
    if (!info.isDir() || !info.isReadable()) return false;
    if (!m_strFolder.isEmpty()) m_watcher.removePath(m_strFolder);
    m_strFolder = clean;
    m_watcher.addPath(m_strFolder);
    Refresh();
    return true;
}

void CLocalFolderModel::Refresh() {
    beginResetModel();
    Read();
    Order();
    endResetModel();
    emit FolderRead();
}

void CLocalFolderModel::SetShowHidden(bool show) {
    if (show == m_bShowHidden) return;
    m_bShowHidden = show;
    if (!m_strFolder.isEmpty()) Refresh();
}

void CLocalFolderModel::Read() {
    m_entries.clear();
    if (m_strFolder.isEmpty()) return;
    QDir::Filters filter = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System;
    if (m_bShowHidden) filter |= QDir::Hidden;
    for (const QFileInfo& info : QDir(m_strFolder).entryInfoList(filter, QDir::Unsorted)) {
        m_entries.push_back({info.fileName(), info.isDir(), info.isDir() ? 0 : info.size(), info.lastModified()});
    }
}

// Folders above files whichever way the column sorts.
bool CLocalFolderModel::Less(const CEntry& a, const CEntry& b) const {
    if (a.folder != b.folder) return a.folder;
    const bool ascending = m_order == Qt::AscendingOrder;
    if (m_nSortColumn == COLUMN_SIZE && a.size != b.size) return (a.size < b.size) == ascending;
    if (m_nSortColumn == COLUMN_DATE && a.modified != b.modified) return (a.modified < b.modified) == ascending;
    const int byName = CompareNatural(a.name, b.name);
    return ascending || m_nSortColumn != COLUMN_NAME ? byName < 0 : byName > 0;
}

void CLocalFolderModel::Order() {
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [this](const CEntry& a, const CEntry& b) { return Less(a, b); });
}

void CLocalFolderModel::sort(int column, Qt::SortOrder order) {
    m_nSortColumn = column;
    m_order = order;
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<QString> names;
    for (const QModelIndex& index : before) names.push_back(m_entries.at(index.row()).name);
    Order();
    QModelIndexList after;
    for (size_t i = 0; i < names.size(); ++i) after << index(RowOf(names[i]), before.at(static_cast<int>(i)).column());
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void CLocalFolderModel::SetMarks(TCompareMarks marks) {
    if (marks == m_marks) return;
    m_marks = std::move(marks);
    if (!m_entries.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, COLUMN_COUNT - 1));
}

QString CLocalFolderModel::PathAt(int row) const {
    if (row < 0 || row >= static_cast<int>(m_entries.size())) return {};
    return QDir(m_strFolder).filePath(m_entries[static_cast<size_t>(row)].name);
}

bool CLocalFolderModel::IsFolderAt(int row) const {
    return row >= 0 && row < static_cast<int>(m_entries.size()) && m_entries[static_cast<size_t>(row)].folder;
}

int CLocalFolderModel::RowOf(const QString& name) const {
    const auto at = std::find_if(m_entries.begin(), m_entries.end(), [&](const CEntry& e) { return e.name == name; });
    return at == m_entries.end() ? -1 : static_cast<int>(at - m_entries.begin());
}

int CLocalFolderModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int CLocalFolderModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : COLUMN_COUNT; }

QVariant CLocalFolderModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(m_entries.size())) return {};
    const CEntry& entry = m_entries[static_cast<size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            if (index.column() == COLUMN_NAME) return entry.name;
            if (index.column() == COLUMN_SIZE)
                return entry.folder ? QString() : QString::fromStdString(velmora::FormatSize(static_cast<uint64_t>(entry.size)));
            if (index.column() == COLUMN_DATE) return QLocale().toString(entry.modified, QLocale::ShortFormat);
            return {};
        case Qt::ToolTipRole:
            return index.column() == COLUMN_NAME ? QVariant(entry.name) : QVariant();
        case Qt::DecorationRole:
            if (index.column() != COLUMN_NAME) return {};
            return QApplication::style()->standardIcon(entry.folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
        case Qt::TextAlignmentRole:
            return index.column() == COLUMN_SIZE ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
        case Qt::BackgroundRole:
        case Qt::ForegroundRole: {
            const auto mark = m_marks.find(entry.name.toStdString());
            if (mark == m_marks.end()) return {};
            return role == Qt::BackgroundRole ? MarkColour(mark->second) : QColor(Qt::black);
        }
        case kPathRole:
            return PathAt(index.row());
        case kFolderRole:
            return entry.folder;
        default:
            return {};
    }
}

QVariant CLocalFolderModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::TextAlignmentRole && section == COLUMN_SIZE) return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    switch (section) {
        case COLUMN_NAME: return tr("Name");
        case COLUMN_SIZE: return tr("Size");
        case COLUMN_DATE: return tr("Date");
        default: return {};
    }
}

Qt::ItemFlags CLocalFolderModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
           (IsFolderAt(index.row()) ? Qt::ItemIsDropEnabled : Qt::NoItemFlags);
}

QStringList CLocalFolderModel::mimeTypes() const { return {"text/uri-list"}; }

QMimeData* CLocalFolderModel::mimeData(const QModelIndexList& indexes) const {
    QList<QUrl> urls;
    QList<int> rows;
    for (const QModelIndex& index : indexes) {
        if (index.isValid() && !rows.contains(index.row())) rows << index.row();
    }
    std::sort(rows.begin(), rows.end());
    for (int row : rows) urls << QUrl::fromLocalFile(PathAt(row));
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

}  // namespace parcelo
