#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QIcon>
#include <QString>

#include "app/panes/folder_comparison.h"

namespace parcelo {

// A table of one folder's entries, shown and ordered as folder lists are:
// folders above files whichever way the column sorts, then by the column
// (sizes and dates by value), then names in natural order ("f2" before
// "f10"); sizes in IEC units, dates in the user's locale, the name whole in
// its tooltip. Sorting again keeps the views' selection and current row on
// the same entries. Rows may be marked (compare folders): drawn in the
// mark's colour.
class CFolderRowsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum EColumn { COLUMN_NAME, COLUMN_SIZE, COLUMN_DATE };
    // Whether the row is a folder.
    static constexpr int kFolderRole = Qt::UserRole + 2;

    struct CEntry {
        QString name;
        bool folder = false;
        qint64 size = 0;
        QDateTime modified;
    };

    explicit CFolderRowsModel(QObject* parent = nullptr);

    virtual const CEntry& EntryAt(int row) const = 0;
    // The row of the entry with that name; -1 when none.
    int RowOf(const QString& name) const;
    bool IsFolderAt(int row) const { return row >= 0 && row < rowCount() && EntryAt(row).folder; }
    void SetMarks(TCompareMarks marks);

    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // The headers of the name, size and date columns.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

protected:
    // A file time as a row's date; 0 is none, shown as no date. In UTC: a
    // local time costs a time-zone lookup each, which a folder of 20,000
    // files feels; rows are shown in local time.
    static QDateTime FileTimeToDateTime(uint64_t fileTime);
    // Puts the rows in the order of Before.
    virtual void Order() = 0;
    bool Before(const CEntry& a, const CEntry& b) const;
    // What the entry's row shows in a column of name, size or date, or for
    // the whole row (tooltip, marks, kFolderRole).
    QVariant EntryData(const CEntry& entry, int column, int role) const;

private:
    int m_nSortColumn = COLUMN_NAME;
    Qt::SortOrder m_order = Qt::AscendingOrder;
    TCompareMarks m_marks;
    // Made once: the style makes each anew from its image files.
    QIcon m_folderIcon;
    QIcon m_fileIcon;
};

}  // namespace parcelo
