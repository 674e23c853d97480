// Draws the program's skin: the four drop tray pictures, the five button
// image pairs and the busy animation, written as PNG files into the folder
// given on the command line. Run at build time; shapes only, no fonts, so
// it needs no display.

#include <cmath>
#include <cstdio>
#include <functional>

#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QString>

namespace {

constexpr int kTraySize = 128;
constexpr int kButtonSize = 24;
constexpr int kFrameSize = 48;
constexpr int kFrameCount = 12;

const QColor kInk(0x3a, 0x44, 0x4e);
const QColor kHighlight(0x2f, 0x7d, 0xd1);

using Painting = std::function<void(QPainter&)>;

bool Save(const QImage& image, const QString& folder, const char* name) {
    const QString path = folder + "/" + name;
    if (image.save(path, "PNG")) return true;
    std::fprintf(stderr, "make_skin: cannot write %s\n", path.toLocal8Bit().constData());
    return false;
}

QImage Draw(int width, int height, const Painting& paint) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter);
    return image;
}

// ---- the drop tray: an open parcel bin ----

struct TrayLook {
    QColor body;
    QColor rim;
    bool parcels = false;
    bool arrow = false;
    bool unplugged = false;
};

QPainterPath BinBody() {
    QPainterPath body;
    body.moveTo(12, 52);
    body.lineTo(116, 52);
    body.lineTo(108, 112);
    body.quadTo(107, 118, 100, 118);
    body.lineTo(28, 118);
    body.quadTo(21, 118, 20, 112);
    body.closeSubpath();
    return body;
}

void DrawParcel(QPainter& painter, const QRectF& box, double angle) {
    painter.save();
    painter.translate(box.center());
    painter.rotate(angle);
    const QRectF local(-box.width() / 2, -box.height() / 2, box.width(), box.height());
    painter.setPen(QPen(QColor(0x7a, 0x52, 0x2a), 1.5));
    painter.setBrush(QColor(0xc8, 0x93, 0x55));
    painter.drawRoundedRect(local, 2, 2);
    painter.setPen(QPen(QColor(0xe9, 0xd3, 0x9f), 3));
    painter.drawLine(QPointF(0, local.top() + 1.5), QPointF(0, local.bottom() - 1.5));
    painter.restore();
}

void DrawArrow(QPainter& painter) {
    QPolygonF arrow;
    arrow << QPointF(56, 4) << QPointF(72, 4) << QPointF(72, 20) << QPointF(82, 20) << QPointF(64, 38)
          << QPointF(46, 20) << QPointF(56, 20);
    painter.setPen(QPen(QColor(0x1f, 0x7a, 0x3a), 2));
    painter.setBrush(QColor(0x4c, 0xc2, 0x6a));
    painter.drawPolygon(arrow);
}

void DrawUnplugged(QPainter& painter) {
    const QRectF badge(84, 84, 38, 38);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(badge);
    painter.setPen(QPen(QColor(0xc6, 0x28, 0x28), 5));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(badge.adjusted(4, 4, -4, -4));
    painter.drawLine(QPointF(92, 114), QPointF(114, 92));
}

void DrawTray(QPainter& painter, const TrayLook& look) {
    // The shadow and the inside of the bin behind its contents.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 50));
    painter.drawEllipse(QRectF(18, 112, 92, 12));
    painter.setBrush(look.rim.darker(220));
    painter.drawRoundedRect(QRectF(10, 40, 108, 16), 4, 4);
    if (look.parcels) {
        DrawParcel(painter, QRectF(20, 26, 36, 28), -10);
        DrawParcel(painter, QRectF(70, 22, 38, 32), 8);
        DrawParcel(painter, QRectF(46, 32, 34, 24), 2);
    }
    QLinearGradient shade(12, 0, 116, 0);
    shade.setColorAt(0, look.body.lighter(125));
    shade.setColorAt(0.55, look.body);
    shade.setColorAt(1, look.body.darker(140));
    painter.setPen(QPen(look.body.darker(170), 2));
    painter.setBrush(shade);
    painter.drawPath(BinBody());
    // A hand hold, a rib and the front rim of the crate.
    painter.setPen(QPen(look.body.darker(130), 2));
    painter.drawLine(QPointF(24, 96), QPointF(104, 96));
    painter.setPen(QPen(look.body.darker(170), 1.5));
    painter.setBrush(look.rim.darker(220));
    painter.drawRoundedRect(QRectF(48, 66, 32, 10), 5, 5);
    painter.setPen(QPen(look.rim.darker(150), 2));
    painter.setBrush(look.rim);
    painter.drawRoundedRect(QRectF(8, 46, 112, 10), 4, 4);
    if (look.arrow) DrawArrow(painter);
    if (look.unplugged) DrawUnplugged(painter);
}

// ---- buttons: a glyph, plain or on a highlighted plate ----

