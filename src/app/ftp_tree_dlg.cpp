#include "app/ftp_tree_dlg.h"

#include <QDir>
#include <QDrag>
#include <QLayout>
#include <QMenu>
#include <QMetaObject>
#include <QPainter>
#include <QShortcut>
#include <QSplitter>

#include "app/existing_targets.h"
#include "app/file_list_ctrl.h"
#include "app/ftp_sink.h"
#include "app/log_pane.h"
#include "app/prompter.h"
#include "app/session_security_label.h"
#include "app/status_relay.h"
#include "engine/mover_api.h"
#include "base/format.h"
#include "ftp/ftp_dir.h"
#include "ftp/protocol/ftp_connection.h"
#include "messaging/log_status.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"

namespace parcelo {

using velmora::CFtpLoginInfo;
using velmora::CFtpNode;
using velmora::CFtpPath;
using velmora::CFtpPathList;
using velmora::Format;
using velmora::platform::ITreeCtrl;

namespace {

// The delete question names what goes: the folder (with everything in it)
// or the files, the first few by name.
std::string DeleteQuestion(const CFtpNode* folder, const CFtpPathList& files) {
    constexpr int kNamed = 5;
    if (files.IsEmpty()) {
        return Format("Are you sure you want to delete the folder '%s' with everything in it?",
                      folder->GetDoc().c_str());
    }
    std::string names;
    int count = 0;
    for (const CFtpPath* file : files) {
        if (count++ == kNamed) break;
        names += (names.empty() ? "" : ", ") + file->GetFileName(true);
    }
    if (files.GetCount() > kNamed) names += Format(" and %d more", files.GetCount() - kNamed);
    return Format("Are you sure you want to delete '%s' ?", names.c_str());
}

// A key of the browser, wherever the focus is inside it.
void AddKey(QWidget* owner, const QKeySequence& key, std::function<void()> action) {
    auto* shortcut = new QShortcut(key, owner, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    QObject::connect(shortcut, &QShortcut::activated, owner, std::move(action));
}

}  // namespace

// ---- CFolderTreeWidget ----

CFolderTreeWidget::CFolderTreeWidget(std::function<QMimeData*()> dragData, QWidget* parent)
    : QTreeWidget(parent), m_dragData(std::move(dragData)) {
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
}

void CFolderTreeWidget::startDrag(Qt::DropActions /*supportedActions*/) {
    QMimeData* data = m_dragData();
    if (data == nullptr) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction | Qt::MoveAction);
}

void CFolderTreeWidget::paintEvent(QPaintEvent* event) {
    QTreeWidget::paintEvent(event);
    if (topLevelItemCount() > 0 || m_strPlaceholder.isEmpty()) return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(viewport()->rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                     m_strPlaceholder);
}

// ---- CFtpTreeDlg ----

CFtpTreeDlg::CFtpTreeDlg(CAppContext& context, QWidget* parent)
    : CSplitterDlg(Qt::Horizontal, parent),
      CLockDialog(this),
      m_context(context),
      m_sink(context.sink),
      m_pTree(new CFolderTreeWidget([this] { return CreateTreeDragData(); })),
      m_pList(new CFtpListCtrl),
      m_treeCtrl(m_pTree) {
    m_pTree->setObjectName("tree");
    m_pTree->SetPlaceholderText(tr("Not connected.\n\nSelect a connection and press Apply, or press New to add one."));
    m_pList->setObjectName("list");
    GetSplitter()->setObjectName("browserSplitter");
    SetPanes(m_pTree, m_pList, 2, 3);
    // Below the panes: whether the session is encrypted.
    auto* security = new CSessionSecurityLabel(m_sink, this);
    layout()->addWidget(security);
    connect(this, &CFtpTreeDlg::ConnectFinished, security, &CSessionSecurityLabel::Refresh);
    // Drops land on this window, whichever pane is under the pointer.
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_pTree), static_cast<QAbstractItemView*>(m_pList)}) {
        view->setAcceptDrops(false);
        view->viewport()->setAcceptDrops(false);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
    }
    connect(m_pTree, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QTreeWidgetItem* item = m_pTree->itemAt(pos)) m_pTree->setCurrentItem(item);
        ExecMenu(PANE_TREE, m_pTree->viewport()->mapToGlobal(pos));
    });
    connect(m_pList, &QTreeWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { ExecMenu(PANE_LIST, m_pList->viewport()->mapToGlobal(pos)); });
    connect(m_pTree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { OnCurrentItemChanged(current); });
    connect(m_pTree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { OnItemExpanded(item); });
    connect(&context.relay, &CStatusRelay::FileTransferred, this, &CFtpTreeDlg::OnFileTransferred);
    m_pDropTarget = std::make_unique<TDropTarget<CFtpTreeDlg>>();
    m_pDropTarget->Register(this);
    velmora::CMsgBox::Box().Subscribe(kListenerName, this);
    context.targets.SetRemoteLookup([this](const CFtpPath& path) { return KnownRemote(path); });
    // F5 refreshes; F2 renames and Delete deletes in the pane that has the
    // focus; Backspace goes up one folder.
    const auto focused = [this] { return m_pList->hasFocus() ? PANE_LIST : PANE_TREE; };
    AddKey(this, Qt::Key_F5, [this] { OnRefresh(); });
    AddKey(this, Qt::Key_F2, [this, focused] { OnRename(focused()); });
    AddKey(this, QKeySequence::Delete, [this, focused] { OnDelete(focused()); });
    AddKey(this, Qt::Key_Backspace, [this] {
        CFtpNode* node = m_sink.GetCurrent();
        if (node != nullptr && node->GetParent() != nullptr) m_pTree->setCurrentItem(ItemOf(node->GetParent()));
    });
}

