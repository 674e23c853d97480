#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QTreeWidget>

#include "paths/file_path.h"
#include "paths/file_path_list.h"

namespace parcelo {

// The file list: one row per file with the columns "Name", "Size" and
// "Date"; whole rows are selected. Each row keeps a copy of its path, so the
// list never refers to a cache that may be refilled under it.
class CFileListCtrl : public QTreeWidget {
    Q_OBJECT

public:
    static constexpr int kNameWidth = 100;
    static constexpr int kSizeWidth = 80;
    static constexpr int kMinDateWidth = 120;
    static constexpr const char* kDateFormat = "%m/%d/%Y %H:%M:%S";

    explicit CFileListCtrl(QWidget* parent = nullptr);

    // Shows the files of the list, in its order.
    void Fill(const velmora::CFtpPathList& files);
    int GetFileCount() const { return static_cast<int>(m_paths.size()); }
    const velmora::CFtpPath& GetPathAt(int row) const { return m_paths.at(row); }
    // Copies of the selected rows' paths, in row order.
    velmora::CFtpPathList GetSelectedPaths() const;
    // Selects the rows whose file names are given (and only those).
    void SelectByName(const std::vector<std::string>& names);

    // A file time shown in local time; empty when it cannot be converted.
    static std::string FormatDate(uint64_t fileTime);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FitDateColumn();

    std::vector<velmora::CFtpPath> m_paths;
};

// The file list of the FTP browser: dragging its rows offers them under the
// "ListItem" format (with "UNIQUE_NAME_PROVIDER_ID" beside it).
class CFtpListCtrl : public CFileListCtrl {
    Q_OBJECT

public:
    static constexpr const char* kFormatName = "ListItem";

    explicit CFtpListCtrl(QWidget* parent = nullptr);

    // The data a drag of the selected rows carries; null without a selection.
    QMimeData* CreateDragData() const;

protected:
    void startDrag(Qt::DropActions supportedActions) override;
};

}  // namespace parcelo
