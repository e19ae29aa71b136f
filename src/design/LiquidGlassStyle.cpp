#include "design/LiquidGlassStyle.h"

#include "design/AmbientElevation.h"
#include "design/ShapePainting.h"
#include "design/Surface.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace meterix {

double LiquidGlassStyle::washOpacity() const {
    const double strength = std::isfinite(tintStrength) ? tintStrength : 0.0;
    return (isHovered ? 0.16 : 0.10) * strength;
}

QColor LiquidGlassStyle::shellFill(Appearance::Scheme scheme) const {
    return Surface::color(isHovered ? Surface::Token::shellTintHovered : Surface::Token::shellTint, scheme);
}

QMarginsF LiquidGlassStyle::shadowMargins() const { return AmbientElevation(elevation).margins(); }

QColor LiquidGlassStyle::backdrop(Appearance::Scheme scheme) {
    return scheme == Appearance::Scheme::dark ? QColor::fromRgbF(0.10f, 0.105f, 0.12f, 0.6f)
                                              : QColor::fromRgbF(0.965f, 0.968f, 0.975f, 0.6f);
}

void LiquidGlassStyle::paint(QPainter& painter, const QRectF& shape) const {
    paint(painter, shape, Appearance::shared().scheme());
}

void LiquidGlassStyle::paint(QPainter& p, const QRectF& shape, Appearance::Scheme scheme) const {
    if (shape.isEmpty()) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    AmbientElevation(elevation).paint(p, shape, cornerRadius);

    const QPainterPath body = roundedRectPath(shape, cornerRadius);
    p.save();
    p.setClipPath(body, Qt::IntersectClip);
    p.fillPath(body, backdrop(scheme));
    p.fillPath(body, shellFill(scheme));
    const double wash = washOpacity();
    if (tint.alpha() > 0 && wash > 0) {
        QRadialGradient g(shape.topLeft(), 7 * cornerRadius);
        g.setColorAt(0, withOpacity(tint, wash));
        g.setColorAt(1, withOpacity(tint, 0));
        p.fillPath(body, g);
    }
    const QColor sheen = Surface::color(Surface::Token::topSheen, scheme);
    QLinearGradient sheenGradient(shape.topLeft(), QPointF(shape.left(), shape.center().y()));
    sheenGradient.setColorAt(0, sheen);
    sheenGradient.setColorAt(1, withOpacity(sheen, 0));
    p.fillPath(body, sheenGradient);
    p.restore();

    const QColor rim = Surface::color(Surface::Token::shellRim, scheme);
    QLinearGradient rimGradient(shape.topLeft(), shape.bottomRight());
    rimGradient.setColorAt(0, sheen);
    rimGradient.setColorAt(0.5, withOpacity(rim, 0.35));
    rimGradient.setColorAt(1, rim);
    strokeInside(p, shape, cornerRadius, 0.75, rimGradient);
    strokeInside(p, shape, cornerRadius, 0.5, withOpacity(rim, 0.55));
    p.restore();
}

LiquidGlassStyle liquidGlass(double cornerRadius, const QColor& tint, bool isHovered, double elevation,
                             double tintStrength) {
    return LiquidGlassStyle{cornerRadius, tint, isHovered, elevation, tintStrength};
}

} // namespace meterix
