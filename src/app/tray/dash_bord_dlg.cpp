#include "app/tray/dash_bord_dlg.h"

#include <algorithm>

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QScreen>
#include <QUrl>

#include "app/common/app_settings.h"
#include "app/common/balloon_tip.h"
#include "app/common/image_button.h"
#include "app/common/screen_place.h"
#include "app/common/window_thread.h"
#include "app/panes/ftp_sink.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/panes/remote_editor.h"
#include "app/shell/main_dlg.h"
#include "app/shell/window_state.h"
#include "app/transfers/prompter.h"
#include "app/transfers/transfer_queue.h"
#include "base/format.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"
#include "messaging/progress_status.h"

namespace parcelo {

using velmora::CMsg;

namespace {

constexpr int kMargin = 6;
constexpr int kButtonSize = 24;
constexpr int kButtonGap = 2;
constexpr int kPictureSize = 128;
constexpr int kBarHeight = 5;

bool IsCancelQuery(const CMsg& msg) {
    return msg.Cmd() == velmora::MSG_PROGRESS_CHECK_CANCEL ||
           (msg.Cmd() == velmora::MSG_PROGRESS && msg.SubCmd() == velmora::MSG_PROGRESS_CHECK_CANCEL);
}

}  // namespace

CDashBordDlg::CDashBordDlg(CAppContext& context, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool),
      m_context(context),
      m_pOverallBar(new QProgressBar(this)),
      m_pFileBar(new QProgressBar(this)),
      m_pBalloon(new CBalloonTip(this)),
      m_pMain(nullptr) {
    setObjectName("tray");
    setWindowTitle(CAppSettings::kProduct);
    // The program's icon, for every window of it.
    QGuiApplication::setWindowIcon(QIcon(QString::fromStdString(context.settings.GetTrayEmptyImage())));
    SetOpacity(kStartOpacity);
    setFixedSize(kMargin + kButtonSize + kMargin + kPictureSize + kMargin,
                 kMargin + kPictureSize + 2 * (kBarHeight + 2) + kMargin);

    CAppSettings& settings = context.settings;
    AddButton(settings.GetCloseImage(), settings.GetCloseHImage(), tr("Exit"), &CDashBordDlg::OnExit);
    AddButton(settings.GetDownImage(), settings.GetDownHImage(), tr("Menu"), &CDashBordDlg::OnMenu);
    m_pToggle = AddButton(settings.GetFolderOpenImage(), settings.GetFolderOpenHImage(), tr("Toggle Open/Close"),
                          &CDashBordDlg::OnToggle);
    AddButton(settings.GetStopImage(), settings.GetStopHImage(), tr("Stop"), &CDashBordDlg::OnStop);
    AddButton(settings.GetInfoImage(), settings.GetInfoHImage(), tr("Status"), &CDashBordDlg::OnStatus);
    LoadPictures();

    const QRect picture = PictureRect();
    int barTop = picture.bottom() + 3;
    for (QProgressBar* bar : {m_pOverallBar, m_pFileBar}) {
        bar->setTextVisible(false);
        bar->setGeometry(picture.left(), barTop, picture.width(), kBarHeight);
        bar->hide();
        barTop += kBarHeight + 2;
    }
    m_pOverallBar->setObjectName("overall");
    m_pFileBar->setObjectName("file");
    PlaceOnScreen();

    m_pDropTarget = std::make_unique<TDropTarget<CDashBordDlg>>();
    m_pDropTarget->Register(this);
    velmora::CMsgBox::Box().Subscribe(kListenerName, this);
    connect(&m_timer, &QTimer::timeout, this, &CDashBordDlg::OnTimerTick);
    m_timer.start(kTimerInterval);
    m_progressTimer.setSingleShot(true);
    m_progressTimer.setInterval(kProgressShowMs);
    connect(&m_progressTimer, &QTimer::timeout, this, &CDashBordDlg::ShowProgress);

    m_pMain = new CMainDlg(context, this);
    connect(m_pMain, &CMainDlg::ExitRequested, this, &CDashBordDlg::OnExit);
    // The tray never covers the main window's controls.
    m_pMain->installEventFilter(this);
    // A first login that fails opens the main window, so that the user can connect.
    connect(
        &m_pMain->GetBrowser(), &CFtpTreeDlg::ConnectFinished, this,
        [this](bool connected) {
            if (!connected) OfferConnecting();
        },
        Qt::SingleShotConnection);
    connect(&m_pMain->GetBrowser(), &CFtpTreeDlg::ConnectFinished, this, &CDashBordDlg::ReadConnected);
    m_pMain->Initialize();
    if (!m_pMain->GetBrowser().IsConnecting()) OfferConnecting();
}

void CDashBordDlg::OfferConnecting() {
    ReadConnected();
    if (m_bConnected) return;
    ShowMainWindow(true);
    OnStatus();
}

CDashBordDlg::~CDashBordDlg() {
    m_timer.stop();
    velmora::CMsgBox::Box().Unsubscribe(this);
    // The main window saves the connection list as it goes.
    delete m_pMain;
}

CImageButton* CDashBordDlg::AddButton(const std::string& normal, const std::string& highlighted,
                                      const QString& toolTip, void (CDashBordDlg::*command)()) {
    const int index = static_cast<int>(findChildren<CImageButton*>(Qt::FindDirectChildrenOnly).size());
    auto* button = new CImageButton(this);
    button->setObjectName(toolTip);
    button->SetImages(normal, highlighted, toolTip);
    button->setGeometry(kMargin, kMargin + index * (kButtonSize + kButtonGap), kButtonSize, kButtonSize);
    connect(button, &QToolButton::clicked, this, command);
    return button;
}

void CDashBordDlg::LoadPictures() {
    CAppSettings& settings = m_context.settings;
    m_pictures[PICTURE_DISCONNECTED].load(QString::fromStdString(settings.GetTrayDisconnectedImage()));
    m_pictures[PICTURE_FULL].load(QString::fromStdString(settings.GetTrayFullImage()));
    m_pictures[PICTURE_FULL_R].load(QString::fromStdString(settings.GetTrayFullReceivingImage()));
    m_pictures[PICTURE_EMPTY].load(QString::fromStdString(settings.GetTrayEmptyImage()));
}

// Where the user left it, else near the bottom right corner of the main
// screen, clear of its edges; always fully on a screen.
void CDashBordDlg::PlaceOnScreen() {
    QPoint at;
    if (!CWindowState::ReadPoint(kPositionName, at)) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (screen == nullptr) return;
        const QRect room = screen->availableGeometry();
        at = QPoint(room.right() - width() - kScreenMargin, room.bottom() - height() - kScreenMargin);
    }
    MoveOnScreen(at);
}

