#pragma once

#include "companion/CatAnimation.h"
#include "companion/CatOverlay.h"
#include "companion/ScheduledSteps.h"
#include "core/TimerSource.h"

#include <QList>
#include <QRectF>

#include <functional>
#include <memory>
#include <optional>

namespace meterix {

class CatOverlaySurface;
class SoundEffectsEngine;

// Carries the lifted cat anywhere on the screens, above every window, in a
// click-through window over the union of the screens, and springs it back onto
// the bar at the drop. Idle (hidden) -> carrying (startDrag) -> returning
// (endDrag: the spring runs) -> idle 0.34 s later, when the completion runs.
// The window is made on the first carry and kept. GUI thread only.
class PixelCatOverlayController final : public CatOverlay {
  public:
    struct Screens {
        QList<QRectF> frames;
        std::optional<QRectF> primary;
    };
    using ScreenLister = std::function<Screens()>;
    using SurfaceFactory = std::function<std::unique_ptr<CatOverlaySurface>(PixelCatOverlayController&)>;

    static constexpr double settleDelay = 0.28;
    static constexpr double hideDelay = 0.06;
    static constexpr double returnLift = -4;

    PixelCatOverlayController(TimerSource& scheduler, ScreenLister screens, SurfaceFactory factory,
                              SoundEffectsEngine& feedback);
    ~PixelCatOverlayController() override;

    // The application's screens, as the overlay over the real desktop lists them.
    static Screens applicationScreens();

    // The union of the screens; the primary screen when that is empty; else
    // 0, 0, 1440 x 900.
    static QRectF screenUnion(const Screens& screens);
    // The interpolating spring of the return (mass 1, stiffness 240, damping 16).
    static SpringSpec returnSpring();

    void startDrag(QPointF screenPoint, bool isFacingLeft, CatSprite initialFrame) override;
    void updateDrag(QPointF screenPoint, double dx) override;
    void updateFrame(CatSprite frame) override;
    void endDrag(QPointF targetScreenPoint, std::function<void()> completion) override;

    bool isDragging() const { return isDragging_; }
    bool isVisible() const { return isVisible_; }
    QPointF catScreenPosition() const { return catScreenPosition_; }
    CatSprite currentFrame() const { return currentFrame_; }
    bool isFacingLeft() const { return isFacingLeft_; }
    double jumpOffsetY() const { return jumpOffsetY_; }
    QRectF frame() const { return frame_; }

  private:
    void setupOverlayIfNeeded();
    void changed(CatAnimation position = {}, CatAnimation jump = {});
    void finishReturn();

    ScreenLister screens_;
    SurfaceFactory factory_;
    SoundEffectsEngine& feedback_;
    std::unique_ptr<CatOverlaySurface> surface_;
    QRectF frame_;
    bool isDragging_ = false;
    bool isVisible_ = false;
    QPointF catScreenPosition_;
    CatSprite currentFrame_ = CatSprite::dangle1;
    bool isFacingLeft_ = false;
    double jumpOffsetY_ = 0;
    ScheduledSteps pending_;
    std::function<void()> returnCompletion_;
};

} // namespace meterix
