#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <QList>
#include <QUrl>
#include <QTimer>
#include <QTreeView>

#include "app/common/app_context.h"
#include "app/common/drop_target.h"
#include "app/common/private_folders.h"
#include "app/common/tree_ctrl_model.h"
#include "app/common/splitter_dlg.h"
#include "app/connections/login_password.h"
#include "app/panes/browser_worker.h"
#include "app/panes/file_list_ctrl.h"
#include "app/panes/remote_find.h"
#include "app/panes/sync_preview.h"
#include "ftp/ftp_node.h"
#include "messaging/listener.h"
#include "messaging/msg_send.h"
#include "paths/file_path_list.h"

class QLabel;
class QPushButton;
class QStackedWidget;

namespace velmora {
class CFtpRemoteFolder;
class CMoverAPI;
}  // namespace velmora

namespace parcelo {

class CDropItem;
class CFilterField;
class CFtpListCtrl;
class CFtpSink;
class CMsgDropItem;
class CPathBar;
class CRemoteEditor;
class CSessionSecurityLabel;

// The view of the browser's folder tree (a CTreeCtrlModel, which the
// folder nodes fill): dragging a folder offers it under the "TreeItem"
// format.
class CFolderTreeView : public QTreeView {
    Q_OBJECT

public:
    static constexpr const char* kFormatName = "TreeItem";

    // `dragData` makes the data of a drag of the current item (null: none).
    CFolderTreeView(std::function<QMimeData*()> dragData, QWidget* parent = nullptr);

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
// Everything that talks to the server (the login, listing a folder, a
// refresh, creating, renaming, deleting and moving) runs as a job of the
// browser's worker: the window thread only starts it and takes its result,
// so it goes on drawing, and the wait window (shown at once for a login,
// after a short delay for the rest) animates and has Cancel, which ends the
// wait at once and drops the job's result. What arrives while a job runs
// (commands, drops, connect requests, transferred-file notices) waits and
// runs afterwards, in order.
//
// A session that is lost while browsing shows "Disconnected" with the
// reason and Reconnect in place of the file list. Each connection keeps its
// own browser state (the folders expanded and the current folder): it is
// stored when the browser leaves the connection and restored when it comes
// back to it, after a Reconnect too.
class CFtpTreeDlg : public CSplitterDlg, public CLockDialog, public velmora::CListener, public CDropPage {
    Q_OBJECT

public:
    static constexpr const char* kListenerName = "UNIQUE_NAME_PROVIDER_ID";
    static constexpr const char* kSameDestination =
        "The source and destination are the same. Please select another destination.";
    static constexpr const char* kIntoItself = "A folder cannot be moved into one of its own folders.";
    static constexpr const char* kLoginMissing = "Login info is missing, enter your login information below";
    // The titles of the host-key questions: an unknown key, and a changed one
    // (or another than the fingerprint kept with the connection).
    static constexpr const char* kUnknownHostKeyTitle = "Unknown host key";
    static constexpr const char* kChangedHostKeyTitle = "WARNING: host key changed";
    static constexpr const char* kPlainLoginQuestion =
        "This server does not offer encryption. Send the password unencrypted?";
    static constexpr const char* kFolderPickerTitle = "Browse for the folder";
    static constexpr const char* kDisconnected = "Disconnected";
    // A job shorter than this shows no wait window.
    static constexpr int kWaitDelayMs = 300;

    // Where a command acts: the tree's current folder or the list's selection.
    enum EPane { PANE_TREE, PANE_LIST };

    explicit CFtpTreeDlg(CAppContext& context, QWidget* parent = nullptr);
    ~CFtpTreeDlg() override;

