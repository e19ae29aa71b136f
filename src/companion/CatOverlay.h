#pragma once

#include "companion/PixelCatSprites.h"

#include <QPointF>

#include <functional>

namespace meterix {

// Where a lifted cat is shown while it is carried off the bar. Points are global
// screen coordinates (logical pixels, y down).
class CatOverlay {
  public:
    virtual ~CatOverlay() = default;
    virtual void startDrag(QPointF screenPoint, bool isFacingLeft, CatSprite initialFrame) = 0;
    virtual void updateDrag(QPointF screenPoint, double dx) = 0;
    virtual void updateFrame(CatSprite frame) = 0;
    // Springs the cat to target and hides; completion runs once afterwards (at
    // once when nothing was being carried).
    virtual void endDrag(QPointF targetScreenPoint, std::function<void()> completion) = 0;
};

} // namespace meterix
