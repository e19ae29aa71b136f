#include "design/RingGauge.h"

#include "core/Numbers.h"
#include "design/Surface.h"

#include <QConicalGradient>
#include <QPainter>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace meterix {

namespace {
constexpr double kMinimumTrim = 0.012;
constexpr double kGlowOpacity = 0.35;
constexpr double kGlowBlurFactor = 0.35; // of the line width
} // namespace

RingGauge::RingGauge(double percentage, QList<QColor> gradientColors, double size, double lineWidth, bool showsGlow,
                     QWidget* center, QWidget* parent)
    : QWidget(parent), target_(clamped(percentage)), colors_(std::move(gradientColors)),
      size_(std::max(0.0, size)), lineWidth_(std::max(0.0, lineWidth)), showsGlow_(showsGlow), center_(center),
      shown_(JellySprings::gauge, target_) {
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(sizeHint());
    if (center_) center_->setParent(this);
    placeCenter();
    connect(&shown_, &SpringAnimator::valueChanged, this, [this] { update(); });
}

double RingGauge::clamped(double percentage) { return clampPercentage(percentage); }

double RingGauge::trimFraction(double percentage) { return std::max(clamped(percentage) / 100.0, kMinimumTrim); }

RingGauge::Arc RingGauge::arc(double percentage) {
    return Arc{90 * 16, -int(std::lround(trimFraction(percentage) * 360.0 * 16.0))};
}

QGradientStops RingGauge::sweepStops(const QList<QColor>& colors) {
    QGradientStops stops;
    if (colors.isEmpty()) return stops;
    QList<QColor> sweep;
    sweep << colors.constFirst() << colors;
    const int last = int(sweep.size()) - 1;
    // Qt's conical gradient runs counter-clockwise; the sweep runs clockwise.
    for (int i = last; i >= 0; --i) stops << QGradientStop(1.0 - double(i) / last, sweep[i]);
    return stops;
}

double RingGauge::overhang(double lineWidth, bool showsGlow) {
    const double half = std::max(0.0, lineWidth) / 2;
    return showsGlow ? half + 2 * kGlowBlurFactor * lineWidth : half;
}

void RingGauge::paintRing(QPainter& p, const QPointF& centre, double size, double percentage,
                          const QList<QColor>& colors, double lineWidth, bool showsGlow) {
    if (!(size > 0) || !(lineWidth > 0)) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF circle(centre.x() - size / 2, centre.y() - size / 2, size, size);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Surface::track(), lineWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.drawEllipse(circle);

    if (!colors.isEmpty()) {
        QConicalGradient sweep(centre, 90);
        sweep.setStops(sweepStops(colors));
        const Arc a = arc(percentage);
        if (showsGlow) {
            // A blur of the arc, built from widening translucent strokes so nothing
            // is blurred while the gauge animates.
            const double sigma = kGlowBlurFactor * lineWidth / 2;
            const double layerOpacity = 1.0 - std::pow(1.0 - kGlowOpacity, 1.0 / 3.0);
            // The layers fade with whatever fades the ring (a segment arriving).
            const double given = p.opacity();
            for (int i = 2; i >= 0; --i) {
                p.setOpacity(given * layerOpacity);
                p.setPen(QPen(QBrush(sweep), lineWidth + 2 * sigma * i, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin));
                p.drawArc(circle, a.startAngle16, a.spanAngle16);
            }
            p.setOpacity(given);
        }
        p.setPen(QPen(QBrush(sweep), lineWidth, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin));
        p.drawArc(circle, a.startAngle16, a.spanAngle16);
    }
    p.restore();
}

void RingGauge::setPercentage(double percentage) {
    target_ = clamped(percentage);
    shown_.setTarget(target_, isVisible());
    update();
}

void RingGauge::setGradientColors(const QList<QColor>& colors) {
    colors_ = colors;
    update();
}

QSize RingGauge::sizeHint() const {
    const int side = qCeil(size_ + 2 * overhang(lineWidth_, showsGlow_));
    return QSize(side, side);
}

void RingGauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintRing(p, QRectF(rect()).center(), size_, shown_.value(), colors_, lineWidth_, showsGlow_);
}

void RingGauge::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeCenter();
}

void RingGauge::placeCenter() {
    if (center_) {
        const QSize s = center_->sizeHint().isValid() ? center_->sizeHint() : center_->size();
        center_->setGeometry(QRect(QPoint((width() - s.width()) / 2, (height() - s.height()) / 2), s));
    }
}

} // namespace meterix
