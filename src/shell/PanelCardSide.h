#pragma once

#include "shell/ScreenPlacementEngine.h"

#include <QObject>
#include <QRectF>

#include <limits>
#include <optional>

namespace meterix {

// Which side of the bar the detail card opens on, how far it stands sideways
// to stay on the screen, how tall it may grow, and how wide the bar's screen
// is, each from where the bar rests. Every change is announced. GUI thread.
class PanelCardSide : public QObject {
    Q_OBJECT

public:
    explicit PanelCardSide(const ScreenPlacementEngine& screens, QObject* parent = nullptr);

    // Which way the card opens from a bar resting at barFrame (the rule of
    // ScreenPlacementEngine::cardOpensUpward on the visible frame under the
    // bar); cardExtent: how much taller the card makes the window.
    static bool opensUpwardFor(const QRectF& barFrame, const ScreenPlacementEngine& screens,
                               std::optional<double> cardExtent = std::nullopt);

    bool opensUpward() const { return opensUpward_; }
    // How far the card stands sideways from under the bar's centre, so that it
    // opens inside the visible frame of the bar's screen (negative: to the left).
    double cardShift() const { return cardShift_; }
    // The visible width of the bar's screen.
    double availableWidth() const { return availableWidth_; }
    // How much taller the open card may make the window on its side with the
    // card inside the visible frame; unbounded while no card is open.
    double cardRoom() const { return cardRoom_; }
    // The open card's side has been chosen (from its measured height).
    bool isSettled() const { return settled_; }

    // Direction, shift and screen width for a bar without a card.
    void aim(const QRectF& bar);
    void followShift(const QRectF& bar);
    void followWidth(const QRectF& bar);
    // An opened card of this extent takes the side where it fits, and its room there.
    void settle(const QRectF& bar, double cardExtent);
    // The card is gone: its side is open to choose again.
    void release();

Q_SIGNALS:
    void opensUpwardChanged(bool opensUpward);
    void cardShiftChanged(double cardShift);
    void availableWidthChanged(double width);
    void cardRoomChanged(double room);

private:
    void setOpensUpward(bool value);

    const ScreenPlacementEngine& screens_;
    bool opensUpward_ = false;
    double cardShift_ = 0;
    double availableWidth_ = ScreenPlacementEngine::fallbackVisibleFrame().width();
    double cardRoom_ = std::numeric_limits<double>::infinity();
    bool settled_ = false;
};

} // namespace meterix
