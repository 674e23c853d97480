#include "app/panes/ftp_tree_dlg.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QDrag>
#include <QLayout>
#include <QMenu>
#include <QPainter>
#include <QShortcut>
#include <QSplitter>

#include "app/common/app_settings.h"
#include "app/common/drag_item.h"
#include "app/common/name_filter.h"
#include "app/common/path_bar.h"
#include "app/common/status_relay.h"
#include "app/common/window_thread.h"
#include "app/panes/file_list_ctrl.h"
#include "app/panes/ftp_sink.h"
#include "app/panes/remote_editor.h"
#include "app/panes/remote_permissions.h"
#include "app/panes/session_security_label.h"
#include "app/transfers/existing_targets.h"
#include "app/transfers/log_pane.h"
#include "app/transfers/prompter.h"
#include "app/transfers/transfer_queue.h"
#include "base/format.h"
#include "base/path_text.h"
#include "engine/mover_api.h"
#include "ftp/ftp_dir.h"
#include "ftp/ftp_remote_folder.h"
#include "messaging/log_status.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"
#include "platform/file_system.h"

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

bool IsEmptyFolder(const CFtpNode& folder) { return folder.GetChildCount() == 0 && folder.GetCache().IsEmpty(); }

std::string NotEmptyQuestion(const CFtpNode& folder) {
    return Format("The folder '%s' is not empty: it holds %d folders and %d files at its top level alone. Delete "
                  "it with everything in it?",
                  folder.GetDoc().c_str(), folder.GetChildCount(), folder.GetCache().GetCount());
}

// A key of the browser, wherever the focus is inside it.
void AddKey(QWidget* owner, const QKeySequence& key, std::function<void()> action) {
    auto* shortcut = new QShortcut(key, owner, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    QObject::connect(shortcut, &QShortcut::activated, owner, std::move(action));
}

}  // namespace

// ---- CFolderTreeView ----

CFolderTreeView::CFolderTreeView(std::function<QMimeData*()> dragData, QWidget* parent)
    : QTreeView(parent), m_dragData(std::move(dragData)) {
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
}

void CFolderTreeView::startDrag(Qt::DropActions /*supportedActions*/) {
    QMimeData* data = m_dragData();
    if (data == nullptr) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction | Qt::MoveAction);
}

void CFolderTreeView::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if ((model() != nullptr && model()->rowCount() > 0) || m_strPlaceholder.isEmpty()) return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(viewport()->rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                     m_strPlaceholder);
}

// ---- CFtpTreeDlg ----

