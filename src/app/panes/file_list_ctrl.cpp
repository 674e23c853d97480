#include "app/panes/file_list_ctrl.h"

#include <algorithm>

#include <QDrag>
#include <QHeaderView>
#include <QMimeData>

#include "app/common/drag_item.h"
#include "app/panes/folder_columns.h"
#include "messaging/msg_commands.h"

namespace parcelo {

using velmora::CFtpPath;
using velmora::CFtpPathList;

CFtpListCtrl::CFtpListCtrl(QWidget* parent)
    : QTreeView(parent), m_pModel(new CRemoteFolderModel(this)), m_pProxy(new CNameFilterProxy(this)) {
    m_pProxy->setSourceModel(m_pModel);
    setModel(m_pProxy);
    FitFolderColumns(*this);
    setColumnWidth(CRemoteFolderModel::COLUMN_PERMISSIONS, fontMetrics().horizontalAdvance("drwxrwxrwx") + 16);
    setColumnWidth(CRemoteFolderModel::COLUMN_OWNER, kOwnerWidth);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setAllColumnsShowFocus(true);
    // Long names keep their start and their end (where the extension is).
    setTextElideMode(Qt::ElideMiddle);
    setSortingEnabled(true);
    sortByColumn(CRemoteFolderModel::COLUMN_NAME, Qt::AscendingOrder);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
}

void CFtpListCtrl::Fill(const CFtpPathList& folders, const CFtpPathList& files) { m_pModel->Fill(folders, files); }

int CFtpListCtrl::GetRowCount() const { return m_pProxy->rowCount(); }

int CFtpListCtrl::ModelRow(int row) const { return m_pProxy->mapToSource(m_pProxy->index(row, 0)).row(); }

const CFtpPath& CFtpListCtrl::GetPathAt(int row) const { return m_pModel->PathAt(ModelRow(row)); }

const CFtpPath* CFtpListCtrl::PathOf(const QModelIndex& index) const {
    if (index.model() != m_pProxy) return nullptr;
    const int row = m_pProxy->mapToSource(index).row();
    return row >= 0 && row < m_pModel->rowCount() ? &m_pModel->PathAt(row) : nullptr;
}

void CFtpListCtrl::SetNameFilter(const CNameFilter& filter) { m_pProxy->SetFilter(filter); }

CFtpPathList CFtpListCtrl::GetSelectedPaths(bool withFolders) const {
    CFtpPathList selected;
    for (int row = 0; row < GetRowCount(); ++row) {
        if (!selectionModel()->isRowSelected(row, QModelIndex())) continue;
        if (withFolders || !m_pModel->IsFolderAt(ModelRow(row))) selected.Add(new CFtpPath(GetPathAt(row)));
    }
    return selected;
}

bool CFtpListCtrl::HasSelection() const { return selectionModel()->hasSelection(); }

const CFtpPath* CFtpListCtrl::GetSelectedFolder() const {
    for (int row = 0; row < GetRowCount(); ++row) {
        if (selectionModel()->isRowSelected(row, QModelIndex()) && m_pModel->IsFolderAt(ModelRow(row))) {
            return &GetPathAt(row);
        }
    }
    return nullptr;
}

void CFtpListCtrl::SelectByName(const std::vector<std::string>& names) {
    QItemSelection selection;
    for (int row = 0; row < GetRowCount(); ++row) {
        const std::string name = m_pProxy->index(row, CRemoteFolderModel::COLUMN_NAME).data().toString().toStdString();
        if (std::find(names.begin(), names.end(), name) != names.end()) {
            selection.select(m_pProxy->index(row, 0), m_pProxy->index(row, m_pProxy->columnCount() - 1));
        }
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

QMimeData* CFtpListCtrl::CreateDragData() const {
    // Moves on the server take the files; other applications get folders too.
    CDropItem item(CClipFormats(), kFormatName);
    item.GetPaths() = GetSelectedPaths();
    const CFtpPathList selected = GetSelectedPaths(true);
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
