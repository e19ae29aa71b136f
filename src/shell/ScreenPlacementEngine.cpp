#include "shell/ScreenPlacementEngine.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace meterix {

namespace {

constexpr double kOnScreenBottomGap = 4;
constexpr double kOffScreenGap = 8;

// Distance from a point to a rectangle (0 inside it).
double distanceTo(const QRectF& r, const QPointF& p) {
    const double dx = std::max({r.left() - p.x(), p.x() - r.right(), 0.0});
    const double dy = std::max({r.top() - p.y(), p.y() - r.bottom(), 0.0});
    return std::hypot(dx, dy);
}

bool frameHolds(const QRectF& r, const QPointF& p) {
    return r.left() <= p.x() && p.x() < r.right() && r.top() <= p.y() && p.y() < r.bottom();
}

// The centre test of the clamp: the bottom edge belongs to the area, the top
// edge does not.
bool visibleHoldsCentre(const QRectF& r, const QPointF& p) {
    return r.left() <= p.x() && p.x() < r.right() && r.top() < p.y() && p.y() <= r.bottom();
}

// A top above the visible top comes back topMargin below it, then a bottom
// below the visible bottom comes back 4 above it (the bottom wins).
QRectF fitVertically(const QRectF& frame, const QRectF& visibleFrame, double topMargin) {
    QRectF f = frame;
    if (f.top() < visibleFrame.top()) f.moveTop(visibleFrame.top() + topMargin);
    if (f.bottom() > visibleFrame.bottom()) f.moveTop(visibleFrame.bottom() - kOnScreenBottomGap - f.height());
    return f;
}

} // namespace

ScreenPlacementEngine::ScreenPlacementEngine(ScreenSource screens) : screens_(std::move(screens)) {}

QList<ScreenArea> ScreenPlacementEngine::systemScreens() {
    QList<ScreenArea> areas;
    for (QScreen* s : QGuiApplication::screens()) {
        const QRect frame = s->geometry();
        if (frame.isEmpty()) continue;
        QRect visible = s->availableGeometry();
        if (visible.isEmpty()) visible = frame;
        areas.append(ScreenArea{QRectF(frame), QRectF(visible)});
    }
    return areas;
}

ScreenArea ScreenPlacementEngine::screen(const QPointF& point) const { return screen(screens(), point); }

QRectF ScreenPlacementEngine::clampToScreens(const QRectF& frame) const {
    return clampToScreens(screens(), frame, topMargin);
}

QRectF ScreenPlacementEngine::clampToScreensAtWholePixels(const QRectF& frame) const {
    QRectF f = clampToScreens(frame);
    f.moveTopLeft(atWholePixels(f.topLeft()));
    return f;
}

bool ScreenPlacementEngine::meetsAVisibleFrame(const QRectF& frame) const {
    const QList<ScreenArea> all = screens();
    return std::any_of(all.cbegin(), all.cend(), [&](const ScreenArea& s) { return frame.intersects(s.visibleFrame); });
}

QRectF ScreenPlacementEngine::visibleFrameUnder(const QRectF& frame) const {
    return screen(QPointF(frame.left(), frame.bottom())).visibleFrame;
}

double ScreenPlacementEngine::cardShift(const QRectF& barFrame, double cardWidth) const {
    const std::optional<QRectF> visible = visibleFrameOf(barFrame);
    return visible ? cardShift(barFrame.center().x(), cardWidth, *visible) : 0;
}

std::optional<QRectF> ScreenPlacementEngine::visibleFrameOf(const QRectF& barFrame) const {
    const QList<ScreenArea> all = screens();
    if (all.isEmpty()) return std::nullopt;
    return screen(all, barFrame.center()).visibleFrame;
}

