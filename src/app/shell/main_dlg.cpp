#include "app/shell/main_dlg.h"

#include <algorithm>

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMenu>
#include <QMessageBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/common/app_settings.h"
#include "app/common/dialog_parent.h"
#include "app/common/window_thread.h"
#include "app/connections/ftp_connection_prop_dlg.h"
#include "app/connections/ftp_connections_dlg.h"
#include "app/connections/login_password.h"
#include "app/connections/quick_connect_bar.h"
#include "app/connections/site_manager_dlg.h"
#include "app/panes/file_list_ctrl.h"
#include "app/panes/find_dlg.h"
#include "app/panes/ftp_sink.h"
#include "app/panes/folder_comparison.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/panes/local_pane.h"
#include "app/panes/session_security_label.h"
#include "app/panes/sync_browsing.h"
#include "app/shell/settings_dlg.h"
#include "app/shell/wait_dlg.h"
#include "app/shell/window_state.h"
#include "app/transfers/existing_targets.h"
#include "app/transfers/log_pane.h"
#include "app/transfers/partial_uploads.h"
#include "app/transfers/progress_bar_dlg.h"
#include "app/transfers/prompter.h"
#include "app/transfers/transfer_queue.h"
#include "app/transfers/transfer_queue_pane.h"
#include "app/transfers/transfer_settings.h"
#include "app/transfers/transfer_status_line.h"
#include "base/format.h"
#include "base/size_format.h"
#include "messaging/msg.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"

