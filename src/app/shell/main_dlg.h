#pragma once

#include <string>

#include <QDialog>

#include "app/common/app_context.h"
#include "app/connections/connection_store.h"
#include "app/panes/last_folders.h"
#include "ftp/login_info.h"
#include "messaging/listener.h"

class QTabWidget;

namespace parcelo {

class CFtpConnectionsDlg;
class CFtpTreeDlg;
class CLocalPane;
class CLogPane;
class CPartialUploads;
class CProgressBarDlg;
class CTransferQueuePane;
class CWaitDlg;

// The larger window, opened and closed from the tray: a tab "Connections"
// with the connections list, a local folder and the FTP browser side by
// side, a tab "Queue" with the
// transfers asked for, a tab "Log" with the live log, the progress of the
// running transfer below them, and the wait window while the browser connects.
// It keeps the program's connection list: loaded from the "CurProject" file
// by Initialize, saved back to it whenever it changes and when the window is
// destroyed (never when the file could not be read).
class CMainDlg : public QDialog, public velmora::CListener {
    Q_OBJECT

public:
    static constexpr const char* kListenerName = "CMainDlg";
    static constexpr const char* kStateName = "MainWindow";

    explicit CMainDlg(CAppContext& context, QWidget* parent = nullptr);
    ~CMainDlg() override;

    // Loads the connection list, selects "SelConnection" and connects to it.
    void Initialize();
    // The size and place of the last run (kept on a screen); false when none.
    bool RestoreGeometry();

    void OnMsg(velmora::CMsg& msg) override;

    bool IsRunning() const { return m_bRunning; }
    CFtpTreeDlg& GetBrowser() const { return *m_pBrowser; }
    CFtpConnectionsDlg& GetConnections() const { return *m_pConnections; }
    CProgressBarDlg& GetProgress() const { return *m_pProgress; }
    CWaitDlg& GetWait() const { return *m_pWait; }
    CLogPane& GetLog() const { return *m_pLog; }
    CTransferQueuePane& GetQueuePane() const { return *m_pQueue; }
    CPartialUploads& GetPartialUploads() const { return *m_pPartials; }
    CLocalPane& GetLocal() const { return *m_pLocal; }
    velmora::CFtpLoginInfoList& GetConnectionList() { return m_store.GetList(); }
    CConnectionStore& GetConnectionStore() { return m_store; }

protected:
    // With an owner (the tray) the window only hides.
    void closeEvent(QCloseEvent* event) override;
    // Remembers the window's size, place and splitters for the next run.
    void hideEvent(QHideEvent* event) override;
    void reject() override;

private:
    void HandleMsg(velmora::CMsg& msg);
    void SaveState() const;
    void ShowWait(const std::string& text);
    // Moves the window up when it reaches below the screen.
    void KeepOnScreen();
    // The title: "<folder> - (<files>)", or the node's text without a folder.
    void UpdateTitle(const velmora::CMsg& msg);

    CAppContext& m_context;
    CConnectionStore m_store;
    CLastFolders m_lastFolders;
    bool m_bRunning = false;
    QTabWidget* m_pTabs;
    CFtpConnectionsDlg* m_pConnections;
    CFtpTreeDlg* m_pBrowser;
    CProgressBarDlg* m_pProgress;
    CWaitDlg* m_pWait;
    CLogPane* m_pLog;
    CTransferQueuePane* m_pQueue;
    CPartialUploads* m_pPartials;
    CLocalPane* m_pLocal;
};

}  // namespace parcelo
