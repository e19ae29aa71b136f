#include "shell/PanelReanchor.h"

#include "shell/ScreenPlacementEngine.h"

#include <QGuiApplication>
#include <QScreen>

namespace meterix {

QRectF PanelReanchor::frame(const QRectF& anchor, const QSizeF& size, bool opensUpward,
                            PanelHorizontalPin horizontal) {
    const double x = horizontal == PanelHorizontalPin::leading ? anchor.left()
                                                               : anchor.center().x() - size.width() / 2;
    const double y = opensUpward ? anchor.bottom() - size.height() : anchor.top();
    return QRectF(ScreenPlacementEngine::atWholePixels(QPointF(x, y)), size);
}

std::optional<PanelReanchor::ScreenMove> PanelReanchor::afterScreenChange(const QRectF& resting, const QRectF& window,
                                                                          bool holdsCard, bool opensUpward,
                                                                          const ScreenPlacementEngine& screens) {
    const QRectF clamped = screens.clampToScreensAtWholePixels(resting);
    if (clamped.topLeft() == resting.topLeft()) return std::nullopt;
    ScreenMove move{resting, std::nullopt};
    move.resting.moveTopLeft(clamped.topLeft());
    if (holdsCard) move.window = frame(move.resting, window.size(), opensUpward, PanelHorizontalPin::center);
    return move;
}

PanelScreenWatch::PanelScreenWatch(QObject* parent) : QObject(parent) {
    coalescer_.setSingleShot(true);
    coalescer_.setInterval(0);
    connect(&coalescer_, &QTimer::timeout, this, &PanelScreenWatch::changed);
}

void PanelScreenWatch::start() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app) return;
    auto watch = [this](QScreen* screen) {
        connect(screen, &QScreen::geometryChanged, &coalescer_, qOverload<>(&QTimer::start));
        connect(screen, &QScreen::availableGeometryChanged, &coalescer_, qOverload<>(&QTimer::start));
    };
    for (QScreen* s : QGuiApplication::screens()) watch(s);
    connect(app, &QGuiApplication::screenAdded, this, [this, watch](QScreen* s) {
        watch(s);
        coalescer_.start();
    });
    connect(app, &QGuiApplication::screenRemoved, &coalescer_, qOverload<>(&QTimer::start));
    connect(app, &QGuiApplication::primaryScreenChanged, &coalescer_, qOverload<>(&QTimer::start));
}

} // namespace meterix