namespace parcelo {

using velmora::CMsg;

CMainDlg::CMainDlg(CAppContext& context, QWidget* parent)
    : QMainWindow(parent),
      m_context(context),
      m_store(context.settings.GetCurProject()),
      m_pBrowser(new CFtpTreeDlg(context)),
      m_pLocal(new CLocalPane(context, *m_pBrowser)),
      m_pQuickConnect(new CQuickConnectBar(context.settings, this)),
      m_pSiteManager(new CSiteManagerDlg(m_store.GetList(), context.settings, context.prompter, this)),
      m_pProgress(new CProgressBarDlg(context.settings)),
      m_pWait(new CWaitDlg(context.settings.GetAnimationFile(), this)),
      m_pLog(new CLogPane),
      m_pQueue(new CTransferQueuePane(context.queue)),
      m_pPartials(new CPartialUploads(context.queue, context.prompter, this, this)),
      m_pBottomTabs(new QTabWidget),
      m_pDock(new QDockWidget(tr("Queue and log"), this)),
      m_pStatusLine(new CTransferStatusLine(context.queue)),
      m_pSyncBrowsing(new CSyncBrowsing(*m_pLocal, *m_pBrowser, context.sink, this)) {
    setObjectName("mainWindow");
    setWindowTitle(CAppSettings::kProduct);
    addToolBar(Qt::TopToolBarArea, m_pQuickConnect);

    // The two panes side by side, each a folder tree above its file list.
    auto* panes = new QSplitter(Qt::Horizontal);
    panes->setObjectName("panes");
    panes->setChildrenCollapsible(false);
    panes->addWidget(m_pLocal);
    panes->addWidget(m_pBrowser);
    panes->setStretchFactor(0, 1);
    panes->setStretchFactor(1, 1);
    setCentralWidget(panes);

    // The queue (with the running transfer's progress under it) and the log,
    // as tabs docked below.
    auto* queuePage = new QWidget;
    auto* queueLayout = new QVBoxLayout(queuePage);
    queueLayout->setContentsMargins(0, 0, 0, 0);
    queueLayout->addWidget(m_pQueue, 1);
    m_pProgress->setWindowFlags(Qt::Widget);
    m_pProgress->hide();
    queueLayout->addWidget(m_pProgress);
    m_pBottomTabs->setObjectName("bottomTabs");
    m_pBottomTabs->addTab(queuePage, tr("Queue"));
    m_pBottomTabs->addTab(m_pLog, tr("Log"));
    m_pDock->setObjectName("queueDock");
    m_pDock->setWidget(m_pBottomTabs);
    m_pDock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    addDockWidget(Qt::BottomDockWidgetArea, m_pDock);
    statusBar()->addWidget(m_pStatusLine, 1);
    m_pComparison = new CFolderComparison(*m_pLocal, *m_pBrowser, this);
    statusBar()->addPermanentWidget(m_pComparison->GetLegend());
    m_pSpeedLimit = new QLabel;
    m_pSpeedLimit->setObjectName("speedLimit");
    statusBar()->addPermanentWidget(m_pSpeedLimit);
    ShowSpeedLimit();
    statusBar()->addPermanentWidget(m_pBrowser->GetSecurityLabel());
    BuildMenus();
    resize(1100, 720);

    connect(&context.queue, &CTransferQueue::WaitingCountChanged, m_pProgress, &CProgressBarDlg::SetWaitingCount);
    connect(&context.queue, &CTransferQueue::JobEnded, m_pProgress, &CProgressBarDlg::ShowOutcome);
    // A download lands in the local pane's folder as it is listed now.
    connect(&context.queue, &CTransferQueue::EntryEnded, m_pLocal, &CLocalPane::Refresh);

    m_pWait->setWindowTitle(CAppSettings::kProduct);
    m_pWait->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    m_pWait->setMinimumSize(240, 120);
    connect(m_pWait, &CWaitDlg::CancelRequested, m_pBrowser, &CFtpTreeDlg::CancelWait);
    CFtpConnectionsDlg& sites = GetConnections();
    connect(&sites, &CFtpConnectionsDlg::ConnectionsChanged, this, [this] { m_store.Save(); });
    connect(&sites, &CFtpConnectionsDlg::ConnectionEdited, this, [this] { m_store.SaveSoon(); });
    connect(m_pBrowser, &CFtpTreeDlg::CertificateTrusted, &sites, &CFtpConnectionsDlg::TrustCertificate);
    connect(m_pBrowser, &CFtpTreeDlg::LoginPasswordReady, &sites, &CFtpConnectionsDlg::KeepPassword);
    connect(m_pQuickConnect, &CQuickConnectBar::ConnectRequested, m_pBrowser, &CFtpTreeDlg::QueueConnect);
    connect(m_pBrowser, &CFtpTreeDlg::ConnectFinished, this, &CMainDlg::OnConnected);
    connect(m_pBrowser, &CFtpTreeDlg::CopyToSiteRequested, this, &CMainDlg::OnCopyToSite);
    m_pBrowser->SetLocalFolder([this] { return m_pLocal->GetFolder(); });
    sites.GetProperties()->SetLocalFolder([this] { return m_pLocal->GetFolder(); });
    // A transfer brought back after a restart gets its password as a login
    // from this window does.
    context.queue.SetLoginReady([this](velmora::CFtpLoginInfo& login) {
        const ELoginPassword how = ReadyLoginPassword(login, m_context.prompter, this);
        if (how == ELoginPassword::Cancelled) return false;
        if (how != ELoginPassword::AsItWas) GetConnections().KeepPassword(login, how);
        return true;
    });
    SetShowHidden(context.settings.GetShowHidden());
    SetMainWindow(this);
    velmora::CMsgBox::Box().Subscribe(kListenerName, this);
}

CMainDlg::~CMainDlg() {
    velmora::CMsgBox::Box().Unsubscribe(this);
    m_context.queue.SetLoginReady({});
    // Open at the end of the program: no hide comes.
    if (isVisible()) SaveState();
    m_lastFolders.Save();
    m_store.Save();
}

CFtpConnectionsDlg& CMainDlg::GetConnections() const { return m_pSiteManager->GetSites(); }

QAction* CMainDlg::AddAction(QMenu* menu, const QString& text, const char* name, const QKeySequence& key,
                             std::function<void()> command) {
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    action->setShortcut(key);
    if (command) connect(action, &QAction::triggered, this, std::move(command));
    menu->addAction(action);
    // Its key works wherever the focus is in the window.
    addAction(action);
    return action;
}

// Keys that the panes take themselves (F2, Delete, Backspace act on the
// pane with the focus) are shown in the menus' texts, not bound twice.
void CMainDlg::BuildMenus() {
    const auto pane = [this] {
        return m_pBrowser->GetList()->hasFocus() ? CFtpTreeDlg::PANE_LIST : CFtpTreeDlg::PANE_TREE;
    };
    QMenu* file = menuBar()->addMenu(tr("&File"));
    AddAction(file, tr("&Site Manager..."), "siteManager", QKeySequence(Qt::CTRL | Qt::Key_S),
              [this] { OpenSiteManager(); });
    AddAction(file, tr("&Quick connect"), "quickConnect", QKeySequence(Qt::CTRL | Qt::Key_L), [this] {
        m_pQuickConnect->GetHostEdit()->setFocus();
        m_pQuickConnect->GetHostEdit()->selectAll();
    });
    AddAction(file, tr("&Reconnect"), "reconnect", QKeySequence(Qt::CTRL | Qt::Key_R),
              [this] { m_pBrowser->OnReconnect(); });
    file->addSeparator();
    AddAction(file, tr("&Close window"), "closeWindow", QKeySequence(Qt::CTRL | Qt::Key_W), [this] { close(); });
    AddAction(file, tr("E&xit"), "exit", QKeySequence(Qt::CTRL | Qt::Key_Q), [this] {
        if (parentWidget() != nullptr) {
            emit ExitRequested();
        } else {
            close();
        }
    });

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    AddAction(edit, tr("&Settings..."), "settings", QKeySequence(Qt::CTRL | Qt::Key_Comma), [this] { OpenSettings(); });

    QMenu* view = menuBar()->addMenu(tr("&View"));
    AddAction(view, tr("&Refresh"), "refresh", QKeySequence(Qt::Key_F5), [this] { OnRefresh(); });
    QAction* hidden = AddAction(view, tr("Show &hidden files"), "showHidden", QKeySequence(Qt::CTRL | Qt::Key_H), {});
    hidden->setCheckable(true);
    connect(hidden, &QAction::toggled, this, [this](bool show) {
        m_context.settings.SetShowHidden(show);
        SetShowHidden(show);
    });
    QAction* compare = AddAction(view, tr("&Compare folders"), "compareFolders", QKeySequence(Qt::CTRL | Qt::Key_K), {});
    compare->setCheckable(true);
    connect(compare, &QAction::toggled, m_pComparison, &CFolderComparison::SetEnabled);
    QAction* dock = m_pDock->toggleViewAction();
    dock->setObjectName("showQueue");
    dock->setText(tr("&Queue and log"));
    view->addAction(dock);

    QMenu* bookmarks = menuBar()->addMenu(tr("&Bookmarks"));
    bookmarks->setObjectName("bookmarksMenu");
    AddAction(bookmarks, tr("&Add bookmark..."), "addBookmark", QKeySequence(Qt::CTRL | Qt::Key_B), [this] { AddBookmark(); });
    QAction* inStep = AddAction(bookmarks, tr("&Synchronised browsing"), "syncBrowsing", QKeySequence(Qt::CTRL | Qt::Key_Y), {});
    inStep->setCheckable(true);
    connect(inStep, &QAction::toggled, this, &CMainDlg::SetSyncBrowsing);
    bookmarks->addSeparator();
    connect(bookmarks, &QMenu::aboutToShow, this, [this, bookmarks] { FillBookmarks(*bookmarks); });

    QMenu* transfer = menuBar()->addMenu(tr("&Transfer"));
    AddAction(transfer, tr("&Upload"), "upload", QKeySequence(Qt::CTRL | Qt::Key_U), [this] { m_pLocal->OnUpload(); });
    AddAction(transfer, tr("&Download"), "download", QKeySequence(Qt::CTRL | Qt::Key_D),
              [this] { m_pLocal->OnDownload(); });
    AddAction(transfer, tr("S&ynchronise to server..."), "synchronise", {},
              [this] { m_pBrowser->OnSynchronise(CSyncPair::eToServer); });
    AddAction(transfer, tr("Synchronise &from server..."), "synchroniseFromServer", {},
              [this] { m_pBrowser->OnSynchronise(CSyncPair::eFromServer); });
    AddAction(transfer, tr("&Copy to another site..."), "copyToSite", {}, [this] { OnCopyToSite(); });
    AddAction(transfer, tr("Speed &limit..."), "speedLimit", {}, [this] { OnSpeedLimit(); });
    transfer->addSeparator();
    AddAction(transfer, tr("&Start queued transfers"), "startAll", {}, [this] { m_context.queue.StartAll(); });
    AddAction(transfer, tr("S&top"), "stop", QKeySequence(Qt::CTRL | Qt::Key_Period),
              [this] { m_context.queue.CancelRunning(); });
    AddAction(transfer, tr("Stop &all"), "stopAll", {}, [this] { m_context.queue.CancelAll(); });

    QMenu* server = menuBar()->addMenu(tr("&Server"));
    // F7 makes the folder in the pane whose list has the focus.
    AddAction(server, tr("&New folder...\tF7"), "newFolder", QKeySequence(Qt::Key_F7), [this] {
        if (m_pLocal->GetView()->hasFocus()) {
            m_pLocal->OnNewFolder();
        } else {
            m_pBrowser->OnNewFolder();
        }
    });
    AddAction(server, tr("&Rename...\tF2"), "rename", {}, [this, pane] { m_pBrowser->OnRename(pane()); });
    AddAction(server, tr("&Delete\tDel"), "delete", {}, [this, pane] { m_pBrowser->OnDelete(pane()); });
    AddAction(server, tr("&Permissions..."), "permissions", {}, [this, pane] { m_pBrowser->OnPermissions(pane()); });
    AddAction(server, tr("&Up one folder\tBackspace"), "up", {}, [this] { m_pBrowser->OnUp(); });
    AddAction(server, tr("&Find on server..."), "findOnServer", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F),
              [this] { OpenFind(); });
    server->addSeparator();
    AddAction(server, tr("Dis&connect"), "disconnect", {}, [this] { m_pBrowser->Disconnect(); });

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    AddAction(help, tr("&About Parcelo"), "about", {}, [this] {
        QMessageBox::about(this, tr("About Parcelo"), QString::fromStdString(CAppSettings::GetAboutText()));
    });
}

