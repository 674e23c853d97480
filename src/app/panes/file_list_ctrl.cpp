#include "app/panes/file_list_ctrl.h"

#include <algorithm>
#include <memory>

#include <QApplication>
#include <QDateTime>
#include <QDrag>
#include <QHeaderView>
#include <QLocale>
#include <QMimeData>
#include <QStyle>

#include "app/common/drag_item.h"
#include "app/common/natural_order.h"
#include "base/size_format.h"
#include "ftp/ftp_dir.h"
#include "messaging/msg_commands.h"
#include "platform/clock.h"
#include "platform/file_system.h"

namespace parcelo {

using velmora::CFtpPath;
using velmora::CFtpPathList;

namespace {

// What a row keeps beside its texts.
constexpr int kIndexRole = Qt::UserRole;      // the row's path in the list's copies
constexpr int kFolderRole = Qt::UserRole + 1;  // a folder row
constexpr int kValueRole = Qt::UserRole + 2;   // the size or date as a number

// A row that sorts by value: folders above files in either direction, names
// in natural order, sizes and dates by number.
class CFileListItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;

    bool operator<(const QTreeWidgetItem& other) const override {
        const bool folder = data(0, kFolderRole).toBool();
        if (folder != other.data(0, kFolderRole).toBool()) {
            const bool ascending = treeWidget() == nullptr ||
                                   treeWidget()->header()->sortIndicatorOrder() == Qt::AscendingOrder;
            return folder == ascending;
        }
        const int column = treeWidget() != nullptr ? treeWidget()->sortColumn() : 0;
        if (column != CFileListCtrl::COLUMN_NAME) {
            const qulonglong mine = data(column, kValueRole).toULongLong();
            const qulonglong theirs = other.data(column, kValueRole).toULongLong();
            if (mine != theirs) return mine < theirs;
        }
        return CompareNatural(text(0), other.text(0)) < 0;
    }
};

}  // namespace

CFileListCtrl::CFileListCtrl(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(3);
    setHeaderLabels({tr("Name"), tr("Size"), tr("Date")});
    headerItem()->setTextAlignment(COLUMN_SIZE, Qt::AlignRight | Qt::AlignVCenter);
    setColumnWidth(COLUMN_NAME, kNameWidth);
    setColumnWidth(COLUMN_SIZE, kSizeWidth);
    setColumnWidth(COLUMN_DATE, kMinDateWidth);
    header()->setStretchLastSection(false);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setAllColumnsShowFocus(true);
    // Long names keep their start and their end (where the extension is).
    setTextElideMode(Qt::ElideMiddle);
    setSortingEnabled(true);
    sortByColumn(COLUMN_NAME, Qt::AscendingOrder);
}

QString CFileListCtrl::FormatDate(uint64_t fileTime) {
    if (fileTime == 0) return {};
    const QDateTime time = QDateTime::fromSecsSinceEpoch(velmora::platform::FileTimeToUnix(fileTime));
    return time.isValid() ? QLocale().toString(time, QLocale::ShortFormat) : QString();
}

void CFileListCtrl::Fill(const CFtpPathList& folders, const CFtpPathList& files) {
    clear();
    m_paths.clear();
    m_nFiles = files.GetCount();
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
    QList<QTreeWidgetItem*> rows;
    const auto add = [&](const CFtpPath& path, bool folder) {
        auto* row = new CFileListItem;
        const QString name = QString::fromStdString(folder ? path.GetTailDir() : path.GetFileName(true));
        row->setText(COLUMN_NAME, name);
        row->setToolTip(COLUMN_NAME, name);
        row->setIcon(COLUMN_NAME, folder ? folderIcon : fileIcon);
        row->setData(COLUMN_NAME, kIndexRole, static_cast<int>(m_paths.size()));
        row->setData(COLUMN_NAME, kFolderRole, folder);
        if (!folder) row->setText(COLUMN_SIZE, QString::fromStdString(velmora::FormatSize(path.Length())));
        row->setData(COLUMN_SIZE, kValueRole, static_cast<qulonglong>(folder ? 0 : path.Length()));
        row->setTextAlignment(COLUMN_SIZE, Qt::AlignRight | Qt::AlignVCenter);
        row->setText(COLUMN_DATE, FormatDate(path.LastWriteTime()));
        row->setData(COLUMN_DATE, kValueRole, static_cast<qulonglong>(path.LastWriteTime()));
        rows.append(row);
        m_paths.push_back(path);
        // A folder row is a folder whatever its listing said.
        if (folder) m_paths.back().AddAttr(velmora::platform::FileAttrDirectory);
    };
    for (const CFtpPath* folder : folders) add(*folder, true);
    for (const CFtpPath* file : files) add(*file, false);
    addTopLevelItems(rows);
    ApplyNameFilter();
    FitDateColumn();
}

