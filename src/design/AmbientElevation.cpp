#include "design/AmbientElevation.h"

#include "design/ShadowCache.h"
#include "design/Surface.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace meterix {

AmbientElevation::AmbientElevation(double elevation) : elevation_(clamped(elevation)) {}

double AmbientElevation::clamped(double elevation) {
    if (std::isnan(elevation) || elevation < 0) return 0;
    return std::min(elevation, 1e3); // an absurd lift would only make absurd images
}

std::array<ShadowLayer, 3> AmbientElevation::layers(Appearance::Scheme scheme) const {
    const double e = elevation_;
    return {ShadowLayer{Surface::color(Surface::Token::shadowDiffuse, scheme), 18 * e, 10 * e},
            ShadowLayer{Surface::color(Surface::Token::shadowMid, scheme), 6 * e, 3 * e},
            ShadowLayer{Surface::color(Surface::Token::shadowContact, scheme), 1.5, 1}};
}

std::array<ShadowLayer, 3> AmbientElevation::layers() const { return layers(Appearance::shared().scheme()); }

QMarginsF AmbientElevation::margins() const {
    double left = 0, top = 0, bottom = 0;
    for (const ShadowLayer& l : layers(Appearance::Scheme::light)) {
        const double pad = ShadowCache::paddingFor(l.radius);
        left = std::max(left, pad);
        top = std::max(top, pad - l.offsetY);
        bottom = std::max(bottom, pad + l.offsetY);
    }
    return QMarginsF(left, std::max(0.0, top), left, bottom);
}

void AmbientElevation::paint(QPainter& painter, const QRectF& shape, double cornerRadius) const {
    if (shape.isEmpty()) return;
    const double dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    painter.save();
    // Only outside the surface: the glass above is translucent.
    QPainterPath outside;
    outside.addRect(shape.marginsAdded(margins() + QMarginsF(2, 2, 2, 2)));
    QPainterPath surface;
    surface.addRoundedRect(shape, cornerRadius, cornerRadius);
    painter.setClipPath(outside.subtracted(surface), Qt::IntersectClip);
    for (const ShadowLayer& layer : layers()) {
        if (layer.color.alpha() == 0) continue;
        if (layer.radius <= 0) {
            // A sharp shadow straight under an opaque-edged surface: only its offset shows.
            if (layer.offsetY == 0) continue;
            QPainterPath sharp;
            sharp.addRoundedRect(shape.translated(0, layer.offsetY), cornerRadius, cornerRadius);
            painter.fillPath(sharp, layer.color);
            continue;
        }
        const ShadowCache::Shadow shadow =
            ShadowCache::roundedRect(shape.size(), cornerRadius, layer.radius, layer.color, dpr);
        painter.drawPixmap(QPointF(shape.left() - shadow.padding, shape.top() - shadow.padding + layer.offsetY),
                           shadow.pixmap);
    }
    painter.restore();
}


} // namespace meterix
