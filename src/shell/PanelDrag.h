#pragma once

#include "core/TimerSource.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <functional>
#include <optional>

namespace meterix {

class PanelFrameStore;
class ScreenPlacementEngine;
struct PanelWindow;

// Moving the bar by any part of it: a press on the bar becomes a drag once the
// pointer has travelled past a threshold; the bar follows the pointer
// unclamped, and where it is left it is brought back onto the screens and
// saved. Right after a drag its release is no tap (a short cooldown). Sizes
// the content reports meanwhile wait for the release. Global positions;
// locations relative to the window. GUI thread.
class PanelDrag {
public:
    static constexpr double threshold = 7; // pointer travel before a press becomes a drag
    static constexpr double cooldown = 0.18;

    struct Hooks {
        // The press became a drag: a first placement still waiting and the
        // card's chosen side end.
        std::function<void()> began;
        // Closes the card if one is open; true when one was, and the window
        // then shrinks to the bar at once.
        std::function<bool()> closeCard;
        // The drag ended, before the bar is brought back: the size held back.
        std::function<void(const QSizeF& size)> sizeReleased;
        // The bar was left and saved.
        std::function<void()> left;
    };

    PanelDrag(PanelWindow& window, const ScreenPlacementEngine& screens, PanelFrameStore& store, TimerSource& timers,
              Hooks hooks);
    ~PanelDrag();
    PanelDrag(const PanelDrag&) = delete;
    PanelDrag& operator=(const PanelDrag&) = delete;

    static bool passesThreshold(const QPointF& press, const QPointF& location);

    // A press on the bar, whose frame (without the card) is barFrame.
    void press(const QPointF& location, const QPointF& globalPosition, const QRectF& barFrame);
    // A press elsewhere: no drag follows it.
    void pressElsewhere() { isPressOnBar_ = false; }
    void move(const QPointF& location, const QPointF& globalPosition);
    void release();

    bool isDragging() const { return isDragging_; }
    bool hasDraggedRecently() const { return hasDraggedRecently_; }
    // Holds a size the content reported during the drag.
    void holdSize(const QSizeF& size) { heldSize_ = size; }

private:
    struct Anchor {
        QPointF pointer;
        QRectF barFrame;
    };
    void begin();
    void leave();

    PanelWindow& window_;
    const ScreenPlacementEngine& screens_;
    PanelFrameStore& store_;
    TimerSource& timers_;
    Hooks hooks_;
    bool isPressOnBar_ = false;
    bool hasMovedPastThreshold_ = false;
    bool isDragging_ = false;
    bool hasDraggedRecently_ = false;
    QPointF pressLocation_;
    std::optional<Anchor> anchor_;
    std::optional<QSizeF> heldSize_;
    TimerSource::Id cooldownToken_ = 0;
};

} // namespace meterix