void CDashBordDlg::MoveOnScreen(const QPoint& at) {
    const QRect wanted(at, size());
    move(KeepInside(wanted, RoomAt(wanted.center(), ScreenRooms())));
}

QRect CDashBordDlg::PictureRect() const {
    return QRect(kMargin + kButtonSize + kMargin, kMargin, kPictureSize, kPictureSize);
}

CDashBordDlg::EPicture CDashBordDlg::GetPicture() const {
    if (!m_bConnected) return PICTURE_DISCONNECTED;
    if (m_bRunning) return PICTURE_FULL;
    if (m_bReceiving) return PICTURE_FULL_R;
    return PICTURE_EMPTY;
}

// ---- Messages ----

void CDashBordDlg::OnMsg(CMsg& msg) {
    if (IsCancelQuery(msg)) {
        // Only ever a yes: a no must not undo another listener's yes.
        if (m_bCancelRequested.load()) msg.Result(1);
        return;
    }
    switch (msg.Cmd()) {
        case velmora::MSG_RUN_START:
        case velmora::MSG_RUN_END:
        case velmora::MSG_PROGRESS:
            HandleOnWindowThread(this, msg, [this](CMsg& heard) { HandleMsg(heard); });
            break;
        default:
            break;
    }
}

void CDashBordDlg::HandleMsg(CMsg& msg) {
    switch (msg.Cmd()) {
        case velmora::MSG_RUN_START:
            m_bRunning = true;
            m_bCancelRequested = false;
            break;
        case velmora::MSG_RUN_END:
            m_bRunning = false;
            m_bCancelRequested = false;
            break;
        case velmora::MSG_PROGRESS:
            OnProgress(msg);
            break;
        default:
            return;
    }
    ShowProgressSoon();
}

void CDashBordDlg::ShowProgressSoon() {
    if (!m_progressTimer.isActive()) m_progressTimer.start();
}

void CDashBordDlg::ShowProgress() {
    m_overall.Apply(m_pOverallBar);
    m_file.Apply(m_pFileBar);
    update();
}