QAction* CMainDlg::GetAction(const char* name) const { return findChild<QAction*>(name); }

void CMainDlg::Initialize() {
    if (!m_store.Load()) m_context.prompter.ShowError(this, "Error", m_store.GetLoadError());
    GetConnections().Populate();
    CWindowState::RestoreSplitters(*this, kStateName);
    const std::string selected = m_context.settings.GetSelConnection();
    if (selected.empty() || !GetConnections().SelectConnection(selected)) return;
    m_pBrowser->ShowConnection(*GetConnections().GetSelected());
}

void CMainDlg::OpenSiteManager() {
    m_pSiteManager->show();
    m_pSiteManager->raise();
    m_pSiteManager->activateWindow();
}

CFindDlg& CMainDlg::OpenFind() {
    if (m_pFind == nullptr) m_pFind = new CFindDlg(*m_pBrowser, this);
    if (const velmora::CFtpNode* folder = m_context.sink.GetCurrent(); folder != nullptr && !m_pFind->IsSearching()) {
        m_pFind->SetFolder(folder->GetDoc());
    }
    m_pFind->show();
    m_pFind->raise();
    m_pFind->activateWindow();
    return *m_pFind;
}

CSettingsDlg& CMainDlg::OpenSettings() {
    if (m_pSettings == nullptr) {
        m_pSettings = new CSettingsDlg(m_context.settings, this);
        connect(m_pSettings, &CSettingsDlg::ShowHiddenChanged, this, &CMainDlg::SetShowHidden);
        connect(m_pSettings, &CSettingsDlg::TransferSettingsChanged, this, &CMainDlg::ShowSpeedLimit);
    }
    m_pSettings->ShowSettings();
    m_pSettings->show();
    m_pSettings->raise();
    m_pSettings->activateWindow();
    return *m_pSettings;
}

