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

} // namespace

ScreenPlacementEngine::ScreenPlacementEngine(ScreenSource screens) : screens_(std::move(screens)) {}

ScreenPlacementEngine& ScreenPlacementEngine::shared() {
    static ScreenPlacementEngine* instance = new ScreenPlacementEngine(&systemScreens); // never released
    return *instance;
}

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

double ScreenPlacementEngine::cardShift(const QRectF& barFrame, double cardWidth) const {
    const QList<ScreenArea> all = screens();
    if (all.isEmpty()) return 0;
    return cardShift(barFrame.center().x(), cardWidth, screen(all, barFrame.center()).visibleFrame);
}

QRectF ScreenPlacementEngine::fitCardWindow(const QRectF& window, const QRectF& barFrame) const {
    const QList<ScreenArea> all = screens();
    if (all.isEmpty()) return window;
    return fitVertically(window, screen(all, barFrame.center()).visibleFrame, topMargin);
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

QRectF ScreenPlacementEngine::fitVertically(const QRectF& frame, const QRectF& visibleFrame, double topMargin) {
    QRectF f = frame;
    if (f.top() < visibleFrame.top()) f.moveTop(visibleFrame.top() + topMargin);
    if (f.bottom() > visibleFrame.bottom()) f.moveTop(visibleFrame.bottom() - kOnScreenBottomGap - f.height());
    return f;
}

} // namespace meterix
