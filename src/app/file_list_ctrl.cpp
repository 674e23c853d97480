#include "app/file_list_ctrl.h"

#include <algorithm>
#include <memory>

#include <QDrag>
#include <QHeaderView>
#include <QMimeData>

#include "app/drag_item.h"
#include "base/value_format.h"
#include "messaging/msg_commands.h"
#include "platform/clock.h"

namespace parcelo {

using velmora::CFtpPath;
using velmora::CFtpPathList;

CFileListCtrl::CFileListCtrl(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(3);
    setHeaderLabels({tr("Name"), tr("Size"), tr("Date")});
    headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    setColumnWidth(0, kNameWidth);
    setColumnWidth(1, kSizeWidth);
    setColumnWidth(2, kMinDateWidth);
    header()->setStretchLastSection(false);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setAllColumnsShowFocus(true);
}

std::string CFileListCtrl::FormatDate(uint64_t fileTime) {
    if (fileTime == 0) return {};
    return velmora::platform::FormatLocalTime(velmora::platform::FileTimeToUnix(fileTime), kDateFormat);
}

void CFileListCtrl::Fill(const CFtpPathList& files) {
    clear();
    m_paths.clear();
    QList<QTreeWidgetItem*> rows;
    for (const CFtpPath* path : files) {
        auto* row = new QTreeWidgetItem;
        row->setText(0, QString::fromStdString(path->GetFileName(true)));
        row->setText(1, QString::fromStdString(velmora::FormatValue(path->Length(), true)));
        row->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        row->setText(2, QString::fromStdString(FormatDate(path->LastWriteTime())));
        rows.append(row);
        m_paths.push_back(*path);
    }
    addTopLevelItems(rows);
}

CFtpPathList CFileListCtrl::GetSelectedPaths() const {
    CFtpPathList selected;
    for (int row = 0; row < topLevelItemCount(); ++row) {
        if (topLevelItem(row)->isSelected()) selected.Add(new CFtpPath(m_paths[row]));
    }
    return selected;
}

void CFileListCtrl::SelectByName(const std::vector<std::string>& names) {
    clearSelection();
    for (int row = 0; row < topLevelItemCount(); ++row) {
        const std::string name = m_paths[row].GetFileName(true);
        if (std::find(names.begin(), names.end(), name) != names.end()) topLevelItem(row)->setSelected(true);
    }
}

void CFileListCtrl::resizeEvent(QResizeEvent* event) {
    QTreeWidget::resizeEvent(event);
    FitDateColumn();
}

// The date takes the rest of the width, but never less than its minimum.
void CFileListCtrl::FitDateColumn() {
    const int rest = viewport()->width() - columnWidth(0) - columnWidth(1);
    setColumnWidth(2, std::max(rest, kMinDateWidth));
}

CFtpListCtrl::CFtpListCtrl(QWidget* parent) : CFileListCtrl(parent) {
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
}

QMimeData* CFtpListCtrl::CreateDragData() const {
    CDropItem item(CClipFormats(), kFormatName);
    item.GetPaths() = GetSelectedPaths();
    if (item.GetPaths().IsEmpty()) return nullptr;
    QMimeData* data = item.CreateMimeData();
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