CFtpTreeDlg::CFtpTreeDlg(CAppContext& context, QWidget* parent)
    : CSplitterDlg(Qt::Vertical, parent),
      CLockDialog(this),
      m_context(context),
      m_sink(context.sink),
      m_pTree(new CFolderTreeView([this] { return CreateTreeDragData(); })),
      m_pList(new CFtpListCtrl),
      m_pFilesPane(new QStackedWidget),
      m_pDisconnected(new QWidget),
      m_pDisconnectedText(new QLabel),
      m_pReconnect(new QPushButton(tr("&Reconnect"))) {
    m_treeCtrl.SetView(m_pTree);
    m_pTree->setObjectName("tree");
    m_pTree->SetPlaceholderText(tr("Not connected.\n\nConnect with the quick-connect bar above, or open a site from the Site Manager "
                                   "(File, Site Manager..., Ctrl+S)."));
    m_pList->setObjectName("list");
    m_pList->SetDragDataMaker([this](const CFtpPathList& selected) { return CreateRemoteDragData(selected); });
    m_pDisconnected->setObjectName("disconnected");
    m_pReconnect->setObjectName("reconnect");
    auto* heading = new QLabel(tr(kDisconnected));
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    heading->setFont(bold);
    m_pDisconnectedText->setWordWrap(true);
    auto* lost = new QVBoxLayout(m_pDisconnected);
    lost->addStretch();
    lost->addWidget(heading, 0, Qt::AlignHCenter);
    lost->addWidget(m_pDisconnectedText, 0, Qt::AlignHCenter);
    lost->addWidget(m_pReconnect, 0, Qt::AlignHCenter);
    lost->addStretch();
    m_pFilesPane->addWidget(m_pList);
    m_pFilesPane->addWidget(m_pDisconnected);
    // The folder's path above its list, as in the local pane.
    m_pPathBar = new CPathBar(this);
    m_pPathBar->setObjectName("serverPath");
    auto* files = new QWidget;
    auto* filesLayout = new QVBoxLayout(files);
    filesLayout->setContentsMargins(0, 0, 0, 0);
    filesLayout->addWidget(m_pPathBar);
    filesLayout->addWidget(m_pFilesPane, 1);
    connect(m_pPathBar, &CPathBar::FolderRequested, this, [this](const QString& folder) {
        if (m_sink.GetRoot() == nullptr) {
            m_pPathBar->Restore();
            return;
        }
        OpenFolder(velmora::AppendSlash(folder.toStdString(), '/'));
    });
    connect(m_pPathBar, &CPathBar::UpRequested, this, &CFtpTreeDlg::OnUp);
    GetSplitter()->setObjectName("browserSplitter");
    SetPanes(m_pTree, files, 2, 3);
    // Drops land on this window, whichever pane is under the pointer.
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_pTree), static_cast<QAbstractItemView*>(m_pList)}) {
        view->setAcceptDrops(false);
        view->viewport()->setAcceptDrops(false);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
    }
    connect(m_pTree, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        const QModelIndex at = m_pTree->indexAt(pos);
        if (at.isValid()) m_pTree->setCurrentIndex(at);
        ExecMenu(PANE_TREE, m_pTree->viewport()->mapToGlobal(pos));
    });
    connect(m_pList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { ExecMenu(PANE_LIST, m_pList->viewport()->mapToGlobal(pos)); });
    connect(m_pTree->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (m_nTreeChanges == 0) SelectNode(NodeOf(current));
    });
    connect(m_pTree, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (m_nTreeChanges == 0) ExpandNode(NodeOf(index));
    });
    // Double-click and Enter.
    connect(m_pList, &QAbstractItemView::activated, this, [this](const QModelIndex& index) { OpenListItem(index); });
    connect(m_pReconnect, &QPushButton::clicked, this, &CFtpTreeDlg::OnReconnect);
    connect(&m_worker, &CBrowserWorker::Finished, this, &CFtpTreeDlg::OnJobFinished);
    // Below the panes: whether the session is encrypted, looked at again
    // once each job (a login too) has ended.
    m_pSecurity = new CSessionSecurityLabel(m_sink, this);
    layout()->addWidget(m_pSecurity);
    connect(&m_worker, &CBrowserWorker::Finished, m_pSecurity, &CSessionSecurityLabel::Refresh);
    connect(this, &CFtpTreeDlg::WaitCancelled, m_pSecurity, &CSessionSecurityLabel::Refresh);
    m_waitDelay.setSingleShot(true);
    m_waitDelay.setInterval(kWaitDelayMs);
    connect(&m_waitDelay, &QTimer::timeout, this, &CFtpTreeDlg::ShowWait);
    connect(&context.relay, &CStatusRelay::FileTransferred, this, &CFtpTreeDlg::OnFileTransferred);
    connect(&context.queue, &CTransferQueue::EntryEnded, this, &CFtpTreeDlg::OnTransferEnded);
    m_pDropTarget = std::make_unique<TDropTarget<CFtpTreeDlg>>();
    m_pDropTarget->Register(this);
    velmora::CMsgBox::Box().Subscribe(kListenerName, this);
    context.targets.SetRemoteLookup([this](const CFtpPath& path) { return KnownRemote(path); });
    // F2 renames and Delete deletes in the pane that has the focus;
    // Backspace goes up one folder. F5 belongs to the main window, which
    // refreshes both panes wherever the focus is.
    const auto focused = [this] { return m_pList->hasFocus() ? PANE_LIST : PANE_TREE; };
    AddKey(this, Qt::Key_F2, [this, focused] { OnRename(focused()); });
    AddKey(this, QKeySequence::Delete, [this, focused] { OnDelete(focused()); });
    AddKey(this, Qt::Key_Backspace, [this] { OnUp(); });
    AddKey(this, Qt::Key_F3, [this] { OnViewEdit(); });
    AddKey(this, Qt::SHIFT | Qt::Key_F4, [this] { OnViewEdit(); });
    m_pEditor = new CRemoteEditor(context, this, [this](const CFtpLoginInfo& login, const std::string& path, auto then) {
        // Only the browser's own session is asked, and only about its server.
        if (!m_sink.IsOnline() || login.GetPureURL() != m_sink.GetLoginInfo().GetPureURL()) {
            then(false, {});
            return;
        }
        auto facts = std::make_shared<velmora::CRemoteFacts>();
        auto known = std::make_shared<bool>(false);
        RunOnServer(
            Format("Checking %s ...", path.c_str()),
            [path, facts, known](Connection& connection) { *known = connection.GetFacts(path, *facts); },
            [facts, known, then] { then(*known, *facts); });
    });
    // An edited file that went back shows at its new size and date.
    connect(m_pEditor, &CRemoteEditor::UploadEnded, this, [this](const QString& path) {
        CFtpNode* current = m_sink.GetCurrent();
        if (current != nullptr && CFtpPath(path.toStdString()).GetFtpDir(true) == current->GetDoc()) {
            RelistFolder(current->GetStrGUID(), false);
        }
    });
    // Typing in the list filters it (after the keys above: it answers
    // their ShortcutOverride while it holds text).
    m_pFilter = new CFilterField(m_pList);
    m_pFilter->setObjectName("serverFilter");
    filesLayout->addWidget(m_pFilter);
    // Files dropped on the pane's text fields go up like any others, rather
    // than becoming their names in the field.
    m_pFilter->setAcceptDrops(false);
    m_pPathBar->GetEdit()->setAcceptDrops(false);
    connect(m_pFilter, &CFilterField::FilterChanged, this, [this] { m_pList->SetNameFilter(m_pFilter->GetFilter()); });
}