void CFileListCtrl::SetMarks(const TCompareMarks& marks) {
    for (int row = 0; row < topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = topLevelItem(row);
        const auto mark = marks.find(item->text(COLUMN_NAME).toStdString());
        const bool marked = mark != marks.end();
        for (int column = 0; column < columnCount(); ++column) {
            item->setData(column, Qt::BackgroundRole, marked ? QVariant(MarkColour(mark->second)) : QVariant());
            item->setData(column, Qt::ForegroundRole, marked ? QVariant(QColor(Qt::black)) : QVariant());
        }
    }
}

void CFileListCtrl::SetNameFilter(const CNameFilter& filter) {
    m_filter = filter;
    ApplyNameFilter();
}

void CFileListCtrl::ApplyNameFilter() {
    for (int row = 0; row < topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = topLevelItem(row);
        const bool hide = !m_filter.Matches(item->text(COLUMN_NAME));
        if (hide) item->setSelected(false);
        item->setHidden(hide);
    }
}

const CFtpPath* CFileListCtrl::PathOf(const QTreeWidgetItem* item) const {
    if (item == nullptr || item->treeWidget() != this) return nullptr;
    const int index = item->data(COLUMN_NAME, kIndexRole).toInt();
    return index >= 0 && index < static_cast<int>(m_paths.size()) ? &m_paths[index] : nullptr;
}

CFtpPathList CFileListCtrl::GetSelectedPaths(bool withFolders) const {
    CFtpPathList selected;
    for (int row = 0; row < topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = topLevelItem(row);
        if (item->isSelected() && !item->isHidden() && (withFolders || !item->data(COLUMN_NAME, kFolderRole).toBool())) {
            selected.Add(new CFtpPath(*PathOf(item)));
        }
    }
    return selected;
}

const CFtpPath* CFileListCtrl::GetSelectedFolder() const {
    for (int row = 0; row < topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = topLevelItem(row);
        if (item->isSelected() && !item->isHidden() && item->data(COLUMN_NAME, kFolderRole).toBool()) {
            return PathOf(item);
        }
    }
    return nullptr;
}

void CFileListCtrl::SelectByName(const std::vector<std::string>& names) {
    clearSelection();
    for (int row = 0; row < topLevelItemCount(); ++row) {
        const std::string name = topLevelItem(row)->text(COLUMN_NAME).toStdString();
        if (std::find(names.begin(), names.end(), name) != names.end()) topLevelItem(row)->setSelected(true);
    }
}

void CFileListCtrl::resizeEvent(QResizeEvent* event) {
    QTreeWidget::resizeEvent(event);
    FitDateColumn();
}

// The date takes the rest of the width, but never less than its minimum or
// than its longest text (dates in some locales are long).
void CFileListCtrl::FitDateColumn() {
    int rest = viewport()->width();
    for (int column = 0; column < columnCount(); ++column) {
        if (column != COLUMN_DATE) rest -= columnWidth(column);
    }
    setColumnWidth(COLUMN_DATE, std::max({rest, kMinDateWidth, sizeHintForColumn(COLUMN_DATE)}));
}

CFtpListCtrl::CFtpListCtrl(QWidget* parent) : CFileListCtrl(parent) {
    setColumnCount(COLUMN_OWNER + 1);
    setHeaderLabels({tr("Name"), tr("Size"), tr("Date"), tr("Permissions"), tr("Owner")});
    setColumnWidth(COLUMN_PERMISSIONS, fontMetrics().horizontalAdvance("drwxrwxrwx") + 16);
    setColumnWidth(COLUMN_OWNER, kSizeWidth);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
}

void NoteListedDetails(TListedDetails& details, const velmora::CFtpDir& entry) {
    details[entry.GetName()] = {entry.GetPermissions(), entry.GetOwner()};
}

void CFtpListCtrl::ShowDetails(const TListedDetails& details) {
    for (int row = 0; row < topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = topLevelItem(row);
        const auto found = details.find(item->text(COLUMN_NAME).toStdString());
        const bool known = found != details.end();
        item->setText(COLUMN_PERMISSIONS, known ? QString::fromStdString(found->second.permissions) : QString());
        item->setText(COLUMN_OWNER, known ? QString::fromStdString(found->second.owner) : QString());
    }
}

QMimeData* CFtpListCtrl::CreateDragData() const {
    // Moves on the server take the files; other applications get folders too.
    CDropItem item(CClipFormats(), kFormatName);
    item.GetPaths() = GetSelectedPaths();
    const velmora::CFtpPathList selected = GetSelectedPaths(true);
    if (selected.IsEmpty()) return nullptr;
    QMimeData* data = m_makeDragData ? m_makeDragData(selected) : new QMimeData;
    if (item.GetPaths().IsEmpty()) return data;
    item.PutInto(*data);
    // Beside the item, so that a target can tell the drag names remote files.
    data->setData(CClipFormats::MimeType(velmora::kUniqueNameProviderId), QByteArray());
    return data;
}

void CFtpListCtrl::startDrag(Qt::DropActions /*supportedActions*/) {
    QMimeData* data = CreateDragData();
    if (data == nullptr) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction | Qt::MoveAction);
}

}  // namespace parcelo
