#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include <QDialog>
#include <QPixmap>
#include <QTimer>

#include "app/common/app_context.h"
#include "app/common/bar_scale.h"
#include "app/common/drop_target.h"
#include "messaging/listener.h"

class QProgressBar;

namespace parcelo {

class CBalloonTip;
class CImageButton;
class CMainDlg;

// The program's main window: a small, frameless, always-on-top drop tray.
// Its picture tells whether the browser is connected and whether a transfer
// runs; files dropped on it are uploaded into the browser's current folder.
// Five buttons open the menu, end the program, open and close the main
// window, stop the transfer and show the session's status; the menu's
// "Stop all" empties the transfer queue as well. It fades in
// while the mouse is over it and back out when it leaves.
//
// Broadcasts may arrive on a transfer thread: the tray answers the cancel
// query at once and handles everything else on its own thread.
class CDashBordDlg : public QDialog, public velmora::CListener, public CDropPage {
    Q_OBJECT

public:
    static constexpr const char* kListenerName = "CDashBordDlg";
    static constexpr int kTimerInterval = 10;
    static constexpr int kCountdown = 100;
    static constexpr int kStartOpacity = 120;
    static constexpr int kHoverOpacity = 255;
    static constexpr int kLeaveOpacity = 155;
    static constexpr int kOpacityStep = 10;
    static constexpr int kBalloonMsec = 10000;
    static constexpr int kMainWindowHeight = 300;
    static constexpr int kMainWindowReach = 500;
    static constexpr int kScreenMargin = 40;
    // The bars and the picture show the progress at most this often: a bar
    // repaints itself, and with it the translucent tray, at each new value,
    // which a run of 20,000 small files sends by the thousand each second.
    static constexpr int kProgressShowMs = 100;

    static constexpr const char* kPositionName = "TrayPosition";
    static constexpr const char* kNoFolderForFiles =
        "The files cannot be uploaded: no server folder is open. Connect, then drop them on the tray.";
    static constexpr const char* kQuitQuestion =
        "A transfer is running. Stop it and exit?";

    enum EPicture { PICTURE_DISCONNECTED, PICTURE_FULL, PICTURE_FULL_R, PICTURE_EMPTY };

    // Sets the tray up, creates the main window and lets it connect; when
    // that leaves the browser unconnected, opens the main window and shows
    // the status, so that the user can connect.
    explicit CDashBordDlg(CAppContext& context, QWidget* parent = nullptr);
    ~CDashBordDlg() override;

    void OnMsg(velmora::CMsg& msg) override;

    bool IsConnected() const { return m_bConnected; }
    bool IsRunning() const { return m_bRunning; }
    bool IsReceiving() const { return m_bReceiving; }
    bool IsHover() const { return m_bHover; }
    EPicture GetPicture() const;
    int GetOpacity() const { return m_nOpacity; }
    int GetTargetOpacity() const { return m_nTargetOpacity; }
    const std::string& GetPercentText() const { return m_strPercent; }
    CMainDlg& GetMainWindow() const { return *m_pMain; }
    CBalloonTip& GetBalloon() const { return *m_pBalloon; }
    QProgressBar* GetOverallBar() const { return m_pOverallBar; }
    QProgressBar* GetFileBar() const { return m_pFileBar; }

    // The buttons' commands.
    void OnMenu();
    void OnExit();
    void OnToggle();
    void OnStop();
    // The menu's "Stop all": the waiting transfers are dropped, then Stop.
    void OnStopAll();
    void OnStatus();
    void ShowMainWindow(bool show);
    // A later start of the program: the tray comes forward, and the files
    // it was given go into the browser's current folder as a drop would.
    void Activate(const QStringList& files);

    // One step of the fading timer (every 10 ms); each hundredth step reads
    // the connected state again.
    void OnTimerTick();
    // Reads the browser's connected state; repaints on a change.
    void ReadConnected();

    // Drops: refused while the main window is shown, else the browser's.
    int OnDragEnter(const QMimeData* data, Qt::KeyboardModifiers keyState, const QPoint& point) override;
    int OnDragOver(const QMimeData* data, Qt::KeyboardModifiers keyState, const QPoint& point) override;
    void OnDragLeave() override;
    int OnDropEx(const QMimeData* data, int dropDefault, int dropList, const QPoint& point) override;

    // "Version %d.%d.%d    (b%d)" under the program's name.
    static std::string GetAboutText();

    // Moves the tray out of the main window's way when they overlap.
    void KeepClearOfMainWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    CImageButton* AddButton(const std::string& normal, const std::string& highlighted, const QString& toolTip,
                            void (CDashBordDlg::*command)());
    void LoadPictures();
    void PlaceOnScreen();
    // Moves the tray as near to `at` as it can be fully on a screen.
    void MoveOnScreen(const QPoint& at);
    // Without a connection: the main window opens with the status shown.
    void OfferConnecting();
    void PlaceMainWindow();
    void SetOpacity(int opacity);
    void HandleMsg(velmora::CMsg& msg);
    void OnProgress(const velmora::CMsg& msg);
    void OnOverallProgress(const velmora::CMsg& msg);
    void OnFileProgress(const velmora::CMsg& msg);
    void ShowBars(bool shown);
    // The progress heard so far shows once kProgressShowMs has passed.
    void ShowProgressSoon();
    void ShowProgress();
    QRect PictureRect() const;

    CAppContext& m_context;
    bool m_bConnected = false;
    bool m_bRunning = false;
    bool m_bReceiving = false;
    bool m_bHover = false;
    // Stop during a run: the run's cancel queries are answered yes.
    std::atomic<bool> m_bCancelRequested{false};
    int m_nOpacity = kStartOpacity;
    int m_nTargetOpacity = kStartOpacity;
    int m_nCountdown = kCountdown;
    std::string m_strPercent;
    CBarState m_overall;
    // The run's bytes are known: the overall bar counts them.
    bool m_bBytesKnown = false;
    CBarState m_file;
    QPixmap m_pictures[4];
    QPoint m_dragOffset;
    bool m_bDragging = false;
    bool m_bMainPlaced = false;

    CImageButton* m_pToggle = nullptr;
    QProgressBar* m_pOverallBar;
    QProgressBar* m_pFileBar;
    CBalloonTip* m_pBalloon;
    CMainDlg* m_pMain;
    QTimer m_timer;
    QTimer m_progressTimer;
    std::unique_ptr<TDropTarget<CDashBordDlg>> m_pDropTarget;
};

}  // namespace parcelo