CFtpTreeDlg::~CFtpTreeDlg() {
    m_context.targets.SetRemoteLookup({});
    velmora::CMsgBox::Box().Unsubscribe(this);
    // A job under way ends by its time-out at the latest; its result is not taken.
    m_worker.Abandon();
    m_sink.SetInUse(false);
    m_sink.SetOpening(false);
    m_pWaitMsg.reset();
    m_deferred.clear();
    m_pJobBusy.reset();
    // The items go with the tree's model, which goes before its view: what
    // the view tells on the way is not for this window any more.
    m_pTree->selectionModel()->disconnect(this);
    m_pTree->disconnect(this);
    // The nodes stay with the session.
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

void CFtpTreeDlg::Connect(const CFtpLoginInfo& given) {
    if (IsBusy()) {
        QueueConnect(given);
        return;
    }
    // The password is made ready first: cancelling its question leaves the
    // browser as it was.
    CFtpLoginInfo info = given;
    if (CFtpSink::IsComplete(info)) {
        const ELoginPassword password = ReadyLoginPassword(info, m_context.prompter, this);
        if (password == ELoginPassword::Cancelled) {
            LogAppEvent(velmora::LOG_STATUS, "Ftp", "Login cancelled:", info.GetPureURL());
            emit ConnectFinished(false);
            return;
        }
        if (password != ELoginPassword::AsItWas) emit LoginPasswordReady(info, password);
        ReadyKeyPassphrases(info, m_keyPassphrases, m_context.prompter, this);
    }
    // A comparison with the folder of the connection left behind is of no use now.
    m_preview.Cancel();
    SaveState();
    m_uploadFolders.clear();
    m_staleFolders.clear();
    {
        std::lock_guard<std::mutex> lock(m_namesLock);
        m_names.clear();
    }
    ClearTree();
    ShowFileList();
    if (!m_sink.Prepare(info)) {
        LogOff();
        ShowLoginFailure(info);
        emit ConnectFinished(false);
        return;
    }
    m_bConnecting = true;
    m_sink.SetOpening(true);
    auto root = std::make_shared<std::unique_ptr<CFtpNode>>();
    auto connected = std::make_shared<bool>(false);
    auto details = std::make_shared<TListedDetails>();
    StartJob(
        Format("Loading from %s ...", info.GetHost().c_str()), true, [this, root, connected, details] {
            *connected = m_sink.Open(*root, [details](const velmora::CFtpDir& entry) { NoteListedDetails(*details, entry); });
        },
        [this, root, connected, details] {
            m_bConnecting = false;
            m_sink.SetOpening(false);
            if (*connected) {
                m_listedDetails[(*root)->GetDoc()] = std::move(*details);
                ShowRoot(std::move(*root));
            } else {
                ShowLoginFailure(m_sink.GetLoginInfo());
            }
            emit ConnectFinished(*connected);
        });
}

// A login asked for while this one ran goes too: Cancel means "stop connecting".
void CFtpTreeDlg::CancelWait() {
    m_pendingConnect.reset();
    if (!m_worker.IsWaiting()) return;
    m_worker.Cancel();
    if (m_pJobCancel) *m_pJobCancel = true;
    // The session stays the worker's until it lets go (its state is read
    // from the copy meanwhile), but nothing is being connected any more.
    if (m_bConnecting) m_sink.SetOpening(false);
    emit WaitCancelled();
    m_waitDelay.stop();
    m_pWaitMsg.reset();
    LogAppEvent(velmora::LOG_STATUS, "Ftp", m_bConnecting ? "Login cancelled:" : "Cancelled:",
                m_bConnecting ? m_sink.GetLoginInfo().GetPureURL() : m_strWaitText);
}

void CFtpTreeDlg::ShowConnection(const CFtpLoginInfo& info) {
    const bool shown = StateKey(info) == StateKey(m_sink.GetLoginInfo()) && (IsConnecting() || m_sink.IsOnline());
    if (shown || !CFtpSink::IsComplete(info)) return;
    QueueConnect(info);
}

void CFtpTreeDlg::OnReconnect() { QueueConnect(m_sink.GetLoginInfo()); }

// Of the logins asked for while a job runs, only the latest is made.
void CFtpTreeDlg::QueueConnect(const CFtpLoginInfo& info) {
    if (!IsBusy()) {
        Connect(info);
        return;
    }
    const bool queued = m_pendingConnect.has_value();
    m_pendingConnect = info;
    if (queued) return;
    RunWhenFree([this] {
        if (std::optional<CFtpLoginInfo> pending = std::exchange(m_pendingConnect, std::nullopt)) Connect(*pending);
    });
}

// Incomplete settings ask for them; a failed login says what failed.
void CFtpTreeDlg::ShowLoginFailure(const CFtpLoginInfo& info) {
    if (!CFtpSink::IsComplete(info)) {
        ShowNotice(kLoginMissing);
        return;
    }
    if (OfferTrust(info) || OfferPlainLogin(info)) return;
    const std::string reason = m_sink.GetFailureHeading() + "\n\n" + m_sink.GetState().error;
    LogAppEvent(velmora::LOG_ERROR, "Ftp", "Login failed:", info.GetPureURL() + " " + reason);
    m_context.prompter.ShowError(this, "Error", reason);
}

bool CFtpTreeDlg::OfferTrust(const CFtpLoginInfo& info) {
    const CFtpSink::CState state = m_sink.GetState();
    if (state.loginError != velmora::ERemoteError::Untrusted) return false;
    if (info.IsSftp()) return OfferHostKeyTrust(info);
    const velmora::CCertificateInfo& peer = state.peerCertificate;
    if (peer.IsEmpty()) return false;
    const std::string text = state.error +
                             "\n\nTrust this certificate? Its fingerprint is stored with the connection, and from "
                             "then on exactly this certificate is accepted from the server.";
    if (!m_context.prompter.AskTrust(this, "Unknown certificate", text, "Trust this certificate")) return true;
    CFtpLoginInfo trusted = info;
    trusted.SetTlsFingerprint(peer.fingerprint);
    emit CertificateTrusted(trusted);
    RequestConnect(trusted);
    return true;
}

bool CFtpTreeDlg::OfferPlainLogin(const CFtpLoginInfo& info) {
    // A server that did TLS before is not asked about: its error says why.
    const CFtpSink::CState state = m_sink.GetState();
    if (state.loginError != velmora::ERemoteError::PlainRefused ||
        state.error.find(velmora::kTlsDowngradeText) != std::string::npos)
        return false;
    const std::string text = info.GetHost() + "\n\n" + kPlainLoginQuestion +
                             "\n\nAnyone on the way can read the password and the files.";
    if (!m_context.prompter.AskYesNo(this, "No encryption", text)) return true;
    const int port = info.GetPort() > 0 ? info.GetPort() : CFtpLoginInfo::kDefaultPort;
    if (!m_context.settings.AllowPlainFtp(info.GetHost(), static_cast<uint16_t>(port))) {
        ShowError("The answer could not be stored in the settings.");
        return true;
    }
    RequestConnect(info);
    return true;
}

void CFtpTreeDlg::RequestConnect(const CFtpLoginInfo& info) {
    PostToWindowThread(this, [this, info] { QueueConnect(info); });
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
        ++m_nQueued;
        PostToWindowThread(this, [this, action = std::move(action)] {
            --m_nQueued;
            // An earlier one may have started a job: then this waits again.
            RunWhenFree(action);
        });
    }
}

void CFtpTreeDlg::ClearTree() {
    CTreeChange change(*this, false);
    if (CFtpNode* root = m_sink.GetRoot()) {
        m_treeCtrl.DeleteItem(root->GetTreeItem());
        root->ClearTreeItem();
    }
    m_sink.DestroyTree();
    m_listedDetails.clear();
    SelectNode(nullptr);
}

