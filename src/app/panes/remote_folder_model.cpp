#include "app/panes/remote_folder_model.h"

#include <algorithm>

#include "ftp/ftp_dir.h"
#include "platform/file_system.h"

namespace parcelo {

using velmora::CFtpPath;
using velmora::CFtpPathList;

void NoteListedDetails(TListedDetails& details, const velmora::CFtpDir& entry) {
    details[entry.GetName()] = {entry.GetPermissions(), entry.GetOwner()};
}

void CRemoteFolderModel::Fill(const CFtpPathList& folders, const CFtpPathList& files) {
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(static_cast<size_t>(folders.GetCount() + files.GetCount()));
    m_nFiles = files.GetCount();
    const auto add = [this](const CFtpPath& path, bool folder) {
        CRow row{{QString::fromStdString(folder ? path.GetTailDir() : path.GetFileName(true)), folder,
                  folder ? 0 : static_cast<qint64>(path.Length()), FileTimeToDateTime(path.LastWriteTime())},
                 path,
                 {}};
        // A folder row is a folder whatever its listing said.
        if (folder) row.path.AddAttr(velmora::platform::FileAttrDirectory);
        m_rows.push_back(std::move(row));
    };
    for (const CFtpPath* folder : folders) add(*folder, true);
    for (const CFtpPath* file : files) add(*file, false);
    Order();
    endResetModel();
}

void CRemoteFolderModel::ShowDetails(const TListedDetails& details) {
    for (CRow& row : m_rows) {
        const auto found = details.find(row.entry.name.toStdString());
        row.details = found != details.end() ? found->second : CListedDetails();
    }
    if (!m_rows.empty()) emit dataChanged(index(0, COLUMN_PERMISSIONS), index(rowCount() - 1, COLUMN_OWNER));
}

void CRemoteFolderModel::Order() {
    std::stable_sort(m_rows.begin(), m_rows.end(), [this](const CRow& a, const CRow& b) { return Before(a.entry, b.entry); });
}

int CRemoteFolderModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CRemoteFolderModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : COLUMN_COUNT; }

QVariant CRemoteFolderModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const CRow& row = m_rows[static_cast<size_t>(index.row())];
    if (role == Qt::DisplayRole && index.column() == COLUMN_PERMISSIONS) return QString::fromStdString(row.details.permissions);
    if (role == Qt::DisplayRole && index.column() == COLUMN_OWNER) return QString::fromStdString(row.details.owner);
    return EntryData(row.entry, index.column(), role);
}

QVariant CRemoteFolderModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        if (section == COLUMN_PERMISSIONS) return tr("Permissions");
        if (section == COLUMN_OWNER) return tr("Owner");
    }
    return CFolderRowsModel::headerData(section, orientation, role);
}

// Drags are made by the view, which knows the selection.
Qt::ItemFlags CRemoteFolderModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

}  // namespace parcelo
