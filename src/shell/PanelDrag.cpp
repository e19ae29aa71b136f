#include "shell/PanelDrag.h"

#include "shell/FloatingPanelSurface.h"
#include "shell/PanelFrameStore.h"
#include "shell/ScreenPlacementEngine.h"

#include <cmath>

namespace meterix {

PanelDrag::PanelDrag(PanelWindow& window, const ScreenPlacementEngine& screens, PanelFrameStore& store,
                     TimerSource& timers, Hooks hooks)
    : window_(window), screens_(screens), store_(store), timers_(timers), hooks_(std::move(hooks)) {}

PanelDrag::~PanelDrag() {
    if (cooldownToken_) timers_.cancel(cooldownToken_);
}

bool PanelDrag::passesThreshold(const QPointF& press, const QPointF& location) {
    return std::hypot(location.x() - press.x(), location.y() - press.y()) > threshold;
}

void PanelDrag::press(const QPointF& location, const QPointF& globalPosition, const QRectF& barFrame) {
    isPressOnBar_ = true;
    pressLocation_ = location;
    hasMovedPastThreshold_ = false;
    anchor_ = Anchor{globalPosition, barFrame};
}

void PanelDrag::move(const QPointF& location, const QPointF& globalPosition) {
    if (!isPressOnBar_) return;
    if (!hasMovedPastThreshold_) {
        if (!passesThreshold(pressLocation_, location)) return;
        begin();
    }
    if (!anchor_ || !window_.surface) return;
    // The bar follows the pointer, unclamped, until the release.
    const QPointF origin = anchor_->barFrame.topLeft() + (globalPosition - anchor_->pointer);
    window_.surface->setOrigin(origin);
    window_.resting.moveTopLeft(origin);
}

void PanelDrag::begin() {
    hasMovedPastThreshold_ = true;
    isDragging_ = true;
    hasDraggedRecently_ = true;
    if (hooks_.began) hooks_.began();
    if (!anchor_) return;
    window_.resting = anchor_->barFrame;
    const bool cardWasOpen = hooks_.closeCard && hooks_.closeCard();
    // The card goes at once; the window shrinks to the bar under the pointer.
    if (cardWasOpen && window_.surface) window_.surface->setFrame(anchor_->barFrame);
}

void PanelDrag::release() {
    isPressOnBar_ = false;
    if (hasMovedPastThreshold_) {
        isDragging_ = false;
        hasDraggedRecently_ = true;
        if (heldSize_) {
            const QSizeF held = *heldSize_;
            heldSize_.reset();
            if (hooks_.sizeReleased) hooks_.sizeReleased(held);
        }
        leave();
        if (cooldownToken_) timers_.cancel(cooldownToken_);
        cooldownToken_ = timers_.start(std::chrono::milliseconds(std::llround(cooldown * 1000)), [this] {
            cooldownToken_ = 0;
            if (!isDragging_) hasDraggedRecently_ = false;
        });
    } else {
        isDragging_ = false;
        hasDraggedRecently_ = false;
    }
    hasMovedPastThreshold_ = false;
    anchor_.reset();
}

void PanelDrag::leave() {
    const QPointF origin = screens_.clampToScreensAtWholePixels(window_.resting).topLeft();
    if (window_.surface) window_.surface->setOrigin(origin);
    window_.resting.moveTopLeft(origin);
    store_.save(window_.resting);
    if (hooks_.left) hooks_.left();
}

} // namespace meterix