void CFtpTreeDlg::ShowRoot(std::unique_ptr<CFtpNode> root) {
    {
        CTreeChange change(*this);
        CFtpNode* shown = m_sink.AdoptRoot(std::move(root), &m_treeCtrl);
        if (shown == nullptr) return;
        shown->Expand(m_treeCtrl, ITreeCtrl::kExpand);
        shown->Select(m_treeCtrl);
    }
    const auto state = m_states.find(StateKey(m_sink.GetLoginInfo()));
    if (state != m_states.end()) RestoreState(state->second);
}

// ---- Jobs ----

void CFtpTreeDlg::RunOnServer(const std::string& waitText, ServerWork work, std::function<void()> result) {
    if (IsBusy()) {
        RunWhenFree([this, waitText, work, result] { RunOnServer(waitText, work, result); });
        return;
    }
    Connection* connection = m_sink.GetConnection();
    if (connection == nullptr) {
        ShowServerFailure("Ftp is not connected");
        return;
    }
    StartJob(waitText, false, [connection, work] { work(*connection); }, std::move(result));
}

void CFtpTreeDlg::RunChange(const std::string& waitText, ServerChange change, std::function<void()> applied) {
    auto outcome = std::make_shared<CJobOutcome>();
    RunOnServer(
        waitText, [outcome, change](Connection& connection) { outcome->done = change(connection, outcome->error); },
        [this, outcome, applied] {
            if (outcome->done) {
                applied();
            } else {
                ShowServerFailure(outcome->error);
            }
        });
}

CFtpTreeDlg::ServerChange CFtpTreeDlg::FolderChange(std::function<bool(velmora::CFtpRemoteFolder&)> change) {
    return [change](Connection& connection, std::string& error) {
        velmora::CFtpRemoteFolder service(&connection);
        const bool done = change(service);
        error = service.GetLastError();
        return done;
    };
}

CFtpTreeDlg::ServerChange CFtpTreeDlg::ServerRename(const std::string& from, const std::string& to) {
    return [from, to](Connection& connection, std::string& error) {
        const bool done = connection.Rename(from, to);
        error = connection.GetLastError();
        return done;
    };
}

void CFtpTreeDlg::StartJob(const std::string& waitText, bool waitAtOnce, CBrowserWorker::Work work,
                           CBrowserWorker::Result result) {
    m_pJobBusy = std::make_unique<CBusy>(*this);
    m_sink.SetInUse(true);
    m_strWaitText = waitText;
    m_worker.Start(std::move(work), [this, result = std::move(result)] {
        m_waitDelay.stop();
        m_pWaitMsg.reset();
        // The work is done: the session is the window's again.
        m_sink.SetInUse(false);
        result();
    });
    if (waitAtOnce) {
        ShowWait();
    } else {
        m_waitDelay.start();
    }
}

// A job without a wait text shows its progress in a window of its own.
void CFtpTreeDlg::ShowWait() {
    if (m_worker.IsWaiting() && !m_strWaitText.empty()) m_pWaitMsg = std::make_unique<velmora::CMsgWait>(m_strWaitText);
}

// Also after a cancelled job: a cancelled login is logged off, a session
// lost meanwhile shows as lost.
void CFtpTreeDlg::OnJobFinished() {
    m_waitDelay.stop();
    m_pWaitMsg.reset();
    m_sink.SetInUse(false);
    const bool loginCancelled = m_bConnecting;
    if (loginCancelled) {
        m_bConnecting = false;
        m_sink.SetOpening(false);
    } else if (m_sink.GetRoot() != nullptr && !m_sink.GetState().online) {
        ShowDisconnected(m_sink.GetState().error);
    }
    // What waited for the job runs now.
    m_pJobBusy.reset();
    if (loginCancelled) LogOff();
}

// Off the window thread: a server that stopped answering keeps QUIT waiting.
void CFtpTreeDlg::LogOff() {
    RunWhenFree([this] {
        if (m_sink.GetState().online) StartJob("Logging off ...", false, [this] { m_sink.Session().Logoff(); }, [] {});
    });
}

void CFtpTreeDlg::ShowServerFailure(const std::string& reason) {
    if (m_sink.GetRoot() != nullptr && !m_sink.GetState().online) {
        ShowDisconnected(reason);
        return;
    }
    ShowError(reason);
}

void CFtpTreeDlg::ShowDisconnected(const std::string& reason) {
    if (IsShowingDisconnected()) return;
    m_sink.ReportError(reason);
    m_pDisconnectedText->setText(QString::fromStdString(m_sink.GetState().error));
    m_pFilesPane->setCurrentWidget(m_pDisconnected);
    LogAppEvent(velmora::LOG_ERROR, "Ftp", "Disconnected:", m_sink.GetLoginInfo().GetPureURL() + " " + reason);
}

void CFtpTreeDlg::ShowFileList() { m_pFilesPane->setCurrentWidget(m_pList); }

bool CFtpTreeDlg::IsShowingDisconnected() const { return m_pFilesPane->currentWidget() == m_pDisconnected; }

QString CFtpTreeDlg::GetDisconnectedText() const { return m_pDisconnectedText->text(); }

bool CFtpTreeDlg::NeedsListing(const CFtpNode& node) {
    return node.IsCatalog() && (node.GetNodeType() != CFtpNode::NODE_LISTED || !node.IsCacheLoaded());
}

CFtpNode* CFtpTreeDlg::FindNode(const std::string& guid) const {
    CFtpNode* root = m_sink.GetRoot();
    return root != nullptr && !guid.empty() ? root->FindByGUID(guid) : nullptr;
}

void CFtpTreeDlg::ListFolder(CFtpNode* node, std::function<void(CFtpNode*)> then) {
    if (node == nullptr) return;
    const std::string guid = node->GetStrGUID();
    RunWhenFree([this, guid, then] {
        CFtpNode* folder = FindNode(guid);
        if (folder == nullptr) return;
        if (!NeedsListing(*folder)) {
            then(folder);
            return;
        }
        ListJob(guid, [this, then](CFtpNode* listed, const CFtpPathList& entries) {
            {
                CTreeChange change(*this, false);
                listed->PumpListed(&m_treeCtrl, entries);
                listed->Show(m_treeCtrl, false);
            }
            then(listed);
        });
    });
}

