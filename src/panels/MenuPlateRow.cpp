#include "panels/MenuPlateRow.h"

#include "panels/KeyboardFocus.h"
#include "design/BaselineEllipsis.h"
#include "design/MeterixFont.h"
#include "design/ShapePainting.h"
#include "design/Surface.h"
#include "panels/HoverFade.h"
#include "platform/ui/SymbolImage.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QtMath>

namespace meterix {

namespace {

QFont titleFont() {
    return MeterixFont::rounded(12.5, QFont::DemiBold);
}
QFont subtitleFont() {
    return MeterixFont::rounded(10, QFont::Medium);
}
constexpr double kChevronPt = 9.5;

QSize hintOf(const QWidget* w) {
    return w ? w->sizeHint() : QSize();
}

} // namespace

MenuPlateRow::MenuPlateRow(QString title, std::optional<QString> subtitle, bool showsChevron,
                           std::function<void()> action, QWidget* leading, QWidget* trailing, QWidget* parent)
    : QAbstractButton(parent), title_(std::move(title)), subtitle_(std::move(subtitle)),
      showsChevron_(showsChevron), clickable_(bool(action)), leading_(leading), trailing_(trailing),
      hover_(new HoverFade(0.13, this)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    setProperty(KeyboardFocus::radiusProperty, plateRadius);
    setProperty(KeyboardFocus::passedByProperty, !clickable_);
    if (clickable_) setAttribute(Qt::WA_Hover);
    for (QWidget* w : {leading, trailing}) {
        if (!w) continue;
        w->setParent(this);
        // Clicks on the views belong to the row.
        w->setAttribute(Qt::WA_TransparentForMouseEvents);
        w->show();
    }
    connect(hover_, &HoverFade::changed, this, [this] { update(); });
    if (action) connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] { action(); });
}

MenuPlateRow::~MenuPlateRow() = default;

bool MenuPlateRow::isHovered() const {
    return hover_->isHovered();
}

void MenuPlateRow::setHovered(bool hovered) {
    if (!clickable_) return;
    hover_->setHovered(hovered, isVisible());
}

double MenuPlateRow::chevronOpacity() const {
    return chevronRestOpacity + (1.0 - chevronRestOpacity) * hover_->value();
}

double MenuPlateRow::chevronShift() const {
    return chevronHoverShift * hover_->value();
}

void MenuPlateRow::setTitle(const QString& title) {
    if (title == title_) return;
    title_ = title;
    updateGeometry();
    update();
}

void MenuPlateRow::setSubtitle(const std::optional<QString>& subtitle) {
    if (subtitle == subtitle_) return;
    subtitle_ = subtitle;
    updateGeometry();
    update();
}

double MenuPlateRow::chevronWidth() const {
    return showsChevron_ ? SymbolImage::boxSide(kChevronPt) : 0;
}

QSize MenuPlateRow::sizeHint() const {
    const QSize lead = hintOf(leading_), trail = hintOf(trailing_);
    const QFontMetricsF t(titleFont()), s(subtitleFont());
    double textW = t.horizontalAdvance(title_);
    double textH = t.height();
    if (subtitle_) {
        textW = std::max(textW, s.horizontalAdvance(*subtitle_));
        textH += textSpacing + s.height();
    }
    double w = 2 * marginH + textW + minSpacer;
    if (leading_) w += lead.width() + spacing;
    if (trailing_) w += trail.width() + spacing;
    if (showsChevron_) w += chevronWidth() + spacing;
    const double h = std::max({textH, double(lead.height()), double(trail.height())}) + 2 * marginV;
    return QSize(qCeil(w), qCeil(h));
}

QSize MenuPlateRow::minimumSizeHint() const {
    return QSize(0, sizeHint().height());
}

int MenuPlateRow::heightForWidth(int width) const {
    const QFontMetricsF t(titleFont()), s(subtitleFont());
    const qsizetype lines = subtitle_ ? subtitleLines(*subtitle_, textRect(width).width()).size() : 0;
    const double textH = t.height() + (lines ? textSpacing + lines * s.height() : 0);
    const double h = std::max({textH, double(hintOf(leading_).height()), double(hintOf(trailing_).height())}) +
                     2 * marginV;
    return qCeil(h);
}

void MenuPlateRow::placeViews() {
    const double midY = height() / 2.0;
    if (leading_) {
        const QSize s = leading_->sizeHint();
        leading_->setGeometry(int(marginH), int(std::lround(midY - s.height() / 2.0)), s.width(), s.height());
    }
    if (trailing_) {
        const QSize s = trailing_->sizeHint();
        double right = width() - marginH;
        if (showsChevron_) right -= chevronWidth() + spacing;
        trailing_->setGeometry(int(std::lround(right - s.width())), int(std::lround(midY - s.height() / 2.0)),
                               s.width(), s.height());
    }
}

