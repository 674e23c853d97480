#pragma once

#include <vector>

#include <QFileSystemWatcher>
#include <QString>
#include <QTimer>

#include "app/panes/folder_rows_model.h"

namespace parcelo {

// One local folder's entries as a table of name, size and date, read anew
// whenever the folder is set, refreshed or changes on disk (a burst of
// changes is read once). Each row is read whole from one listing, so a
// name never shows beside another file's size. Hidden entries show only
// when asked for. Rows drag as file URLs.
class CLocalFolderModel : public CFolderRowsModel {
    Q_OBJECT

public:
    static constexpr int COLUMN_COUNT = COLUMN_DATE + 1;
    // The entry's full path.
    static constexpr int kPathRole = Qt::UserRole + 1;
    // Changes on disk are read after this quiet time.
    static constexpr int kSettleMs = 200;

    explicit CLocalFolderModel(QObject* parent = nullptr);

    // False (nothing changed) when it is not a readable folder.
    bool SetFolder(const QString& folder);
    const QString& GetFolder() const { return m_strFolder; }
    // Reads the folder again.
    void Refresh();
    void SetShowHidden(bool show);
    bool IsShowingHidden() const { return m_bShowHidden; }

    QString PathAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }
    const CEntry& EntryAt(int row) const override { return m_entries.at(static_cast<size_t>(row)); }

signals:
    // The folder was read (set or refreshed).
    void FolderRead();

private:
    void Read();
    void Order() override;

    QString m_strFolder;
    std::vector<CEntry> m_entries;
    bool m_bShowHidden = false;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
};

}  // namespace parcelo
