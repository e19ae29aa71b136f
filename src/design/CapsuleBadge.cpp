#include "design/CapsuleBadge.h"

#include "design/BaselineEllipsis.h"
#include "core/Localization.h"
#include "design/ShapePainting.h"
#include "platform/ui/Appearance.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <utility>

namespace meterix {

CapsuleBadge::CapsuleBadge(Localization& localization, QWidget* parent) : QWidget(parent), presence_(JellySprings::layout, 1.0) {
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&presence_, &SpringAnimator::valueChanged, this, [this] { update(); });
    connect(&presence_, &QAbstractAnimation::finished, this, [this] {
        if (presence_.value() == 0.0 && gone_) std::exchange(gone_, {})();
    });
    // The texts are picked when drawn, but the width and the name are taken
    // now: a new language must give both again.
    connect(&localization, &Localization::preferenceChanged, this, &CapsuleBadge::textChanged);
}

void CapsuleBadge::textChanged() {
    setAccessibleName(accessibleText());
    updateGeometry();
    update();
}

bool CapsuleBadge::animates() const {
    return !Appearance::shared().reduceMotion() && parentWidget() && parentWidget()->isVisible();
}

void CapsuleBadge::appear() {
    gone_ = {};
    const bool animated = animates();
    // Coming back while it shrinks away turns it round where it is.
    if (isHidden()) presence_.setTarget(animated ? 0.0 : 1.0, false);
    show();
    presence_.setTarget(1.0, animated);
}

void CapsuleBadge::leave(std::function<void()> gone) {
    gone_ = std::move(gone);
    if (!animates() || !isVisible()) {
        presence_.setTarget(0.0, false);
        if (gone_) std::exchange(gone_, {})();
        return;
    }
    presence_.setTarget(0.0, true);
}

QSizeF CapsuleBadge::markSize(const BadgeLook& look) {
    if (look.symbol.isEmpty()) return look.markSize;
    const double side = SymbolImage::boxSide(look.symbolPointSize);
    return QSizeF(side, side);
}

QSizeF CapsuleBadge::measure(const BadgeLook& look) {
    const QFontMetricsF fm(look.font);
    const QSizeF mark = markSize(look);
    const double w = mark.width() + look.spacing + fm.horizontalAdvance(look.text) + 2 * look.marginH;
    const double h = std::max(mark.height(), fm.height()) + 2 * look.marginV;
    return QSizeF(w, h);
}

QSize CapsuleBadge::sizeHint() const {
    const QSizeF s = measure(look());
    return QSize(qCeil(s.width()), qCeil(s.height()));
}

void CapsuleBadge::paintMark(QPainter&, const QRectF&) const {}

void CapsuleBadge::paintEvent(QPaintEvent*) {
    const BadgeLook l = look();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double presence = presence_.value();
    if (presence != 1.0) {
        const QPointF centre = QRectF(rect()).center();
        const double scale = presenceScale(presence);
        p.translate(centre);
        p.scale(scale, scale);
        p.translate(-centre);
        p.setOpacity(presenceOpacity(presence));
    }
    const QSizeF s = measure(l);
    const QRectF badge((width() - s.width()) / 2, (height() - s.height()) / 2, s.width(), s.height());
    p.fillPath(roundedRectPath(badge, badge.height() / 2), l.fill);
    strokeInside(p, badge, badge.height() / 2, 0.5, l.rim);

    const QSizeF mark = markSize(l);
    const QRectF markBox(badge.left() + l.marginH, badge.center().y() - mark.height() / 2, mark.width(), mark.height());
    if (!l.symbol.isEmpty())
        SymbolImage::paint(p, markBox.center(), l.symbolPointSize, l.symbol, l.foreground, l.symbolWeight);
    else
        paintMark(p, markBox);
    p.setFont(l.font);
    p.setPen(l.foreground);
    const QRectF text(markBox.right() + l.spacing, badge.top(), badge.right() - l.marginH - markBox.right() - l.spacing,
                      badge.height());
    drawTextLine(p, text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, l.text);
}

} // namespace meterix