void CFtpTreeDlg::RelistFolder(const std::string& guid, bool rebuild, std::function<void(CFtpNode*)> then) {
    ListJob(guid, [this, rebuild, then](CFtpNode* listed, const CFtpPathList& entries) {
        {
            CTreeChange change(*this);
            if (rebuild || listed->GetNodeType() != CFtpNode::NODE_LISTED) listed->ClearNode(&m_treeCtrl);
            listed->PumpListed(&m_treeCtrl, entries);
            listed->Show(m_treeCtrl, false);
            if (rebuild) listed->Expand(m_treeCtrl, ITreeCtrl::kExpand);
        }
        if (then) then(listed);
    });
}

void CFtpTreeDlg::ListJob(const std::string& guid, std::function<void(CFtpNode*, const CFtpPathList&)> apply) {
    const CFtpNode* node = FindNode(guid);
    if (node == nullptr) return;
    auto listing = std::make_shared<CJobOutcome>();
    const std::string folder = node->GetDoc();
    RunOnServer(
        Format("Listing %s ...", folder.c_str()),
        [listing, folder](Connection& connection) {
            listing->done = CFtpNode::ListLevel(
                &connection, folder, listing->paths, &listing->error,
                [listing](const velmora::CFtpDir& entry) { NoteListedDetails(listing->details, entry); });
        },
        [this, guid, listing, apply, folder] {
            if (!listing->done) {
                ShowServerFailure(listing->error);
                return;
            }
            m_listedDetails[folder] = std::move(listing->details);
            if (CFtpNode* listed = FindNode(guid)) apply(listed, listing->paths);
        });
}

// ---- Per-connection state ----

std::string CFtpTreeDlg::StateKey(const CFtpLoginInfo& info) {
    return info.GetStrGUID().empty() ? info.GetHostName() : info.GetStrGUID();
}

void CFtpTreeDlg::SaveState() {
    if (CFtpNode* root = m_sink.GetRoot()) m_states[StateKey(m_sink.GetLoginInfo())] = CaptureState(*root);
}

// The expanded folders below `top` (parents first) and the current folder.
CFtpTreeDlg::CBrowserState CFtpTreeDlg::CaptureState(CFtpNode& top) const {
    CBrowserState state;
    const std::function<void(CFtpNode&)> walk = [&](CFtpNode& node) {
        const QModelIndex index = IndexOf(&node);
        if (!index.isValid() || !m_pTree->isExpanded(index)) return;
        if (&node != &top) state.expanded.push_back(node.GetDoc());
        for (velmora::CObjNode* child : node.GetChildren()) {
            if (auto* folder = velmora::NodeCast<CFtpNode>(child)) walk(*folder);
        }
    };
    walk(top);
    if (const CFtpNode* current = m_sink.GetCurrent()) state.current = current->GetDoc();
    return state;
}

// Parents first, so that each folder is shown when its turn comes.
void CFtpTreeDlg::RestoreState(const CBrowserState& state) {
    for (const std::string& folder : state.expanded) RunWhenFree([this, folder] { ExpandFolder(folder); });
    const std::string current = state.current;
    RunWhenFree([this, current] { SelectFolder(current); });
}

void CFtpTreeDlg::ExpandFolder(const std::string& folder) {
    CFtpNode* root = m_sink.GetRoot();
    if (root != nullptr) m_pTree->expand(IndexOf(root->FindFtpDir(folder)));
}

void CFtpTreeDlg::SelectFolder(const std::string& folder) {
    CFtpNode* root = m_sink.GetRoot();
    const QModelIndex index = root != nullptr ? IndexOf(root->FindFtpDir(folder)) : QModelIndex();
    if (index.isValid()) m_pTree->setCurrentIndex(index);
}

// ---- Browsing ----

CFtpNode* CFtpTreeDlg::NodeOf(const QModelIndex& index) const {
    auto* node = static_cast<velmora::CMFCObjNode*>(m_treeCtrl.GetItemData(m_treeCtrl.ItemAt(index)));
    return dynamic_cast<CFtpNode*>(node);
}

QModelIndex CFtpTreeDlg::IndexOf(const CFtpNode* node) const {
    return node != nullptr ? m_treeCtrl.IndexOf(node->GetTreeItem()) : QModelIndex();
}

void CFtpTreeDlg::SyncCurrent() { SelectNode(NodeOf(m_pTree->currentIndex())); }

void CFtpTreeDlg::ExpandNode(CFtpNode* node) {
    if (node == nullptr || !node->IsCatalog() || node->GetNodeType() == CFtpNode::NODE_LISTED) return;
    ListFolder(node, [](CFtpNode*) {});
}

void CFtpTreeDlg::OnUp() {
    CFtpNode* node = m_sink.GetCurrent();
    if (node != nullptr && node->GetParent() != nullptr) m_pTree->setCurrentIndex(IndexOf(node->GetParent()));
}

void CFtpTreeDlg::SelectNode(CFtpNode* node) {
    if (node != nullptr && node->IsNodeDecoy()) node = node->GetParent();
    // A filter is for one folder's rows.
    if (node != m_sink.GetCurrent() && m_pFilter != nullptr) m_pFilter->clear();
    m_sink.SetCurrent(node);
    if (node != nullptr) m_pPathBar->ShowFolder(QString::fromStdString(node->GetDoc()));
    ShowFiles(node);
    AnnounceFolder(node);
    if (node == nullptr || !NeedsListing(*node)) return;
    ListFolder(node, [this](CFtpNode* listed) {
        if (listed != m_sink.GetCurrent()) return;
        ShowFiles(listed);
        AnnounceFolder(listed);
    });
}

namespace {

bool IsHiddenName(const std::string& name) { return name.starts_with('.'); }

}  // namespace

