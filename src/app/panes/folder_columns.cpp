#include "app/panes/folder_columns.h"

#include <algorithm>

#include <QDateTime>
#include <QHeaderView>
#include <QLocale>
#include <QStringList>
#include <QStyle>
#include <QTreeView>

#include "app/panes/folder_rows_model.h"
#include "base/size_format.h"

namespace parcelo {
namespace {

// The sizes with the most characters: four digits and a decimal.
QStringList SizeSamples() {
    return {QString::fromStdString(velmora::FormatSize(1023.9 * 1024)),
            QString::fromStdString(velmora::FormatSize(1023.9 * 1024 * 1024))};
}

// A date of each month, morning and evening: month names and the marks of
// the hours are what make one date longer than another in the locale.
QStringList DateSamples() {
    QStringList samples;
    for (int month = 1; month <= 12; ++month) {
        for (const QTime time : {QTime(10, 58, 58), QTime(22, 58, 58)}) {
            samples << QLocale().toString(QDateTime(QDate(2000, month, 28), time), QLocale::ShortFormat);
        }
    }
    return samples;
}

// Wide enough for each sample as the view's rows draw it, and for the
// column's header.
int ColumnWidth(const QTreeView& view, int column, const QStringList& samples) {
    int widest = 0;
    for (const QString& sample : samples) widest = std::max(widest, view.fontMetrics().horizontalAdvance(sample));
    const int margin = view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1;
    return std::max(widest + 2 * margin, view.header()->sectionSizeHint(column));
}

}  // namespace

void FitFolderColumns(QTreeView& view) {
    QHeaderView& header = *view.header();
    header.setStretchLastSection(false);
    header.setSectionResizeMode(CFolderRowsModel::COLUMN_NAME, QHeaderView::Stretch);
    header.resizeSection(CFolderRowsModel::COLUMN_SIZE,
                         ColumnWidth(view, CFolderRowsModel::COLUMN_SIZE, SizeSamples()));
    header.resizeSection(CFolderRowsModel::COLUMN_DATE,
                         ColumnWidth(view, CFolderRowsModel::COLUMN_DATE, DateSamples()));
}

}  // namespace parcelo
