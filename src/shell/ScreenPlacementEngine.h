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
    // nearest one) so that it lies on a screen: wholly inside the visible frame
    // across, unless it is wider. Not rounded.
    QRectF clampToScreens(const QRectF& frame) const;

    // How far the detail card stands sideways from under the centre of the bar
    // (its resting frame), so that the card, cardWidth wide, lies inside the
    // visible frame of the bar's screen with cardEdgeGap to spare on either
    // side; 0 when it fits there already. Whole pixels.
    double cardShift(const QRectF& barFrame, double cardWidth) const;
    // The window that holds the bar and its card, moved up or down (never
    // sideways: the bar must not move across) so that it lies inside the visible
    // frame of the bar's screen: a top above it comes back topMargin below the
    // visible top, then a bottom below it comes back 4 above the visible bottom.
    QRectF fitCardWindow(const QRectF& window, const QRectF& barFrame) const;
    static constexpr double cardEdgeGap = 8;

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
    static double cardShift(double barCentreX, double cardWidth, const QRectF& visibleFrame);
    static QRectF fitVertically(const QRectF& frame, const QRectF& visibleFrame, double topMargin);

private:
    ScreenSource screens_;
};

} // namespace meterix
