#include "app/common/screen_place.h"

#include <algorithm>
#include <limits>

#include <QGuiApplication>
#include <QScreen>

namespace parcelo {
namespace {

// How far the point lies outside the rectangle (0 inside), in both axes.
int64_t DistanceSquared(const QPoint& point, const QRect& rect) {
    const int64_t dx = std::max({rect.left() - point.x(), 0, point.x() - rect.right()});
    const int64_t dy = std::max({rect.top() - point.y(), 0, point.y() - rect.bottom()});
    return dx * dx + dy * dy;
}

// The rectangle mirrored across the diagonal: x for y, width for height.
QRect Transposed(const QRect& rect) { return {rect.y(), rect.x(), rect.height(), rect.width()}; }

// MakeWayFor along the x axis only.
std::optional<SideBySide> MakeWayAcross(const QRect& small, const QRect& large, int minimumWidth, const QRect& room,
                                        int gap) {
    const int width = std::min(large.width(), room.width() - gap - small.width());
    if (width < minimumWidth || width <= 0) return std::nullopt;
    const int spare = room.width() - width - gap - small.width();
    if (small.center().x() > large.center().x()) {
        const int smallLeft = std::clamp(small.left(), room.left() + width + gap, room.left() + width + gap + spare);
        const int largeLeft = std::clamp(large.left(), room.left(), smallLeft - gap - width);
        return SideBySide{{smallLeft, small.top()}, {largeLeft, large.top(), width, large.height()}};
    }
    const int smallLeft = std::clamp(small.left(), room.left(), room.left() + spare);
    const int largeLeft = std::clamp(large.left(), smallLeft + small.width() + gap, room.right() + 1 - width);
    return SideBySide{{smallLeft, small.top()}, {largeLeft, large.top(), width, large.height()}};
}

}  // namespace

QRect RoomAt(const QPoint& point, const QList<QRect>& rooms) {
    QRect nearest;
    int64_t best = std::numeric_limits<int64_t>::max();
    for (const QRect& room : rooms) {
        const int64_t distance = DistanceSquared(point, room);
        if (distance < best) {
            best = distance;
            nearest = room;
        }
    }
    return nearest;
}

QPoint KeepInside(const QRect& window, const QRect& room) {
    if (room.isEmpty()) return window.topLeft();
    const int x = std::max(room.left(), std::min(window.left(), room.right() + 1 - window.width()));
    const int y = std::max(room.top(), std::min(window.top(), room.bottom() + 1 - window.height()));
    return {x, y};
}

std::optional<QPoint> FirstClearPlace(const QSize& size, const QList<QPoint>& candidates, const QList<QRect>& avoid,
                                      const QRect& room) {
    for (const QPoint& candidate : candidates) {
        const QRect placed(KeepInside(QRect(candidate, size), room), size);
        const bool clear = std::none_of(avoid.begin(), avoid.end(), [&](const QRect& r) { return r.intersects(placed); });
        if (room.contains(placed) && clear) return placed.topLeft();
    }
    return std::nullopt;
}

std::optional<SideBySide> MakeWayFor(const QRect& small, const QRect& large, const QSize& minimum, const QRect& room,
                                     int gap) {
    if (std::optional<SideBySide> across = MakeWayAcross(small, large, minimum.width(), room, gap)) return across;
    const std::optional<SideBySide> down =
        MakeWayAcross(Transposed(small), Transposed(large), minimum.height(), Transposed(room), gap);
    if (!down) return std::nullopt;
    return SideBySide{{down->small.y(), down->small.x()}, Transposed(down->large)};
}

QList<QRect> ScreenRooms() {
    QList<QRect> rooms;
    for (const QScreen* screen : QGuiApplication::screens()) rooms.append(screen->availableGeometry());
    return rooms;
}

}  // namespace parcelo
