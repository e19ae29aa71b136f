#include "panels/SymbolLabel.h"

#include "design/BaselineEllipsis.h"
#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

namespace meterix {

namespace {
constexpr int kWrapFlags = Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop;
} // namespace

SymbolLabel::SymbolLabel(Look look, QString text, QWidget* parent)
    : QWidget(parent), look_(std::move(look)), text_(std::move(text)) {
    setAttribute(Qt::WA_TranslucentBackground);
    // A wrapping label may grow taller than one line: the layout gives it its
    // height for the width it gets.
    QSizePolicy policy(look_.wraps ? QSizePolicy::Preferred : QSizePolicy::Fixed,
                       look_.wraps ? QSizePolicy::Minimum : QSizePolicy::Fixed);
    policy.setHeightForWidth(look_.wraps);
    setSizePolicy(policy);
    setAccessibleName(text_);
}

void SymbolLabel::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    setAccessibleName(text_);
    updateGeometry();
    update();
}

double SymbolLabel::symbolSide() const {
    return SymbolImage::boxSide(look_.symbolPointSize);
}

QRectF SymbolLabel::textRect(double width) const {
    const double left = symbolSide() + look_.spacing;
    const QFontMetricsF fm(look_.font);
    if (!look_.wraps) return QRectF(left, 0, fm.horizontalAdvance(text_), fm.height());
    const QRectF r = fm.boundingRect(QRectF(0, 0, std::max(1.0, width - left), 1e6), kWrapFlags, text_);
    return QRectF(left, 0, std::max(1.0, width - left), r.height());
}

QSize SymbolLabel::sizeHint() const {
    const QFontMetricsF fm(look_.font);
    const double w = symbolSide() + look_.spacing + fm.horizontalAdvance(text_);
    return QSize(qCeil(w), qCeil(std::max(symbolSide(), fm.height())));
}

QSize SymbolLabel::minimumSizeHint() const {
    if (!look_.wraps) return sizeHint();
    return QSize(qCeil(symbolSide() + look_.spacing + 20),
                 qCeil(std::max(symbolSide(), QFontMetricsF(look_.font).height())));
}

int SymbolLabel::heightForWidth(int width) const {
    if (!look_.wraps) return sizeHint().height();
    return qCeil(std::max(symbolSide(), textRect(width).height()));
}

void SymbolLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor color = look_.color ? look_.color() : palette().color(QPalette::WindowText);
    const QFontMetricsF fm(look_.font);
    // The symbol sits on the first line's middle.
    const double firstLine = look_.wraps ? fm.height() : double(height());
    const double side = symbolSide();
    SymbolImage::paint(p, QPointF(side / 2, std::max(side, firstLine) / 2), look_.symbolPointSize,
                       look_.symbol, color, look_.symbolWeight);
    p.setFont(look_.font);
    p.setPen(color);
    const double left = side + look_.spacing;
    if (look_.wraps) {
        drawTextLine(p, QRectF(left, 0, width() - left, height()), kWrapFlags, text_);
    } else {
        drawTextLine(p, QRectF(left, 0, width() - left, height()),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text_);
    }
}

} // namespace meterix
