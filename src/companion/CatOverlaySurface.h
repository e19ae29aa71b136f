#pragma once

#include "companion/CatAnimation.h"

#include <QRectF>

namespace meterix {

// The overlay's window as its controller drives it: placed over the screens,
// ordered in and out, told when what it shows has changed.
class CatOverlaySurface {
  public:
    virtual ~CatOverlaySurface() = default;
    virtual void fitTo(const QRectF& frame) = 0;
    virtual void orderFront() = 0;
    virtual void orderOut() = 0;
    // The controller's state changed; position and jump say how to move to it.
    virtual void stateChanged(CatAnimation position, CatAnimation jump) = 0;
};

} // namespace meterix