    // Starts to log in with the connection; then shows the root of its start
    // folder and makes it current, or shows why the login failed (also
    // when the connection's login information is incomplete). A password
    // the connection does not hold is read from the keyring or asked for
    // first (ReadyLoginPassword); cancelling that question ends the login
    // there. Answers at once; ConnectFinished tells the end.
    void Connect(const velmora::CFtpLoginInfo& info);
    // Ends the wait of the job under way (a login leaves the browser
    // unconnected, a folder operation leaves the tree as it was).
    void CancelWait();
    // A login under way that was not cancelled.
    bool IsConnecting() const { return m_bConnecting && m_worker.IsWaiting(); }
    // Connects once the window thread is free (for message 23).
    void RequestConnect(const velmora::CFtpLoginInfo& info);
    // Connects now, or once the job under way has ended; a later request
    // replaces one still waiting, and CancelWait drops it.
    void QueueConnect(const velmora::CFtpLoginInfo& info);
    // Searches the server folder and all below it (CFindDlg) as a job of
    // the session: `found` runs on the window thread for each match as its
    // folder is listed, `ended` once the search is over (not when the
    // wait's Cancel dropped it: then WaitCancelled). No wait window shows:
    // the search shows its own progress. False when no server is connected.
    bool FindOnServer(const std::string& folder, const CFindCriteria& criteria,
                      std::function<void(const CFoundEntry&)> found, std::function<void(const CFindOutcome&)> ended);
    // Asks the search under way to stop; what it found is kept.
    void StopFind();
    // Shows the connection chosen in the connections list: nothing changes
    // when the browser already shows it; otherwise it connects (when the
    // connection's login information is complete).
    void ShowConnection(const velmora::CFtpLoginInfo& info);
    // A server folder is shown.
    bool HasFolder() const;
    // A job runs or waits to end: commands wait for it.
    bool IsBusy() const { return m_nBusy > 0; }
    // No job runs and nothing waits for one.
    bool IsIdle() const { return !IsBusy() && m_deferred.empty() && m_nQueued == 0; }
    // The session was lost while browsing: "Disconnected" and Reconnect show.
    bool IsShowingDisconnected() const;
    QPushButton* GetReconnectButton() const { return m_pReconnect; }
    QString GetDisconnectedText() const;
    // Connects again with the connection's settings, back to the same folders.
    void OnReconnect();

    // The context menu's commands.
    void OnRefresh();
    void OnDownload(EPane pane);
    // What Download takes: the list's selected files and folders, or the
    // current folder when nothing is selected there (or from the tree).
    velmora::CFtpPathList SelectedForDownload(EPane pane) const;
    // Downloads remote files and folders into a local folder, as one
    // transfer; false when there is nothing to download or no connection.
    bool DownloadItems(const velmora::CFtpPathList& items, const std::string& localFolder);
    // Records the download of the items into a local folder: one folder
    // alone as a folder, anything else as one list.
    static void RecordDownload(velmora::CMoverAPI& api, const velmora::CFtpLoginInfo& info,
                               const velmora::CFtpPathList& items, const velmora::CFtpPath& destination);
    // Where the folder pickers start: the local pane's folder.
    void SetLocalFolder(std::function<std::string()> folder) { m_localFolder = std::move(folder); }
    void OnUpload();
    void OnDelete(EPane pane);
    void OnRename(EPane pane);
    void OnNewFolder();
    // The list's selected file downloaded into a private folder and opened
    // with the desktop's application; saves are offered for upload back
    // (CRemoteEditor).
    void OnViewEdit();
    CRemoteEditor& GetEditor() const { return *m_pEditor; }
    // The permissions dialog for the list's selection (or the tree's
    // folder); the change runs as a job, and what the server refused is
    // shown by name.
    void OnPermissions(EPane pane);
    // The current server folder made a copy of a local folder's contents
    // (eToServer), or a local folder made a copy of the server folder's
    // (eFromServer), after a preview of the changes that takes. The local
    // folder is picked, starting at the local pane's. The preview is
    // compared off the window thread (GetSyncPreview); the confirmation
    // follows.
    void OnSynchronise(CSyncPair::EDirection direction = CSyncPair::eToServer);
    void Synchronise(const CSyncPair& pair);
    CSyncPreview& GetSyncPreview() { return m_preview; }
    // A dropped folder goes up into `target`, unless `target` has one of its
    // name and the user chooses to synchronise that one.
    void UploadOrSynchronise(const velmora::CFtpPath& folder, velmora::CFtpNode* target);

