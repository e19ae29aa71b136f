#include "panels/LabButton.h"

#include "design/BaselineEllipsis.h"
#include "design/MeterixFont.h"
#include "design/ShapePainting.h"
#include "design/Surface.h"
#include "platform/ui/SymbolImage.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

namespace meterix {

namespace {
constexpr double kRadius = 9;
QFont titleFont() {
    return MeterixFont::rounded(11, QFont::DemiBold);
}
} // namespace

LabButton::LabButton(QString title, std::function<QColor()> fill, std::function<void()> action,
                     QWidget* parent)
    : HoverPressableButton(PressableStyle{0.97, 0.75, true}, parent), title_(std::move(title)),
      fill_(std::move(fill)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(title_);
    connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] {
        if (action) action();
    });
}

QColor LabButton::plateColor() const {
    const QColor base = fill_();
    const double lift = 0.05 * hoverValue();
    return QColor::fromRgbF(std::min(1.0f, base.redF() + float(lift)),
                            std::min(1.0f, base.greenF() + float(lift)),
                            std::min(1.0f, base.blueF() + float(lift)), base.alphaF());
}

QSize LabButton::sizeHint() const {
    const QFontMetricsF fm(titleFont());
    return QSize(qCeil(fm.horizontalAdvance(title_) + 5 + SymbolImage::boxSide(10) + 20),
                 qCeil(fm.height() + 12));
}

void LabButton::paintContent(QPainter& p, const QRectF& rect) {
    p.fillPath(roundedRectPath(rect, kRadius), plateColor());
    strokeInside(p, rect, kRadius, 0.5, QBrush(QColor::fromRgbF(1, 1, 1, 0.25f)));
    const QFontMetricsF fm(titleFont());
    const double arrow = SymbolImage::boxSide(10);
    const double w = fm.horizontalAdvance(title_) + 5 + arrow;
    const double x = rect.center().x() - w / 2;
    p.setFont(titleFont());
    p.setPen(Qt::white);
    drawTextLine(p, QRectF(x, rect.top(), fm.horizontalAdvance(title_) + 1, rect.height()),
               Qt::AlignLeft | Qt::AlignVCenter, title_);
    SymbolImage::paint(p, QPointF(x + w - arrow / 2, rect.center().y()), 10,
                       QStringLiteral("arrow.up.forward"), Qt::white, SymbolWeight::bold);
}

} // namespace meterix
