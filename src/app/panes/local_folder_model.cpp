#include "app/panes/local_folder_model.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "platform/file_system.h"

namespace parcelo {

CLocalFolderModel::CLocalFolderModel(QObject* parent) : CFolderRowsModel(parent) {
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
    // One status each, with its time in UTC: a local time costs a time-zone
    // lookup each, which a folder of 20,000 files feels.
    std::vector<velmora::platform::DirEntry> listed;
    velmora::platform::ListDirectory(m_strFolder.toStdString(), listed);
    m_entries.reserve(listed.size());
    for (const velmora::platform::DirEntry& entry : listed) {
        QString name = QString::fromStdString(entry.name);
        if (!m_bShowHidden && name.startsWith('.')) continue;
        const bool folder = (entry.status.attributes & velmora::platform::FileAttrDirectory) != 0;
        m_entries.push_back({std::move(name), folder, folder ? 0 : static_cast<qint64>(entry.status.size),
                             FileTimeToDateTime(entry.status.lastWriteTime)});
    }
}

void CLocalFolderModel::Order() {
    std::stable_sort(m_entries.begin(), m_entries.end(), [this](const CEntry& a, const CEntry& b) { return Before(a, b); });
}

QString CLocalFolderModel::PathAt(int row) const {
    if (row < 0 || row >= static_cast<int>(m_entries.size())) return {};
    return QDir(m_strFolder).filePath(m_entries[static_cast<size_t>(row)].name);
}

int CLocalFolderModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int CLocalFolderModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : COLUMN_COUNT; }

QVariant CLocalFolderModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(m_entries.size())) return {};
    if (role == kPathRole) return PathAt(index.row());
    return EntryData(m_entries[static_cast<size_t>(index.row())], index.column(), role);
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
