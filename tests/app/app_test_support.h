#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <QAbstractItemView>
#include <QMimeData>

#include "support/temp_dir.h"

namespace parcelo::test {

// Processes the GUI's events until `done` holds or the bound passes;
// answers whether it holds. Waits on events, not on a clock.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds bound = std::chrono::seconds(10));

// What a view's row shows in a column (in the view's order).
inline QVariant Cell(const QAbstractItemView& view, int row, int column, int role = Qt::DisplayRole) {
    return view.model()->index(row, column).data(role);
}

// Runs the events already queued (queued calls from other threads among them).
void ProcessEvents();

// Expects every label of the window whose plain text has a key ("&") to
// name its field, so that the "&" makes a key and never shows.
void ExpectLabelsNameTheirFields(const QWidget& window);

// The Qt warnings recorded since the last call.
std::vector<std::string> TakeQtWarnings();

// What a file manager's drag of these local files carries (the caller owns it).
QMimeData* FileDrop(const std::vector<std::string>& paths);

// The configuration folder the test program started with (XDG_CONFIG_HOME).
std::string StartConfigFolder();

// A private settings store and data folder for one test: XDG_DATA_HOME and
// XDG_CONFIG_HOME point into a fresh folder, and the settings store is
// redirected there too (Qt reads XDG_CONFIG_HOME only once per process).
class CUserFolders {
public:
    CUserFolders();
    ~CUserFolders();
    CUserFolders(const CUserFolders&) = delete;
    CUserFolders& operator=(const CUserFolders&) = delete;

    std::string DataHome() const { return m_root / "data"; }
    std::string ConfigHome() const { return m_root / "config"; }

private:
    velmora::test::TempDir m_root;
    std::string m_strOldData;
    std::string m_strOldConfig;
};

}  // namespace parcelo::test
