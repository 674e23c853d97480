#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <QSignalBlocker>
#include <QTreeWidget>

#include "app/app_context.h"
#include "app/drop_target.h"
#include "app/qt_controls.h"
#include "app/splitter_dlg.h"
#include "ftp/ftp_node.h"
#include "messaging/listener.h"
#include "messaging/msg_send.h"
#include "paths/file_path_list.h"

namespace velmora {
class CMoverAPI;
}

namespace parcelo {

class CDropItem;
class CFtpListCtrl;
class CFtpSink;
class CMsgDropItem;

// The folder tree of the browser: dragging a folder offers it under the
// "TreeItem" format.
class CFolderTreeWidget : public QTreeWidget {
    Q_OBJECT

public:
    static constexpr const char* kFormatName = "TreeItem";

    // `dragData` makes the data of a drag of the current item (null: none).
    CFolderTreeWidget(std::function<QMimeData*()> dragData, QWidget* parent = nullptr);

    // What an empty tree says.
    void SetPlaceholderText(const QString& text) { m_strPlaceholder = text; }

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<QMimeData*()> m_dragData;
    QString m_strPlaceholder;
};

// The FTP browser: the server's folder tree, expanded one level at a time,
// and the file list of the current folder. Its context menu refreshes,
// downloads, uploads, deletes, renames and creates folders; local files and
// folders dropped on it are uploaded on a transfer thread, and its own items
// dropped on a folder are moved on the server.
//
// It listens to the message box as "UNIQUE_NAME_PROVIDER_ID": an upload asks
// it (on the transfer thread) about each file's name; a name known in the
// target folder is left to the question about existing targets (overwrite,
// rename to a unique name, skip; a dismissed question makes it unique, as
// it always did). Message 23 makes it connect.
//
// The login and the listing of the start folder run on a thread of their
// own; the window thread only starts them and takes the result, so it goes
// on drawing (the wait window animates) and Cancel ends the wait at once.
// A cancelled login is left to end by its time-out and then logged off.
// While it connects, drops, connect requests and transferred-file notices
// that arrive are kept and handled afterwards.
class CFtpTreeDlg : public CSplitterDlg, public CLockDialog, public velmora::CListener, public CDropPage {
    Q_OBJECT

public:
    static constexpr const char* kListenerName = "UNIQUE_NAME_PROVIDER_ID";
    static constexpr const char* kSameDestination =
        "The source and destination are the same. Please select another destination.";
    static constexpr const char* kIntoItself = "A folder cannot be moved into one of its own folders.";
    static constexpr const char* kLoginMissing = "Login info is missing, enter your login information below";
    static constexpr const char* kFolderPickerTitle = "Browse for the folder";

    // Where a command acts: the tree's current folder or the list's selection.
    enum EPane { PANE_TREE, PANE_LIST };

    explicit CFtpTreeDlg(CAppContext& context, QWidget* parent = nullptr);
    ~CFtpTreeDlg() override;

    // Starts to log in with the connection; then shows the root of its start
    // folder and makes it current, or shows why the login failed (also
    // when the connection's login information is incomplete). Answers at
    // once; ConnectFinished tells the end.
    void Connect(const velmora::CFtpLoginInfo& info);
    // Ends the wait of a login under way: the browser stays unconnected.
    void CancelConnect();
    // A login under way that was not cancelled.
    bool IsConnecting() const { return m_opening.attempt != 0 && m_opening.attempt == m_nAttempt; }
    // Connects once the window thread is free (for message 23).
    void RequestConnect(const velmora::CFtpLoginInfo& info);
    bool IsBusy() const { return m_nBusy > 0; }

    // The context menu's commands.
    void OnRefresh();
    void OnDownload(EPane pane);
    void OnUpload();
    void OnDelete(EPane pane);
    void OnRename(EPane pane);
    void OnNewFolder();
    // The current server folder made a copy of a local folder's contents,
    // after a preview of the changes that takes.
    void OnSynchronise();
    void Synchronise(const velmora::CFtpPath& folder, const velmora::CFtpNode& target);