// The folder's sub-folders and files, as far as they are listed.
void CFtpTreeDlg::ShowFiles(CFtpNode* node) {
    CFtpPathList folders;
    CFtpPathList files;
    if (node != nullptr) {
        for (const velmora::CObjNode* base : node->GetChildren()) {
            const auto* child = velmora::NodeCast<const CFtpNode>(base);
            if (child != nullptr && child->IsCatalog() && !child->IsNodeDecoy() &&
                (m_bShowHidden || !IsHiddenName(child->GetPath().GetTailDir()))) {
                folders.Add(new CFtpPath(child->GetPath()));
            }
        }
        if (node->IsCacheLoaded()) {
            for (const CFtpPath* file : node->GetCache()) {
                if (m_bShowHidden || !IsHiddenName(file->GetFileName(true))) files.Add(new CFtpPath(*file));
            }
        }
    }
    m_pList->Fill(folders, files);
    const auto details = node != nullptr ? m_listedDetails.find(node->GetDoc()) : m_listedDetails.end();
    m_pList->ShowDetails(details != m_listedDetails.end() ? details->second : TListedDetails());
    emit FilesShown();
}

bool CFtpTreeDlg::HasFolder() const { return m_sink.GetCurrent() != nullptr; }

void CFtpTreeDlg::SetShowHidden(bool show) {
    if (show == m_bShowHidden) return;
    m_bShowHidden = show;
    ApplyHiddenToTree();
    ShowFiles(m_sink.GetCurrent());
}

// Below the top folder, whatever its own name.
void CFtpTreeDlg::ApplyHiddenToTree() {
    const std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        for (int row = 0; row < m_treeCtrl.rowCount(parent); ++row) {
            const QModelIndex child = m_treeCtrl.index(row, 0, parent);
            const bool hide = parent.isValid() && !m_bShowHidden && IsHiddenName(child.data().toString().toStdString());
            if (m_pTree->isRowHidden(row, parent) != hide) m_pTree->setRowHidden(row, parent, hide);
            walk(child);
        }
    };
    walk(QModelIndex());
}

void CFtpTreeDlg::Disconnect() {
    m_pendingConnect.reset();
    RunWhenFree([this] {
        SaveState();
        ClearTree();
        ShowFileList();
        LogOff();
    });
}

void CFtpTreeDlg::OpenListItem(const QModelIndex& index) {
    const CFtpPath* path = m_pList->PathOf(index);
    CFtpNode* current = m_sink.GetCurrent();
    if (path == nullptr || current == nullptr) return;
    if (!path->IsDirectory()) {
        if (m_sink.IsOnline()) m_pEditor->Open(m_sink.GetLoginInfo(), *path);
        return;
    }
    m_pTree->expand(IndexOf(current));
    const QModelIndex folder = IndexOf(current->FindFtpDir(*path));
    if (folder.isValid()) m_pTree->setCurrentIndex(folder);
}

// Message 19: the folder's path (none without a folder), the number of its
// entries (folders and files) and its name.
void CFtpTreeDlg::AnnounceFolder(CFtpNode* node) {
    velmora::CMsg msg(velmora::MSG_APP_PATH, node != nullptr ? m_pList->GetModel().rowCount() : 0,
                      node != nullptr ? node->GetName() : std::string(), 0);
    if (node != nullptr) msg.RefObject(&node->GetPath());
    velmora::CMsgBox::Box().Send(msg);
}

void CFtpTreeDlg::ShowError(const std::string& reason) {
    m_sink.ReportError(reason);
    m_context.prompter.ShowMessage(this, "Error", m_sink.GetState().error);
}

void CFtpTreeDlg::ShowNotice(const std::string& text) { m_context.prompter.ShowMessage(this, "Message", text); }

CFtpNode* CFtpTreeDlg::SelectedListFolder() {
    const CFtpPath* folder = m_pList->GetSelectedFolder();
    CFtpNode* current = m_sink.GetCurrent();
    return folder != nullptr && current != nullptr ? current->FindFtpDir(*folder) : nullptr;
}

// ---- Commands ----

void CFtpTreeDlg::ExecMenu(EPane pane, const QPoint& globalPos) {
    const bool folder = m_sink.GetCurrent() != nullptr;
    const bool items = pane == PANE_TREE ? folder : folder && m_pList->HasSelection();
    QMenu menu(this);
    auto add = [&menu](const QString& text, bool enabled, std::function<void()> command) {
        QAction* action = menu.addAction(text);
        action->setEnabled(enabled);
        QObject::connect(action, &QAction::triggered, std::move(command));
    };
    add(tr("Refresh"), folder, [this] { OnRefresh(); });
    add(tr("Download"), items, [this, pane] { OnDownload(pane); });
    add(tr("Upload"), folder, [this] { OnUpload(); });
    add(tr("Synchronise to server..."), folder, [this] { OnSynchronise(CSyncPair::eToServer); });
    add(tr("Synchronise from server..."), folder, [this] { OnSynchronise(CSyncPair::eFromServer); });
    add(tr("Delete"), items, [this, pane] { OnDelete(pane); });
    add(tr("Rename"), items, [this, pane] { OnRename(pane); });
    add(tr("New Folder"), folder, [this] { OnNewFolder(); });
    add(tr("Permissions..."), items, [this, pane] { OnPermissions(pane); });
    if (pane == PANE_LIST) {
        const bool files = !m_pList->GetSelectedPaths().IsEmpty();
        add(tr("View/Edit"), files, [this] { OnViewEdit(); });
        add(tr("Copy to another site..."), items, [this] { emit CopyToSiteRequested(); });
    }
    menu.exec(globalPos);
}

// The folders open below the current one are opened again afterwards.
void CFtpTreeDlg::OnRefresh() {
    CFtpNode* node = m_sink.GetCurrent();
    if (node == nullptr) return;
    const CBrowserState state = CaptureState(*node);
    RelistFolder(node->GetStrGUID(), true);
    RestoreState(state);
}

