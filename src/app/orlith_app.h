#pragma once

#include <memory>
#include <string>

#include <QStringList>

#include "app/common/app_settings.h"
#include "messaging/log_file.h"

class QDialog;

namespace parcelo {

struct CAppContext;
class CExistingTargets;
class CFtpSink;
class CStatusRelay;
class CTransferQueue;
class IPrompter;

// The program: starts the services the windows need, loads the settings,
// makes the per-user folders, opens the log, and runs the main window until
// it closes (or SIGTERM, SIGINT or SIGHUP closes it); at exit it stops
// transfers and writes the settings back.
// A QApplication must exist before InitInstance.
class COrlithApp {
public:
    // `defaultHome`: where the program's own skin lies (see FindDefaultHome).
    explicit COrlithApp(std::string defaultHome = {});
    virtual ~COrlithApp();
    COrlithApp(const COrlithApp&) = delete;
    COrlithApp& operator=(const COrlithApp&) = delete;

    // The running program, or null.
    static COrlithApp* Get() { return m_pApp; }
    // The folder that holds the installed skin ("<prefix>/share/parcelo/"),
    // or the program's own folder in a build tree; empty when neither has
    // a "Skin" folder.
    static std::string FindDefaultHome();

    // Runs the main window modally; answers false, like a dialog program
    // whose framework then ends without a message loop of its own.
    bool InitInstance();
    // Answers the exit code.
    int ExitInstance();
    // A later start of the program handed over its files: the running
    // window comes forward with them.
    void Activate(const QStringList& files);

    CAppSettings& GetSettings() { return m_settings; }
    CTransferQueue& GetTransferQueue() { return *m_pQueue; }
    CStatusRelay& GetStatusRelay() { return *m_pRelay; }
    CFtpSink& GetFtpSink() { return *m_pSink; }
    // What the windows share.
    CAppContext& GetContext() { return *m_pContext; }

protected:
    // The drop tray.
    virtual std::unique_ptr<QDialog> CreateMainWindow();

private:
    static constexpr int kMaxOpenDialogs = 16;

    void QuitOnSignal(QDialog& mainWindow, int signal);

    static COrlithApp* m_pApp;

    CAppSettings m_settings;
    std::unique_ptr<CStatusRelay> m_pRelay;
    std::unique_ptr<CTransferQueue> m_pQueue;
    std::unique_ptr<CFtpSink> m_pSink;
    std::unique_ptr<IPrompter> m_pPrompter;
    std::unique_ptr<CExistingTargets> m_pTargets;
    std::unique_ptr<CAppContext> m_pContext;
    velmora::CLogFile m_log;
    // The main window while it runs.
    QDialog* m_pMainWindow = nullptr;
};

}  // namespace parcelo
