#pragma once

#include <QPointF>

#include <optional>

namespace meterix {

// What the cat needs of the bar it sits on: where a dropped cat lands, and the
// flag that keeps the bar's own drags out of the way while the cat is carried.
class CatBarLink {
  public:
    virtual ~CatBarLink() = default;
    // The global point where the centre of a cat standing at positionX is drawn;
    // nothing while there is no bar window.
    virtual std::optional<QPointF> landingPoint(double positionX) const = 0;
    virtual void setCatDragging(bool dragging) = 0;
};

} // namespace meterix
