#include "design/RowSeparator.h"

#include "design/Surface.h"

#include <QPainter>

namespace meterix {

RowSeparator::RowSeparator(double inset, QWidget* parent) : QWidget(parent), inset_(inset > 0 ? inset : 0) {
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(1);
}

void RowSeparator::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintHairlineRule(p, QRectF(inset_, 0, std::max(0.0, width() - inset_), height()));
}

} // namespace meterix
