#include "design/Surface.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace meterix {

namespace {

constexpr Rgb rgba(double r, double g, double b, double a) { return Rgb{r, g, b, a}; }

const AdaptiveColor kSurfaces[] = {
    {rgba(0.918, 0.928, 0.945, 0.74), rgba(0.125, 0.13, 0.145, 0.62)},  // shellTint
    {rgba(0.948, 0.956, 0.97, 0.82), rgba(0.155, 0.16, 0.175, 0.70)},   // shellTintHovered
    {rgba(0, 0, 0, 0.11), rgba(1, 1, 1, 0.15)},                         // shellRim
    {rgba(1, 1, 1, 0.78), rgba(1, 1, 1, 0.13)},                         // topSheen
    {rgba(1, 1, 1, 0.82), rgba(1, 1, 1, 0.055)},                        // plateFill
    {rgba(0, 0, 0, 0.07), rgba(1, 1, 1, 0.075)},                        // plateRim
    {rgba(0, 0, 0, 0.10), rgba(1, 1, 1, 0.095)},                        // hairline
    {rgba(0, 0, 0, 0.10), rgba(1, 1, 1, 0.14)},                         // track
    {rgba(0, 0, 0, 0.045), rgba(1, 1, 1, 0.07)},                        // hoverWash
    {rgba(0, 0, 0, 0.085), rgba(1, 1, 1, 0.115)},                       // pressWash
    {rgba(0, 0, 0, 0.17), rgba(0, 0, 0, 0.42)},                         // shadowDiffuse
    {rgba(0, 0, 0, 0.10), rgba(0, 0, 0, 0.26)},                         // shadowMid
    {rgba(0, 0, 0, 0.09), rgba(0, 0, 0, 0.20)},                         // shadowContact
};

// The label colours of the light and dark look (black or white at falling opacity).
const AdaptiveColor kPrimaryLabel{rgba(0, 0, 0, 0.85), rgba(1, 1, 1, 0.85)};
const AdaptiveColor kSecondaryLabel{rgba(0, 0, 0, 0.50), rgba(1, 1, 1, 0.55)};
const AdaptiveColor kTertiaryLabel{rgba(0, 0, 0, 0.26), rgba(1, 1, 1, 0.25)};

Appearance::Scheme currentScheme() { return Appearance::shared().scheme(); }

} // namespace

QColor toQColor(const Rgb& c) { return QColor::fromRgbF(float(c.red), float(c.green), float(c.blue), float(c.opacity)); }

QList<QColor> toQColors(const QList<Rgb>& colors) {
    QList<QColor> out;
    out.reserve(colors.size());
    for (const Rgb& c : colors) out << toQColor(c);
    return out;
}

QColor AdaptiveColor::resolve(Appearance::Scheme scheme) const {
    return toQColor(scheme == Appearance::Scheme::dark ? dark : light);
}

const AdaptiveColor& Surface::adaptive(Token token) { return kSurfaces[static_cast<int>(token)]; }

QColor Surface::color(Token token, Appearance::Scheme scheme) { return adaptive(token).resolve(scheme); }

QColor Surface::color(Token token) { return color(token, currentScheme()); }

QColor LabelColor::primary() { return primary(currentScheme()); }
QColor LabelColor::secondary() { return secondary(currentScheme()); }
QColor LabelColor::tertiary() { return tertiary(currentScheme()); }
QColor LabelColor::primary(Appearance::Scheme scheme) { return kPrimaryLabel.resolve(scheme); }
QColor LabelColor::secondary(Appearance::Scheme scheme) { return kSecondaryLabel.resolve(scheme); }
QColor LabelColor::tertiary(Appearance::Scheme scheme) { return kTertiaryLabel.resolve(scheme); }

QColor withOpacity(QColor color, qreal opacity) {
    color.setAlphaF(float(qBound(0.0, color.alphaF() * opacity, 1.0)));
    return color;
}

QColor mixColors(const QColor& a, const QColor& b, double t) {
    // Springs overshoot: a colour never goes past either end.
    t = std::isfinite(t) ? std::clamp(t, 0.0, 1.0) : 0.0;
    const auto mix = [t](float x, float y) { return x + (y - x) * float(t); };
    return QColor::fromRgbF(mix(a.redF(), b.redF()), mix(a.greenF(), b.greenF()), mix(a.blueF(), b.blueF()),
                            mix(a.alphaF(), b.alphaF()));
}

QList<QColor> withheldGaugeColors() {
    return {withOpacity(LabelColor::secondary(), 0.28), withOpacity(LabelColor::secondary(), 0.16)};
}

void paintHairlineRule(QPainter& painter, const QRectF& rect) {
    painter.fillRect(QRectF(rect.left(), rect.top(), rect.width(), 0.5), Surface::hairline());
}

} // namespace meterix
