#include "app/shell/main_dlg.h"

#include <algorithm>

#include <QCloseEvent>
#include <QHideEvent>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/common/app_settings.h"
#include "app/common/window_thread.h"
#include "app/connections/ftp_connections_dlg.h"
#include "app/panes/ftp_sink.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/panes/local_pane.h"
#include "app/shell/wait_dlg.h"
#include "app/shell/window_state.h"
#include "app/transfers/existing_targets.h"
#include "app/transfers/log_pane.h"
#include "app/transfers/partial_uploads.h"
#include "app/transfers/progress_bar_dlg.h"
#include "app/transfers/prompter.h"
#include "app/transfers/transfer_queue.h"
#include "app/transfers/transfer_queue_pane.h"
#include "base/format.h"
#include "messaging/msg.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"

namespace parcelo {

using velmora::CMsg;

CMainDlg::CMainDlg(CAppContext& context, QWidget* parent)
    : QDialog(parent),
      m_context(context),
      m_store(context.settings.GetCurProject()),
      m_pTabs(new QTabWidget),
      m_pConnections(new CFtpConnectionsDlg(m_store.GetList(), context.settings)),
      m_pBrowser(new CFtpTreeDlg(context)),
      m_pProgress(new CProgressBarDlg(context.settings)),
      m_pWait(new CWaitDlg(context.settings.GetAnimationFile(), this)),
      m_pLog(new CLogPane),
      m_pQueue(new CTransferQueuePane(context.queue)),
      m_pPartials(new CPartialUploads(context.queue, context.prompter, this, this)),
      m_pLocal(new CLocalPane(context, *m_pBrowser)) {
    setWindowTitle(CAppSettings::kProduct);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* page = new QSplitter(Qt::Horizontal);
    page->setObjectName("page");
    page->setChildrenCollapsible(false);
    page->addWidget(m_pConnections);
    page->addWidget(m_pLocal);
    page->addWidget(m_pBrowser);
    page->setStretchFactor(0, 2);
    page->setStretchFactor(1, 4);
    page->setStretchFactor(2, 5);
    m_pTabs->addTab(page, tr("Connections"));
    m_pTabs->addTab(m_pQueue, tr("Queue"));
    m_pTabs->addTab(m_pLog, tr("Log"));
    layout->addWidget(m_pTabs, 1);

    // The progress shows from the first run on; its Stop closes it between runs.
    m_pProgress->setWindowFlags(Qt::Widget);
    m_pProgress->hide();
    layout->addWidget(m_pProgress);
    connect(&context.queue, &CTransferQueue::WaitingCountChanged, m_pProgress, &CProgressBarDlg::SetWaitingCount);
    connect(&context.queue, &CTransferQueue::JobStarted, &context.targets, &CExistingTargets::StartJob);
    connect(&context.queue, &CTransferQueue::JobEnded, m_pProgress, &CProgressBarDlg::ShowOutcome);

    m_pWait->setWindowTitle(CAppSettings::kProduct);
    m_pWait->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    m_pWait->setMinimumSize(240, 120);
    connect(m_pWait, &CWaitDlg::CancelRequested, m_pBrowser, &CFtpTreeDlg::CancelWait);
    connect(m_pConnections, &CFtpConnectionsDlg::ConnectionChosen, m_pBrowser, &CFtpTreeDlg::ShowConnection);
    connect(m_pConnections, &CFtpConnectionsDlg::ConnectionsChanged, this, [this] { m_store.Save(); });
    connect(m_pBrowser, &CFtpTreeDlg::CertificateTrusted, m_pConnections, &CFtpConnectionsDlg::TrustCertificate);
    connect(m_pBrowser, &CFtpTreeDlg::LoginPasswordReady, m_pConnections, &CFtpConnectionsDlg::KeepPassword);
    connect(m_pConnections, &CFtpConnectionsDlg::ConnectionEdited, this, [this] { m_store.SaveSoon(); });
    // A connection opens at the folder it showed last time.
    connect(m_pBrowser, &CFtpTreeDlg::ConnectFinished, this, [this](bool connected) {
        const std::string folder = CLastFolders::Read(m_context.sink.GetLoginInfo().GetHostName());
        if (connected && !folder.empty()) m_pBrowser->OpenFolder(folder);
    });
    velmora::CMsgBox::Box().Subscribe(kListenerName, this);
}

CMainDlg::~CMainDlg() {
    velmora::CMsgBox::Box().Unsubscribe(this);
    // Open at the end of the program: no hide comes.
    if (isVisible()) SaveState();
    m_lastFolders.Save();
    m_store.Save();
}

void CMainDlg::Initialize() {
    if (!m_store.Load()) m_context.prompter.ShowError(this, "Error", m_store.GetLoadError());
    m_pConnections->Populate();
    CWindowState::RestoreSplitters(*this, kStateName);
    const std::string selected = m_context.settings.GetSelConnection();
    // Selecting it shows it in the browser (ConnectionChosen), once: a
    // second request would ask again for a password whose question was
    // just cancelled.
    if (!selected.empty()) m_pConnections->SelectConnection(selected);
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
            if (!m_pProgress->isVisibleTo(this)) {
                m_pProgress->show();
                // The window grows by the progress once its layout has run.
                QTimer::singleShot(0, this, &CMainDlg::KeepOnScreen);
            }
            break;
        case velmora::MSG_RUN_END:
            m_bRunning = false;
            break;
        case velmora::MSG_WAIT:
            if (msg.Argc() == 1) {
                ShowWait(msg.StrArgv());
            } else {
                m_pWait->HideWait();
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
                m_pConnections->UpdateName(*info);
            }
            break;
        default:
            break;
    }
}

void CMainDlg::ShowWait(const std::string& text) {
    QWidget* anchor = isVisible() ? this : parentWidget();
    m_pWait->ShowWait(text);
    m_pWait->adjustSize();
    if (anchor != nullptr) m_pWait->move(anchor->frameGeometry().center() - m_pWait->rect().center());
}

void CMainDlg::KeepOnScreen() {
    const QScreen* screen = this->screen();
    if (!isVisible() || screen == nullptr) return;
    const QRect room = screen->availableGeometry();
    const QRect frame = frameGeometry();
    if (frame.bottom() > room.bottom()) move(frame.left(), std::max(room.top(), frame.top() - (frame.bottom() - room.bottom())));
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
    QDialog::hideEvent(event);
}

void CMainDlg::SaveState() const {
    CWindowState::SaveGeometry(*this, kStateName);
    CWindowState::SaveSplitters(*this, kStateName);
    m_lastFolders.Save();
}

void CMainDlg::closeEvent(QCloseEvent* event) {
    if (parentWidget() == nullptr) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    hide();
}

// Escape hides the window too, rather than ending it.
void CMainDlg::reject() {
    if (parentWidget() == nullptr) {
        QDialog::reject();
        return;
    }
    hide();
}

}  // namespace parcelo
