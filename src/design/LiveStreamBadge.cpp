#include "design/LiveStreamBadge.h"

#include "core/L10n.h"
#include "design/EndlessPulse.h"
#include "design/JellySprings.h"
#include "design/MeterixFont.h"
#include "design/ShadowCache.h"
#include "design/Surface.h"

#include <QPainter>

namespace meterix {

LiveStreamBadge::LiveStreamBadge(Localization& localization, QWidget* parent)
    : CapsuleBadge(localization, parent), pulse_(new EndlessPulse(this, 0.85, EasedSpec::easeInOut(), true)) {
    textChanged();
}

QString LiveStreamBadge::accessibleText() const {
    return L10n::aiTaskInProgress().text();
}

BadgeLook LiveStreamBadge::look() const {
    BadgeLook l;
    l.markSize = QSizeF(5, 5);
    l.text = L10n::working().text();
    l.font = MeterixFont::rounded(9, QFont::Bold);
    l.foreground = live();
    l.fill = withOpacity(live(), 0.14);
    l.rim = withOpacity(live(), 0.3);
    l.spacing = 4;
    l.marginH = 6;
    l.marginV = 2.5;
    return l;
}

void LiveStreamBadge::paintMark(QPainter& p, const QRectF& box) const {
    const double v = pulse_->value();
    const double scale = dotScale(v);
    const double dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    p.save();
    p.translate(box.center());
    p.scale(scale, scale);
    // The badge may itself be fading in or out: the glow's weights are shares of that.
    const double base = p.opacity();
    // The resting and the full glow are each blurred once and blended by the
    // pulse, so breathing never blurs anything.
    for (const auto& [radius, weight] : {std::pair{glowRadius(0), 1.0 - v}, std::pair{glowRadius(1), v}}) {
        if (weight <= 0) continue;
        const ShadowCache::Shadow s =
            ShadowCache::roundedRect(QSizeF(5, 5), 2.5, radius, withOpacity(live(), 0.85), dpr);
        p.setOpacity(base * weight);
        p.drawPixmap(QPointF(-2.5 - s.padding, -2.5 - s.padding), s.pixmap);
    }
    p.setOpacity(base);
    p.setPen(Qt::NoPen);
    p.setBrush(live());
    p.drawEllipse(QPointF(0, 0), 2.5, 2.5);
    p.restore();
}

} // namespace meterix