bool ScreenPlacementEngine::cardOpensUpward(const QRectF& bar, std::optional<double> cardExtent, double bleed,
                                            const QRectF& visibleFrame) {
    const bool suggested = visibleFrame.bottom() - bar.bottom() < directionThreshold;
    if (!cardExtent) return suggested;
    const double below = cardRoom(bar, bleed, visibleFrame, false);
    const double above = cardRoom(bar, bleed, visibleFrame, true);
    const bool fitsBelow = *cardExtent <= below;
    const bool fitsAbove = *cardExtent <= above;
    if (suggested ? fitsAbove : fitsBelow) return suggested;
    if (suggested ? fitsBelow : fitsAbove) return !suggested;
    return above > below;
}

double ScreenPlacementEngine::cardRoom(const QRectF& bar, double bleed, const QRectF& visibleFrame, bool upward) {
    // From the bar's visible part (inside its bleed) to the visible edge.
    return upward ? (bar.top() + bleed) - visibleFrame.top() : visibleFrame.bottom() - (bar.bottom() - bleed);
}

namespace {

// The screen a status panel hangs on and the line its card hangs from.
struct PanelHanging {
    QRectF visible;
    double line;
};

PanelHanging hangingOf(const QRectF& anchor, const QList<ScreenArea>& screens) {
    std::optional<ScreenArea> screen;
    if (!anchor.isEmpty())
        for (const ScreenArea& s : screens)
            if (s.frame.intersects(anchor)) {
                screen = s;
                break;
            }
    if (!screen && !screens.isEmpty()) screen = screens.first();
    const QRectF v = screen ? screen->visibleFrame : ScreenPlacementEngine::fallbackVisibleFrame();
    // The status item's lower edge, or the top of the visible frame.
    return {v, anchor.isEmpty() ? v.top() : anchor.bottom()};
}

} // namespace

QRectF ScreenPlacementEngine::statusPanelFrame(const QSizeF& size, const QRectF& anchor,
                                               const QList<ScreenArea>& screens) {
    using P = StatusPanel;
    const double w = size.width(), h = size.height();
    const auto [v, line] = hangingOf(anchor, screens);
    const QRectF a = anchor.isEmpty() ? v : anchor;
    double x = a.center().x() - w / 2;
    double y = line + P::anchorGap - P::cardMargin;
    if (x + P::cardMargin < v.left() + P::edgeInset)
        x = v.left() + P::edgeInset - P::cardMargin;
    else if (x + w - P::cardMargin > v.right() - P::edgeInset)
        x = v.right() - P::edgeInset - w + P::cardMargin;
    if (y + h - P::cardMargin > v.bottom() - P::edgeInset) y = v.bottom() - P::edgeInset - h + P::cardMargin;
    // Lifted above a short screen's top, the card's header would be out of
    // sight: the top wins (the content is kept short enough for the bottom to
    // fit as well).
    if (y + P::cardMargin < v.top()) y = v.top() + P::edgeInset - P::cardMargin;
    return QRectF(atWholePixels(QPointF(x, y)), QSizeF(w, h));
}

double ScreenPlacementEngine::statusPanelHeightLimit(const QRectF& anchor, const QList<ScreenArea>& screens) {
    using P = StatusPanel;
    const auto [v, line] = hangingOf(anchor, screens);
    double card = v.height() - 2 * P::edgeInset;
    // Hung from an item high on the screen the card stays under it, off the
    // strip that holds it.
    if (line < v.center().y()) card = v.bottom() - P::edgeInset - std::max(line + P::anchorGap, v.top());
    return std::floor(card) + 2 * P::cardMargin;
}

QRectF ScreenPlacementEngine::pointerAnchor(const QPointF& pointer, const QList<ScreenArea>& screens) {
    const QRectF v = screens.isEmpty() ? fallbackVisibleFrame() : screen(screens, pointer).visibleFrame;
    // A one-point anchor just inside the corner, so it lies on that screen: the
    // card hangs below it and the right-edge rule keeps it 8 from the side.
    return QRectF(v.right() - 1, v.top(), 1, 1);
}

double ScreenPlacementEngine::wholePixel(double coordinate) { return std::round(coordinate); }

