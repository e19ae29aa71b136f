#include "panels/ProductRow.h"

#include "design/BaselineEllipsis.h"
#include "core/L10n.h"
#include "design/IconTile.h"
#include "design/MeterixFont.h"
#include "design/ShapePainting.h"
#include "design/Surface.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

namespace meterix {

namespace {
constexpr double kTile = 22;
constexpr double kMarginH = 9;
constexpr double kMarginV = 6;
constexpr double kSpacing = 9;

QFont nameFont() {
    return MeterixFont::rounded(11.5, QFont::DemiBold);
}
QFont badgeFont() {
    return MeterixFont::rounded(8.5, QFont::Bold);
}
QFont summaryFont() {
    return MeterixFont::rounded(9.5, QFont::Medium);
}

} // namespace

ProductRow::ProductRow(MakerProduct product, QWidget* parent)
    : QWidget(parent), product_(std::move(product)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(product_.name + QStringLiteral(", ") + product_.summary);
}

QSize ProductRow::sizeHint() const {
    const double texts = QFontMetricsF(nameFont()).height() + 1 + QFontMetricsF(summaryFont()).height();
    return QSize(300, qCeil(std::max(kTile, texts) + 2 * kMarginV));
}

QSize ProductRow::minimumSizeHint() const {
    return QSize(120, sizeHint().height());
}

void ProductRow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF rect(this->rect());
    const QRectF inner = rect.adjusted(kMarginH, kMarginV, -kMarginH, -kMarginV);
    const QRectF tile(inner.left(), inner.center().y() - kTile / 2, kTile, kTile);
    IconTile::paint(p, tile, MakerProduct::symbol(product_.category),
                    toQColors(MakerProduct::colors(product_.category)));

    const double left = tile.right() + kSpacing;
    const double right = inner.right();
    const QFontMetricsF nfm(nameFont()), sfm(summaryFont()), bfm(badgeFont());
    const double top = inner.center().y() - (nfm.height() + 1 + sfm.height()) / 2;
    p.setFont(nameFont());
    p.setPen(LabelColor::primary());
    const double nameW = nfm.horizontalAdvance(product_.name);
    drawTextLine(p, QRectF(left, top, nameW + 1, nfm.height()), Qt::AlignLeft | Qt::AlignVCenter, product_.name);
    if (product_.isExperimental) {
        const QString text = L10n::experimental().text();
        const QRectF badge(left + nameW + 5, top + (nfm.height() - bfm.height() - 2) / 2,
                           bfm.horizontalAdvance(text) + 8, bfm.height() + 2);
        p.fillPath(roundedRectPath(badge, badge.height() / 2),
                   Surface::hoverWash());
        p.setFont(badgeFont());
        p.setPen(LabelColor::secondary());
        drawTextLine(p, badge, Qt::AlignCenter, text);
    }
    p.setFont(summaryFont());
    p.setPen(LabelColor::secondary());
    const double room = std::max(0.0, right - left);
    drawTextLine(p, QRectF(left, top + nfm.height() + 1, room, sfm.height()), Qt::AlignLeft | Qt::AlignVCenter,
               sfm.elidedText(product_.summary, Qt::ElideRight, room));
}

} // namespace meterix
