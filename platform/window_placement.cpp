#include "platform/window_placement.h"

#include <algorithm>

namespace platform {

namespace {

// Enough of a window to see that it is there and to take it by its title bar.
constexpr int VisibleWidth = 160;
constexpr int VisibleHeight = 120;

long long area(const QRect& r)
{
    return r.isEmpty() ? 0 : static_cast<long long>(r.width()) * r.height();
}

bool showsEnough(const QRect& window, const QRect& screen)
{
    const QRect seen = window.intersected(screen);
    return seen.width() >= std::min(VisibleWidth, window.width())
        && seen.height() >= std::min(VisibleHeight, window.height());
}

} // namespace

QRect keepInSight(QRect saved, const QList<QRect>& screens)
{
    if (screens.isEmpty() || saved.isEmpty())
        return saved;
    for (const QRect& screen : screens) {
        if (showsEnough(saved, screen))
            return saved;
    }
    QRect target = screens.front();
    for (const QRect& screen : screens) {
        if (area(saved.intersected(screen)) > area(saved.intersected(target)))
            target = screen;
    }
    QRect placed(saved.topLeft(), saved.size().boundedTo(target.size()));
    placed.moveLeft(std::clamp(placed.left(), target.left(), target.right() + 1 - placed.width()));
    placed.moveTop(std::clamp(placed.top(), target.top(), target.bottom() + 1 - placed.height()));
    return placed;
}

} // namespace platform
