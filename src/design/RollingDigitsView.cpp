#include "design/RollingDigitsView.h"

#include "core/Numbers.h"
#include "design/Surface.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

#include <algorithm>

namespace meterix {

namespace {

double widestDigit(const QFontMetricsF& fm) {
    double widest = 0;
    for (char c = '0'; c <= '9'; ++c) widest = std::max(widest, fm.horizontalAdvance(QLatin1Char(c)));
    return widest;
}

// Digits take a full cell; anything else (the minus sign) its own width.
double advanceOf(QChar c, double cell, const QFontMetricsF& fm) {
    return c.isDigit() ? cell : fm.horizontalAdvance(c);
}

double widthOf(const QString& number, double cell, const QFontMetricsF& fm) {
    double w = 0;
    for (QChar c : number) w += advanceOf(c, cell, fm);
    return w;
}

} // namespace

RollingDigitsView::RollingDigitsView(qint64 value, QString suffix, QFont font, QColor color, QFont suffixFont,
                                     QWidget* parent)
    : QWidget(parent), value_(value), previous_(value), suffix_(std::move(suffix)), font_(std::move(font)),
      color_(color), suffixFont_(std::move(suffixFont)), roll_(JellySprings::digits, 1.0) {
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&roll_, &SpringAnimator::valueChanged, this, [this] { update(); });
}

RollingDigitsView::Layout RollingDigitsView::layout(qint64 value, const QString& suffix, const QFont& font,
                                                    const QFont& suffixFont) {
    return layout(std::optional<qint64>(value), suffix, font, suffixFont);
}

RollingDigitsView::Layout RollingDigitsView::layout(std::optional<qint64> figure, const QString& suffix,
                                                    const QFont& font, const QFont& suffixFont) {
    const QFontMetricsF number(font);
    const QFontMetricsF trailing(suffixFont);
    Layout l;
    l.number = figure ? QString::number(*figure) : noFigureText();
    l.cellWidth = widestDigit(number);
    l.numberWidth = widthOf(l.number, l.cellWidth, number);
    l.hasSuffix = figure && !suffix.isEmpty();
    l.suffixX = l.numberWidth;
    l.width = l.numberWidth + (l.hasSuffix ? trailing.horizontalAdvance(suffix) : 0.0);
    const double ascent = std::max(number.ascent(), l.hasSuffix ? trailing.ascent() : 0.0);
    const double descent = std::max(number.descent(), l.hasSuffix ? trailing.descent() : 0.0);
    l.baseline = ascent;
    l.height = ascent + descent;
    return l;
}

void RollingDigitsView::setReading(double percentage) {
    const std::optional<int64_t> figure = displayedPercent(percentage);
    if (figure) {
        setValue(*figure);
        return;
    }
    if (!hasFigure_) return;
    previous_ = value_;
    previousHadFigure_ = true;
    hasFigure_ = false;
    updateGeometry();
    adjustSize();
    roll_.setTarget(1.0, false);
    update();
}

void RollingDigitsView::setValue(qint64 value) {
    if (value == value_ && hasFigure_) return;
    previous_ = value_;
    previousHadFigure_ = hasFigure_;
    hasFigure_ = true;
    value_ = value;
    updateGeometry();
    adjustSize();
    if (isVisible()) {
        roll_.setTarget(0.0, false);
        roll_.setTarget(1.0, true);
    } else {
        roll_.setTarget(1.0, false);
    }
    update();
}

void RollingDigitsView::setColor(const QColor& color) {
    if (color == color_) return;
    color_ = color;
    update();
}

QSize RollingDigitsView::sizeHint() const {
    const Layout l = layout(shown(), suffix_, font_, suffixFont_);
    return QSize(qCeil(l.width), qCeil(l.height));
}

void RollingDigitsView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    const Layout now = layout(shown(), suffix_, font_, suffixFont_);
    const QString before = previousHadFigure_ ? QString::number(previous_) : noFigureText();
    const double progress = std::clamp(roll_.value(), 0.0, 1.2);
    const bool rolling = progress < 1.0 && before != now.number;
    const double direction = value_ >= previous_ ? 1.0 : -1.0; // growing numbers roll upwards
    const double travel = now.height * 0.6;

    p.setFont(font_);
    p.setPen(color_);
    p.setClipRect(QRectF(0, 0, now.numberWidth, now.height));
    const QFontMetricsF fm(font_);
    auto drawChar = [&](QChar c, double right, double dy, double opacity) {
        if (opacity <= 0) return;
        const double cell = advanceOf(c, now.cellWidth, fm);
        p.setOpacity(std::clamp(opacity, 0.0, 1.0));
        p.drawText(QPointF(right - cell + (cell - fm.horizontalAdvance(c)) / 2, now.baseline + dy), QString(c));
    };
    // Characters are matched from the units digit leftwards; each string keeps
    // its own spacing, right-aligned on the number's end.
    double newRight = now.numberWidth;
    double oldRight = now.numberWidth;
    const int cells = int(std::max(now.number.size(), before.size()));
    for (int i = 0; i < cells; ++i) {
        const int newIndex = int(now.number.size()) - 1 - i;
        const int oldIndex = int(before.size()) - 1 - i;
        const QChar next = newIndex >= 0 ? now.number[newIndex] : QChar();
        const QChar last = oldIndex >= 0 ? before[oldIndex] : QChar();
        if (!rolling || next == last) {
            if (!next.isNull()) drawChar(next, newRight, 0, 1);
        } else {
            if (!last.isNull()) drawChar(last, oldRight, -direction * travel * progress, 1 - progress);
            if (!next.isNull()) drawChar(next, newRight, direction * travel * (1 - progress), progress);
        }
        if (!next.isNull()) newRight -= advanceOf(next, now.cellWidth, fm);
        if (!last.isNull()) oldRight -= advanceOf(last, now.cellWidth, fm);
    }
    p.setClipping(false);
    p.setOpacity(1);
    if (now.hasSuffix) {
        p.setFont(suffixFont_);
        p.setPen(withOpacity(color_, suffixOpacity));
        p.drawText(QPointF(now.suffixX, now.baseline), suffix_);
    }
}

} // namespace meterix
