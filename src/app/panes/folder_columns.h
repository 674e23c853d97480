#pragma once

class QTreeView;

namespace parcelo {

// Lays out the columns of a folder list (a view of a CFolderRowsModel) as
// file managers do: the name takes the width the other columns leave, and
// the size and the date are as wide as their longest text can be. Those
// widths are measured once on the font and the locale, never on the rows:
// measuring the rows of a folder of 20,000 files stops the window.
void FitFolderColumns(QTreeView& view);

}  // namespace parcelo
