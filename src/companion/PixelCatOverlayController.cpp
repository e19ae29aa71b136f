#include "companion/PixelCatOverlayController.h"

#include "companion/CatOverlaySurface.h"
#include "design/SoundEffectsEngine.h"
#include "design/SpringCurve.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace meterix {

PixelCatOverlayController::PixelCatOverlayController(TimerSource& scheduler, ScreenLister screens,
                                                     SurfaceFactory factory, SoundEffectsEngine& feedback)
    : screens_(std::move(screens)), factory_(std::move(factory)),
      feedback_(feedback), pending_(scheduler) {}

PixelCatOverlayController::~PixelCatOverlayController() = default;

PixelCatOverlayController::Screens PixelCatOverlayController::applicationScreens() {
    PixelCatOverlayController::Screens s;
    for (QScreen* screen : QGuiApplication::screens())
        s.frames.append(QRectF(screen->geometry()));
    if (QScreen* primary = QGuiApplication::primaryScreen()) s.primary = QRectF(primary->geometry());
    return s;
}

QRectF PixelCatOverlayController::screenUnion(const Screens& screens) {
    QRectF united;
    for (const QRectF& f : screens.frames)
        if (f.isValid()) united = united.isNull() ? f : united.united(f);
    if (united.isEmpty() && screens.primary && screens.primary->isValid()) united = *screens.primary;
    if (united.isEmpty()) united = QRectF(0, 0, 1440, 900);
    return united;
}

SpringSpec PixelCatOverlayController::returnSpring() {
    const SpringCurve c = SpringCurve::fromMassStiffness(1, 240, 16);
    return SpringSpec{c.response(), c.dampingFraction()};
}

void PixelCatOverlayController::setupOverlayIfNeeded() {
    if (surface_ || !factory_) return;
    surface_ = factory_(*this);
}

void PixelCatOverlayController::changed(CatAnimation position, CatAnimation jump) {
    if (surface_) surface_->stateChanged(position, jump);
}

void PixelCatOverlayController::startDrag(QPointF screenPoint, bool isFacingLeft, CatSprite initialFrame) {
    setupOverlayIfNeeded();
    if (!surface_) return;
    // A return still under way is cut short: it finishes now, so its drop
    // completes before the new carry begins.
    if (!pending_.isEmpty()) {
        pending_.cancelAll();
        finishReturn();
    }
    frame_ = screenUnion(screens_ ? screens_() : Screens{});
    surface_->fitTo(frame_);
    isDragging_ = true;
    isVisible_ = true;
    catScreenPosition_ = screenPoint;
    isFacingLeft_ = isFacingLeft;
    currentFrame_ = initialFrame;
    jumpOffsetY_ = 0;
    changed();
    surface_->orderFront();
}

void PixelCatOverlayController::updateDrag(QPointF screenPoint, double dx) {
    if (!isDragging_) return;
    catScreenPosition_ = screenPoint;
    if (dx > 2)
        isFacingLeft_ = false;
    else if (dx < -2)
        isFacingLeft_ = true;
    changed();
}

void PixelCatOverlayController::updateFrame(CatSprite frame) {
    if (!isDragging_ && !isVisible_) return;
    if (frame == currentFrame_) return;
    currentFrame_ = frame;
    changed();
}

void PixelCatOverlayController::endDrag(QPointF targetScreenPoint, std::function<void()> completion) {
    if (!isDragging_) {
        if (completion) completion();
        return;
    }
    isDragging_ = false;
    feedback_.playSnapSound();
    catScreenPosition_ = targetScreenPoint;
    jumpOffsetY_ = returnLift;
    changed(CatAnimation::withSpring(returnSpring()), CatAnimation::withSpring(returnSpring()));
    returnCompletion_ = std::move(completion);
    pending_.after(settleDelay, [this] {
        jumpOffsetY_ = 0;
        changed({}, CatAnimation::withSpring(JellySprings::layout));
    });
    pending_.after(settleDelay + hideDelay, [this] { finishReturn(); });
}

void PixelCatOverlayController::finishReturn() {
    isVisible_ = false;
    changed();
    if (surface_) surface_->orderOut();
    if (auto completion = std::exchange(returnCompletion_, nullptr)) completion();
}

} // namespace meterix
