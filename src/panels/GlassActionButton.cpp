#include "panels/GlassActionButton.h"

#include "design/BaselineEllipsis.h"
#include "design/AccentColor.h"
#include "design/MeterixFont.h"
#include "design/ShapePainting.h"
#include "design/Surface.h"
#include "platform/ui/SymbolImage.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QtMath>

namespace meterix {

namespace {

constexpr double kSymbolSize = 10;

QFont titleFont() {
    return MeterixFont::rounded(11, QFont::DemiBold);
}


} // namespace

GlassActionButton::GlassActionButton(QString title, QString symbol, bool isProminent,
                                     std::function<void()> action, QWidget* parent)
    : PressableButton(PressableStyle{0.97, 0.85}, parent), title_(std::move(title)),
      symbol_(std::move(symbol)), prominent_(isProminent), action_(std::move(action)), hover_(0.13) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(title_);
    connect(&hover_, &HoverFade::changed, this, [this] { update(); });
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (action_) action_();
    });
}

GlassActionButton::Look GlassActionButton::lookFor(bool isProminent, double hover) {
    const QColor accent = accentColor();
    Look l;
    if (isProminent) {
        l.foreground = Qt::white;
        l.fillTop = accent;
        l.fillBottom = withOpacity(accent, 0.82);
        l.hoverWash = Qt::transparent;
        l.rim = QColor::fromRgbF(1, 1, 1, 0.25f);
    } else {
        l.foreground = mixColors(LabelColor::primary(), accent, hover);
        l.fillTop = l.fillBottom = Surface::plateFill();
        l.hoverWash = withOpacity(Surface::hoverWash(), std::clamp(hover, 0.0, 1.0));
        l.rim = Surface::plateRim();
    }
    return l;
}

void GlassActionButton::setTitle(const QString& title) {
    if (title == title_) return;
    title_ = title;
    setAccessibleName(title_);
    updateGeometry();
    update();
}

QSize GlassActionButton::sizeHint() const {
    const QFontMetricsF fm(titleFont());
    const double side = SymbolImage::boxSide(kSymbolSize);
    const double w = 2 * marginH + side + spacing + fm.horizontalAdvance(title_);
    return QSize(qCeil(w), qCeil(std::max(side, fm.height()) + 2 * marginV));
}

QSize GlassActionButton::minimumSizeHint() const {
    return QSize(0, sizeHint().height());
}

bool GlassActionButton::hitButton(const QPoint& pos) const {
    return roundedRectPath(QRectF(rect()), cornerRadius).contains(QPointF(pos));
}

void GlassActionButton::enterEvent(QEnterEvent* event) {
    hover_.setHovered(true);
    PressableButton::enterEvent(event);
}

void GlassActionButton::leaveEvent(QEvent* event) {
    hover_.setHovered(false);
    PressableButton::leaveEvent(event);
}

void GlassActionButton::paintContent(QPainter& p, const QRectF& rect) {
    if (!isEnabled()) p.setOpacity(p.opacity() * disabledOpacity);
    const Look l = lookFor(prominent_, isEnabled() ? hover_.value() : 0.0);
    const QRectF plate = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath shape = roundedRectPath(plate, cornerRadius);
    QLinearGradient fill(plate.topLeft(), plate.bottomLeft());
    fill.setColorAt(0, l.fillTop);
    fill.setColorAt(1, l.fillBottom);
    p.fillPath(shape, fill);
    if (l.hoverWash.alpha() > 0) p.fillPath(shape, l.hoverWash);
    strokeInside(p, plate, cornerRadius, 0.5, l.rim);

    const QFontMetricsF fm(titleFont());
    const double side = SymbolImage::boxSide(kSymbolSize);
    const double available = std::max(0.0, rect.width() - 2 * marginH - side - spacing);
    const QString title = fm.elidedText(title_, Qt::ElideRight, available);
    const double content = side + spacing + fm.horizontalAdvance(title);
    const double left = rect.center().x() - content / 2;
    SymbolImage::paint(p, QPointF(left + side / 2, rect.center().y()), kSymbolSize, symbol_, l.foreground,
                       SymbolWeight::bold);
    p.setFont(titleFont());
    p.setPen(l.foreground);
    drawTextLine(p, QRectF(left + side + spacing, rect.top(), rect.width(), rect.height()),
               Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title);
}

} // namespace meterix