velmora::CFtpLoginInfo* CMainDlg::ConnectedSite() {
    if (!m_context.sink.IsOnline()) return nullptr;
    return m_store.GetList().FindByGUID(m_context.sink.GetLoginInfo().GetStrGUID());
}

void CMainDlg::SiteChanged() {
    m_store.Save();
    GetConnections().ShowSelected();
}

bool CMainDlg::AddBookmark() {
    velmora::CFtpLoginInfo* site = ConnectedSite();
    const velmora::CFtpNode* folder = m_context.sink.GetCurrent();
    if (site == nullptr || folder == nullptr) {
        m_context.prompter.ShowMessage(this, "Bookmarks",
                                       "Bookmarks belong to a site of the Site Manager: connect to one first.");
        return false;
    }
    velmora::CSiteBookmark bookmark{QDir(QString::fromStdString(m_pLocal->GetFolder())).dirName().toStdString(),
                                    m_pLocal->GetFolder(), folder->GetDoc()};
    if (!m_context.prompter.AskName(this, bookmark.name)) return false;
    std::vector<velmora::CSiteBookmark> all = site->GetBookmarks();
    all.push_back(std::move(bookmark));
    site->SetBookmarks(std::move(all));
    SiteChanged();
    return true;
}

void CMainDlg::GoToBookmark(const velmora::CSiteBookmark& bookmark) {
    if (m_pSyncBrowsing->IsEnabled()) {
        m_pSyncBrowsing->Start(bookmark.local, bookmark.remote);
        return;
    }
    m_pLocal->SetFolder(bookmark.local);
    m_pBrowser->OpenFolder(bookmark.remote);
}