void CDashBordDlg::OnProgress(const CMsg& msg) {
    if (msg.Unit() == velmora::PROGRESS_UNIT_FILES) OnOverallProgress(msg);
    if (msg.Unit() == velmora::PROGRESS_UNIT_FILE_BYTES) OnFileProgress(msg);
}

void CDashBordDlg::OnOverallProgress(const CMsg& msg) {
    switch (msg.SubCmd()) {
        case velmora::MSG_PROGRESS_START:
            m_bBytesKnown = false;
            ShowBars(true);
            break;
        case velmora::MSG_PROGRESS_FINISH:
            ShowBars(false);
            m_overall.pos = m_overall.lower;
            m_file.pos = m_file.lower;
            m_strPercent.clear();
            break;
        case velmora::MSG_PROGRESS_POS: {
            // The bar counts the run's bytes; files only while it has none.
            velmora::CProgressStatus status;
            status.Copy(msg);
            m_bBytesKnown = m_overall.FollowBytes(status) || m_bBytesKnown;
            if (!m_bBytesKnown) m_overall.pos = msg.LLArgc();
            m_strPercent = status.GetStrProgress();
            break;
        }
        case velmora::MSG_PROGRESS_RANGE:
            if (m_bBytesKnown) break;
            m_overall.lower = msg.LLArgc();
            m_overall.upper = msg.LLArgv();
            break;
        default: break;
    }
}

void CDashBordDlg::OnFileProgress(const CMsg& msg) {
    switch (msg.SubCmd()) {
        case velmora::MSG_PROGRESS_START:
            m_file.pos = m_file.lower;
            break;
        case velmora::MSG_PROGRESS_FINISH:
            m_file.pos = m_file.upper;
            break;
        case velmora::MSG_PROGRESS_POS: {
            // Every progress status carries the run's counters: the percent
            // moves within a long file too.
            velmora::CProgressStatus status;
            status.Copy(msg);
            m_file.pos = msg.LLArgc();
            if (m_pOverallBar->isVisibleTo(this)) {
                m_strPercent = status.GetStrProgress();
                m_bBytesKnown = m_overall.FollowBytes(status) || m_bBytesKnown;
            }
            break;
        }
        case velmora::MSG_PROGRESS_RANGE:
            m_file.lower = msg.LLArgc();
            m_file.upper = msg.LLArgv();
            break;
        default: break;
    }
}

void CDashBordDlg::ShowBars(bool shown) {
    m_pOverallBar->setVisible(shown);
    m_pFileBar->setVisible(shown);
}

// ---- Commands ----

void CDashBordDlg::OnMenu() {
    QMenu menu(this);
    connect(menu.addAction(tr("About...")), &QAction::triggered, this, [this] {
        QMessageBox::about(this, tr("About Parcelo"), QString::fromStdString(GetAboutText()));
    });
    // The update check is not offered.
    menu.addAction(tr("Check for Updates"))->setEnabled(false);
    menu.addSeparator();
    QAction* stopAll = menu.addAction(tr("Stop all"), this, &CDashBordDlg::OnStopAll);
    stopAll->setEnabled(m_context.queue.IsBusy() || m_context.queue.GetWaitingCount() > 0);
    menu.addSeparator();
    connect(menu.addAction(tr("Exit")), &QAction::triggered, this, &CDashBordDlg::OnExit);
    const QPoint cursor = QCursor::pos();
    menu.exec(frameGeometry().contains(cursor) ? cursor : mapToGlobal(QPoint(5, 5)));
}

std::string CDashBordDlg::GetAboutText() { return CAppSettings::GetAboutText(); }

// A transfer under way is stopped only when the user says so.
void CDashBordDlg::OnExit() {
    if (m_context.queue.IsBusy() && !m_context.prompter.AskYesNo(this, "Confirmation", kQuitQuestion)) return;
    // Edited copies that did not reach the server are named before the end.
    m_pMain->GetBrowser().GetEditor().Cleanup();
    done(QDialog::Accepted);
}

// The user started the program again to get at it: the main window comes
// forward, with the tray.
void CDashBordDlg::Activate(const QStringList& files) {
    show();
    raise();
    ShowMainWindow(true);
    m_pMain->activateWindow();
    if (files.isEmpty()) return;
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& file : files) urls << QUrl::fromLocalFile(file);
    data.setUrls(urls);
    if (m_pMain->GetBrowser().DropOnCurrent(&data) != DROPEFFECT_NONE) return;
    m_context.prompter.ShowMessage(m_pMain, "Message", kNoFolderForFiles);
}

