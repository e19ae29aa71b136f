#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>

#include <functional>

namespace meterix {

// One display: its whole area and the part windows may use (without panels and
// docks), in global logical pixels with y growing downwards.
struct ScreenArea {
    QRectF frame;
    QRectF visibleFrame;
    bool operator==(const ScreenArea&) const = default;
};

// Keeps the floating bar on a usable part of the screens: which screen a point
// belongs to, and where a window frame has to move to lie inside a screen's
// visible area. A pure function of the screen list it is given; it keeps no
// history. The primary screen comes first in that list. GUI thread.
class ScreenPlacementEngine {
public:
    using ScreenSource = std::function<QList<ScreenArea>()>;

    explicit ScreenPlacementEngine(ScreenSource screens);

    // The instance on the application's screens.
    static ScreenPlacementEngine& shared();
    // The application's screens, primary first; placeholder screens Qt keeps
    // while no monitor is connected (empty geometry) are left out.
    static QList<ScreenArea> systemScreens();

    // The gap kept between a clamped frame's top edge and the visible top.
    double topMargin = 8;

    QList<ScreenArea> screens() const { return screens_(); }

    // The first screen whose frame holds the point (left and top edges belong
    // to it, right and bottom edges do not), else the nearest one, the earlier
    // screen winning a tie; with no screens the primary, else an empty area.
    ScreenArea screen(const QPointF& point) const;

    // The frame moved (narrowed, when it is off every screen and wider than the
    // nearest one) so that it lies on a screen. Not rounded.
    QRectF clampToScreens(const QRectF& frame) const;

    // The visible frame of the primary screen, else (0, 0, 1440, 900).
    QRectF mainVisibleFrame() const;
    static QRectF fallbackVisibleFrame() { return QRectF(0, 0, 1440, 900); }

    // The largest right or bottom edge, width or height among the screens (the
    // fallback frame's without screens): saved geometry far beyond it is not
    // trusted.
    double largestExtent() const;

    // Pure forms, on an explicit list.
    static ScreenArea screen(const QList<ScreenArea>& screens, const QPointF& point);
    static QRectF clampToScreens(const QList<ScreenArea>& screens, const QRectF& frame, double topMargin);

private:
    ScreenSource screens_;
};

} // namespace meterix