void CMainDlg::SetSyncBrowsing(bool on) {
    m_pSyncBrowsing->SetEnabled(on);
    if (velmora::CFtpLoginInfo* site = ConnectedSite(); site != nullptr && site->IsSyncBrowsing() != on) {
        site->SetSyncBrowsing(on);
        SiteChanged();
    }
}

void CMainDlg::FillBookmarks(QMenu& menu) {
    for (QAction* entry : menu.findChildren<QAction*>("bookmark")) delete entry;
    const velmora::CFtpLoginInfo* site = ConnectedSite();
    if (site == nullptr) return;
    for (const velmora::CSiteBookmark& bookmark : site->GetBookmarks()) {
        auto* entry = new QAction(QString::fromStdString(bookmark.name), &menu);
        entry->setObjectName("bookmark");
        entry->setToolTip(QString::fromStdString(bookmark.local + "  \u2194  " + bookmark.remote));
        connect(entry, &QAction::triggered, this, [this, bookmark] { GoToBookmark(bookmark); });
        menu.addAction(entry);
    }
}

bool CMainDlg::OnCopyToSite() {
    constexpr const char* kTitle = "Copy to another site";
    // Folders go whole, with everything in them.
    const velmora::CFtpPathList files = m_pBrowser->GetList()->GetSelectedPaths(true);
    velmora::CFtpLoginInfoList& sites = m_store.GetList();
    if (!m_context.sink.IsOnline() || files.IsEmpty() || sites.IsEmpty()) {
        m_context.prompter.ShowMessage(this, kTitle,
                                       "Select files or folders in the server list first, and keep the site they go "
                                       "to in the Site Manager.");
        return false;
    }
    std::vector<std::string> names;
    std::vector<const velmora::CFtpLoginInfo*> listed;
    for (const velmora::CFtpLoginInfo* site : sites) {
        names.push_back(site->GetHostName());
        listed.push_back(site);
    }
    int chosen = -1;
    const std::string question = files.GetCount() == 1
                                     ? "The site that '" + files.GetHead()->GetFileName(true) + "' goes to:"
                                     : velmora::Format("The site that %d items go to:", files.GetCount());
    if (!m_context.prompter.PickItem(this, kTitle, question, names, chosen)) return false;
    velmora::CFtpLoginInfo target = *listed[static_cast<size_t>(chosen)];
    std::string folder = target.GetRemotePath();
    if (!m_context.prompter.AskText(this, kTitle, "The folder on " + target.GetHostName() + " they go into:", folder) ||
        folder.empty()) {
        return false;
    }
    const ELoginPassword how = ReadyLoginPassword(target, m_context.prompter, this);
    if (how == ELoginPassword::Cancelled) return false;
    if (how != ELoginPassword::AsItWas) GetConnections().KeepPassword(target, how);
    target.SetFtpPath(velmora::CFtpPath(folder, velmora::PATH_FOLDER));
    auto thread = std::make_unique<CTransferThread>();
    thread->GetApi().CopyFtpToFtpA(files, m_context.sink.GetLoginInfo(), target);
    return m_context.queue.Submit(std::move(thread)) != 0;
}