CFtpTreeDlg::~CFtpTreeDlg() {
    m_context.targets.SetRemoteLookup({});
    velmora::CMsgBox::Box().Unsubscribe(this);
    // A login under way ends by its time-out at the latest.
    if (m_opening.thread.joinable()) m_opening.thread.join();
    m_sink.SetOpening(false);
    m_pWaitMsg.reset();
    m_deferred.clear();
    m_pOpeningBusy.reset();
    // The items go with the tree control; the nodes stay with the session.
    if (CFtpNode* root = m_sink.GetRoot()) root->ClearTreeItem();
}

void CFtpTreeDlg::OnMsg(velmora::CMsg& msg) {
    switch (msg.Cmd()) {
        case velmora::MSG_UNIQUE_NAME:
            if (auto* path = dynamic_cast<CFtpPath*>(msg.RefObject())) msg.Result(MakeUnique(*path, msg.Argc() == 1));
            break;
        case velmora::MSG_APP_CONNECTION_23:
            if (const auto* info = dynamic_cast<const CFtpLoginInfo*>(msg.Object())) RequestConnect(*info);
            break;
        default:
            break;
    }
}

// ---- Connecting ----

void CFtpTreeDlg::Connect(const CFtpLoginInfo& info) {
    if (IsBusy()) {
        RunWhenFree([this, info] { Connect(info); });
        return;
    }
    m_uploadFolders.clear();
    {
        std::lock_guard<std::mutex> lock(m_namesLock);
        m_names.clear();
    }
    ClearTree();
    if (!m_sink.Prepare(info)) {
        ShowLoginFailure(info);
        emit ConnectFinished(false);
        return;
    }
    m_pOpeningBusy = std::make_unique<CBusy>(*this);
    m_pWaitMsg = std::make_unique<velmora::CMsgWait>(Format("Loading from %s ...", info.GetHost().c_str()));
    m_sink.SetOpening(true);
    m_opening.attempt = ++m_nAttempt;
    m_opening.thread = std::thread([this] {
        std::unique_ptr<CFtpNode> root;
        const bool connected = m_sink.Open(root);
        {
            std::lock_guard<std::mutex> lock(m_opening.lock);
            m_opening.connected = connected;
            m_opening.root = std::move(root);
        }
        QMetaObject::invokeMethod(this, &CFtpTreeDlg::OnOpened, Qt::QueuedConnection);
    });
}

void CFtpTreeDlg::CancelConnect() {
    if (!IsConnecting()) return;
    ++m_nAttempt;
    m_pWaitMsg.reset();
    LogAppEvent(velmora::LOG_STATUS, "Ftp", "Login cancelled:", m_sink.GetLoginInfo().GetPureURL());
}

void CFtpTreeDlg::OnOpened() {
    if (!m_opening.thread.joinable()) return;
    m_opening.thread.join();
    m_sink.SetOpening(false);
    const bool cancelled = m_opening.attempt != m_nAttempt;
    m_opening.attempt = 0;
    bool connected = false;
    std::unique_ptr<CFtpNode> root;
    {
        std::lock_guard<std::mutex> lock(m_opening.lock);
        connected = m_opening.connected;
        root = std::move(m_opening.root);
    }
    m_pWaitMsg.reset();
    if (cancelled) {
        m_sink.Disconnect();
    } else if (connected) {
        ShowRoot(std::move(root));
    } else {
        ShowLoginFailure(m_sink.GetLoginInfo());
    }
    if (!cancelled) emit ConnectFinished(connected);
    // What waited for the login runs now.
    m_pOpeningBusy.reset();
}

