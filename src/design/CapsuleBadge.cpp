#include "design/CapsuleBadge.h"

#include "design/ShapePainting.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace meterix {

CapsuleBadge::CapsuleBadge(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
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
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, l.text);
}

} // namespace meterix