void CMainDlg::OnSpeedLimit() {
    CTransferSettings settings = m_context.settings.GetTransferSettings();
    if (!m_context.prompter.AskSpeedLimit(this, settings.rateLimit)) return;
    m_context.settings.SetTransferSettings(settings);
    ApplyTransferSettings(settings);
    ShowSpeedLimit();
    if (m_pSettings != nullptr) m_pSettings->ShowSettings();
}

// The status bar says that transfers are held back, and by how much.
void CMainDlg::ShowSpeedLimit() {
    const uint64_t limit = m_context.settings.GetTransferSettings().rateLimit;
    m_pSpeedLimit->setVisible(limit > 0);
    m_pSpeedLimit->setText(limit > 0 ? tr("Limit: %1/s").arg(QString::fromStdString(velmora::FormatSize(limit)))
                                     : QString());
}

void CMainDlg::SetShowHidden(bool show) {
    m_pLocal->SetShowHidden(show);
    m_pBrowser->SetShowHidden(show);
    if (QAction* action = GetAction("showHidden"); action != nullptr && action->isChecked() != show) {
        const QSignalBlocker quiet(action);
        action->setChecked(show);
    }
}

void CMainDlg::OnRefresh() {
    m_pLocal->Refresh();
    m_pBrowser->OnRefresh();
}

// A site opens beside the local folder it names, and at the server folder
// it showed last time.
// A site that browses in step starts from its start folders.
void CMainDlg::OnConnected(bool connected) {
    const velmora::CFtpLoginInfo* site = connected ? ConnectedSite() : nullptr;
    const bool inStep = site != nullptr && site->IsSyncBrowsing() && !site->GetLocalPath().empty();
    {
        const QSignalBlocker quiet(GetAction("syncBrowsing"));
        GetAction("syncBrowsing")->setChecked(inStep);
    }
    m_pSyncBrowsing->SetEnabled(false);
    if (!connected) return;
    const velmora::CFtpLoginInfo& info = m_context.sink.GetLoginInfo();
    if (inStep) {
        m_pSyncBrowsing->Start(site->GetLocalPath(), site->GetRemotePath());
        return;
    }
    if (!info.GetLocalPath().empty()) m_pLocal->SetFolder(info.GetLocalPath());
    const std::string folder = CLastFolders::Read(info.GetHostName());
    if (!folder.empty()) m_pBrowser->OpenFolder(folder);
}

