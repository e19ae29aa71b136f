#include "companion/SparkleEmitterView.h"

#include "companion/CatRandomSource.h"
#include "design/AnimationCurves.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace meterix {

SparkleEmitterView::SparkleEmitterView(QWidget* parent, CatRandomSource* random)
    : QWidget(parent), random_(random ? *random : CatRandomSource::system()) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    animation_.setStartValue(0.0);
    animation_.setEndValue(1.0);
    animation_.setDuration(int(std::lround(duration * 1000)));
    connect(&animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        particles_ = at(burst_, v.toDouble());
        update();
    });
}

const QList<QColor>& SparkleEmitterView::colors() {
    static const QList<QColor> list{QColor(255, 204, 0), QColor(50, 173, 230), QColor(255, 45, 85),
                                    QColor(255, 149, 0), QColor(255, 255, 255)};
    return list;
}

SparkleEmitterView::Burst SparkleEmitterView::makeBurst(CatRandomSource& random) {
    Burst b;
    for (int i = 0; i < particleCount; ++i) {
        SparkleParticle p;
        p.id = i;
        const int pick = std::clamp(int(random.wait(0, 5)), 0, 4);
        p.color = colors().at(pick);
        p.size = std::clamp(random.wait(2, 4), 2.0, 4.0);
        b.start.append(p);
    }
    for (SparkleParticle p : b.start) {
        const double angle = random.wait(0, 2 * std::numbers::pi);
        const double distance = std::clamp(random.wait(12, 28), 12.0, 28.0);
        p.x = std::cos(angle) * distance;
        p.y = std::sin(angle) * distance;
        p.scale = 1;
        p.opacity = 0;
        b.end.append(p);
    }
    return b;
}

QList<SparkleParticle> SparkleEmitterView::at(const Burst& burst, double progress) {
    const double t =
        easeOutCurve().valueForProgress(std::clamp(std::isfinite(progress) ? progress : 1.0, 0.0, 1.0));
    QList<SparkleParticle> out;
    for (qsizetype i = 0; i < burst.start.size() && i < burst.end.size(); ++i) {
        const SparkleParticle& a = burst.start[i];
        const SparkleParticle& b = burst.end[i];
        SparkleParticle p = a;
        p.x = a.x + (b.x - a.x) * t;
        p.y = a.y + (b.y - a.y) * t;
        p.scale = a.scale + (b.scale - a.scale) * t;
        p.opacity = a.opacity + (b.opacity - a.opacity) * t;
        out.append(p);
    }
    return out;
}

void SparkleEmitterView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    emitParticles();
}

void SparkleEmitterView::emitParticles() {
    burst_ = makeBurst(random_);
    particles_ = burst_.start;
    animation_.stop();
    animation_.start();
    update();
}

void SparkleEmitterView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QPointF centre(width() / 2.0, height() / 2.0);
    for (const SparkleParticle& s : particles_) {
        if (s.opacity <= 0) continue;
        p.setOpacity(s.opacity);
        p.setBrush(s.color);
        const double d = s.size * s.scale;
        p.drawEllipse(QRectF(centre.x() + s.x - d / 2, centre.y() + s.y - d / 2, d, d));
    }
}

} // namespace meterix
