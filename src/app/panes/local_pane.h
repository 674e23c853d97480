#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QTreeView>
#include <QWidget>

#include "app/common/app_context.h"
#include "paths/file_path_list.h"

class QFileSystemModel;
class QMimeData;

namespace parcelo {

class CFilterField;
class CFtpTreeDlg;
class CLocalFolderModel;
class CNameFilterProxy;
class CPathBar;

// The local folder's view: the remote browser's rows and folders dragged
// onto it are downloaded into the folder under the pointer (or the one
// shown); anything else is refused.
class CLocalView : public QTreeView {
    Q_OBJECT

public:
    using TDownload = std::function<bool(const velmora::CFtpPathList& paths, const std::string& folder)>;

    explicit CLocalView(QWidget* parent = nullptr) : QTreeView(parent) {}
    void SetDownload(TDownload download) { m_download = std::move(download); }
    // The local folder a drop at `point` (in the viewport) goes into.
    std::function<std::string(const QPoint& point)> dropFolder;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    static bool IsRemoteDrag(const QMimeData* data);

    TDownload m_download;
};

// The local side beside the server pane: a folder tree above the list of
// one local folder, with the folder's path (typed or pasted over, with a
// history: Alt+Left, Alt+Right) between them. Upload sends the selected
// files and folders into the server pane's folder, Download brings the
// server pane's selection (or its folder) into the folder shown. Dragging
// rows onto the server pane uploads them; dragging the server's rows here
// downloads them. Enter or a double click opens a folder, Backspace goes up.
// Typing in the list filters its rows by name (CFilterField). The list's
// own commands, in its context menu and by key: open with the desktop's
// application (Enter on a file), rename (F2), delete to the trash (Delete)
// or for good after a question (Shift+Delete), new folder (F7 through the
// window's menu) and copy the path (Ctrl+Shift+C).
class CLocalPane : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kNotConnected = "Connect to a server first: no server folder is open.";

    CLocalPane(CAppContext& context, CFtpTreeDlg& browser, QWidget* parent = nullptr);

    // Shows the folder; false (nothing changed) when it is not one.
    bool SetFolder(const std::string& folder);
    std::string GetFolder() const;
    CLocalView* GetView() const { return m_pView; }
    CLocalFolderModel* GetModel() const { return m_pModel; }
    CFilterField* GetFilterField() const { return m_pFilter; }
    // The view's index of the model's row (invalid while filtered out).
    QModelIndex ViewIndex(int modelRow) const;
    QTreeView* GetFolderTree() const { return m_pFolderTree; }
    CPathBar* GetPathBar() const { return m_pPathBar; }
    // The selected rows' paths, in name order.
    std::vector<std::string> GetSelectedPaths() const;
    // Selects the rows of the folder shown with these names.
    void SelectNames(const std::vector<std::string>& names);
    // Reads the folder again.
    void Refresh();
    void SetShowHidden(bool show);

    // The commands: answer whether a transfer was asked for.
    bool OnUpload();
    bool OnDownload();
    void OnUp();
    void OnOpen();
    void OnRename();
    void OnDelete(bool forGood);
    void OnNewFolder();
    void OnCopyPath();
    // Downloads remote paths (files or folders) into a local folder.
    bool Download(const velmora::CFtpPathList& paths, const std::string& folder);

signals:
    // Another folder is shown (GetFolder).
    void FolderChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ExecMenu(const QPoint& globalPos);
    // Tells which entries a command could not act on.
    void ShowFailures(const std::string& heading, const QStringList& lines);
    // The model's row of a view index; -1 for none.
    int ModelRow(const QModelIndex& viewIndex) const;
    void OpenRow(int row);
    bool RequireConnection();
    // The folder tree follows the folder shown, and shows it in sight.
    void ShowInTree(const QString& folder);
    void ScrollTreeToCurrent();

    CAppContext& m_context;
    CFtpTreeDlg& m_browser;
    QFileSystemModel* m_pFolders;
    QTreeView* m_pFolderTree;
    CPathBar* m_pPathBar;
    CLocalFolderModel* m_pModel;
    CNameFilterProxy* m_pProxy;
    CLocalView* m_pView;
    CFilterField* m_pFilter = nullptr;
};

}  // namespace parcelo
