#pragma once

#include "platform/ui/Appearance.h"

#include <QColor>
#include <QMarginsF>
#include <QRectF>

class QPainter;

namespace meterix {

// The frosted-glass look of the bar, the card and the panel: a frosted base, the
// shell fill (lighter while hovered), a tinted wash from the top-leading corner,
// a sheen fading towards the middle, two inner rims, and the ambient shadow.
// X11 offers no behind-window blur, so a denser base of the shell colour stands
// in for the blurred backdrop and keeps text legible over a busy desktop.
struct LiquidGlassStyle {
    double cornerRadius = 0;
    QColor tint = Qt::transparent; // the wash's colour
    bool isHovered = false;
    double elevation = 1;          // clamped below at 0 when drawn
    double tintStrength = 1;       // multiplies the wash's opacity

    // The wash's opacity at the top-leading corner.
    double washOpacity() const;
    QColor shellFill(Appearance::Scheme scheme) const;
    // The room the shadow takes around the shape.
    QMarginsF shadowMargins() const;

    // Draws the glass filling shape (shadows fall outside it).
    void paint(QPainter& painter, const QRectF& shape) const;
    void paint(QPainter& painter, const QRectF& shape, Appearance::Scheme scheme) const;

    // The frosted base under the shell fill, standing in for the backdrop blur.
    static QColor backdrop(Appearance::Scheme scheme);
};

LiquidGlassStyle liquidGlass(double cornerRadius, const QColor& tint, bool isHovered, double elevation,
                             double tintStrength);

} // namespace meterix
