#include "panels/MenuCommandRow.h"

#include "panels/KeyboardFocus.h"
#include "design/BaselineEllipsis.h"
#include "design/AccentColor.h"
#include "design/MeterixFont.h"
#include "design/ShapePainting.h"
#include "design/Surface.h"
#include "panels/HoverFade.h"
#include "platform/ui/SymbolImage.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QtMath>

namespace meterix {

namespace {

QFont titleFont() {
    return MeterixFont::row();
}
QFont shortcutFont() {
    return MeterixFont::rounded(10.5, QFont::Medium);
}
QFont trailingFont() {
    return MeterixFont::rounded(10, QFont::Medium);
}
constexpr double kSymbolPt = 11.5;
constexpr double kChevronPt = 9.5;


} // namespace

MenuCommandRow::MenuCommandRow(Appearance& appearance, QString title, std::optional<QString> symbol,
                               std::optional<QString> shortcut, std::optional<QString> trailingText,
                               bool showsChevron, MenuRowRole role, bool isBusy, std::function<void()> action,
                               QWidget* parent)
    : QAbstractButton(parent), appearance_(appearance), title_(std::move(title)), symbol_(std::move(symbol)),
      accessory_(accessoryFor(shortcut, trailingText, showsChevron)), role_(role), spin_(isBusy),
      hover_(new HoverFade(0.12, this)) {
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    setProperty(KeyboardFocus::radiusProperty, plateRadius);
    setAccessibleName(title_);
    turn_.setStartValue(0.0);
    turn_.setEndValue(360.0);
    turn_.setDuration(int(BusySpinState::turnSeconds * 1000));
    turn_.setLoopCount(-1);
    connect(&turn_, &QVariantAnimation::valueChanged, this, [this] { update(); });
    connect(hover_, &HoverFade::changed, this, [this] { update(); });
    if (action) connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] { action(); });
}

MenuCommandRow::~MenuCommandRow() = default;

MenuCommandRow::Accessory MenuCommandRow::accessoryFor(const std::optional<QString>& shortcut,
                                                       const std::optional<QString>& trailingText,
                                                       bool showsChevron) {
    if (shortcut) return {Accessory::Kind::shortcut, *shortcut};
    if (trailingText) return {Accessory::Kind::trailingText, *trailingText};
    if (showsChevron) return {Accessory::Kind::chevron, QString()};
    return {};
}

QColor MenuCommandRow::plateBase(MenuRowRole role) {
    return role == MenuRowRole::destructive ? destructiveRed() : accentColor();
}

MenuCommandRow::Look MenuCommandRow::lookFor(MenuRowRole role, bool hovered) {
    const QColor tone = role == MenuRowRole::destructive ? destructiveRed() : LabelColor::primary();
    const QColor base = plateBase(role);
    Look look;
    look.label = hovered ? QColor(Qt::white) : tone;
    look.symbol = hovered ? QColor(Qt::white) : withOpacity(tone, 0.75);
    look.accessory = hovered ? withOpacity(Qt::white, 0.72) : LabelColor::secondary();
    look.plateTop = withOpacity(base, hovered ? 0.95 : 0);
    look.plateBottom = withOpacity(base, hovered ? 0.82 : 0);
    return look;
}

void MenuCommandRow::setTitle(const QString& title) {
    if (title == title_) return;
    title_ = title;
    setAccessibleName(title_);
    updateGeometry();
    update();
}

void MenuCommandRow::setBusy(bool busy) {
    if (!spin_.setBusy(busy)) return;
    // Under reduced motion the symbol stands still, busy or not.
    if (spin_.isSpinning() && !appearance_.reduceMotion()) {
        turn_.start();
    } else {
        turn_.stop();
        turn_.setCurrentTime(0);
    }
    update();
}

double MenuCommandRow::spinAngle() const {
    if (!spin_.isSpinning() || turn_.state() != QAbstractAnimation::Running) return 0;
    return turn_.currentValue().toDouble();
}