    // Lists a folder's sub-folders (once) and shows them.
    void ExpandNode(velmora::CFtpNode* node);
    // Makes the folder current: its files fill the list, message 19 tells it.
    void SelectNode(velmora::CFtpNode* node);

    // Drops on the browser (TDropTarget calls these).
    int OnDragEnter(const QMimeData* data, Qt::KeyboardModifiers keyState, const QPoint& point) override;
    int OnDragOver(const QMimeData* data, Qt::KeyboardModifiers keyState, const QPoint& point) override;
    void OnDragLeave() override;
    int OnDropEx(const QMimeData* data, int dropDefault, int dropList, const QPoint& point) override;
    // Drops on the tray: into the current folder.
    int QueryDropOnCurrent(const QMimeData* data);
    int DropOnCurrent(const QMimeData* data);

    void OnMsg(velmora::CMsg& msg) override;

signals:
    // A login started by Connect has ended (not after a cancel).
    void ConnectFinished(bool connected);
    // The user trusted a server's certificate: the connection, with its
    // fingerprint, is to be stored.
    void CertificateTrusted(const velmora::CFtpLoginInfo& trusted);

public:
    CFolderTreeWidget* GetTree() const { return m_pTree; }
    CFtpListCtrl* GetList() const { return m_pList; }
    velmora::platform::ITreeCtrl& GetTreeCtrl() { return m_treeCtrl; }
    // The node an item shows; null for none (or an item of another tree).
    velmora::CFtpNode* NodeOf(QTreeWidgetItem* item) const;
    QTreeWidgetItem* ItemOf(const velmora::CFtpNode* node) const;

protected:
    void customEvent(QEvent* event) override;

private:
    class CBusy;
    class CTreeChange;

    void ExecMenu(EPane pane, const QPoint& globalPos);
    void OnCurrentItemChanged(QTreeWidgetItem* current);
    void OnItemExpanded(QTreeWidgetItem* item);
    // After a change of the tree: the list follows the tree's current item.
    void SyncCurrent();
    void ClearTree();
    // On the window thread, once the login thread has ended.
    void OnOpened();
    void ShowRoot(std::unique_ptr<velmora::CFtpNode> root);
    void AnnounceFolder(velmora::CFtpNode* node);
    void ShowFiles(velmora::CFtpNode* node);
    // Shows the reason in a box titled "Error", as the session's error.
    void ShowError(const std::string& reason);
    void ShowNotice(const std::string& text);
    void ShowLoginFailure(const velmora::CFtpLoginInfo& info);
    // A refused certificate: asks whether to trust it and, if so, stores
    // and reconnects. False when the failure was something else.
    bool OfferTrust(const velmora::CFtpLoginInfo& info);
    // The session's connection; null (and the error shown) when not connected.
    velmora::CFtpNode::Connection* RequireConnection();
    // Runs now, or once the connection under way is made.
    void RunWhenFree(std::function<void()> action);
    // Queues what waited for the connection.
    void RunDeferred();

    // Commands.
    void DeleteFolderNode(velmora::CFtpNode* node);
    void DeleteFiles(velmora::CFtpNode* node, const velmora::CFtpPathList& files);
    void RenameFile(velmora::CFtpNode* node, const velmora::CFtpPath& file);

    // Transfers.
    void StartTransfer(const std::function<void(velmora::CMoverAPI&)>& record);
    void UploadFolder(const velmora::CFtpPath& folder, velmora::CFtpNode* target);
    void UploadFiles(velmora::CFtpPathList& files, velmora::CFtpNode* target);
    // The target folder as an upload's destination, remembered (once) among
    // the folders this session uploads to.
    velmora::CFtpPath UploadDestination(const velmora::CFtpNode& target);
    void OnFileTransferred(const velmora::CFtpPath& source, const velmora::CFtpPath& destination);

