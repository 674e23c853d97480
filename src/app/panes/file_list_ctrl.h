#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QTreeView>

#include "app/common/name_filter.h"
#include "app/panes/remote_folder_model.h"
#include "paths/file_path.h"
#include "paths/file_path_list.h"

namespace parcelo {

// The file list of the FTP browser: a view of one server folder's model
// (CRemoteFolderModel) through the name filter of the pane's filter field.
// Whole rows are selected; a click on a column's header sorts by it; long
// names are elided in the middle, and the name takes the width the other
// columns leave. Dragging its file rows offers them under
// the "ListItem" format (with "UNIQUE_NAME_PROVIDER_ID" beside it); other
// applications get the files and folders through the drag data maker.
class CFtpListCtrl : public QTreeView {
    Q_OBJECT

public:
    static constexpr const char* kFormatName = "ListItem";
    static constexpr int kOwnerWidth = 80;
    explicit CFtpListCtrl(QWidget* parent = nullptr);

    CRemoteFolderModel& GetModel() const { return *m_pModel; }
    // Shows the folders and the files (in the list's sort order).
    void Fill(const velmora::CFtpPathList& folders, const velmora::CFtpPathList& files);
    // Shows the listing's details of the rows (by name) in their columns.
    void ShowDetails(const TListedDetails& details) { m_pModel->ShowDetails(details); }
    // The rows shown (those the name filter passes), in the order shown.
    int GetRowCount() const;
    // The path a row shown stands for (folders carry the folder bit).
    const velmora::CFtpPath& GetPathAt(int row) const;
    // The path of a row of this view; null for none.
    const velmora::CFtpPath* PathOf(const QModelIndex& index) const;
    void SetNameFilter(const CNameFilter& filter);
    // Copies of the selected rows' paths in row order: the files, and with
    // `withFolders` the folders too (carrying the folder attribute).
    velmora::CFtpPathList GetSelectedPaths(bool withFolders = false) const;
    bool HasSelection() const;
    // The first selected folder row's path; null when no folder is selected.
    const velmora::CFtpPath* GetSelectedFolder() const;
    // Selects the rows whose names are given (and only those).
    void SelectByName(const std::vector<std::string>& names);

    // Makes the data object of a drag of the selected files and folders,
    // before the list puts its own format on it (unset: a plain one).
    void SetDragDataMaker(std::function<QMimeData*(const velmora::CFtpPathList& selected)> make) {
        m_makeDragData = std::move(make);
    }
    // The data a drag of the selected files carries; null without one.
    QMimeData* CreateDragData() const;

protected:
    void startDrag(Qt::DropActions supportedActions) override;

private:
    int ModelRow(int row) const;

    CRemoteFolderModel* m_pModel;
    CNameFilterProxy* m_pProxy;
    std::function<QMimeData*(const velmora::CFtpPathList&)> m_makeDragData;
};

}  // namespace parcelo
