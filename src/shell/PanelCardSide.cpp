#include "shell/PanelCardSide.h"

#include "design/Metric.h"

#include <cmath>

namespace meterix {

PanelCardSide::PanelCardSide(const ScreenPlacementEngine& screens, QObject* parent)
    : QObject(parent), screens_(screens) {}

bool PanelCardSide::opensUpwardFor(const QRectF& barFrame, const ScreenPlacementEngine& screens,
                                   std::optional<double> cardExtent) {
    return ScreenPlacementEngine::cardOpensUpward(barFrame, cardExtent, Metric::panelBleed,
                                                  screens.visibleFrameUnder(barFrame));
}

void PanelCardSide::aim(const QRectF& bar) {
    setOpensUpward(opensUpwardFor(bar, screens_));
    followShift(bar);
    followWidth(bar);
}

void PanelCardSide::followShift(const QRectF& bar) {
    const double value = screens_.cardShift(bar, Metric::detailWidth);
    if (value == cardShift_) return;
    cardShift_ = value;
    Q_EMIT cardShiftChanged(value);
}

void PanelCardSide::followWidth(const QRectF& bar) {
    const std::optional<QRectF> visible = screens_.visibleFrameOf(bar);
    const double width = visible ? visible->width() : ScreenPlacementEngine::fallbackVisibleFrame().width();
    if (width == availableWidth_) return;
    availableWidth_ = width;
    Q_EMIT availableWidthChanged(width);
}

void PanelCardSide::settle(const QRectF& bar, double cardExtent) {
    settled_ = true;
    const bool upward = opensUpwardFor(bar, screens_, cardExtent);
    setOpensUpward(upward);
    // Reported before the window takes the card: a card too tall for its side
    // is shortened, and the content's next report fits the room.
    cardRoom_ = ScreenPlacementEngine::cardRoom(bar, Metric::panelBleed, screens_.visibleFrameUnder(bar), upward);
    Q_EMIT cardRoomChanged(cardRoom_);
}

void PanelCardSide::release() {
    settled_ = false;
    if (std::isinf(cardRoom_)) return;
    cardRoom_ = std::numeric_limits<double>::infinity();
    Q_EMIT cardRoomChanged(cardRoom_);
}

void PanelCardSide::setOpensUpward(bool value) {
    if (value == opensUpward_) return;
    opensUpward_ = value;
    Q_EMIT opensUpwardChanged(value);
}

} // namespace meterix