void CDashBordDlg::OnToggle() { ShowMainWindow(!m_pMain->isVisible()); }

void CDashBordDlg::OnStop() {
    if (m_bRunning) m_bCancelRequested = true;
    m_bRunning = false;
    update();
    velmora::CMsgSend cancel(velmora::MSG_CANCEL, 1, 0, 0);
}

void CDashBordDlg::OnStopAll() {
    m_context.queue.CancelWaiting();
    OnStop();
}

void CDashBordDlg::OnStatus() {
    // Clear of the main window, whose controls the user is working with.
    const QList<QRect> avoid = m_pMain->isVisible() ? QList<QRect>{m_pMain->frameGeometry()} : QList<QRect>();
    m_pBalloon->ShowBalloon(frameGeometry(), avoid, "Status", m_context.sink.GetStatusText(), kBalloonMsec);
}

void CDashBordDlg::ShowMainWindow(bool show) {
    if (show && !m_bMainPlaced) {
        if (!m_pMain->RestoreGeometry()) PlaceMainWindow();
        m_bMainPlaced = true;
    }
    m_pBalloon->CloseBalloon();
    m_pMain->setVisible(show);
    if (show) m_pMain->raise();
    if (show) KeepClearOfMainWindow();
}

bool CDashBordDlg::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == m_pMain && (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show)) {
        KeepClearOfMainWindow();
    }
    return QDialog::eventFilter(watched, event);
}

// Beside the main window: right of it, else left, else below or above it,
// wherever the tray fits whole on the screen. When the window leaves no
// room, it makes way: it moves, and shrinks when it must, so that the tray
// fits beside, below or above it. Only a maximised or full-screen window,
// which cannot make way, keeps the tray over it.
void CDashBordDlg::KeepClearOfMainWindow() {
    if (!m_pMain->isVisible() || !isVisible()) return;
    const QRect window = m_pMain->frameGeometry();
    const QRect tray = frameGeometry();
    if (!tray.intersects(window)) return;
    const QScreen* screen = m_pMain->screen();
    if (screen == nullptr) return;
    const QRect room = screen->availableGeometry();
    const int gap = kMargin;
    const QList<QPoint> candidates{{window.right() + 1 + gap, tray.top()},
                                   {window.left() - gap - tray.width(), tray.top()},
                                   {tray.left(), window.bottom() + 1 + gap},
                                   {tray.left(), window.top() - gap - tray.height()}};
    if (const std::optional<QPoint> at = FirstClearPlace(tray.size(), candidates, {window}, room)) {
        move(*at + (pos() - tray.topLeft()));
        return;
    }
    if (m_pMain->isMaximized() || m_pMain->isFullScreen()) return;
    const QMargins frame(m_pMain->geometry().left() - window.left(), m_pMain->geometry().top() - window.top(),
                         window.right() - m_pMain->geometry().right(), window.bottom() - m_pMain->geometry().bottom());
    const QSize minimum = m_pMain->minimumSizeHint().expandedTo(m_pMain->minimumSize()).grownBy(frame);
    if (const std::optional<SideBySide> way = MakeWayFor(tray, window, minimum, room, gap)) {
        move(way->small + (pos() - tray.topLeft()));
        m_pMain->setGeometry(way->large.marginsRemoved(frame));
    }
}

// Left of the tray, its right edge at the "Toggle Open/Close" button and its
// top at the tray's top; as large as its contents need, and clear of the
// screen's top and bottom.
void CDashBordDlg::PlaceMainWindow() {
    const QRect tray = frameGeometry();
    const int right = m_pToggle->mapToGlobal(QPoint(0, 0)).x();
    QSize size(right - (tray.right() - kMainWindowReach), kMainWindowHeight);
    size = size.expandedTo(m_pMain->sizeHint()).expandedTo(m_pMain->minimumSizeHint());
    QPoint at(right - size.width(), tray.top());
    if (const QScreen* screen = this->screen()) {
        const QRect room = screen->availableGeometry();
        at.setY(std::min(at.y(), room.bottom() - kScreenMargin - size.height()));
        at.setY(std::max(at.y(), room.top() + kScreenMargin));
        at.setX(std::max(at.x(), room.left()));
    }
    m_pMain->resize(size);
    m_pMain->move(at);
}

// ---- Fading ----

