#include "design/IconTile.h"

#include "platform/ui/SymbolImage.h"
#include "design/ShadowCache.h"
#include "design/ShapePainting.h"
#include "design/Surface.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace meterix {

namespace {
constexpr double kShadowRadius = 2.5;
constexpr double kShadowOffsetY = 1.5;
} // namespace

IconTile::IconTile(QString symbol, QList<QColor> colors, double size, QWidget* parent)
    : QWidget(parent), symbol_(std::move(symbol)), colors_(std::move(colors)), size_(std::max(0.0, size)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(sizeHint());
    const int m = shadowMargin();
    setContentsMargins(m, m, m, m);
}

void IconTile::setColors(const QList<QColor>& colors) {
    if (colors == colors_) return;
    colors_ = colors;
    update();
}

QColor IconTile::shadowColor(const QList<QColor>& colors) {
    return colors.isEmpty() ? QColor(Qt::transparent) : withOpacity(colors.constLast(), 0.32);
}

int IconTile::shadowMargin() { return qCeil(ShadowCache::paddingFor(kShadowRadius) + kShadowOffsetY); }

QRectF IconTile::tileRect() const {
    return QRectF((width() - size_) / 2.0, (height() - size_) / 2.0, size_, size_);
}

QSize IconTile::sizeHint() const {
    const int side = qCeil(size_) + 2 * shadowMargin();
    return QSize(side, side);
}

void IconTile::paint(QPainter& p, const QRectF& frame, const QString& symbol, const QList<QColor>& colors) {
    if (frame.isEmpty()) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const double size = std::min(frame.width(), frame.height());
    const double radius = cornerRadius(size);
    const QColor shadow = shadowColor(colors);
    if (shadow.alpha() > 0) {
        const ShadowCache::Shadow s = ShadowCache::roundedRect(frame.size(), radius, kShadowRadius, shadow,
                                                               p.device() ? p.device()->devicePixelRatioF() : 1.0);
        p.drawPixmap(frame.topLeft() - QPointF(s.padding, s.padding - kShadowOffsetY), s.pixmap);
    }
    if (!colors.isEmpty()) {
        QLinearGradient fill(frame.topLeft(), frame.bottomLeft());
        fill.setStops(evenStops(colors));
        p.fillPath(roundedRectPath(frame, radius), fill);
    }
    QLinearGradient rim(frame.topLeft(), frame.bottomLeft());
    rim.setColorAt(0, QColor::fromRgbF(1, 1, 1, 0.42f));
    rim.setColorAt(1, QColor::fromRgbF(1, 1, 1, 0.06f));
    strokeInside(p, frame, radius, 0.5, rim);
    const QPointF centre = frame.center();
    SymbolImage::paint(p, centre + QPointF(0, 0.5), symbolPointSize(size), symbol, QColor::fromRgbF(0, 0, 0, 0.22f),
                       SymbolWeight::bold);
    SymbolImage::paint(p, centre, symbolPointSize(size), symbol, Qt::white, SymbolWeight::bold);
    p.restore();
}

void IconTile::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paint(p, tileRect(), symbol_, colors_);
}

} // namespace meterix
