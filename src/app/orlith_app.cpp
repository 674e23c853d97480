#include "app/orlith_app.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QTimer>

#include "app/common/app_context.h"
#include "app/common/status_relay.h"
#include "app/transfers/transfer_settings.h"
#include "app/panes/ftp_sink.h"
#include "app/shell/quit_signals.h"
#include "app/transfers/existing_targets.h"
#include "app/transfers/prompter.h"
#include "app/transfers/transfer_queue.h"
#include "app/transfers/transfer_thread.h"
#include "app/tray/dash_bord_dlg.h"
#include "base/format.h"
#include "ftp/password_store.h"
#include "paths/file_path.h"
#include "platform/message_pump.h"

namespace parcelo {
namespace {

bool HasSkin(const QString& folder) { return QDir(folder + "/Skin").exists(); }

}  // namespace

COrlithApp* COrlithApp::m_pApp = nullptr;

COrlithApp::COrlithApp(std::string defaultHome)
    : m_settings(std::move(defaultHome)),
      m_pRelay(std::make_unique<CStatusRelay>()),
      m_pQueue(std::make_unique<CTransferQueue>()),
      m_pSink(std::make_unique<CFtpSink>()),
      m_pPrompter(std::make_unique<CDialogPrompter>()),
      m_pTargets(std::make_unique<CExistingTargets>(m_settings, *m_pPrompter)),
      m_pContext(std::make_unique<CAppContext>(
          CAppContext{m_settings, *m_pSink, *m_pQueue, *m_pRelay, *m_pPrompter, *m_pTargets})) {
    m_pApp = this;
    m_pTargets->Follow(*m_pQueue);
}

COrlithApp::~COrlithApp() {
    if (m_pApp == this) m_pApp = nullptr;
}

std::string COrlithApp::FindDefaultHome() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString installed = QDir::cleanPath(programFolder + "/../share/parcelo");
    for (const QString& folder : {programFolder, installed}) {
        if (HasSkin(folder)) return (folder + "/").toStdString();
    }
    return {};
}

bool COrlithApp::InitInstance() {
    // Long work on this thread keeps the windows alive through the pump.
    velmora::platform::SetMessagePumpHook([] {
        QCoreApplication::processEvents();
        return !QCoreApplication::closingDown();
    });
    QCoreApplication::setOrganizationName(CAppSettings::kCompany);
    QCoreApplication::setApplicationName(CAppSettings::kProduct);

    m_settings.Load();
    velmora::CFtpPath(m_settings.GetProjectsFolder(), velmora::PATH_FOLDER).CreateFolder();
    if (m_log.Open(m_settings.GetLogFile())) m_log.StartApp(CAppSettings::kProduct);
    ApplyTransferSettings(m_settings.GetTransferSettings());
    // What was unfinished at the last exit waits for Start.
    m_pQueue->SetStore(m_settings.GetQueueFile());
    m_pQueue->Restore();
    // Someone sits in front of the desktop program: a locked keyring may
    // show the service's own unlock prompt.
    velmora::SetPasswordStore(m_settings.GetPasswordStore());
    velmora::platform::AllowSecretPrompts(true);

    QTimer keepAlive;
    QObject::connect(&keepAlive, &QTimer::timeout, [this] { m_pSink->KeepAlive(); });
    keepAlive.start(CFtpSink::kKeepAliveCheckMs);
    if (std::unique_ptr<QDialog> mainWindow = CreateMainWindow()) {
        CQuitSignals quitSignals;
        QObject::connect(&quitSignals, &CQuitSignals::QuitRequested, mainWindow.get(),
                         [this, window = mainWindow.get()](int signal) { QuitOnSignal(*window, signal); });
        m_pMainWindow = mainWindow.get();
        mainWindow->exec();
        m_pMainWindow = nullptr;
    }
    return false;
}

void COrlithApp::Activate(const QStringList& files) {
    if (auto* tray = qobject_cast<CDashBordDlg*>(m_pMainWindow)) {
        tray->Activate(files);
    } else if (m_pMainWindow != nullptr) {
        m_pMainWindow->raise();
        m_pMainWindow->activateWindow();
    }
}

// A session that ends does not wait for answers: open questions are
// dismissed, then the main window closes; ExitInstance does the rest.
void COrlithApp::QuitOnSignal(QDialog& mainWindow, int signal) {
    m_log.Write(CAppSettings::kProduct, velmora::Format("signal %d received, ending", signal), true);
    for (int open = 0; open < kMaxOpenDialogs; ++open) {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog == &mainWindow) break;
        dialog->reject();
    }
    mainWindow.done(QDialog::Accepted);
}

int COrlithApp::ExitInstance() {
    // Transfers end before the settings and the log are closed.
    m_pQueue->Shutdown();
    m_settings.Save();
    m_log.ExitApp(CAppSettings::kProduct);
    m_log.Close();
    velmora::platform::SetMessagePumpHook({});
    return 0;
}

std::unique_ptr<QDialog> COrlithApp::CreateMainWindow() {
    return std::make_unique<CDashBordDlg>(*m_pContext);
}

}  // namespace parcelo
