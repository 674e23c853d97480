#include "app/panes/folder_rows_model.h"

#include <QApplication>
#include <QLocale>
#include <QStyle>

#include "app/common/natural_order.h"
#include "base/size_format.h"
#include "platform/clock.h"

namespace parcelo {

CFolderRowsModel::CFolderRowsModel(QObject* parent)
    : QAbstractTableModel(parent),
      m_folderIcon(QApplication::style()->standardIcon(QStyle::SP_DirIcon)),
      m_fileIcon(QApplication::style()->standardIcon(QStyle::SP_FileIcon)) {}

QDateTime CFolderRowsModel::FileTimeToDateTime(uint64_t fileTime) {
    return fileTime == 0 ? QDateTime()
                         : QDateTime::fromSecsSinceEpoch(velmora::platform::FileTimeToUnix(fileTime), Qt::UTC);
}

int CFolderRowsModel::RowOf(const QString& name) const {
    for (int row = 0; row < rowCount(); ++row) {
        if (EntryAt(row).name == name) return row;
    }
    return -1;
}

void CFolderRowsModel::SetMarks(TCompareMarks marks) {
    if (marks == m_marks) return;
    m_marks = std::move(marks);
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

bool CFolderRowsModel::Before(const CEntry& a, const CEntry& b) const {
    if (a.folder != b.folder) return a.folder;
    const bool ascending = m_order == Qt::AscendingOrder;
    if (m_nSortColumn == COLUMN_SIZE && a.size != b.size) return (a.size < b.size) == ascending;
    if (m_nSortColumn == COLUMN_DATE && a.modified != b.modified) return (a.modified < b.modified) == ascending;
    const int byName = CompareNatural(a.name, b.name);
    return ascending || m_nSortColumn != COLUMN_NAME ? byName < 0 : byName > 0;
}

// The views' rows follow their entries by name (names are unique in a folder).
void CFolderRowsModel::sort(int column, Qt::SortOrder order) {
    m_nSortColumn = column;
    m_order = order;
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<QString> names;
    for (const QModelIndex& index : before) names.push_back(EntryAt(index.row()).name);
    Order();
    QModelIndexList after;
    for (size_t i = 0; i < names.size(); ++i) after << index(RowOf(names[i]), before.at(static_cast<int>(i)).column());
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

QVariant CFolderRowsModel::EntryData(const CEntry& entry, int column, int role) const {
    switch (role) {
        case Qt::DisplayRole:
            if (column == COLUMN_NAME) return entry.name;
            if (column == COLUMN_SIZE)
                return entry.folder ? QString() : QString::fromStdString(velmora::FormatSize(static_cast<uint64_t>(entry.size)));
            if (column == COLUMN_DATE) return QLocale().toString(entry.modified.toLocalTime(), QLocale::ShortFormat);
            return {};
        case Qt::ToolTipRole:
            return column == COLUMN_NAME ? QVariant(entry.name) : QVariant();
        case Qt::DecorationRole:
            if (column != COLUMN_NAME) return {};
            return entry.folder ? m_folderIcon : m_fileIcon;
        case Qt::TextAlignmentRole:
            return column == COLUMN_SIZE ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
        case Qt::BackgroundRole:
        case Qt::ForegroundRole: {
            const auto mark = m_marks.find(entry.name.toStdString());
            if (mark == m_marks.end()) return {};
            return role == Qt::BackgroundRole ? MarkColour(mark->second) : QColor(Qt::black);
        }
        case kFolderRole:
            return entry.folder;
        default:
            return {};
    }
}

QVariant CFolderRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
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

}  // namespace parcelo