void DrawClose(QPainter& painter, const QColor& ink) {
    painter.setPen(QPen(ink, 2.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(7, 7), QPointF(17, 17));
    painter.drawLine(QPointF(17, 7), QPointF(7, 17));
}

void DrawFolderOpen(QPainter& painter, const QColor& ink) {
    painter.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    QPolygonF back;
    back << QPointF(4, 18) << QPointF(4, 6) << QPointF(9, 6) << QPointF(11, 8) << QPointF(18, 8) << QPointF(18, 11);
    painter.drawPolyline(back);
    QPolygonF front;
    front << QPointF(4, 18) << QPointF(7.5, 11) << QPointF(21, 11) << QPointF(17.5, 18);
    painter.setBrush(QColor(ink.red(), ink.green(), ink.blue(), 90));
    painter.drawPolygon(front);
}

void DrawDown(QPainter& painter, const QColor& ink) {
    QPolygonF arrow;
    arrow << QPointF(6, 9) << QPointF(18, 9) << QPointF(12, 16);
    painter.setPen(QPen(ink, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(ink);
    painter.drawPolygon(arrow);
}

void DrawStop(QPainter& painter, const QColor& ink) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink == kInk ? QColor(0xc6, 0x28, 0x28) : ink);
    painter.drawRoundedRect(QRectF(6.5, 6.5, 11, 11), 2, 2);
}

void DrawInfo(QPainter& painter, const QColor& ink) {
    painter.setPen(QPen(ink, 1.8));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(3.5, 3.5, 17, 17));
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawEllipse(QRectF(10.6, 6.8, 2.8, 2.8));
    painter.drawRoundedRect(QRectF(10.7, 10.5, 2.6, 7.5), 1, 1);
}

using Glyph = void (*)(QPainter&, const QColor&);

QImage Button(Glyph glyph, bool highlighted) {
    return Draw(kButtonSize, kButtonSize, [&](QPainter& painter) {
        if (highlighted) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(kHighlight);
            painter.drawRoundedRect(QRectF(0.5, 0.5, kButtonSize - 1, kButtonSize - 1), 5, 5);
        }
        glyph(painter, highlighted ? QColor(Qt::white) : kInk);
    });
}

// ---- the busy animation: twelve dots going round, one frame per step ----

void DrawSpinner(QPainter& painter, int frame) {
    const QPointF centre(kFrameSize / 2.0, kFrameSize / 2.0);
    painter.setPen(Qt::NoPen);
    for (int dot = 0; dot < kFrameCount; ++dot) {
        const int age = (frame - dot + kFrameCount) % kFrameCount;
        const double angle = dot * 2 * M_PI / kFrameCount - M_PI / 2;
        const QPointF at = centre + QPointF(std::cos(angle), std::sin(angle)) * 17;
        QColor colour = kHighlight;
        colour.setAlpha(255 - age * 18);
        painter.setBrush(colour);
        const double radius = 4.2 - age * 0.2;
        painter.drawEllipse(at, radius, radius);
    }
}

QImage Animation() {
    return Draw(kFrameSize * kFrameCount, kFrameSize, [](QPainter& painter) {
        for (int frame = 0; frame < kFrameCount; ++frame) {
            painter.save();
            painter.translate(frame * kFrameSize, 0);
            DrawSpinner(painter, frame);
            painter.restore();
        }
    });
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_skin <output folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "make_skin: cannot create %s\n", argv[1]);
        return 1;
    }

    const QColor blue(0x3d, 0x7e, 0xc4), grey(0x9a, 0xa1, 0xa8), green(0x45, 0xa0, 0x6a);
    const auto tray = [](const TrayLook& look) {
        return Draw(kTraySize, kTraySize, [&](QPainter& painter) { DrawTray(painter, look); });
    };
    bool ok = Save(tray({blue, blue.lighter(130)}), folder, "vandle_empty128.png");
    ok &= Save(tray({blue, blue.lighter(130), true}), folder, "vandle_full128.png");
    ok &= Save(tray({green, green.lighter(130), true, true}), folder, "vandle_full_r128.png");
    ok &= Save(tray({grey, grey.lighter(120), false, false, true}), folder, "vandle_disconnected128.png");

    const struct {
        Glyph glyph;
        const char* normal;
        const char* highlighted;
    } buttons[] = {
        {DrawClose, "Close24.png", "Close24H.png"},
        {DrawFolderOpen, "folderopenb24.png", "folderopenb24H.png"},
        {DrawDown, "down24.png", "down24h.png"},
        {DrawStop, "Stop24.png", "Stop24H.png"},
        {DrawInfo, "infoabout24.png", "infoabout24H.png"},
    };
    for (const auto& button : buttons) {
        ok &= Save(Button(button.glyph, false), folder, button.normal);
        ok &= Save(Button(button.glyph, true), folder, button.highlighted);
    }
    ok &= Save(Animation(), folder, "FINDCOMP.png");
    return ok ? 0 : 1;
}