bool MenuCommandRow::isHovered() const {
    return hover_->isHovered();
}

void MenuCommandRow::setHovered(bool hovered) {
    hover_->setHovered(hovered, isVisible());
}

double MenuCommandRow::titleX() const {
    return marginH + (symbol_ ? symbolColumn + spacing : 0);
}

QSize MenuCommandRow::sizeHint() const {
    const QFontMetricsF title(titleFont());
    double w = titleX() + title.horizontalAdvance(title_) + minSpacer + marginH;
    double h = title.height();
    if (symbol_) h = std::max(h, SymbolImage::boxSide(kSymbolPt));
    switch (accessory_.kind) {
    case Accessory::Kind::shortcut:
        w += QFontMetricsF(shortcutFont()).horizontalAdvance(accessory_.text);
        break;
    case Accessory::Kind::trailingText:
        w += QFontMetricsF(trailingFont()).horizontalAdvance(accessory_.text);
        break;
    case Accessory::Kind::chevron:
        w += SymbolImage::boxSide(kChevronPt);
        break;
    case Accessory::Kind::none:
        break;
    }
    return QSize(qCeil(w), qCeil(h + 2 * marginV));
}

QSize MenuCommandRow::minimumSizeHint() const {
    return QSize(0, sizeHint().height());
}

void MenuCommandRow::enterEvent(QEnterEvent* event) {
    setHovered(true);
    QAbstractButton::enterEvent(event);
}

void MenuCommandRow::leaveEvent(QEvent* event) {
    setHovered(false);
    QAbstractButton::leaveEvent(event);
}

void MenuCommandRow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double t = hover_->value();
    const Look rest = lookFor(role_, false);
    const Look hot = lookFor(role_, true);
    const QRectF r = rect();

    if (t > 0) {
        QLinearGradient plate(r.topLeft(), r.bottomLeft());
        plate.setColorAt(0, mixColors(rest.plateTop, hot.plateTop, t));
        plate.setColorAt(1, mixColors(rest.plateBottom, hot.plateBottom, t));
        p.fillPath(roundedRectPath(r, plateRadius), plate);
    }

    const double midY = r.center().y();
    if (symbol_) {
        const QPointF centre(marginH + symbolColumn / 2, midY);
        p.save();
        p.translate(centre);
        p.rotate(spinAngle());
        SymbolImage::paint(p, QPointF(0, 0), kSymbolPt, *symbol_, mixColors(rest.symbol, hot.symbol, t),
                           SymbolWeight::semibold);
        p.restore();
    }

    const QColor accessoryColor = mixColors(rest.accessory, hot.accessory, t);
    double accessoryWidth = 0;
    const double right = r.right() - marginH;
    switch (accessory_.kind) {
    case Accessory::Kind::shortcut:
    case Accessory::Kind::trailingText: {
        const QFont font = accessory_.kind == Accessory::Kind::shortcut ? shortcutFont() : trailingFont();
        accessoryWidth = QFontMetricsF(font).horizontalAdvance(accessory_.text);
        p.setFont(font);
        p.setPen(accessoryColor);
        drawTextLine(p, QRectF(right - accessoryWidth, r.top(), accessoryWidth, r.height()),
                   Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, accessory_.text);
        break;
    }
    case Accessory::Kind::chevron:
        accessoryWidth = SymbolImage::boxSide(kChevronPt);
        SymbolImage::paint(p, QPointF(right - accessoryWidth / 2, midY), kChevronPt,
                           QStringLiteral("chevron.right"), accessoryColor, SymbolWeight::bold);
        break;
    case Accessory::Kind::none:
        break;
    }

    const QFont font = titleFont();
    const double x = titleX();
    const double room = std::max(0.0, right - accessoryWidth - minSpacer - x);
    p.setFont(font);
    p.setPen(mixColors(rest.label, hot.label, t));
    drawTextLine(p, QRectF(x, r.top(), room, r.height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               QFontMetricsF(font).elidedText(title_, Qt::ElideRight, room));
}

} // namespace meterix