    // Opens a folder of the tree by its path ("/a/b/"), listing each level
    // on the way as needed, and makes the deepest one found current.
    void OpenFolder(const std::string& folder);
    // Lists a folder's sub-folders (once) and shows them.
    void ExpandNode(velmora::CFtpNode* node);
    // A folder row of the list opens that folder; a file row opens the file
    // for viewing.
    void OpenListItem(const QModelIndex& index);
    // Makes the folder current: its files fill the list, message 19 tells it.
    void SelectNode(velmora::CFtpNode* node);
    // The parent of the current folder becomes current.
    void OnUp();
    // Logs off and empties the pane.
    void Disconnect();
    // Whether names that begin with "." show in the tree and the list.
    void SetShowHidden(bool show);

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
    // The list shows a folder's entries anew (another folder, or read again).
    void FilesShown();
    // A login started by Connect has ended (not after a cancel).
    void ConnectFinished(bool connected);
    // The user cancelled the job under way.
    void WaitCancelled();
    // The list's context menu asks for its files to go to another site.
    void CopyToSiteRequested();
    // The user trusted a server's certificate: the connection, with its
    // fingerprint, is to be stored.
    void CertificateTrusted(const velmora::CFtpLoginInfo& trusted);
    // The password of a login was read from the keyring or typed: the
    // connection (known by its GUID) keeps it (KeepLoginPassword).
    void LoginPasswordReady(const velmora::CFtpLoginInfo& ready, parcelo::ELoginPassword how);

public:
    CFolderTreeView* GetTree() const { return m_pTree; }
    CFtpListCtrl* GetList() const { return m_pList; }
    CPathBar* GetPathBar() const { return m_pPathBar; }
    CFilterField* GetFilterField() const { return m_pFilter; }
    CSessionSecurityLabel* GetSecurityLabel() const { return m_pSecurity; }
    velmora::platform::ITreeCtrl& GetTreeCtrl() { return m_treeCtrl; }
    // The node a row of the tree shows; null for none (or a row of another
    // tree). The row of a node shown; invalid for none.
    velmora::CFtpNode* NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOf(const velmora::CFtpNode* node) const;

protected:
    void customEvent(QEvent* event) override;

private:
    class CBusy;
    class CTreeChange;
    using Connection = velmora::CFtpNode::Connection;
    // Server work of a job, on the worker's thread.
    using ServerWork = std::function<void(Connection&)>;
    // What a job's server work leaves for its result.
    struct CJobOutcome {
        velmora::CFtpPathList paths;
        TListedDetails details;
        std::string error;
        bool done = false;
    };
    // What the browser keeps of a connection when it leaves it.
    struct CBrowserState {
        std::vector<std::string> expanded;  // folder texts, parents first
        std::string current;
    };

    void ExecMenu(EPane pane, const QPoint& globalPos);
    // One level of OpenFolder: below `node`, once it is listed.
    void OpenFolderBelow(velmora::CFtpNode* node, const std::string& folder);

    // After a change of the tree: the list follows the tree's current item.
    void SyncCurrent();
    void ApplyHiddenToTree();
    void ClearTree();
    void ShowRoot(std::unique_ptr<velmora::CFtpNode> root);
    void AnnounceFolder(velmora::CFtpNode* node);
    void ShowFiles(velmora::CFtpNode* node);
    // Shows the reason in a box titled "Error", as the session's error.
    void ShowError(const std::string& reason);
    void ShowNotice(const std::string& text);
    void ShowLoginFailure(const velmora::CFtpLoginInfo& info);
    // A refused certificate or host key: asks whether to trust it and, if
    // so, stores and reconnects. False when the failure was something else.
    bool OfferTrust(const velmora::CFtpLoginInfo& info);
    // The same for an SSH host key: an unknown one may be trusted (stored in
    // our own known-hosts file); a changed one is only shown, loudly.
    bool OfferHostKeyTrust(const velmora::CFtpLoginInfo& info);
    // A server without TLS that was never asked about: asks once whether
    // the password may go unencrypted and, if so, stores the answer and
    // reconnects. False when the failure was something else.
    bool OfferPlainLogin(const velmora::CFtpLoginInfo& info);
    // Runs now, or once the job under way has ended.
    void RunWhenFree(std::function<void()> action);
    // Queues what waited for the job.
    void RunDeferred();

