#pragma once

#include <optional>

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace parcelo {

// Where a window may be: the free area (without panels) of the screen that
// holds `point`, else of the screen nearest to it; empty without screens.
QRect RoomAt(const QPoint& point, const QList<QRect>& rooms);

// The top-left corner that puts `window` fully inside `room`, moving it as
// little as possible; a window larger than the room keeps its top-left
// corner inside it.
QPoint KeepInside(const QRect& window, const QRect& room);

// The first of the `candidates` (top-left corners) where a window of `size`,
// moved inside `room`, fits whole and covers none of `avoid`; none when
// no candidate does.
std::optional<QPoint> FirstClearPlace(const QSize& size, const QList<QPoint>& candidates, const QList<QRect>& avoid,
                                      const QRect& room);

// The free areas of the screens the program sees.
QList<QRect> ScreenRooms();

}  // namespace parcelo
