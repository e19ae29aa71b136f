#pragma once

#include <QPointF>

namespace meterix {

class PixelCatEngine;

// Turns a press, its moves and its release on the cat into engine events. The
// gesture begins only once the pointer has moved 1 pt; from 4 pt away it lifts
// the cat; a release lifted drops it, a release not lifted counts as a tap.
// Points are global; the translation is measured from the press.
class CatGesture {
  public:
    static constexpr double minimumDistance = 1;
    static constexpr double liftDistance = 4;

    explicit CatGesture(PixelCatEngine& engine) : engine_(engine) {}

    void press(QPointF globalPoint);
    void move(QPointF globalPoint);
    void release(QPointF globalPoint);
    // The press went away without a release (the view was hidden): a lifted cat
    // is dropped where the pointer was last seen.
    void cancel();

    bool isPressed() const { return pressed_; }

  private:
    PixelCatEngine& engine_;
    bool pressed_ = false;
    bool begun_ = false;
    QPointF start_;
    QPointF last_;
};

} // namespace meterix
