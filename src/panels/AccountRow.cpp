#include "panels/AccountRow.h"

#include "design/BaselineEllipsis.h"
#include "design/IconTile.h"
#include "design/MeterixFont.h"
#include "design/ShapePainting.h"
#include "design/Surface.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

namespace meterix {

namespace {

const QColor kRunningGreen = QColor(48, 209, 88);

QFont labelFont() {
    return MeterixFont::rounded(11.5, QFont::DemiBold);
}
QFont chipFont() {
    return MeterixFont::rounded(8.5, QFont::Bold);
}
QFont subtitleFont() {
    return MeterixFont::rounded(9.5, QFont::Medium);
}
QFont percentFont() {
    return MeterixFont::rounded(12, QFont::Bold);
}
QFont secondLineFont() {
    return MeterixFont::rounded(9, QFont::Medium);
}

constexpr double kChipMarginH = 4.5;
constexpr double kChipMarginV = 1.5;
constexpr double kDot = 5;
constexpr double kDotGap = 3;
constexpr double kLineSpacing = 1.5;
constexpr double kVerticalPadding = 1;

double lineHeight(const QFont& f) {
    return QFontMetricsF(f).height();
}

double chipWidth(const QString& text, bool withDot) {
    return QFontMetricsF(chipFont()).horizontalAdvance(text) + 2 * kChipMarginH +
           (withDot ? kDot + kDotGap : 0);
}

double chipHeight() {
    return lineHeight(chipFont()) + 2 * kChipMarginV;
}

void paintCapsule(QPainter& p, const QRectF& r, const QColor& fill) {
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
}

} // namespace

AccountRow::AccountRow(AccountRowModel model, const Clock& clock, QWidget* parent)
    : QWidget(parent), model_(std::move(model)), clock_(clock) {
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    applyAccessibility();
}

void AccountRow::setModel(AccountRowModel model) {
    model_ = std::move(model);
    applyAccessibility();
    updateGeometry();
    update();
}

void AccountRow::applyAccessibility() {
    setAccessibleName(model_.accessibleLabel());
    // What the row draws beneath the label is read with it.
    setAccessibleDescription(model_.subtitle().value_or(QString()));
}

QSize AccountRow::sizeHint() const {
    const double left =
        lineHeight(labelFont()) + (model_.subtitle() ? kLineSpacing + lineHeight(subtitleFont()) : 0);
    const double right = lineHeight(percentFont()) + kLineSpacing + lineHeight(secondLineFont());
    const double h = std::max({tileSize, left, right}) + 2 * kVerticalPadding;
    const double labelW = QFontMetricsF(labelFont()).horizontalAdvance(model_.label);
    double w = tileSize + spacing + labelW + 5 + chipWidth(model_.sourceBadge, false) + minimumGap + 40;
    if (model_.isRunning) w += 5 + chipWidth(model_.runningChipText(), true);
    return QSize(qCeil(w), qCeil(h));
}

QSize AccountRow::minimumSizeHint() const {
    return QSize(qCeil(tileSize + spacing + 80), sizeHint().height());
}

AccountRow::Rooms AccountRow::rooms(const QRectF& r) const {
    const std::optional<QString> percent = model_.percentageText();
    const std::optional<QString> second = model_.secondLine(clock_);
    const double percentW = percent ? QFontMetricsF(percentFont()).horizontalAdvance(*percent) : 0.0;
    const double secondW = second ? QFontMetricsF(secondLineFont()).horizontalAdvance(*second) : 0.0;
    // Two lines on each side face each other line by line: the label gives way
    // only to the percentage, the subtitle only to the line below it. A lone
    // line on either side faces all of the other.
    const bool lineByLine = percent && second && model_.subtitle();
    const auto limit = [&r](double w) { return r.right() - w - (w > 0 ? minimumGap : 0); };
    const double left = r.left() + tileSize + spacing;
    const double chipsW = 5 + chipWidth(model_.sourceBadge, false) +
                          (model_.isRunning ? 5 + chipWidth(model_.runningChipText(), true) : 0);
    const double widest = std::max(percentW, secondW);
    return {std::max(0.0, limit(lineByLine ? percentW : widest) - left - chipsW),
            std::max(0.0, limit(lineByLine ? secondW : widest) - left)};
}

QString AccountRow::shownLabel() const {
    const QRectF r = QRectF(rect()).adjusted(0, kVerticalPadding, 0, -kVerticalPadding);
    return QFontMetricsF(labelFont()).elidedText(model_.label, Qt::ElideMiddle, rooms(r).label);
}

void AccountRow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setOpacity(model_.opacity());
    const QRectF r = QRectF(rect()).adjusted(0, kVerticalPadding, 0, -kVerticalPadding);