// Incomplete settings ask for them; a failed login says what failed.
void CFtpTreeDlg::ShowLoginFailure(const CFtpLoginInfo& info) {
    if (!CFtpSink::IsComplete(info)) {
        ShowNotice(kLoginMissing);
        return;
    }
    if (OfferTrust(info)) return;
    const std::string reason = m_sink.GetFailureHeading() + "\n\n" + m_sink.GetStrError();
    LogAppEvent(velmora::LOG_ERROR, "Ftp", "Login failed:", info.GetPureURL() + " " + reason);
    m_context.prompter.ShowError(this, "Error", reason);
}

bool CFtpTreeDlg::OfferTrust(const CFtpLoginInfo& info) {
    const velmora::protocol::CCertificateInfo& peer = m_sink.GetPeerCertificate();
    if (m_sink.GetLoginError() != velmora::protocol::EFtpError::Certificate || peer.IsEmpty()) return false;
    const std::string text = m_sink.GetStrError() +
                             "\n\nTrust this certificate? Its fingerprint is stored with the connection, and from "
                             "then on exactly this certificate is accepted from the server.";
    if (!m_context.prompter.AskTrust(this, "Unknown certificate", text)) return true;
    CFtpLoginInfo trusted = info;
    trusted.SetTlsFingerprint(peer.fingerprint);
    emit CertificateTrusted(trusted);
    RequestConnect(trusted);
    return true;
}

void CFtpTreeDlg::RequestConnect(const CFtpLoginInfo& info) {
    QMetaObject::invokeMethod(
        this, [this, info] { RunWhenFree([this, info] { Connect(info); }); }, Qt::QueuedConnection);
}

void CFtpTreeDlg::RunWhenFree(std::function<void()> action) {
    if (IsBusy()) {
        m_deferred.push_back(std::move(action));
        return;
    }
    action();
}

void CFtpTreeDlg::RunDeferred() {
    for (std::function<void()>& action : std::exchange(m_deferred, {})) {
        QMetaObject::invokeMethod(this, std::move(action), Qt::QueuedConnection);
    }
}

void CFtpTreeDlg::ClearTree() {
    CTreeChange change(*this, false);
    if (CFtpNode* root = m_sink.GetRoot()) {
        m_treeCtrl.DeleteItem(root->GetTreeItem());
        root->ClearTreeItem();
    }
    m_sink.DestroyTree();
    m_hHighlight = nullptr;
    SelectNode(nullptr);
}

void CFtpTreeDlg::ShowRoot(std::unique_ptr<CFtpNode> root) {
    CTreeChange change(*this);
    CFtpNode* shown = m_sink.AdoptRoot(std::move(root), &m_treeCtrl);
    if (shown == nullptr) return;
    shown->Expand(m_treeCtrl, ITreeCtrl::kExpand);
    shown->Select(m_treeCtrl);
}

// ---- Browsing ----

CFtpNode* CFtpTreeDlg::NodeOf(QTreeWidgetItem* item) const {
    auto* node = static_cast<velmora::CMFCObjNode*>(m_treeCtrl.GetItemData(item));
    return dynamic_cast<CFtpNode*>(node);
}

QTreeWidgetItem* CFtpTreeDlg::ItemOf(const CFtpNode* node) const {
    return node != nullptr ? m_treeCtrl.Item(node->GetTreeItem()) : nullptr;
}

void CFtpTreeDlg::OnCurrentItemChanged(QTreeWidgetItem* current) { SelectNode(NodeOf(current)); }

void CFtpTreeDlg::OnItemExpanded(QTreeWidgetItem* item) { ExpandNode(NodeOf(item)); }

void CFtpTreeDlg::SyncCurrent() { SelectNode(NodeOf(m_pTree->currentItem())); }

void CFtpTreeDlg::ExpandNode(CFtpNode* node) {
    if (node == nullptr || !node->IsCatalog() || node->GetNodeType() == CFtpNode::NODE_LISTED) return;
    CTreeChange change(*this, false);
    node->Pump(&m_treeCtrl, m_sink.GetFtpConnection(), nullptr);
    node->Show(m_treeCtrl, false);
}

