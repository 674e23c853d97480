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

// A small window placed beside a large one, the large one moved (and
// shrunk, when the screen is too small for both) to make way for it.
struct SideBySide {
    QPoint small;
    QRect large;
};

// Where `small`, which covers part of `large`, and `large` go so that they
// stand side by side inside `room`, `gap` apart: left and right of each
// other, else one above the other. The small window stays on its side of
// the large one and moves only as far as it must; the large one moves the
// rest of the way, shrunk down to `minimum` at most. None when they do not
// fit even so.
std::optional<SideBySide> MakeWayFor(const QRect& small, const QRect& large, const QSize& minimum, const QRect& room,
                                     int gap);

// The free areas of the screens the program sees.
QList<QRect> ScreenRooms();

}  // namespace parcelo
