#pragma once

#include <QList>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSizeF>

#include <functional>
#include <optional>

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
    // The same, with the origin at whole pixels: where a window is put. A
    // visible frame may end on a half (a 25 px panel at twice the scale); a bar
    // left there would move by that half when its card's window, rounded
    // itself, takes its place.
    QRectF clampToScreensAtWholePixels(const QRectF& frame) const;
    // Whether the frame meets the visible frame of some screen.
    bool meetsAVisibleFrame(const QRectF& frame) const;
    // The visible frame of the screen under the frame's bottom-left corner.
    QRectF visibleFrameUnder(const QRectF& frame) const;

    // How far the detail card stands sideways from under the centre of the bar
    // (its resting frame), so that the card, cardWidth wide, lies inside the
    // visible frame of the bar's screen with cardEdgeGap to spare on either
    // side; 0 when it fits there already. Whole pixels.
    double cardShift(const QRectF& barFrame, double cardWidth) const;
    static constexpr double cardEdgeGap = 8;
    // The visible frame of the screen that holds the bar's centre; nothing
    // without screens.
    std::optional<QRectF> visibleFrameOf(const QRectF& barFrame) const;

    // Which way the detail card opens from the bar's window (bar, the bleed
    // round the bar included) when the card makes the window cardExtent taller.
    // The bar never moves for its card, so the card goes where it fits inside
    // the visible frame: the side the bar's height on the screen suggests
    // (upward when the bar's bottom edge is less than directionThreshold above
    // the visible bottom) when the card fits there, else the other side when it
    // fits there, else the side with more room. Without an extent (the card not
    // measured yet) the suggested side.
    static bool cardOpensUpward(const QRectF& bar, std::optional<double> cardExtent, double bleed,
                                const QRectF& visibleFrame);
    // How much the window may grow on that side with the card still inside the
    // visible frame (a card taller than that is shortened to it).
    static double cardRoom(const QRectF& bar, double bleed, const QRectF& visibleFrame, bool upward);
    static constexpr double directionThreshold = 260;

    // The status-item panel: its card drawn inside a transparent margin, hung
    // from the status item (or a point standing for it).
    struct StatusPanel {
        static constexpr double cardMargin = 18; // the card's transparent margin for its shadow
        static constexpr double anchorGap = 5;   // from the status item's edge to the card
        static constexpr double edgeInset = 8;   // the card keeps this far from the visible frame
    };
    // The panel's frame for a content size (its margin included) under anchor
    // (empty: the top of the main screen's visible frame): centred under it,
    // the card 5 below it, kept 8 inside the visible frame at the sides and
    // the bottom; a card lifted above the visible top comes back 8 below it.
    // Whole pixels.
    static QRectF statusPanelFrame(const QSizeF& size, const QRectF& anchor, const QList<ScreenArea>& screens);
    // The tallest content (its margin included) whose card lies wholly inside
    // that visible frame: hanging from an anchor in the upper half of its
    // screen, the room below the anchor; else the visible height.
    static double statusPanelHeightLimit(const QRectF& anchor, const QList<ScreenArea>& screens);
    // Where to anchor without an icon frame: the top-right corner of the
    // visible frame of the screen under the pointer.
    static QRectF pointerAnchor(const QPointF& pointer, const QList<ScreenArea>& screens);

    // The one rounding of every placement: to the nearest whole pixel, halves
    // away from zero.
    static double wholePixel(double coordinate);
    static QPointF atWholePixels(const QPointF& point);
    // A frame as a window takes it: the one conversion from logical pixels,
    // every edge at whole pixels, at least one pixel each way.
    static QRect windowRect(const QRectF& frame);
    // size centred across the visible frame, inset below its top; the left
    // edge at a whole pixel.
    static QRectF topCenterFrame(const QRectF& visibleFrame, const QSizeF& size, double inset);

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

private:
    ScreenSource screens_;
};

} // namespace meterix
