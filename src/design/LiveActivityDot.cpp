#include "design/LiveActivityDot.h"

#include "core/L10n.h"
#include "design/EndlessPulse.h"
#include "design/ShadowCache.h"
#include "design/Surface.h"

#include <QPainter>

namespace meterix {

LiveActivityDot::LiveActivityDot(QColor color, QWidget* parent)
    : QWidget(parent), color_(color),
      pulse_(new EndlessPulse(this, 1.4, QEasingCurve(QEasingCurve::OutQuad), false)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(sizeHint());
    setAccessibleName(L10n::refreshingUsage().text());
}

void LiveActivityDot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = QRectF(rect()).center();
    const double v = pulse_->value();
    const double halo = 6 * haloScale(v);
    p.setPen(Qt::NoPen);
    p.setBrush(withOpacity(color_, 0.35 * haloOpacity(v)));
    p.drawEllipse(c, halo, halo);
    const ShadowCache::Shadow glow = ShadowCache::roundedRect(QSizeF(5, 5), 2.5, 3, withOpacity(color_, 0.8),
                                                              devicePixelRatioF());
    p.drawPixmap(c - QPointF(2.5 + glow.padding, 2.5 + glow.padding), glow.pixmap);
    p.setBrush(color_);
    p.drawEllipse(c, 2.5, 2.5);
}

} // namespace meterix