    // Drops.
    QTreeWidgetItem* TreeItemAt(const QPoint& point) const;
    velmora::CFtpNode* TargetAt(const QPoint& point);
    int Accept(const QMimeData* data, velmora::CFtpNode* target) const;
    int PostDrop(const QMimeData* data, velmora::CFtpNode* target);
    void Highlight(QTreeWidgetItem* item);
    void ProcessDrop(const CMsgDropItem& msg);
    void UploadDropped(const CDropItem& item, velmora::CFtpNode* target);
    void MoveFolder(const velmora::CFtpPath& folder, velmora::CFtpNode* target);
    void MoveFiles(const velmora::CFtpPathList& files, velmora::CFtpNode* target);
    QMimeData* CreateTreeDragData() const;

    // Names known in the folders uploads go to (any thread).
    void RememberNames(velmora::CFtpNode& node);
    // Answers a velmora::TargetChoice for an upload to `path`; `rename`
    // asks for a free name.
    int32_t MakeUnique(velmora::CFtpPath& path, bool rename);
    velmora::CFtpPath KnownRemote(const velmora::CFtpPath& path) const;

    CAppContext& m_context;
    CFtpSink& m_sink;
    CFolderTreeWidget* m_pTree;
    CFtpListCtrl* m_pList;
    CQtTreeCtrl m_treeCtrl;
    // Held by pointer: the drop target needs this class complete.
    std::unique_ptr<TDropTarget<CFtpTreeDlg>> m_pDropTarget;
    velmora::platform::TreeItem m_hHighlight = nullptr;

    // The login thread and what it leaves for the window thread.
    struct COpening {
        int attempt = 0;
        std::thread thread;
        std::mutex lock;
        bool connected = false;
        std::unique_ptr<velmora::CFtpNode> root;
    };
    COpening m_opening;
    // The attempt the window waits for; a cancel moves on to the next number.
    int m_nAttempt = 0;
    std::unique_ptr<velmora::CMsgWait> m_pWaitMsg;
    std::unique_ptr<CBusy> m_pOpeningBusy;

    int m_nBusy = 0;
    std::vector<std::function<void()>> m_deferred;
    // Remote folders the uploads of this session went to.
    std::vector<std::string> m_uploadFolders;

    mutable std::mutex m_namesLock;
    std::map<std::string, velmora::CFtpPathList> m_names;
};

// Connecting: what arrives meanwhile waits until the connection is made.
class CFtpTreeDlg::CBusy {
public:
    explicit CBusy(CFtpTreeDlg& dlg) : m_dlg(dlg) { ++m_dlg.m_nBusy; }
    ~CBusy() {
        if (--m_dlg.m_nBusy > 0) return;
        m_dlg.RunDeferred();
    }
    CBusy(const CBusy&) = delete;
    CBusy& operator=(const CBusy&) = delete;

private:
    CFtpTreeDlg& m_dlg;
};

// A change of the tree: painting frozen and the tree's signals held, so that
// items deleted on the way never select anything; afterwards the list
// follows the tree's current item.
class CFtpTreeDlg::CTreeChange {
public:
    explicit CTreeChange(CFtpTreeDlg& dlg, bool resync = true)
        : m_dlg(dlg), m_lock(dlg), m_blocker(dlg.m_pTree), m_bResync(resync) {}
    ~CTreeChange() {
        m_blocker.unblock();
        if (m_bResync) m_dlg.SyncCurrent();
    }
    CTreeChange(const CTreeChange&) = delete;
    CTreeChange& operator=(const CTreeChange&) = delete;

private:
    CFtpTreeDlg& m_dlg;
    CLockDialog::CScope m_lock;
    QSignalBlocker m_blocker;
    bool m_bResync;
};

}  // namespace parcelo