    // Jobs. RunOnServer starts the work on the session once no other job
    // runs; without a session it shows why instead.
    void RunOnServer(const std::string& waitText, ServerWork work, std::function<void()> result);
    // A change on the server (false with the reason in `error` when refused);
    // `applied` brings the tree up to date after it, a refusal is shown.
    using ServerChange = std::function<bool(Connection&, std::string& error)>;
    void RunChange(const std::string& waitText, ServerChange change, std::function<void()> applied);
    static ServerChange FolderChange(std::function<bool(velmora::CFtpRemoteFolder&)> change);
    static ServerChange ServerRename(const std::string& from, const std::string& to);
    void StartJob(const std::string& waitText, bool waitAtOnce, CBrowserWorker::Work work,
                  CBrowserWorker::Result result);
    void OnJobFinished();
    // Ends the session (as a job).
    void LogOff();
    void ShowWait();
    // A failed job: "Disconnected" when the session is gone, else the error.
    void ShowServerFailure(const std::string& reason);
    void ShowDisconnected(const std::string& reason);
    void ShowFileList();
    // A folder with its sub-folders and files listed, then `then` with its
    // node (not when the folder went meanwhile or could not be listed).
    void ListFolder(velmora::CFtpNode* node, std::function<void(velmora::CFtpNode*)> then);
    // Lists the folder again: anew with `rebuild` (its sub-folders forgotten),
    // else only its files; then `then` with its node.
    void RelistFolder(const std::string& guid, bool rebuild, std::function<void(velmora::CFtpNode*)> then = {});
    // Lists the folder one level and hands the entries to `apply` with the
    // folder's node, when it is still shown.
    void ListJob(const std::string& guid, std::function<void(velmora::CFtpNode*, const velmora::CFtpPathList&)> apply);
    static bool NeedsListing(const velmora::CFtpNode& node);
    // The node with that identity in the tree shown; null when it went.
    velmora::CFtpNode* FindNode(const std::string& guid) const;
    // The folder row selected in the list, as the tree's node; null for none.
    velmora::CFtpNode* SelectedListFolder();

    // Per-connection state.
    static std::string StateKey(const velmora::CFtpLoginInfo& info);
    void SaveState();
    CBrowserState CaptureState(velmora::CFtpNode& top) const;
    void RestoreState(const CBrowserState& state);
    void ExpandFolder(const std::string& folder);
    void SelectFolder(const std::string& folder);

    // Commands.
    void DeleteFolderNode(velmora::CFtpNode* node);
    void DeleteFiles(velmora::CFtpNode* node, const velmora::CFtpPathList& files);
    void RenameFolder(velmora::CFtpNode* node);
    void RenameFile(velmora::CFtpNode* node, const velmora::CFtpPath& file);
    void AddFolder(velmora::CFtpNode* node);
    // The mode the listing gave an entry of the folder `parent`; none when
    // it told none.
    std::optional<uint32_t> ListedMode(const std::string& parent, const std::string& name) const;

    // The comparison's result: the changes are put to the user, and started
    // once confirmed.
    void ConfirmSynchronise(const velmora::CFtpLoginInfo& info, const CSyncPair& pair, const std::string& error,
                            const CSyncPreview::CActions& found);

    // Transfers.
    void StartTransfer(const std::function<void(velmora::CMoverAPI&)>& record);
    void UploadFolder(const velmora::CFtpPath& folder, velmora::CFtpNode* target);
    void UploadFiles(const velmora::CFtpPathList& files, velmora::CFtpNode* target);
    // The target folder as an upload's destination, remembered (once) among
    // the folders this session uploads to.
    velmora::CFtpPath UploadDestination(const velmora::CFtpNode& target);
    void OnFileTransferred(const velmora::CFtpPath& source, const velmora::CFtpPath& destination);
    void OnTransferEnded(int id);

    // Drops.
    QModelIndex TreeIndexAt(const QPoint& point) const;
    velmora::CFtpNode* TargetAt(const QPoint& point);
    int Accept(const QMimeData* data, velmora::CFtpNode* target) const;
    int PostDrop(const QMimeData* data, velmora::CFtpNode* target);
    void Highlight(const QModelIndex& index);
    void ProcessDrop(const CMsgDropItem& msg);
    void UploadDropped(const CDropItem& item, velmora::CFtpNode* target);
    void MoveFolder(const velmora::CFtpPath& folder, velmora::CFtpNode* target);
    void MoveFolderTo(const std::string& sourceGuid, velmora::CFtpNode* target);
    void MoveFiles(const velmora::CFtpPathList& files, velmora::CFtpNode* target);
    void MoveFilesTo(const velmora::CFtpPathList& files, velmora::CFtpNode* target);
    // Lists again the folders uploads went to, one at a time.
    void RelistStaleFolder();
    QMimeData* CreateTreeDragData();
    // The data of a drag of remote items, for other applications: the
    // items' local copies, fetched when asked for (FetchForDrag).
    QMimeData* CreateRemoteDragData(const velmora::CFtpPathList& items);
    // Downloads the items into a new folder of the private drag folder and
    // answers their copies there (none when the download failed). The job
    // runs on a thread of its own while the window thread waits, since the
    // drag's target waits for the answer; it asks nothing, the folder being
    // new.
    QList<QUrl> FetchForDrag(const velmora::CFtpLoginInfo& info, const velmora::CFtpPathList& items);

