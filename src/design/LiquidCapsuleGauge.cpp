#include "design/LiquidCapsuleGauge.h"

#include "core/Numbers.h"
#include "design/ShadowCache.h"
#include "design/ShapePainting.h"
#include "design/Surface.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <algorithm>

namespace meterix {

namespace {
constexpr double kGlowOpacity = 0.55;
constexpr double kGlowRadiusFactor = 0.9; // of the height
} // namespace

LiquidCapsuleGauge::LiquidCapsuleGauge(double percentage, QList<QColor> gradientColors, double width, double height,
                                       bool showsGlow, QWidget* parent)
    : QWidget(parent), target_(clampPercentage(percentage)), colors_(std::move(gradientColors)),
      width_(std::max(0.0, width)), height_(std::max(0.0, height)), showsGlow_(showsGlow),
      shown_(JellySprings::gauge, target_) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(sizeHint());
    connect(&shown_, &SpringAnimator::valueChanged, this, [this] { update(); });
}

double LiquidCapsuleGauge::fillWidth(double percentage, double width, double height) {
    return std::min(width, std::max(height, width * clampPercentage(percentage) / 100.0));
}

void LiquidCapsuleGauge::setPercentage(double percentage) {
    target_ = clampPercentage(percentage);
    shown_.setTarget(target_, isVisible());
}

QSize LiquidCapsuleGauge::sizeHint() const {
    // Room for the glow around the capsule.
    const double pad = showsGlow_ ? ShadowCache::paddingFor(height_ * kGlowRadiusFactor) : 0;
    return QSize(qCeil(width_ + 2 * pad), qCeil(height_ + 2 * pad));
}

void LiquidCapsuleGauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF gauge((width() - width_) / 2.0, (height() - height_) / 2.0, width_, height_);
    p.fillPath(roundedRectPath(gauge, height_ / 2), Surface::track());
    strokeInside(p, gauge, height_ / 2, 0.5, withOpacity(Surface::shellRim(), 0.3));

    const QRectF fill(gauge.left(), gauge.top(), fillWidth(shown_.value(), width_, height_), height_);
    if (showsGlow_ && !colors_.isEmpty()) {
        const double blur = height_ * kGlowRadiusFactor;
        const ShadowCache::Shadow glow = ShadowCache::roundedRect(fill.size(), height_ / 2, blur,
                                                                  withOpacity(colors_.constFirst(), kGlowOpacity),
                                                                  devicePixelRatioF());
        p.drawPixmap(fill.topLeft() - QPointF(glow.padding, glow.padding), glow.pixmap);
    }
    const QPainterPath fillPath = roundedRectPath(fill, height_ / 2);
    QLinearGradient g(fill.topLeft(), fill.topRight());
    g.setStops(evenStops(colors_));
    if (!colors_.isEmpty()) p.fillPath(fillPath, g);
    QLinearGradient highlight(fill.topLeft(), fill.bottomLeft());
    highlight.setColorAt(0, QColor::fromRgbF(1, 1, 1, 0.55f));
    highlight.setColorAt(1, QColor::fromRgbF(1, 1, 1, 0));
    p.fillPath(fillPath, highlight);
}

} // namespace meterix
