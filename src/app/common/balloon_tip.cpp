#include "app/common/balloon_tip.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QStyle>

#include "app/common/screen_place.h"

namespace parcelo {

namespace {

// The session's texts break lines with "\r\n" (and "\n\r").
QString DisplayText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace("\r\n", "\n").replace("\n\r", "\n").replace('\r', '\n');
    return shown.trimmed();
}

}  // namespace

CBalloonTip::CBalloonTip(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint), m_pTitle(new QLabel), m_pText(new QLabel) {
    setObjectName("balloon");
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(10, 8, 10, 10);
    auto* icon = new QLabel;
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(24, 24));
    layout->addWidget(icon, 0, 0, Qt::AlignTop);
    QFont bold = m_pTitle->font();
    bold.setBold(true);
    m_pTitle->setFont(bold);
    m_pTitle->setTextFormat(Qt::PlainText);
    m_pText->setTextFormat(Qt::PlainText);
    layout->addWidget(m_pTitle, 0, 1);
    layout->addWidget(m_pText, 1, 1);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CBalloonTip::CloseBalloon);
}

void CBalloonTip::ShowBalloon(const QRect& beside, const QList<QRect>& avoid, const std::string& title,
                              const std::string& text, int msec) {
    m_pTitle->setText(DisplayText(title));
    m_pText->setText(DisplayText(text));
    const QRect room = RoomAt(beside.center(), ScreenRooms());
    const QList<QRect> clearOf = QList<QRect>(avoid) << beside;
    // Each sizes the balloon first.
    QList<QPoint> places = Candidates(beside, 0);
    std::optional<QPoint> at = FirstClearPlace(size(), places, clearOf, room);
    if (!at) {
        places = Candidates(beside, beside.width());
        at = FirstClearPlace(size(), places, clearOf, room);
    }
    if (!at) {
        places = Candidates(beside, 0);
        at = KeepInside(QRect(places.front(), size()), room);
    }
    move(*at);
    show();
    raise();
    m_timer.start(msec);
}

QList<QPoint> CBalloonTip::Candidates(const QRect& beside, int width) {
    m_pText->setWordWrap(width > 0);
    adjustSize();
    if (width > 0) {
        const int wrapped = heightForWidth(width);
        resize(width, wrapped > 0 ? wrapped : sizeHint().height());
    }
    const int w = this->width();
    const int h = height();
    // Right-aligned with the window first, as a balloon of its corner.
    return {{beside.right() + 1 - w, beside.top() - h}, {beside.left(), beside.top() - h},
            {beside.right() + 1 - w, beside.bottom() + 1}, {beside.left(), beside.bottom() + 1},
            {beside.right() + 1, beside.top()},          {beside.left() - w, beside.top()}};
}

void CBalloonTip::CloseBalloon() {
    m_timer.stop();
    hide();
}

std::string CBalloonTip::GetTitle() const { return m_pTitle->text().toStdString(); }

std::string CBalloonTip::GetText() const { return m_pText->text().toStdString(); }

void CBalloonTip::mousePressEvent(QMouseEvent* /*event*/) { CloseBalloon(); }

void CBalloonTip::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(120, 120, 90));
    painter.setBrush(QColor(255, 255, 225));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
}

}  // namespace parcelo
