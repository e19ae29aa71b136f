#include "panels/QuotaBar.h"

#include "core/L10n.h"
#include "core/Numbers.h"
#include "design/JellySprings.h"
#include "design/ShadowCache.h"
#include "design/ShapePainting.h"
#include "design/Surface.h"
#include "platform/ui/Appearance.h"

#include <QLinearGradient>
#include <QPainter>
#include <QtMath>

#include <cmath>

namespace meterix {

namespace {

constexpr double kMarkerWidth = 2;

// A bar fill of a percentage that is not a number is no fill at all.
double finiteOrZero(double v) {
    return std::isfinite(v) ? v : 0.0;
}

} // namespace

QuotaBar::QuotaBar(Appearance& appearance, double percentage, Colors gradientColors, double height,
                   std::optional<double> pace, QWidget* parent)
    : QWidget(parent), appearance_(appearance), percentage_(percentage), colors_(std::move(gradientColors)),
      height_(std::isfinite(height) && height > 0 ? height : 0), pace_(pace),
      shown_(JellySprings::gauge, finiteOrZero(percentage)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&shown_, &SpringAnimator::valueChanged, this, [this] { update(); });
    if (const auto text = paceAccessibility(pace_)) setAccessibleDescription(*text);
}

QuotaBar::Geometry QuotaBar::geometry(double width, double percentage, double height,
                                      std::optional<double> pace) {
    Geometry g;
    const double w = std::isfinite(width) && width > 0 ? width : 0;
    g.frameHeight = height + 4;
    const double f = std::clamp(w * finiteOrZero(percentage) / 100.0, 0.0, w);
    if (f > 0.5) g.fillWidth = f;
    if (pace && *pace > 0 && *pace < 100) g.markerX = w * *pace / 100.0 - kMarkerWidth / 2;
    return g;
}

std::optional<QString> QuotaBar::paceAccessibility(std::optional<double> pace) {
    if (!pace || !(*pace > 0 && *pace < 100)) return std::nullopt;
    return L10n::suggestedPace(*displayInteger(*pace, 0, 100, DisplayRounding::towardZero)).text();
}

void QuotaBar::paint(QPainter& p, const QRectF& rect, double percentage, const QList<QColor>& colors,
                     double height, std::optional<double> pace) {
    const Geometry g = geometry(rect.width(), percentage, height, pace);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const double top = rect.top() + (rect.height() - height) / 2;
    const QRectF track(rect.left(), top, rect.width(), height);
    p.fillPath(roundedRectPath(track, height / 2), Surface::track());

    if (g.fillWidth) {
        const QRectF fill(rect.left(), top, *g.fillWidth, height);
        const QColor first = colors.isEmpty() ? QColor(Qt::transparent) : colors.constFirst();
        if (first.alpha() > 0) {
            const ShadowCache::Shadow s =
                ShadowCache::roundedRect(fill.size(), height / 2, 2.5, withOpacity(first, 0.35),
                                         p.device() ? p.device()->devicePixelRatioF() : 1.0);
            p.drawPixmap(fill.topLeft() + QPointF(-s.padding, 0.5 - s.padding), s.pixmap);
        }
        if (!colors.isEmpty()) {
            QLinearGradient gradient(fill.topLeft(), fill.topRight());
            gradient.setStops(evenStops(colors));
            p.fillPath(roundedRectPath(fill, height / 2), gradient);
        }
        // The gloss: a lighter capsule along the top of the fill.
        const double inset = height * 0.3;
        const QRectF gloss(fill.left() + inset, fill.top(), std::max(0.0, fill.width() - 2 * inset),
                           height * 0.46);
        if (!gloss.isEmpty()) {
            QLinearGradient sheen(gloss.topLeft(), gloss.bottomLeft());
            sheen.setColorAt(0, QColor::fromRgbF(1, 1, 1, 0.45f));
            sheen.setColorAt(1, QColor::fromRgbF(1, 1, 1, 0));
            p.setCompositionMode(QPainter::CompositionMode_Plus);
            p.fillPath(roundedRectPath(gloss, gloss.height() / 2), sheen);
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
    }
    if (g.markerX) {
        const QRectF marker(rect.left() + *g.markerX, rect.top() + (rect.height() - g.frameHeight) / 2,
                            kMarkerWidth, g.frameHeight);
        p.fillPath(roundedRectPath(marker, kMarkerWidth / 2), withOpacity(LabelColor::primary(), 0.55));
        strokeInside(p, marker, kMarkerWidth / 2, 0.5, QColor::fromRgbF(1, 1, 1, 0.65f));
    }
    p.restore();
}

void QuotaBar::setPercentage(double percentage) {
    if (percentage == percentage_) return;
    percentage_ = percentage;
    shown_.setTarget(finiteOrZero(percentage), isVisible() && !appearance_.reduceMotion());
    update();
}

void QuotaBar::setGradientColors(Colors colors) {
    colors_ = std::move(colors);
    update();
}

void QuotaBar::setPaceMarkerPercentage(std::optional<double> pace) {
    pace_ = pace;
    setAccessibleDescription(paceAccessibility(pace_).value_or(QString()));
    update();
}

QSize QuotaBar::sizeHint() const {
    return QSize(60, qCeil(height_ + 4));
}

QSize QuotaBar::minimumSizeHint() const {
    return QSize(0, qCeil(height_ + 4));
}

void QuotaBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paint(p, QRectF(rect()), shown_.value(), colors_ ? colors_() : QList<QColor>{}, height_, pace_);
}

} // namespace meterix
