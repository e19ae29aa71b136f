#pragma once

#include "companion/CatAction.h"
#include "companion/CatAnimation.h"
#include "companion/PixelCatSprites.h"
#include "companion/ScheduledSteps.h"
#include "core/TimerSource.h"

#include <QPointF>
#include <QSizeF>

#include <functional>
#include <memory>

namespace meterix {

class CatBarLink;
class CatOverlay;
class CatRandomSource;
class SoundEffectsEngine;

// The pixel cat's behaviour: where it stands along the bar, which way it faces,
// what it does and which frame shows, with its hop, heart and sleep bubble. Two
// ticks drive it (tickFrame every 0.12 s, tickAI every 1 s, from whoever owns
// the timers); pointer events from the cat view turn into reactions; a lifted
// cat is handed to the overlay and put back on the bar at the drop.
//
// It publishes targets: each change is reported with how a view should move to
// it. Nothing here waits or animates by itself. GUI thread only.
class PixelCatEngine {
  public:
    enum class Property { position, facing, action, frame, jump, held, zBubble, heart };
    using ChangeHandler = std::function<void(Property, CatAnimation)>;
    // Starts or stops the two timers (the loop rule's outcome).
    using LoopSwitch = std::function<void(bool run)>;

    struct Dependencies {
        CatRandomSource* random = nullptr;      // the system source when none
        TimerSource* scheduler = nullptr;       // required: the tap's follow-up
        CatOverlay* overlay = nullptr;          // required
        SoundEffectsEngine* feedback = nullptr; // required
    };

    static constexpr double frameInterval = 0.12;
    static constexpr double behaviourInterval = 1.0;
    static constexpr double walkStep = 3;
    static constexpr double minimumRange = 30;
    static constexpr double tapHopDelay = 0.35;
    static constexpr double tapSettleDelay = 1.05;

    explicit PixelCatEngine(Dependencies deps);
    ~PixelCatEngine();
    PixelCatEngine(const PixelCatEngine&) = delete;
    PixelCatEngine& operator=(const PixelCatEngine&) = delete;

    void setChangeHandler(ChangeHandler handler) { onChange_ = std::move(handler); }
    // The bar the cat sits on: the view that shows it; nothing, no bar window.
    void setBarLink(CatBarLink* bar) { bar_ = bar; }
    void setLoopSwitch(LoopSwitch loops);

    // Lifecycle: the loops run exactly while the cat is shown and its window is
    // visible (not occluded).
    void viewAppeared();
    void viewDisappeared();
    void setApplicationVisible(bool visible);

    void updateBounds(double minX, double maxX);
    void onBarHover(bool isHovered);
    void onCatTapped();
    void onDragStarted(QPointF screenPoint);
    void onDragChanged(QSizeF translation, QPointF screenPoint);
    void onDragEnded(QSizeF translation, QPointF screenPoint);
    void setAction(CatAction action);

    void tickFrame();
    void tickAI();

    double positionX() const { return positionX_; }
    bool isFacingLeft() const { return isFacingLeft_; }
    CatAction currentAction() const { return currentAction_; }
    CatSprite currentFrame() const { return currentFrame_; }
    double jumpOffsetY() const { return jumpOffsetY_; }
    bool isBeingHeld() const { return isBeingHeld_; }
    double zBubbleOpacity() const { return zBubbleOpacity_; }
    double zBubbleOffset() const { return zBubbleOffset_; }
    double heartOpacity() const { return heartOpacity_; }
    double heartOffset() const { return heartOffset_; }

  private:
    void applyLoopRule();
    void handleBorderContact();
    void startWalking(bool randomizeDirection);
    void animateZBubble();
    void setFrame(CatSprite frame);
    void setFacing(bool left, CatAnimation how = CatAnimation::immediate());
    void setPosition(double x, CatAnimation how);
    void emitChange(Property p, CatAnimation how);

    CatRandomSource& random_;
    CatOverlay& overlay_;
    CatBarLink* bar_ = nullptr;
    SoundEffectsEngine& feedback_;
    ChangeHandler onChange_;
    LoopSwitch loops_;

    double positionX_ = 60;
    bool isFacingLeft_ = false;
    CatAction currentAction_ = CatAction::walking;
    CatSprite currentFrame_ = CatSprite::walk1;
    double jumpOffsetY_ = 0;
    bool isBeingHeld_ = false;
    double zBubbleOpacity_ = 0;
    double zBubbleOffset_ = 0;
    double heartOpacity_ = 0;
    double heartOffset_ = 0;
    bool frameToggle_ = false;
    int subFrameIndex_ = 0;
    int dangleIndex_ = 0;
    double actionDuration_ = 0;
    double minX_ = 14;
    double maxX_ = 100;
    bool isPresented_ = false;
    bool applicationVisible_ = true;
    bool loopsRunning_ = false;
    ScheduledSteps followUps_;
    // Held weakly by the drop's completion, which may outlive the engine.
    std::shared_ptr<PixelCatEngine*> self_;
};

} // namespace meterix
