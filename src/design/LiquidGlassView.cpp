#include "design/LiquidGlassView.h"

#include <QPainter>

namespace meterix {

LiquidGlassView::LiquidGlassView(LiquidGlassStyle style, double bleed, QWidget* parent)
    : QWidget(parent), style_(style), bleed_(bleed > 0 ? bleed : 0) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_Hover);
    setContentsMargins(int(bleed_), int(bleed_), int(bleed_), int(bleed_));
}

void LiquidGlassView::setStyle(const LiquidGlassStyle& style) {
    const bool hoverChanged = style.isHovered != style_.isHovered;
    style_ = style;
    update();
    if (hoverChanged) Q_EMIT hoveredChanged(style_.isHovered);
}

void LiquidGlassView::setHovered(bool hovered) {
    if (hovered == style_.isHovered) return;
    style_.isHovered = hovered;
    update();
    Q_EMIT hoveredChanged(hovered);
}

QRectF LiquidGlassView::glassRect() const {
    return QRectF(rect()).adjusted(bleed_, bleed_, -bleed_, -bleed_);
}

void LiquidGlassView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    style_.paint(p, glassRect());
}

void LiquidGlassView::enterEvent(QEnterEvent* event) {
    setHovered(true);
    QWidget::enterEvent(event);
}

void LiquidGlassView::leaveEvent(QEvent* event) {
    setHovered(false);
    QWidget::leaveEvent(event);
}

} // namespace meterix
