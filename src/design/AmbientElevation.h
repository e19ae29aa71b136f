#pragma once

#include "platform/ui/Appearance.h"

#include <QColor>
#include <QMarginsF>
#include <QRectF>

#include <array>

class QPainter;

namespace meterix {

// One layer of a drop shadow: colour, blur radius and downward offset.
struct ShadowLayer {
    QColor color;
    double radius;
    double offsetY;
    bool operator==(const ShadowLayer&) const = default;
};

// The three-layer ambient shadow that lifts a surface by its elevation: a wide
// diffuse layer and a middle layer that grow with the elevation, and a tight
// contact layer that does not (so it shows even at elevation 0). Shadows are
// drawn from cached pre-blurred images, outside the surface only, so a
// translucent surface is not darkened by its own shadow.
class AmbientElevation {
public:
    // A negative elevation and one that is not a number count as 0.
    explicit AmbientElevation(double elevation);

    std::array<ShadowLayer, 3> layers(Appearance::Scheme scheme) const;
    std::array<ShadowLayer, 3> layers() const;

    // The room the shadows take around the surface.
    QMarginsF margins() const;

    // Draws the shadows of a rounded rectangle (the surface itself is not drawn).
    void paint(QPainter& painter, const QRectF& shape, double cornerRadius) const;

    static double clamped(double elevation);

private:
    double elevation_;
};

} // namespace meterix
