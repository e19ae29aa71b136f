#include "panels/ModelQuotaCompactRow.h"

#include "design/BaselineEllipsis.h"
#include "core/L10n.h"
#include "core/Numbers.h"
#include "design/MeterixFont.h"
#include "design/ShadowCache.h"
#include "design/ShapePainting.h"
#include "design/Surface.h"
#include "panels/AllowanceName.h"
#include "panels/QuotaBar.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QtMath>

namespace meterix {

namespace {

constexpr double kDot = 6;
constexpr double kSpacing = 8;
constexpr double kBarHeight = 4.5;
constexpr double kLineGap = 1.5;

QFont nameFont() {
    return MeterixFont::rounded(11, QFont::DemiBold);
}
QFont typeFont() {
    return MeterixFont::rounded(8.5, QFont::Medium);
}
QFont percentFont() {
    return MeterixFont::rounded(10.5, QFont::Bold);
}

} // namespace

ModelQuotaCompactRow::Display ModelQuotaCompactRow::display(const ModelQuotaItem& model) {
    Display d;
    d.tier = usageTierFrom(model.remainingPercentage);
    const std::optional<int64_t> figure = displayedPercent(model.remainingPercentage);
    d.barPercentage = figure ? clampPercentage(model.remainingPercentage) : 0.0;
    d.percentText = figure ? QString::number(*figure) + QLatin1Char('%') : noFigureText();
    const QString name = labelText(model.name);
    const QString type = labelText(model.quotaType);
    d.accessibilityLabel = figure ? L10n::modelQuotaAccessibility(name, type, *figure).text()
                                  : name + QLatin1Char(' ') + type;
    return d;
}

ModelQuotaCompactRow::ModelQuotaCompactRow(const ModelQuotaItem& model, QWidget* parent)
    : QWidget(parent), model_(model), display_(display(model)), hover_(0.13) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(display_.accessibilityLabel);
    connect(&hover_, &HoverFade::changed, this, [this] { update(); });
}

QSize ModelQuotaCompactRow::sizeHint() const {
    const double text = QFontMetricsF(nameFont()).height() + kLineGap + QFontMetricsF(typeFont()).height();
    const double w = 2 * marginH + kDot + kSpacing +
                     QFontMetricsF(nameFont()).horizontalAdvance(allowanceNameOverLine(labelText(model_.name), labelText(model_.quotaType))) + 6 + kSpacing + barWidth +
                     kSpacing + percentWidth;
    return QSize(qCeil(w), qCeil(text + 2 * marginV));
}

QSize ModelQuotaCompactRow::minimumSizeHint() const {
    return QSize(qCeil(2 * marginH + kDot + 3 * kSpacing + 6 + barWidth + percentWidth), sizeHint().height());
}

void ModelQuotaCompactRow::enterEvent(QEnterEvent* event) {
    hover_.setHovered(true);
    QWidget::enterEvent(event);
}

void ModelQuotaCompactRow::leaveEvent(QEvent* event) {
    hover_.setHovered(false);
    QWidget::leaveEvent(event);
}

QRectF ModelQuotaCompactRow::nameRoom() const {
    // From the trailing edge: the figure, the bar, a gap of 6; the texts take the rest.
    const QRectF inner = QRectF(rect()).adjusted(marginH, marginV, -marginH, -marginV);
    const double left = inner.left() + kDot + kSpacing;
    const double barLeft = inner.right() - percentWidth - kSpacing - barWidth;
    return QRectF(left, inner.top(), std::max(0.0, barLeft - 6 - left), inner.height());
}

QString ModelQuotaCompactRow::shownName() const {
    return fittedAllowanceName(labelText(model_.name), labelText(model_.quotaType), QFontMetricsF(nameFont()), nameRoom().width());
}

void ModelQuotaCompactRow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(rect());
    const double wash = hoverAmount();
    if (wash > 0) p.fillPath(roundedRectPath(all, 8), withOpacity(Surface::hoverWash(), wash));

    const QList<QColor> colors = toQColors(gradient(display_.tier));
    const QColor tint = colors.constFirst();
    const QRectF inner = all.adjusted(marginH, marginV, -marginH, -marginV);

    // The tier dot and its glow.
    const QRectF dot(inner.left(), inner.center().y() - kDot / 2, kDot, kDot);
    const ShadowCache::Shadow glow = ShadowCache::roundedRect(
        dot.size(), kDot / 2, 2, withOpacity(tint, 0.55), p.device()->devicePixelRatioF());
    p.drawPixmap(dot.topLeft() - QPointF(glow.padding, glow.padding), glow.pixmap);
    QLinearGradient dotFill(dot.topLeft(), dot.bottomLeft());
    dotFill.setStops(evenStops(colors));
    p.setPen(Qt::NoPen);
    p.setBrush(dotFill);
    p.drawEllipse(dot);

    // From the trailing edge: the figure, the bar, then the texts take the rest.
    const QRectF percent(inner.right() - percentWidth, inner.top(), percentWidth, inner.height());
    p.setFont(percentFont());
    p.setPen(tint);
    drawTextLine(p, percent, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, display_.percentText);
    const QRectF bar(percent.left() - kSpacing - barWidth, inner.center().y() - (kBarHeight + 4) / 2,
                     barWidth, kBarHeight + 4);
    QuotaBar::paint(p, bar, display_.barPercentage, colors, kBarHeight, std::nullopt);

    const QRectF room = nameRoom();
    const double textLeft = room.left();
    const double textWidth = room.width();
    const QFontMetricsF nameMetrics(nameFont());
    const QFontMetricsF typeMetrics(typeFont());
    const double block = nameMetrics.height() + kLineGap + typeMetrics.height();
    const double top = inner.center().y() - block / 2;
    p.setFont(nameFont());
    p.setPen(LabelColor::primary());
    drawTextLine(p, QRectF(textLeft, top, textWidth, nameMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
               shownName());
    p.setFont(typeFont());
    p.setPen(LabelColor::tertiary());
    drawTextLine(p, QRectF(textLeft, top + nameMetrics.height() + kLineGap, textWidth, typeMetrics.height()),
               Qt::AlignLeft | Qt::AlignVCenter,
               typeMetrics.elidedText(labelText(model_.quotaType), Qt::ElideRight, textWidth));
}

} // namespace meterix
