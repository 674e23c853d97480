#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <QString>
#include <QTreeWidget>

#include "app/common/name_filter.h"
#include "app/panes/folder_comparison.h"
#include "paths/file_path.h"
#include "paths/file_path_list.h"

namespace velmora {
class CFtpDir;
}

namespace parcelo {

// The file list: one row per folder and file with the columns "Name",
// "Size" and "Date"; whole rows are selected. A click on a column's header
// sorts by it (names in natural order, "f2" before "f10", sizes and dates by
// value), and folders stay above files either way. Long names are elided in
// the middle and shown whole in their tooltip. Dates are shown in the user's
// locale. Each row keeps a copy of its path, so the list never refers to a
// cache that may be refilled under it. A name filter hides the rows it
// does not pass (a row it hides is never selected), also after a refill.
class CFileListCtrl : public QTreeWidget {
    Q_OBJECT

public:
    enum EColumn { COLUMN_NAME, COLUMN_SIZE, COLUMN_DATE };
    static constexpr int kNameWidth = 100;
    static constexpr int kSizeWidth = 80;
    static constexpr int kMinDateWidth = 120;

    explicit CFileListCtrl(QWidget* parent = nullptr);

    // Shows the folders and the files (in the list's sort order).
    void Fill(const velmora::CFtpPathList& folders, const velmora::CFtpPathList& files);
    void Fill(const velmora::CFtpPathList& files) { Fill(velmora::CFtpPathList(), files); }
    int GetRowCount() const { return topLevelItemCount(); }
    int GetFileCount() const { return m_nFiles; }
    // The path a row shows, in the order shown (folders carry the folder bit).
    const velmora::CFtpPath& GetPathAt(int row) const { return *PathOf(topLevelItem(row)); }
    // The path an item of this list shows; null for none.
    const velmora::CFtpPath* PathOf(const QTreeWidgetItem* item) const;
    void SetNameFilter(const CNameFilter& filter);
    // Draws the rows with these names in their marks' colours (compare
    // folders); the others plain.
    void SetMarks(const TCompareMarks& marks);
    // Copies of the selected rows' paths in row order: the files, and with
    // `withFolders` the folders too (carrying the folder attribute).
    velmora::CFtpPathList GetSelectedPaths(bool withFolders = false) const;
    // The first selected folder row's path; null when no folder is selected.
    const velmora::CFtpPath* GetSelectedFolder() const;
    // Selects the rows whose names are given (and only those).
    void SelectByName(const std::vector<std::string>& names);

    // A file time in the user's locale; empty when it cannot be converted.
    static QString FormatDate(uint64_t fileTime);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The date takes the width the other columns leave.
    void FitDateColumn();
    void ApplyNameFilter();

    std::vector<velmora::CFtpPath> m_paths;
    int m_nFiles = 0;
    CNameFilter m_filter;
};

// What the server's listing says of an entry beyond its path.
struct CListedDetails {
    std::string permissions;  // as listed: "-rw-r--r--"
    std::string owner;
};
// By the entry's name.
using TListedDetails = std::map<std::string, CListedDetails>;
// Keeps what the listing says of the entry.
void NoteListedDetails(TListedDetails& details, const velmora::CFtpDir& entry);

// The file list of the FTP browser, with the permissions and the owner the
// listing tells beside the other columns. Dragging its file rows offers
// them under the "ListItem" format (with "UNIQUE_NAME_PROVIDER_ID" beside it).
class CFtpListCtrl : public CFileListCtrl {
    Q_OBJECT

public:
    static constexpr const char* kFormatName = "ListItem";
    enum EDetailColumn { COLUMN_PERMISSIONS = COLUMN_DATE + 1, COLUMN_OWNER };

    explicit CFtpListCtrl(QWidget* parent = nullptr);

    // Shows the listing's details of the rows (by name) in their columns.
    void ShowDetails(const TListedDetails& details);

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
    std::function<QMimeData*(const velmora::CFtpPathList&)> m_makeDragData;
};

}  // namespace parcelo