QRectF MenuPlateRow::textRect(int width) const {
    double left = marginH;
    if (leading_) left += leading_->sizeHint().width() + spacing;
    double right = width - marginH;
    if (showsChevron_) right -= chevronWidth() + spacing;
    if (trailing_) right -= trailing_->sizeHint().width() + spacing;
    right -= minSpacer;
    return QRectF(left, 0, std::max(0.0, right - left), height());
}

QStringList MenuPlateRow::subtitleLines(const QString& subtitle, double width) {
    const QFontMetricsF m(subtitleFont());
    if (m.horizontalAdvance(subtitle) <= width) return {subtitle};
    // As many whole words as the first line holds; the rest on the second.
    const QStringList words = subtitle.split(QLatin1Char(' '));
    QString first;
    qsizetype taken = 0;
    for (; taken < words.size(); ++taken) {
        const QString next = first.isEmpty() ? words[taken] : first + QLatin1Char(' ') + words[taken];
        if (m.horizontalAdvance(next) > width) break;
        first = next;
    }
    if (taken == 0) return {m.elidedText(subtitle, Qt::ElideRight, width)};
    // A word alone on the second line reads as a leftover: it takes the last
    // word of the first line with it, while the first keeps two.
    if (words.size() - taken == 1 && taken >= 3) first = words.mid(0, --taken).join(QLatin1Char(' '));
    const QString rest = words.mid(taken).join(QLatin1Char(' '));
    return {first, m.elidedText(rest, Qt::ElideRight, width)};
}

QStringList MenuPlateRow::shownSubtitle() const {
    if (!subtitle_) return {};
    return subtitleLines(*subtitle_, textRect().width());
}

bool MenuPlateRow::event(QEvent* event) {
    // A view that changed its size (new digits, a badge coming or going) asks
    // for room again.
    if (event->type() == QEvent::LayoutRequest) {
        placeViews();
        updateGeometry();
        update();
    }
    return QAbstractButton::event(event);
}

void MenuPlateRow::resizeEvent(QResizeEvent* event) {
    placeViews();
    QAbstractButton::resizeEvent(event);
}

void MenuPlateRow::enterEvent(QEnterEvent* event) {
    setHovered(true);
    QAbstractButton::enterEvent(event);
}

void MenuPlateRow::leaveEvent(QEvent* event) {
    setHovered(false);
    QAbstractButton::leaveEvent(event);
}

void MenuPlateRow::mousePressEvent(QMouseEvent* event) {
    if (!clickable_) {
        event->ignore(); // not a button: the press goes on to what lies beneath
        return;
    }
    QAbstractButton::mousePressEvent(event);
}

void MenuPlateRow::mouseReleaseEvent(QMouseEvent* event) {
    if (!clickable_) {
        event->ignore();
        return;
    }
    QAbstractButton::mouseReleaseEvent(event);
}

void MenuPlateRow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    if (hover_->value() > 0)
        p.fillPath(roundedRectPath(r, plateRadius), withOpacity(Surface::hoverWash(), hover_->value()));

    const QRectF text = textRect();
    const QFontMetricsF t(titleFont()), s(subtitleFont());
    const QStringList lines = shownSubtitle();
    const double blockH = t.height() + (lines.isEmpty() ? 0 : textSpacing + lines.size() * s.height());
    const double top = r.center().y() - blockH / 2;
    p.setFont(titleFont());
    p.setPen(LabelColor::primary());
    drawTextLine(p, QRectF(text.left(), top, text.width(), t.height()),
               Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               t.elidedText(title_, Qt::ElideRight, text.width()));
    p.setFont(subtitleFont());
    p.setPen(LabelColor::secondary());
    for (qsizetype i = 0; i < lines.size(); ++i)
        drawTextLine(p, QRectF(text.left(), top + t.height() + textSpacing + i * s.height(), text.width(), s.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, lines[i]);
    if (showsChevron_) {
        const double side = chevronWidth();
        const QPointF centre(r.right() - marginH - side / 2 + chevronShift(), r.center().y());
        SymbolImage::paint(p, centre, kChevronPt, QStringLiteral("chevron.right"),
                           withOpacity(LabelColor::tertiary(), chevronOpacity()), SymbolWeight::bold);
    }
}

} // namespace meterix