void CFtpTreeDlg::SelectNode(CFtpNode* node) {
    if (node != nullptr && node->IsNodeDecoy()) node = node->GetParent();
    m_sink.SetCurrent(node);
    ShowFiles(node);
    AnnounceFolder(node);
}

void CFtpTreeDlg::ShowFiles(CFtpNode* node) {
    if (node == nullptr) {
        m_pList->Fill(CFtpPathList());
        return;
    }
    m_pList->Fill(node->PopulateCache());
}

// Message 19: the folder's path (none without a folder), the number of its
// files and its name.
void CFtpTreeDlg::AnnounceFolder(CFtpNode* node) {
    velmora::CMsg msg(velmora::MSG_APP_PATH, node != nullptr ? m_pList->GetFileCount() : 0,
                      node != nullptr ? node->GetName() : std::string(), 0);
    if (node != nullptr) msg.RefObject(&node->GetPath());
    velmora::CMsgBox::Box().Send(msg);
}

void CFtpTreeDlg::ShowError(const std::string& reason) {
    m_sink.ReportError(reason);
    m_context.prompter.ShowMessage(this, "Error", m_sink.GetStrError());
}

void CFtpTreeDlg::ShowNotice(const std::string& text) { m_context.prompter.ShowMessage(this, "Message", text); }

CFtpNode::Connection* CFtpTreeDlg::RequireConnection() {
    CFtpNode::Connection* connection = m_sink.GetFtpConnection();
    if (connection == nullptr) ShowError("Ftp is not connected");
    return connection;
}

// ---- Commands ----

void CFtpTreeDlg::ExecMenu(EPane pane, const QPoint& globalPos) {
    const bool folder = m_sink.GetCurrent() != nullptr;
    const bool items = pane == PANE_TREE ? folder : folder && !m_pList->selectedItems().isEmpty();
    QMenu menu(this);
    auto add = [&menu](const QString& text, bool enabled, std::function<void()> command) {
        QAction* action = menu.addAction(text);
        action->setEnabled(enabled);
        QObject::connect(action, &QAction::triggered, std::move(command));
    };
    add(tr("Refresh"), folder, [this] { OnRefresh(); });
    add(tr("Download"), items, [this, pane] { OnDownload(pane); });
    add(tr("Upload"), folder, [this] { OnUpload(); });
    add(tr("Synchronise..."), folder, [this] { OnSynchronise(); });
    add(tr("Delete"), items, [this, pane] { OnDelete(pane); });
    add(tr("Rename"), items, [this, pane] { OnRename(pane); });
    add(tr("New Folder"), folder, [this] { OnNewFolder(); });
    menu.exec(globalPos);
}

void CFtpTreeDlg::OnRefresh() {
    CFtpNode* node = m_sink.GetCurrent();
    if (node == nullptr) return;
    CFtpNode::Connection* connection = RequireConnection();
    if (connection == nullptr) return;
    CTreeChange change(*this);
    node->Refresh(&m_treeCtrl, connection, nullptr);
    node->Expand(m_treeCtrl, ITreeCtrl::kExpand);
}

void CFtpTreeDlg::OnDownload(EPane pane) {
    CFtpNode* node = m_sink.GetCurrent();
    if (node == nullptr) return;
    const CFtpPathList files = pane == PANE_LIST ? m_pList->GetSelectedPaths() : CFtpPathList();
    if (pane == PANE_LIST && files.IsEmpty()) return;
    std::string folder = QDir::homePath().toStdString();
    if (!m_context.prompter.PickFolder(this, kFolderPickerTitle, folder)) return;
    const CFtpPath destination(folder, velmora::PATH_FOLDER);
    const CFtpLoginInfo info = m_sink.GetLoginInfo();
    if (pane == PANE_TREE) {
        const CFtpPath source(node->GetDoc(), velmora::PATH_FOLDER);
        StartTransfer([&](velmora::CMoverAPI& api) { api.DownloadFolderA(info, source, destination); });
    } else {
        // The listing may be older than the files: their sizes are asked anew.
        CFtpPathList list(files);
        for (CFtpPath* file : list) file->Length(uint64_t{0});
        StartTransfer([&](velmora::CMoverAPI& api) { api.DownloadFilesA(info, list, destination); });
    }
}

void CFtpTreeDlg::OnUpload() {
    CFtpNode* node = m_sink.GetCurrent();
    if (node == nullptr) return;
    std::string folder = QDir::homePath().toStdString();
    if (!m_context.prompter.PickFolder(this, kFolderPickerTitle, folder)) return;
    UploadFolder(CFtpPath(folder, velmora::PATH_FOLDER), node);
}

