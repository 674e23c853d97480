#pragma once

#include <string>

#include <QMainWindow>
#include <QPointer>

#include "app/common/app_context.h"
#include "app/connections/connection_store.h"
#include "app/panes/last_folders.h"
#include "ftp/login_info.h"
#include "messaging/listener.h"

class QAction;
class QDockWidget;
class QLabel;
class QTabWidget;

namespace parcelo {

class CFtpConnectionsDlg;
class CFolderComparison;
class CFtpTreeDlg;
class CLocalPane;
class CLogPane;
class CPartialUploads;
class CProgressBarDlg;
class CQuickConnectBar;
class CSettingsDlg;
class CSiteManagerDlg;
class CTransferQueuePane;
class CTransferStatusLine;
class CWaitDlg;

// The larger window, opened and closed from the tray, laid out as users of
// graphical FTP clients know it: the menu bar (File, Edit, View, Transfer,
// Server, Help) with every command and its key, the quick-connect bar, the
// local pane (folder tree above the file list) beside the server pane
// (folder tree above the file list), the queue (with the progress of the
// running transfer) and the live log as tabs docked below, and a status
// bar. The sites are kept in the Site Manager (File > Site Manager...,
// Ctrl+S); the settings in Edit > Settings.... The wait window shows while
// the server pane connects, and follows the window as it moves.
// It keeps the program's connection list: loaded from the "CurProject" file
// by Initialize, saved back to it whenever it changes and when the window is
// destroyed (never when the file could not be read).
class CMainDlg : public QMainWindow, public velmora::CListener {
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
    CFtpConnectionsDlg& GetConnections() const;
    CSiteManagerDlg& GetSiteManager() const { return *m_pSiteManager; }
    CQuickConnectBar& GetQuickConnect() const { return *m_pQuickConnect; }
    CProgressBarDlg& GetProgress() const { return *m_pProgress; }
    CWaitDlg& GetWait() const { return *m_pWait; }
    CLogPane& GetLog() const { return *m_pLog; }
    CTransferQueuePane& GetQueuePane() const { return *m_pQueue; }
    CPartialUploads& GetPartialUploads() const { return *m_pPartials; }
    CLocalPane& GetLocal() const { return *m_pLocal; }
    CFolderComparison& GetComparison() const { return *m_pComparison; }
    QTabWidget& GetBottomTabs() const { return *m_pBottomTabs; }
    CTransferStatusLine& GetStatusLine() const { return *m_pStatusLine; }
    velmora::CFtpLoginInfoList& GetConnectionList() { return m_store.GetList(); }
    CConnectionStore& GetConnectionStore() { return m_store; }
    // A command of the menus by its object name ("refresh", "upload"...).
    QAction* GetAction(const char* name) const;

    // The menus' commands.
    void OpenSiteManager();
    // The settings dialog, made on first use.
    CSettingsDlg& OpenSettings();
    void SetShowHidden(bool show);
    // Transfer > Speed limit...: asks for the transfers' limit, stores it
    // with the settings and gives it to the transfers that start from now.
    void OnSpeedLimit();
    // Both panes read their folders again.
    void OnRefresh();

signals:
    // File > Exit: the program is to end.
    void ExitRequested();

protected:
    // With an owner (the tray) the window only hides.
    void closeEvent(QCloseEvent* event) override;
    // Remembers the window's size, place and splitters for the next run.
    void hideEvent(QHideEvent* event) override;
    // The wait window follows the window it is shown over.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    QAction* AddAction(QMenu* menu, const QString& text, const char* name, const QKeySequence& key,
                       std::function<void()> command);
    void HandleMsg(velmora::CMsg& msg);
    void SaveState() const;
    void ShowWait(const std::string& text);
    void PlaceWait();
    // The title: "<folder> - (<entries>)", or the node's text without a folder.
    void UpdateTitle(const velmora::CMsg& msg);
    void OnConnected(bool connected);
    void ShowSpeedLimit();

    CAppContext& m_context;
    CConnectionStore m_store;
    CLastFolders m_lastFolders;
    bool m_bRunning = false;
    CFtpTreeDlg* m_pBrowser;
    CLocalPane* m_pLocal;
    CFolderComparison* m_pComparison = nullptr;
    CQuickConnectBar* m_pQuickConnect;
    CSiteManagerDlg* m_pSiteManager;
    CSettingsDlg* m_pSettings = nullptr;
    CProgressBarDlg* m_pProgress;
    CWaitDlg* m_pWait;
    CLogPane* m_pLog;
    CTransferQueuePane* m_pQueue;
    CPartialUploads* m_pPartials;
    QTabWidget* m_pBottomTabs;
    QDockWidget* m_pDock;
    CTransferStatusLine* m_pStatusLine;
    QLabel* m_pSpeedLimit = nullptr;
    // The window the wait window is centred on while it shows.
    QPointer<QWidget> m_pWaitAnchor;
};

}  // namespace parcelo
