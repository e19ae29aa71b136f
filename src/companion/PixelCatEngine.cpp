#include "companion/PixelCatEngine.h"

#include "companion/CatBarLink.h"
#include "companion/CatOverlay.h"
#include "companion/CatRandomSource.h"
#include "design/SoundEffectsEngine.h"

#include <algorithm>
#include <cmath>

namespace meterix {

namespace {

double finiteOr(double v, double fallback) {
    return std::isfinite(v) ? v : fallback;
}

} // namespace

PixelCatEngine::PixelCatEngine(Dependencies deps)
    : random_(deps.random ? *deps.random : CatRandomSource::system()), overlay_(*deps.overlay),
      feedback_(*deps.feedback),
      followUps_(*deps.scheduler), self_(std::make_shared<PixelCatEngine*>(this)) {}

PixelCatEngine::~PixelCatEngine() {
    *self_ = nullptr;
    followUps_.cancelAll();
    if (loopsRunning_ && loops_) loops_(false);
    // A cat that goes away while carried must not leave the bar refusing its own
    // drags, nor its carried double on the screen.
    if (isBeingHeld_) {
        if (bar_) bar_->setCatDragging(false);
        overlay_.endDrag(QPointF(), {});
    }
}

void PixelCatEngine::setLoopSwitch(LoopSwitch loops) {
    loops_ = std::move(loops);
    if (loops_) loops_(loopsRunning_);
}

// MARK: - Lifecycle

void PixelCatEngine::viewAppeared() {
    isPresented_ = true;
    applyLoopRule();
}

void PixelCatEngine::viewDisappeared() {
    isPresented_ = false;
    applyLoopRule();
}

void PixelCatEngine::setApplicationVisible(bool visible) {
    applicationVisible_ = visible;
    applyLoopRule();
}

void PixelCatEngine::applyLoopRule() {
    const bool run = isPresented_ && applicationVisible_;
    if (run == loopsRunning_) return;
    loopsRunning_ = run;
    if (loops_) loops_(run);
}

// MARK: - Publishing

void PixelCatEngine::emitChange(Property p, CatAnimation how) {
    if (onChange_) onChange_(p, how);
}

void PixelCatEngine::setFrame(CatSprite frame) {
    if (frame == currentFrame_) return;
    currentFrame_ = frame;
    emitChange(Property::frame, CatAnimation::immediate());
}

void PixelCatEngine::setFacing(bool left, CatAnimation how) {
    if (left == isFacingLeft_) return;
    isFacingLeft_ = left;
    emitChange(Property::facing, how);
}

void PixelCatEngine::setPosition(double x, CatAnimation how) {
    if (x == positionX_) return;
    positionX_ = x;
    emitChange(Property::position, how);
}

void PixelCatEngine::setAction(CatAction action) {
    currentAction_ = action;
    actionDuration_ = 0;
    emitChange(Property::action, CatAnimation::immediate());
    if (action != CatAction::sleeping && zBubbleOpacity_ != 0) {
        zBubbleOpacity_ = 0;
        emitChange(Property::zBubble, CatAnimation::easeOut(0.2));
    }
}

// MARK: - Ticks

void PixelCatEngine::tickFrame() {
    frameToggle_ = !frameToggle_;
    subFrameIndex_ = (subFrameIndex_ + 1) % 4;
    switch (currentAction_) {
    case CatAction::walking: {
        const double next = positionX_ + (isFacingLeft_ ? -walkStep : walkStep);
        if (next <= minX_) {
            setPosition(minX_, CatAnimation::linear(frameInterval));
            setFacing(false);
            handleBorderContact();
        } else if (next >= maxX_) {
            setPosition(maxX_, CatAnimation::linear(frameInterval));
            setFacing(true);
            handleBorderContact();
        } else {
            setPosition(next, CatAnimation::linear(frameInterval));
        }
        // The walk frame even when the contact has just changed the action; the
        // next tick shows the new one.
        setFrame(frameToggle_ ? CatSprite::walk1 : CatSprite::walk2);
        break;
    }
    case CatAction::idle:
        setFrame(subFrameIndex_ <= 1 ? CatSprite::idle1 : CatSprite::idle2);
        break;
    case CatAction::sitting:
        setFrame(subFrameIndex_ == 3 ? CatSprite::sit2 : CatSprite::sit1);
        break;
    case CatAction::grooming:
        setFrame(frameToggle_ ? CatSprite::wash1 : CatSprite::wash2);
        break;
    case CatAction::layingDown:
        setFrame(CatSprite::loaf);
        break;
    case CatAction::sleeping:
        setFrame(subFrameIndex_ <= 1 ? CatSprite::sleep1 : CatSprite::sleep2);
        animateZBubble();
        break;
    case CatAction::stretching:
        setFrame(CatSprite::stretch);
        break;
    case CatAction::happy:
        setFrame(CatSprite::happy);
        break;
    case CatAction::dangling: {
        dangleIndex_ = (dangleIndex_ + 1) % 3;
        static constexpr CatSprite dangles[] = {CatSprite::dangle1, CatSprite::dangle2, CatSprite::dangle3};
        setFrame(dangles[dangleIndex_]);
        overlay_.updateFrame(currentFrame_);
        break;
    }
    }
}

void PixelCatEngine::handleBorderContact() {
    actionDuration_ = 0;
    const int r = random_.roll();
    if (r <= 69) return; // keeps walking, already turned by the step
    setAction(r <= 89 ? CatAction::sitting : CatAction::idle);
}

void PixelCatEngine::animateZBubble() {
    if (zBubbleOpacity_ == 1 && zBubbleOffset_ == -8) return;
    zBubbleOpacity_ = 1;
    zBubbleOffset_ = -8;
    emitChange(Property::zBubble, CatAnimation::easeInOut(0.8));
}

void PixelCatEngine::tickAI() {
    if (currentAction_ == CatAction::happy || currentAction_ == CatAction::dangling || isBeingHeld_) return;
    actionDuration_ += 1;
    const auto due = [this](double low, double high) { return random_.wait(low, high) <= actionDuration_; };
    switch (currentAction_) {
    case CatAction::walking: {
        if (!due(4.5, 10)) return;
        const int r = random_.roll();
        if (r <= 34) {
            setAction(CatAction::sitting);
        } else if (r <= 64) {
            setAction(CatAction::idle);
        } else {
            setFacing(!isFacingLeft_);
            actionDuration_ = 0;
        }
        break;
    }
    case CatAction::idle: {
        if (!due(2, 4.5)) return;
        const int r = random_.roll();
        if (r <= 54)
            startWalking(true);
        else
            setAction(r <= 79 ? CatAction::sitting : CatAction::stretching);
        break;
    }
    case CatAction::sitting: {
        if (!due(3.5, 7)) return;
        const int r = random_.roll();
        if (r <= 34)
            setAction(CatAction::grooming);
        else if (r <= 69)
            startWalking(true);
        else
            setAction(r <= 84 ? CatAction::layingDown : CatAction::sleeping);
        break;
    }
    case CatAction::grooming: {
        if (!due(3, 5.5)) return;
        if (random_.roll() <= 44)
            setAction(CatAction::sitting);
        else
            startWalking(true);
        break;
    }
    case CatAction::layingDown:
        if (!due(5, 10)) return;
        setAction(random_.coin() ? CatAction::sitting : CatAction::sleeping);
        break;
    case CatAction::sleeping:
        if (!due(8, 16)) return;
        setAction(CatAction::stretching);
        break;
    case CatAction::stretching:
        if (actionDuration_ >= 2) startWalking(true);
        break;
    case CatAction::happy:
    case CatAction::dangling:
        break;
    }
}

void PixelCatEngine::startWalking(bool randomizeDirection) {
    if (randomizeDirection) {
        if (positionX_ <= minX_ + 20)
            setFacing(false);
        else if (positionX_ >= maxX_ - 20)
            setFacing(true);
        else
            setFacing(random_.coin());
    }
    setAction(CatAction::walking);
}

// MARK: - Bar and pointer

void PixelCatEngine::updateBounds(double minX, double maxX) {
    if (!std::isfinite(minX) || !std::isfinite(maxX)) return;
    minX_ = minX;
    maxX_ = std::max(maxX, minX + minimumRange);
    if (positionX_ > maxX_) {
        setPosition(maxX_, CatAnimation::easeOut(0.2));
        setFacing(true);
    } else if (positionX_ < minX_) {
        setPosition(minX_, CatAnimation::easeOut(0.2));
        setFacing(false);
    }
}

void PixelCatEngine::onBarHover(bool isHovered) {
    if (isHovered && currentAction_ == CatAction::walking) setAction(CatAction::idle);
}

void PixelCatEngine::onCatTapped() {
    if (currentAction_ == CatAction::dangling) return;
    feedback_.playSnapSound();
    setAction(CatAction::happy);
    jumpOffsetY_ = -7;
    emitChange(Property::jump, CatAnimation::withSpring(JellySprings::layout));
    heartOpacity_ = 1;
    heartOffset_ = -14;
    emitChange(Property::heart, CatAnimation::withSpring(JellySprings::layout));

    followUps_.after(tapHopDelay, [this] {
        jumpOffsetY_ = 0;
        emitChange(Property::jump, CatAnimation::withSpring(JellySprings::layout));
    });
    // Runs whatever happened meanwhile, a lift included: the carried cat then
    // sits on the bar once it is put down.
    followUps_.after(tapSettleDelay, [this] {
        heartOpacity_ = 0;
        heartOffset_ = -22;
        emitChange(Property::heart, CatAnimation::easeOut(0.3));
        setAction(CatAction::sitting);
    });
}

void PixelCatEngine::onDragStarted(QPointF screenPoint) {
    isBeingHeld_ = true;
    if (bar_) bar_->setCatDragging(true);
    emitChange(Property::held, CatAnimation::immediate());
    setAction(CatAction::dangling);
    overlay_.startDrag(screenPoint, isFacingLeft_, currentFrame_);
}

void PixelCatEngine::onDragChanged(QSizeF translation, QPointF screenPoint) {
    const double dx = finiteOr(translation.width(), 0);
    if (dx > 2)
        setFacing(false);
    else if (dx < -2)
        setFacing(true);
    overlay_.updateDrag(screenPoint, dx);
}

void PixelCatEngine::onDragEnded(QSizeF translation, QPointF screenPoint) {
    const double newX = std::clamp(positionX_ + finiteOr(translation.width(), 0), minX_, maxX_);
    std::optional<QPointF> landing = bar_ ? bar_->landingPoint(newX) : std::nullopt;
    const QPointF target = landing.value_or(screenPoint);
    std::weak_ptr<PixelCatEngine*> weak = self_;
    overlay_.endDrag(target, [weak, newX] {
        const auto alive = weak.lock();
        if (!alive || !*alive) return;
        PixelCatEngine& e = **alive;
        e.setPosition(newX, CatAnimation::immediate());
        e.isBeingHeld_ = false;
        e.jumpOffsetY_ = 0;
        e.emitChange(Property::jump, CatAnimation::immediate());
        if (e.bar_) e.bar_->setCatDragging(false);
        e.emitChange(Property::held, CatAnimation::immediate());
        e.setAction(CatAction::sitting);
    });
}

} // namespace meterix
