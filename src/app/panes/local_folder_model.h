#pragma once

#include <vector>

#include <QAbstractTableModel>
#include <QDateTime>
#include <QFileSystemWatcher>
#include <QString>
#include <QTimer>

#include "app/panes/folder_comparison.h"

namespace parcelo {

// One local folder's entries as a table of name, size and date, read anew
// whenever the folder is set, refreshed or changes on disk (a burst of
// changes is read once). Each row is read whole from one listing, so a
// name never shows beside another file's size. Folders come first, names
// in natural order ("f2" before "f10"), sizes in IEC units, dates in the
// user's locale; hidden entries only when asked for. Rows drag as file
// URLs. Rows may be marked (compare folders): drawn in the mark's colour.
class CLocalFolderModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum EColumn { COLUMN_NAME, COLUMN_SIZE, COLUMN_DATE, COLUMN_COUNT };
    // The entry's full path, and whether it is a folder.
    static constexpr int kPathRole = Qt::UserRole + 1;
    static constexpr int kFolderRole = Qt::UserRole + 2;
    // Changes on disk are read after this quiet time.
    static constexpr int kSettleMs = 200;

    struct CEntry {
        QString name;
        bool folder = false;
        qint64 size = 0;
        QDateTime modified;
    };

    explicit CLocalFolderModel(QObject* parent = nullptr);

    // False (nothing changed) when it is not a readable folder.
    bool SetFolder(const QString& folder);
    const QString& GetFolder() const { return m_strFolder; }
    // Reads the folder again.
    void Refresh();
    void SetShowHidden(bool show);
    bool IsShowingHidden() const { return m_bShowHidden; }

    QString PathAt(int row) const;
    bool IsFolderAt(int row) const;
    // The row of the entry with that name; -1 when none.
    int RowOf(const QString& name) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

    // The entries in row order.
    const std::vector<CEntry>& GetEntries() const { return m_entries; }
    void SetMarks(TCompareMarks marks);

signals:
    // The folder was read (set or refreshed).
    void FolderRead();

private:
    void Read();
    void Order();
    bool Less(const CEntry& a, const CEntry& b) const;

    QString m_strFolder;
    std::vector<CEntry> m_entries;
    TCompareMarks m_marks;
    bool m_bShowHidden = false;
    int m_nSortColumn = COLUMN_NAME;
    Qt::SortOrder m_order = Qt::AscendingOrder;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
};

}  // namespace parcelo