    // Names known in the folders uploads go to (any thread).
    void RememberNames(velmora::CFtpNode& node);
    // Answers a velmora::TargetChoice for an upload to `path`; `rename`
    // asks for a free name.
    int32_t MakeUnique(velmora::CFtpPath& path, bool rename);
    std::optional<velmora::CFtpPath> KnownRemote(const velmora::CFtpPath& path) const;
    std::string LocalStartFolder() const;

    CAppContext& m_context;
    CFtpSink& m_sink;
    CFolderTreeView* m_pTree;
    CFtpListCtrl* m_pList;
    QStackedWidget* m_pFilesPane;
    QWidget* m_pDisconnected;
    QLabel* m_pDisconnectedText;
    QPushButton* m_pReconnect;
    CSessionSecurityLabel* m_pSecurity = nullptr;
    CPathBar* m_pPathBar = nullptr;
    CFilterField* m_pFilter = nullptr;
    CRemoteEditor* m_pEditor = nullptr;
    // Where items dragged to other applications are put, a folder a drag;
    // removed with the window.
    CPrivateFolders m_dragFolders{"parcelo-drag"};
    CTreeCtrlModel m_treeCtrl;
    // Tree changes under way (CTreeChange): the tree's current row and
    // expansions are not followed meanwhile.
    int m_nTreeChanges = 0;
    // Held by pointer: the drop target needs this class complete.
    std::unique_ptr<TDropTarget<CFtpTreeDlg>> m_pDropTarget;

    CBrowserWorker m_worker;
    bool m_bConnecting = false;
    std::string m_strWaitText;
    QTimer m_waitDelay;
    std::unique_ptr<velmora::CMsgWait> m_pWaitMsg;
    std::unique_ptr<CBusy> m_pJobBusy;

    int m_nBusy = 0;
    std::vector<std::function<void()>> m_deferred;
    // Deferred actions posted to run, not run yet.
    int m_nQueued = 0;
    // Folders whose files are to be listed again (after uploads into them).
    std::vector<std::string> m_staleFolders;
    // Remote folders the uploads of this session went to.
    std::vector<std::string> m_uploadFolders;
    std::map<std::string, CBrowserState> m_states;
    // What the listings told beyond the paths, by folder.
    std::map<std::string, TListedDetails> m_listedDetails;
    // Set by Cancel for the job that reads it (a long change of permissions).
    std::shared_ptr<std::atomic<bool>> m_pJobCancel;
    // The stop flag of the search under way, if any.
    std::shared_ptr<std::atomic<bool>> m_pFindStop;
    // The passphrases of SFTP key files typed in this run.
    CKeyPassphrases m_keyPassphrases;
    std::function<std::string()> m_localFolder;
    std::optional<velmora::CFtpLoginInfo> m_pendingConnect;
    bool m_bShowHidden = false;

    mutable std::mutex m_namesLock;
    std::map<std::string, velmora::CFtpPathList> m_names;
    // Last: the first to go, so that no comparison outlives the window.
    CSyncPreview m_preview{this};
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

// A change of the tree: painting frozen and the tree's current row and
// expansions not followed, so that items deleted on the way never select
// anything; afterwards the list follows the tree's current item.
class CFtpTreeDlg::CTreeChange {
public:
    explicit CTreeChange(CFtpTreeDlg& dlg, bool resync = true) : m_dlg(dlg), m_lock(dlg), m_bResync(resync) {
        ++m_dlg.m_nTreeChanges;
    }
    ~CTreeChange() {
        --m_dlg.m_nTreeChanges;
        m_dlg.ApplyHiddenToTree();
        if (m_bResync) m_dlg.SyncCurrent();
    }
    CTreeChange(const CTreeChange&) = delete;
    CTreeChange& operator=(const CTreeChange&) = delete;

private:
    CFtpTreeDlg& m_dlg;
    CLockDialog::CScope m_lock;
    bool m_bResync;
};

}  // namespace parcelo