    const QRectF tile(r.left(), r.center().y() - tileSize / 2, tileSize, tileSize);
    IconTile::paint(p, tile, model_.sourceSymbol, toQColors(model_.tileColors()));

    // Right column first: the left one takes what is left.
    const std::optional<QString> percent = model_.percentageText();
    const std::optional<QString> second = model_.secondLine(clock_);
    const QFontMetricsF pfm(percentFont()), sfm(secondLineFont());
    const double rightW = std::max(percent ? pfm.horizontalAdvance(*percent) : 0.0,
                                   second ? sfm.horizontalAdvance(*second) : 0.0);
    const double rightH =
        (percent ? pfm.height() : 0) + (percent && second ? kLineSpacing : 0) + (second ? sfm.height() : 0);
    double y = r.center().y() - rightH / 2;
    if (percent) {
        const auto accent = model_.percentageAccent();
        p.setFont(percentFont());
        p.setPen(accent ? toQColor(*accent) : LabelColor::secondary());
        drawTextLine(p, QRectF(r.right() - rightW, y, rightW, pfm.height()), Qt::AlignRight | Qt::AlignVCenter,
                   *percent);
        y += pfm.height() + kLineSpacing;
    }
    if (second) {
        p.setFont(secondLineFont());
        p.setPen(LabelColor::tertiary());
        drawTextLine(p, QRectF(r.right() - rightW, y, rightW, sfm.height()), Qt::AlignRight | Qt::AlignVCenter,
                   *second);
    }

    const double left = tile.right() + spacing;
    const Rooms room = rooms(r);
    const std::optional<QString> subtitle = model_.subtitle();
    const QFontMetricsF lfm(labelFont()), stfm(subtitleFont());
    const double leftH = lfm.height() + (subtitle ? kLineSpacing + stfm.height() : 0);
    y = r.center().y() - leftH / 2;

    // The chips keep their size; the label gives way, truncated in the middle.
    const double sourceW = chipWidth(model_.sourceBadge, false);
    const double runningW = model_.isRunning ? chipWidth(model_.runningChipText(), true) : 0;
    const QString label = shownLabel();
    const double labelW = lfm.horizontalAdvance(label);
    p.setFont(labelFont());
    p.setPen(model_.labelIsPrimary() ? LabelColor::primary() : LabelColor::secondary());
    const QRectF labelRect(left, y, labelW + 1, lfm.height());
    drawTextLine(p, labelRect, Qt::AlignLeft | Qt::AlignVCenter, label);

    const QFontMetricsF cfm(chipFont());
    const double chipY = labelRect.center().y() - chipHeight() / 2;
    QRectF chip(labelRect.left() + labelW + 5, chipY, sourceW, chipHeight());
    paintCapsule(p, chip, Surface::hoverWash());
    p.setFont(chipFont());
    p.setPen(LabelColor::secondary());
    drawTextLine(p, chip, Qt::AlignCenter, model_.sourceBadge);
    if (model_.isRunning) {
        QRectF run(chip.right() + 5, chipY, runningW, chipHeight());
        QColor wash = kRunningGreen;
        wash.setAlphaF(0.15f);
        paintCapsule(p, run, wash);
        p.setBrush(kRunningGreen);
        p.drawEllipse(QRectF(run.left() + kChipMarginH, run.center().y() - kDot / 2, kDot, kDot));
        p.setPen(kRunningGreen);
        drawTextLine(p, run.adjusted(kChipMarginH + kDot + kDotGap, 0, -kChipMarginH, 0),
                   Qt::AlignLeft | Qt::AlignVCenter, model_.runningChipText());
    }
    if (subtitle) {
        p.setFont(subtitleFont());
        p.setPen(LabelColor::secondary());
        drawTextLine(p, QRectF(left, y + lfm.height() + kLineSpacing, room.subtitle, stfm.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, stfm.elidedText(*subtitle, Qt::ElideRight, room.subtitle));
    }
}

} // namespace meterix