void CMainDlg::OnMsg(CMsg& msg) {
    switch (msg.Cmd()) {
        case velmora::MSG_APP_PATH:
            // Its path is the sender's own object, valid only during the call:
            // it comes from the browser, on this thread.
            if (IsWindowThread(this)) HandleMsg(msg);
            break;
        case velmora::MSG_RUN_START:
        case velmora::MSG_RUN_END:
        case velmora::MSG_WAIT:
        case velmora::MSG_APP_CONNECTION_NAME:
            HandleOnWindowThread(this, msg, [this](CMsg& heard) { HandleMsg(heard); });
            break;
        default:
            break;
    }
}

void CMainDlg::HandleMsg(CMsg& msg) {
    switch (msg.Cmd()) {
        case velmora::MSG_RUN_START:
            m_bRunning = true;
            m_pProgress->show();
            break;
        case velmora::MSG_RUN_END:
            m_bRunning = false;
            break;
        case velmora::MSG_WAIT:
            if (msg.Argc() == 1) {
                ShowWait(msg.StrArgv());
            } else {
                m_pWait->HideWait();
                if (m_pWaitAnchor) m_pWaitAnchor->removeEventFilter(this);
                m_pWaitAnchor = nullptr;
            }
            break;
        case velmora::MSG_APP_PATH:
            if (const auto* path = dynamic_cast<const velmora::CFtpPath*>(msg.RefObject())) {
                m_context.settings.SetSelNode(path->GetFtpDir(true));
                m_lastFolders.Remember(m_context.sink.GetLoginInfo().GetHostName(), path->GetFtpDir(true));
            }
            UpdateTitle(msg);
            break;
        case velmora::MSG_APP_CONNECTION_NAME:
            if (const auto* info = dynamic_cast<const velmora::CFtpLoginInfo*>(msg.Object())) {
                GetConnections().UpdateName(*info);
            }
            break;
        default:
            break;
    }
}

// Over this window when it shows, else over the tray; it moves with it.
void CMainDlg::ShowWait(const std::string& text) {
    QWidget* anchor = isVisible() ? this : parentWidget();
    if (m_pWaitAnchor != anchor) {
        if (m_pWaitAnchor) m_pWaitAnchor->removeEventFilter(this);
        m_pWaitAnchor = anchor;
        if (anchor != nullptr) anchor->installEventFilter(this);
    }
    m_pWait->ShowWait(text);
    m_pWait->adjustSize();
    PlaceWait();
}

void CMainDlg::PlaceWait() {
    if (m_pWaitAnchor) m_pWait->move(m_pWaitAnchor->frameGeometry().center() - m_pWait->rect().center());
}

bool CMainDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pWaitAnchor && (event->type() == QEvent::Move || event->type() == QEvent::Resize) &&
        m_pWait->isVisible()) {
        PlaceWait();
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainDlg::UpdateTitle(const CMsg& msg) {
    std::string title;
    if (const auto* path = dynamic_cast<const velmora::CFtpPath*>(msg.RefObject())) {
        title = velmora::Format("%s - (%d)", path->GetFtpDir(true).c_str(), msg.Argc());
    } else {
        title = msg.StrArgv().empty() ? CAppSettings::kProduct : velmora::Format("%s", msg.StrArgv().c_str());
    }
    setWindowTitle(QString::fromStdString(title));
}

bool CMainDlg::RestoreGeometry() { return CWindowState::RestoreGeometry(*this, kStateName); }

void CMainDlg::hideEvent(QHideEvent* event) {
    if (!event->spontaneous()) SaveState();
    QMainWindow::hideEvent(event);
}

void CMainDlg::SaveState() const {
    CWindowState::SaveGeometry(*this, kStateName);
    CWindowState::SaveSplitters(*this, kStateName);
    m_lastFolders.Save();
}

void CMainDlg::closeEvent(QCloseEvent* event) {
    if (parentWidget() == nullptr) {
        QMainWindow::closeEvent(event);
        return;
    }
    event->ignore();
    hide();
}

}  // namespace parcelo