void CFtpTreeDlg::OnDelete(EPane pane) {
    CFtpNode* node = m_sink.GetCurrent();
    if (node == nullptr) return;
    const CFtpPathList files = pane == PANE_LIST ? m_pList->GetSelectedPaths() : CFtpPathList();
    if (pane == PANE_LIST && files.IsEmpty()) return;
    if (!m_context.prompter.AskYesNo(this, "Confirmation", DeleteQuestion(node, files))) return;
    if (RequireConnection() == nullptr) return;
    if (pane == PANE_TREE) {
        DeleteFolderNode(node);
    } else {
        DeleteFiles(node, files);
    }
}

void CFtpTreeDlg::DeleteFolderNode(CFtpNode* node) {
    CFtpNode* parent = node->GetParent();
    if (parent == nullptr) {
        ShowError("The start folder of the connection is not deleted");
        return;
    }
    bool deleted = false;
    {
        CTreeChange change(*this);
        // The parent becomes current; a refusal makes the folder current again.
        parent->Select(m_treeCtrl);
        deleted = node->DeleteFolder(&m_treeCtrl);
        if (!deleted) node->Select(m_treeCtrl);
    }
    if (!deleted) ShowError(node->GetLastError());
}

void CFtpTreeDlg::DeleteFiles(CFtpNode* node, const CFtpPathList& files) {
    CFtpPathList remaining(files);
    const bool deleted = node->DeleteFolderFiles(remaining);
    for (const CFtpPath* file : files) {
        if (remaining.Find(*file) == nullptr) node->RemoveFromCache(*file);
    }
    ShowFiles(node);
    AnnounceFolder(node);
    if (!deleted) ShowError(node->GetLastError());
}

void CFtpTreeDlg::OnRename(EPane pane) {
    CFtpNode* node = m_sink.GetCurrent();
    if (node == nullptr) return;
    if (pane == PANE_LIST) {
        const CFtpPathList files = m_pList->GetSelectedPaths();
        if (!files.IsEmpty()) RenameFile(node, *files.GetHead());
        return;
    }
    std::string name = node->GetName();
    if (!m_context.prompter.AskName(this, name) || name == node->GetName()) return;
    CFtpNode::Connection* connection = RequireConnection();
    if (connection == nullptr) return;
    bool renamed = false;
    {
        CTreeChange change(*this);
        renamed = node->Rename(&m_treeCtrl, connection, name);
    }
    if (!renamed) ShowError(node->GetLastError());
}

// A server replaces a file that a rename lands on: names taken are refused.
void CFtpTreeDlg::RenameFile(CFtpNode* node, const CFtpPath& file) {
    const std::string oldName = file.GetFileName(true);
    std::string name = oldName;
    if (!m_context.prompter.AskName(this, name) || name == oldName) return;
    if (!velmora::CFtpDir::IsSafeName(name)) {
        ShowError(Format("Invalid file name: '%s'", name.c_str()));
        return;
    }
    CFtpPath renamed(file);
    renamed.SetFileNameAndExt(name);
    if (node->PopulateCache().FindByFileName(renamed) != nullptr) {
        ShowError(Format("A file named '%s' is already in this folder", name.c_str()));
        return;
    }
    CFtpNode::Connection* connection = RequireConnection();
    if (connection == nullptr) return;
    if (!connection->Rename(file.GetFtpPath(), renamed.GetFtpPath())) {
        ShowError(connection->GetLastError());
        return;
    }
    if (CFtpPath* cached = node->GetCache().Find(file)) cached->SetFileNameAndExt(name);
    ShowFiles(node);
    m_pList->SelectByName({name});
}

void CFtpTreeDlg::OnNewFolder() {
    CFtpNode* node = m_sink.GetCurrent();
    if (node == nullptr) return;
    CFtpNode::Connection* connection = RequireConnection();
    if (connection == nullptr) return;
    // Listed first, so that the name offered is free.
    ExpandNode(node);
    std::string name = "New Folder";
    node->UniqueChildName(name);
    if (!m_context.prompter.AskName(this, name)) return;
    bool added = false;
    {
        CTreeChange change(*this, false);
        added = node->AddDirectory(&m_treeCtrl, connection, name);
        if (added) node->Expand(m_treeCtrl, ITreeCtrl::kExpand);
    }
    if (!added) ShowError(node->GetLastError());
}

}  // namespace parcelo