QPointF ScreenPlacementEngine::atWholePixels(const QPointF& point) {
    return QPointF(wholePixel(point.x()), wholePixel(point.y()));
}

QRect ScreenPlacementEngine::windowRect(const QRectF& frame) {
    const auto whole = [](double v) { return int(wholePixel(v)); };
    return QRect(whole(frame.x()), whole(frame.y()), std::max(1, whole(frame.width())),
                 std::max(1, whole(frame.height())));
}

QRectF ScreenPlacementEngine::topCenterFrame(const QRectF& visibleFrame, const QSizeF& size, double inset) {
    return QRectF(wholePixel(visibleFrame.center().x() - size.width() / 2), visibleFrame.top() + inset, size.width(),
                  size.height());
}

QRectF ScreenPlacementEngine::mainVisibleFrame() const {
    const QList<ScreenArea> all = screens();
    return all.isEmpty() ? fallbackVisibleFrame() : all.constFirst().visibleFrame;
}

double ScreenPlacementEngine::largestExtent() const {
    const QList<ScreenArea> all = screens();
    if (all.isEmpty()) {
        const QRectF f = fallbackVisibleFrame();
        return std::max(f.right(), f.bottom());
    }
    double extent = 0;
    for (const ScreenArea& s : all)
        extent = std::max({extent, s.frame.right(), s.frame.bottom(), s.frame.width(), s.frame.height()});
    return extent;
}

ScreenArea ScreenPlacementEngine::screen(const QList<ScreenArea>& screens, const QPointF& point) {
    for (const ScreenArea& s : screens)
        if (frameHolds(s.frame, point)) return s;
    if (screens.isEmpty()) return ScreenArea{};
    const ScreenArea* best = &screens.constFirst();
    double bestDistance = distanceTo(best->frame, point);
    for (const ScreenArea& s : screens) {
        const double d = distanceTo(s.frame, point);
        if (d < bestDistance) {
            best = &s;
            bestDistance = d;
        }
    }
    return *best;
}

QRectF ScreenPlacementEngine::clampToScreens(const QList<ScreenArea>& screens, const QRectF& frame,
                                             double topMargin) {
    if (screens.isEmpty()) return frame;
    QRectF f = frame;
    const QPointF centre = frame.center();
    for (const ScreenArea& s : screens) {
        const QRectF& v = s.visibleFrame;
        if (!visibleHoldsCentre(v, centre)) continue;
        // Mostly on this screen: bring it in across (a bar partly past a side
        // would keep segments out of reach), then the top and the bottom.
        if (f.left() < v.left() || f.width() > v.width()) {
            f.moveLeft(v.left());
        } else if (f.right() > v.right()) {
            f.moveLeft(v.right() - f.width());
        }
        return fitVertically(f, v, topMargin);
    }
    const QRectF v = screen(screens, centre).visibleFrame;
    if (f.width() > v.width()) f.setWidth(v.width() - 2 * kOffScreenGap);
    if (f.left() < v.left()) {
        f.moveLeft(v.left() + kOffScreenGap);
    } else if (f.right() > v.right()) {
        f.moveLeft(v.right() - f.width() - kOffScreenGap);
    }
    if (f.top() < v.top()) {
        f.moveTop(v.top() + topMargin);
        return f;
    }
    if (f.bottom() > v.bottom()) f.moveTop(v.bottom() - f.height() - kOffScreenGap);
    return f;
}

double ScreenPlacementEngine::cardShift(double barCentreX, double cardWidth, const QRectF& visibleFrame) {
    const double left = barCentreX - cardWidth / 2;
    const double right = barCentreX + cardWidth / 2;
    const double roomLeft = visibleFrame.left() + cardEdgeGap;
    const double roomRight = visibleFrame.right() - cardEdgeGap;
    // A card wider than the room keeps its leading edge (the header) in it.
    if (left < roomLeft || cardWidth > roomRight - roomLeft) return std::ceil(roomLeft - left);
    if (right > roomRight) return std::floor(roomRight - right);
    return 0;
}

} // namespace meterix