void CDashBordDlg::SetOpacity(int opacity) {
    m_nOpacity = std::clamp(opacity, 0, 255);
    setWindowOpacity(m_nOpacity / 255.0);
}

void CDashBordDlg::OnTimerTick() {
    if (m_bHover && m_nOpacity < m_nTargetOpacity) {
        SetOpacity(std::min({m_nOpacity + kOpacityStep, m_nTargetOpacity, 255}));
    } else if (!m_bHover && m_nOpacity > m_nTargetOpacity) {
        SetOpacity(std::max(m_nOpacity - kOpacityStep, m_nTargetOpacity));
    }
    if (--m_nCountdown > 0) return;
    m_nCountdown = kCountdown;
    ReadConnected();
}

void CDashBordDlg::ReadConnected() {
    const bool connected = m_context.sink.IsOnline();
    if (connected == m_bConnected) return;
    m_bConnected = connected;
    update();
}

void CDashBordDlg::enterEvent(QEnterEvent* event) {
    m_bHover = true;
    m_nTargetOpacity = kHoverOpacity;
    QDialog::enterEvent(event);
}

void CDashBordDlg::leaveEvent(QEvent* event) {
    m_bHover = false;
    m_nTargetOpacity = kLeaveOpacity;
    QDialog::leaveEvent(event);
}

// ---- Mouse ----

void CDashBordDlg::mouseDoubleClickEvent(QMouseEvent* /*event*/) { OnToggle(); }

// The tray has no frame: it is moved by dragging it, never beyond the
// screen under it. Only a press on the tray itself starts a drag: a press
// seen elsewhere leaves no offset to move by.
void CDashBordDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    m_bDragging = true;
    m_dragOffset = event->globalPosition().toPoint() - pos();
}

void CDashBordDlg::mouseMoveEvent(QMouseEvent* event) {
    if (m_bDragging && (event->buttons() & Qt::LeftButton)) {
        MoveOnScreen(event->globalPosition().toPoint() - m_dragOffset);
    }
}

void CDashBordDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_bDragging) return;
    m_bDragging = false;
    CWindowState::WritePoint(kPositionName, pos());
    KeepClearOfMainWindow();
}

// ---- Drops ----

int CDashBordDlg::OnDragEnter(const QMimeData* data, Qt::KeyboardModifiers /*keyState*/, const QPoint& /*point*/) {
    if (m_pMain->isVisible()) return DROPEFFECT_NONE;
    m_bReceiving = true;
    SetOpacity(255);
    update();
    return m_pMain->GetBrowser().QueryDropOnCurrent(data);
}

int CDashBordDlg::OnDragOver(const QMimeData* data, Qt::KeyboardModifiers /*keyState*/, const QPoint& /*point*/) {
    if (m_pMain->isVisible()) return DROPEFFECT_NONE;
    return m_pMain->GetBrowser().QueryDropOnCurrent(data);
}

void CDashBordDlg::OnDragLeave() {
    m_bReceiving = false;
    update();
    m_pMain->GetBrowser().OnDragLeave();
}

int CDashBordDlg::OnDropEx(const QMimeData* data, int /*dropDefault*/, int /*dropList*/, const QPoint& /*point*/) {
    if (m_pMain->isVisible()) return DROPEFFECT_NONE;
    SetOpacity(255);
    m_bReceiving = false;
    update();
    return m_pMain->GetBrowser().DropOnCurrent(data);
}

// ---- Drawing ----

void CDashBordDlg::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(150, 160, 175));
    painter.setBrush(QColor(236, 240, 245));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);

    const QRect area = PictureRect();
    const QPixmap& picture = m_pictures[GetPicture()];
    if (!picture.isNull()) {
        painter.drawPixmap(area, picture);
    } else {
        painter.setPen(QColor(90, 90, 90));
        painter.drawText(area, Qt::AlignCenter, m_bConnected ? tr("Parcelo") : tr("Disconnected"));
    }
    if (m_strPercent.empty()) return;
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(22);
    QPainterPath text;
    const QString percent = QString::fromStdString(m_strPercent).trimmed();
    const QRect bounds = QFontMetrics(font).boundingRect(percent);
    text.addText(area.center().x() - bounds.width() / 2.0, area.center().y() + bounds.height() / 3.0, font, percent);
    painter.setPen(QPen(QColor(255, 255, 255, 220), 3));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(text);
    painter.fillPath(text, QColor(30, 40, 60));
}

}  // namespace parcelo
