#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/panes/folder_rows_model.h"
#include "paths/file_path.h"
#include "paths/file_path_list.h"

namespace velmora {
class CFtpDir;
}

namespace parcelo {

// What a server's listing says of an entry beyond its path.
struct CListedDetails {
    std::string permissions;  // as listed: "-rw-r--r--"
    std::string owner;
};
// By the entry's name.
using TListedDetails = std::map<std::string, CListedDetails>;
// Keeps what the listing says of the entry.
void NoteListedDetails(TListedDetails& details, const velmora::CFtpDir& entry);

// One server folder as the browser knows it (its sub-folders in the tree,
// its files in the folder's cache): name, size, date, and the permissions
// and owner the listing told. Each row keeps a copy of its path, so the
// model never refers to a cache that may be refilled under it.
class CRemoteFolderModel : public CFolderRowsModel {
    Q_OBJECT

public:
    enum EDetailColumn { COLUMN_PERMISSIONS = COLUMN_DATE + 1, COLUMN_OWNER, COLUMN_COUNT };

    using CFolderRowsModel::CFolderRowsModel;

    // Shows the folders and the files (in the model's sort order); the
    // details come anew with ShowDetails.
    void Fill(const velmora::CFtpPathList& folders, const velmora::CFtpPathList& files);
    // The listing's details of the rows, by name.
    void ShowDetails(const TListedDetails& details);
    int GetFileCount() const { return m_nFiles; }
    // The path a row shows; folders carry the folder attribute.
    const velmora::CFtpPath& PathAt(int row) const { return m_rows.at(static_cast<size_t>(row)).path; }
    const CEntry& EntryAt(int row) const override { return m_rows.at(static_cast<size_t>(row)).entry; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct CRow {
        CEntry entry;
        velmora::CFtpPath path;
        CListedDetails details;
    };

    void Order() override;

    std::vector<CRow> m_rows;
    int m_nFiles = 0;
};

}  // namespace parcelo