CFtpPathList CFtpTreeDlg::SelectedForDownload(EPane pane) const {
    CFtpPathList items = pane == PANE_LIST ? m_pList->GetSelectedPaths(true) : CFtpPathList();
    const CFtpNode* node = m_sink.GetCurrent();
    if (items.IsEmpty() && node != nullptr) {
        items.Add(new CFtpPath(node->GetDoc(), velmora::PATH_FOLDER));
        items.GetTail()->AddAttr(velmora::platform::FileAttrDirectory);
    }
    return items;
}

void CFtpTreeDlg::OnDownload(EPane pane) {
    if (m_sink.GetCurrent() == nullptr || (pane == PANE_LIST && !m_pList->HasSelection())) return;
    const CFtpPathList items = SelectedForDownload(pane);
    std::string folder = LocalStartFolder();
    if (!m_context.prompter.PickFolder(this, kFolderPickerTitle, folder)) return;
    DownloadItems(items, folder);
}

bool CFtpTreeDlg::DownloadItems(const CFtpPathList& items, const std::string& localFolder) {
    if (items.IsEmpty() || !m_sink.IsOnline()) return false;
    // What the listing says of the files, for the question about files
    // that exist here already.
    if (CFtpNode* node = m_sink.GetCurrent()) RememberNames(*node);
    const CFtpLoginInfo info = m_sink.GetLoginInfo();
    const CFtpPath destination(localFolder, velmora::PATH_FOLDER);
    StartTransfer([&](velmora::CMoverAPI& api) { RecordDownload(api, info, items, destination); });
    return true;
}

void CFtpTreeDlg::RecordDownload(velmora::CMoverAPI& api, const CFtpLoginInfo& info, const CFtpPathList& items,
                                 const CFtpPath& destination) {
    const CFtpPath& first = *items.GetHead();
    if (items.GetCount() == 1 && first.IsDirectory()) {
        api.DownloadFolderA(info, first, destination);
        return;
    }
    // The listing may be older than the files: their sizes are asked anew.
    // Folders among them are fetched whole.
    CFtpPathList list(items);
    for (CFtpPath* item : list) {
        if (!item->IsDirectory()) item->Length(uint64_t{0});
    }
    api.DownloadFilesA(info, list, destination);
}

std::string CFtpTreeDlg::LocalStartFolder() const {
    return m_localFolder ? m_localFolder() : QDir::homePath().toStdString();
}

void CFtpTreeDlg::OnUpload() {
    CFtpNode* node = m_sink.GetCurrent();
    if (node == nullptr) return;
    std::vector<std::string> picked{LocalStartFolder()};
    if (!m_context.prompter.PickUploadPaths(this, kFolderPickerTitle, picked) || picked.empty()) return;
    // Taken as a drop of the picked files or folder.
    CDropItem item;
    for (const std::string& path : picked) {
        item.GetPaths().Add(new CFtpPath(path));
        item.GetPaths().GetTail()->ReadStatus();
    }
    UploadDropped(item, node);
}

// In the list, the files selected or else the folder row selected.
void CFtpTreeDlg::OnDelete(EPane pane) {
    CFtpNode* node = m_sink.GetCurrent();
    if (node == nullptr) return;
    const CFtpPathList files = pane == PANE_LIST ? m_pList->GetSelectedPaths() : CFtpPathList();
    if (pane == PANE_LIST && files.IsEmpty()) {
        node = SelectedListFolder();
        if (node == nullptr) return;
    }
    if (!m_context.prompter.AskYesNo(this, "Confirmation", DeleteQuestion(node, files))) return;
    if (!files.IsEmpty()) {
        DeleteFiles(node, files);
        return;
    }
    if (node->GetParent() == nullptr) {
        ShowError("The start folder of the connection is not deleted");
        return;
    }
    // Listed first: a folder that holds something is asked about again.
    ListFolder(node, [this](CFtpNode* folder) {
        if (IsEmptyFolder(*folder) || m_context.prompter.AskYesNo(this, "Confirmation", NotEmptyQuestion(*folder))) {
            DeleteFolderNode(folder);
        }
    });
}

void CFtpTreeDlg::DeleteFolderNode(CFtpNode* node) {
    const std::string guid = node->GetStrGUID();
    const CFtpPath folder = node->GetPath();
    RunChange(
        Format("Deleting %s ...", node->GetDoc().c_str()),
        FolderChange([folder](velmora::CFtpRemoteFolder& service) { return service.Delete(folder); }),
        [this, guid] {
            CFtpNode* deleted = FindNode(guid);
            if (deleted == nullptr) return;
            CTreeChange change(*this);
            // The parent becomes current.
            if (m_sink.GetCurrent() == deleted) deleted->GetParent()->Select(m_treeCtrl);
            deleted->Delete(m_treeCtrl);
        });
}

void CFtpTreeDlg::DeleteFiles(CFtpNode* node, const CFtpPathList& files) {
    const std::string guid = node->GetStrGUID();
    auto outcome = std::make_shared<CJobOutcome>();
    outcome->paths = files;
    RunOnServer(
        Format("Deleting in %s ...", node->GetDoc().c_str()),
        [outcome](Connection& connection) {
            velmora::CFtpRemoteFolder service(&connection);
            outcome->done = service.DeleteFiles(outcome->paths);
            outcome->error = service.GetLastError();
        },
        [this, guid, files, outcome] {
            if (CFtpNode* folder = FindNode(guid)) {
                // The list keeps what was not deleted.
                for (const CFtpPath* file : files) {
                    if (outcome->paths.Find(*file) == nullptr) folder->RemoveFromCache(*file);
                }
                if (folder == m_sink.GetCurrent()) {
                    ShowFiles(folder);
                    AnnounceFolder(folder);
                }
            }
            if (!outcome->done) ShowServerFailure(outcome->error);
        });
}

void CFtpTreeDlg::OnRename(EPane pane) {
    CFtpNode* node = m_sink.GetCurrent();
    if (node == nullptr) return;
    if (pane == PANE_TREE) {
        RenameFolder(node);
        return;
    }
    const CFtpPathList files = m_pList->GetSelectedPaths();
    if (!files.IsEmpty()) {
        RenameFile(node, *files.GetHead());
    } else if (CFtpNode* folder = SelectedListFolder()) {
        RenameFolder(folder);
    }
}

