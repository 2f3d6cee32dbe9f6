#pragma once

// Where the game window was when the player last closed it, and where it may open again.

#include <QList>
#include <QRect>

namespace platform {

struct WindowPlacement {
    // The window's inside, in desktop coordinates; when full screen, where it goes back to.
    QRect geometry;
    bool fullScreen = false;
};

// `saved` as it may be shown on these screens (their available areas, the primary one first):
// unchanged when a good part of it shows on one of them; otherwise moved onto the screen it
// overlaps most (the primary one when none), made no larger than that screen, and kept inside it.
// A size of nothing is left as it is; with no screens at all, so is the rectangle.
QRect keepInSight(QRect saved, const QList<QRect>& screens);

} // namespace platform
