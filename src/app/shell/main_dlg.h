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

class CFindDlg;
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
class CSyncBrowsing;
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
    // Server > Find on server...: the search window, made on first use,
    // looking in the server pane's folder unless a search runs.
    CFindDlg& OpenFind();
    // The settings dialog, made on first use.
    CSettingsDlg& OpenSettings();
    void SetShowHidden(bool show);
    // Bookmarks > Add bookmark...: the panes' folders become a bookmark of
    // the connected site, under a name asked for; false when there is no
    // site of the Site Manager connected, or the name was not given.
    bool AddBookmark();
    // Both panes go to the bookmark's folders (in step from there while
    // synchronised browsing is on).
    void GoToBookmark(const velmora::CSiteBookmark& bookmark);
    // Bookmarks > Synchronised browsing, kept with the connected site.
    void SetSyncBrowsing(bool on);
    CSyncBrowsing& GetSyncBrowsing() const { return *m_pSyncBrowsing; }
    // The Site Manager's entry of the site the server pane is connected
    // to; null for none (or a quick connection).
    velmora::CFtpLoginInfo* ConnectedSite();
    // Transfer > Copy to another site...: the server list's selected files
    // go, server to server through the queue, to a site of the Site Manager
    // (into a folder asked for, its start folder first). False when there
    // is nothing to copy or the user cancelled.
    bool OnCopyToSite();
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
    // The bookmarks menu's entries: the connected site's bookmarks.
    void FillBookmarks(QMenu& menu);
    // A change of a site's own data is saved, and shows in the Site Manager.
    void SiteChanged();

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
    CFindDlg* m_pFind = nullptr;
    CProgressBarDlg* m_pProgress;
    CWaitDlg* m_pWait;
    CLogPane* m_pLog;
    CTransferQueuePane* m_pQueue;
    CPartialUploads* m_pPartials;
    QTabWidget* m_pBottomTabs;
    QDockWidget* m_pDock;
    CTransferStatusLine* m_pStatusLine;
    QLabel* m_pSpeedLimit = nullptr;
    CSyncBrowsing* m_pSyncBrowsing;
    // The window the wait window is centred on while it shows.
    QPointer<QWidget> m_pWaitAnchor;
};

}  // namespace parcelo