void CFtpTreeDlg::RenameFolder(CFtpNode* node) {
    std::string name = node->GetName();
    if (!m_context.prompter.AskName(this, name) || name == node->GetName()) return;
    if (!velmora::CFtpDir::IsSafeName(name)) {
        ShowError(Format("Invalid folder name: '%s'", name.c_str()));
        return;
    }
    const CFtpPath renamed = node->RenamedPath(name);
    if (renamed.GetFtpPath().empty()) return;
    const std::string guid = node->GetStrGUID();
    const CFtpPath folder = node->GetPath();
    RunChange(
        Format("Renaming %s ...", node->GetDoc().c_str()),
        FolderChange([folder, renamed](velmora::CFtpRemoteFolder& service) { return service.Rename(folder, renamed); }),
        [this, guid, renamed] {
            CFtpNode* moved = FindNode(guid);
            if (moved == nullptr) return;
            CTreeChange change(*this);
            moved->Renamed(&m_treeCtrl, renamed);
        });
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
    if (node->GetCache().FindByFileName(renamed) != nullptr) {
        ShowError(Format("A file named '%s' is already in this folder", name.c_str()));
        return;
    }
    const std::string guid = node->GetStrGUID();
    RunChange(
        Format("Renaming %s ...", file.GetFtpPath().c_str()),
        ServerRename(file.GetFtpPath(), renamed.GetFtpPath()),
        [this, guid, file, name] {
            CFtpNode* folder = FindNode(guid);
            if (folder == nullptr) return;
            if (CFtpPath* cached = folder->GetCache().Find(file)) cached->SetFileNameAndExt(name);
            if (folder != m_sink.GetCurrent()) return;
            ShowFiles(folder);
            m_pList->SelectByName({name});
        });
}

// Listed first, so that the name offered is free.
void CFtpTreeDlg::OnNewFolder() {
    ListFolder(m_sink.GetCurrent(), [this](CFtpNode* node) { AddFolder(node); });
}

void CFtpTreeDlg::AddFolder(CFtpNode* node) {
    std::string name = "New Folder";
    node->UniqueChildName(name);
    if (!m_context.prompter.AskName(this, name)) return;
    if (!velmora::CFtpDir::IsSafeName(name)) {
        ShowError(Format("Invalid folder name: '%s'", name.c_str()));
        return;
    }
    const std::string guid = node->GetStrGUID();
    const CFtpPath folder(node->GetDoc() + name, velmora::PATH_FOLDER);
    RunChange(
        Format("Creating %s ...", folder.GetFtpDir(true).c_str()),
        FolderChange([folder](velmora::CFtpRemoteFolder& service) { return service.Create(folder); }),
        [this, guid, folder] {
            CFtpNode* parent = FindNode(guid);
            if (parent == nullptr) return;
            CTreeChange change(*this);
            parent->AddedDirectory(&m_treeCtrl, folder);
            parent->Expand(m_treeCtrl, ITreeCtrl::kExpand);
        });
}

void CFtpTreeDlg::OnViewEdit() {
    const CFtpPathList files = m_pList->GetSelectedPaths();
    if (files.IsEmpty() || !m_sink.IsOnline()) return;
    m_pEditor->Open(m_sink.GetLoginInfo(), *files.GetHead());
}

// ---- Permissions ----

std::optional<uint32_t> CFtpTreeDlg::ListedMode(const std::string& parent, const std::string& name) const {
    const auto folder = m_listedDetails.find(parent);
    if (folder == m_listedDetails.end()) return std::nullopt;
    const auto entry = folder->second.find(name);
    return entry != folder->second.end() ? ParseModeText(entry->second.permissions) : std::nullopt;
}

void CFtpTreeDlg::OnPermissions(EPane pane) {
    CFtpNode* node = m_sink.GetCurrent();
    if (node == nullptr || (pane == PANE_LIST && m_pList->GetSelectedPaths(true).IsEmpty())) return;
    // The list's selection, or the tree's current folder.
    const CFtpPathList entries = SelectedForDownload(pane);
    const CFtpPath& first = *entries.GetHead();
    const std::string firstName = first.IsDirectory() ? first.GetTailDir() : first.GetFileName(true);
    CPermissionsChoice choice;
    choice.subject = entries.GetCount() == 1 ? "'" + firstName + "'" : Format("%d entries", entries.GetCount());
    for (const CFtpPath* entry : entries) choice.offerRecursion = choice.offerRecursion || entry->IsDirectory();
    const std::string parent =
        pane == PANE_LIST ? node->GetDoc() : node->GetParent() != nullptr ? node->GetParent()->GetDoc() : "";
    choice.mode = ListedMode(parent, firstName).value_or(first.IsDirectory() ? 0755 : 0644);
    if (!m_context.prompter.AskPermissions(this, choice)) return;

    const std::string guid = node->GetStrGUID();
    auto outcome = std::make_shared<CPermissionsOutcome>();
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    m_pJobCancel = cancel;
    RunOnServer(
        Format("Changing permissions to %s ...", FormatMode(choice.mode).c_str()),
        [entries, choice, outcome, cancel](Connection& connection) {
            *outcome = ApplyPermissions(connection, entries, choice, *cancel);
        },
        [this, guid, outcome] {
            m_pJobCancel.reset();
            // The listing shows the permissions as they are now.
            if (FindNode(guid) != nullptr) RelistFolder(guid, false);
            if (outcome->failures.empty()) return;
            constexpr size_t kNamed = 20;
            std::string text = Format("The server refused %zu of %zu changes of permissions:\n", outcome->failures.size(),
                                      outcome->failures.size() + static_cast<size_t>(outcome->changed));
            for (size_t line = 0; line < outcome->failures.size() && line < kNamed; ++line) {
                text += "\n" + outcome->failures[line];
            }
            if (outcome->failures.size() > kNamed) text += Format("\n... and %zu more", outcome->failures.size() - kNamed);
            m_context.prompter.ShowError(this, "Permissions", text);
        });
}

}  // namespace parcelo
