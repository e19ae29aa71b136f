#include "panels/MenuScreenHeader.h"

#include "design/BaselineEllipsis.h"
#include "core/L10n.h"
#include "design/AccentColor.h"
#include "design/MeterixFont.h"
#include "design/ShapePainting.h"
#include "design/Surface.h"
#include "platform/ui/SymbolImage.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

namespace meterix {

namespace {

QFont titleFont() {
    return MeterixFont::rounded(12.5, QFont::Bold);
}
QFont trailingFont() {
    return MeterixFont::rounded(9.5, QFont::Medium);
}
QFont backFont() {
    return MeterixFont::rounded(11.5, QFont::DemiBold);
}
constexpr double kChevronPt = 10;

} // namespace

MenuScreenHeader::MenuScreenHeader(QString backTitle, QString title, std::optional<QString> trailingText,
                                   std::function<void()> onBack, QWidget* parent)
    : QWidget(parent), title_(std::move(title)), trailingText_(std::move(trailingText)),
      back_(new BackButton(std::move(backTitle), this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    back_->setObjectName(QStringLiteral("back"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(accessibleLabel(title_));
    if (onBack) connect(back_, &QAbstractButton::clicked, this, [onBack = std::move(onBack)] { onBack(); });
}

void MenuScreenHeader::setTrailingText(std::optional<QString> text) {
    if (text == trailingText_) return;
    trailingText_ = std::move(text);
    update();
}

QString MenuScreenHeader::accessibleLabel(const QString& title) {
    return L10n::screenSuffix(title).text();
}

QSize MenuScreenHeader::sizeHint() const {
    const double h = std::max<double>(back_->sizeHint().height(), QFontMetricsF(titleFont()).height());
    const double w = 2 * titleMargin + QFontMetricsF(titleFont()).horizontalAdvance(title_);
    return QSize(qCeil(w), qCeil(h));
}

QSize MenuScreenHeader::minimumSizeHint() const {
    return QSize(0, sizeHint().height());
}

QString MenuScreenHeader::shownTitle() const {
    const double room = std::max(0.0, width() - 2 * titleMargin);
    return QFontMetricsF(titleFont()).elidedText(title_, Qt::ElideRight, room);
}

void MenuScreenHeader::resizeEvent(QResizeEvent* event) {
    const QSize s = back_->sizeHint();
    back_->setGeometry(0, (height() - s.height()) / 2, s.width(), s.height());
    QWidget::resizeEvent(event);
}

void MenuScreenHeader::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    p.setFont(titleFont());
    p.setPen(LabelColor::primary());
    drawTextLine(p, r.adjusted(titleMargin, 0, -titleMargin, 0), Qt::AlignCenter | Qt::TextSingleLine,
               shownTitle());
    if (trailingText_) {
        const QFont font = trailingFont();
        const double left = back_->geometry().right() + spacing + minSpacer;
        const double room = std::max(0.0, r.right() - left);
        p.setFont(font);
        p.setPen(LabelColor::tertiary());
        drawTextLine(p, QRectF(left, r.top(), room, r.height()),
                   Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                   QFontMetricsF(font).elidedText(*trailingText_, Qt::ElideRight, room));
    }
}

MenuScreenHeader::BackButton::BackButton(QString title, QWidget* parent)
    : HoverPressableButton(PressableStyle{0.96, 0.75}, parent), title_(std::move(title)) {
    setAccessibleName(title_);
}

QSize MenuScreenHeader::BackButton::sizeHint() const {
    const QFontMetricsF fm(backFont());
    const double side = SymbolImage::boxSide(kChevronPt);
    return QSize(qCeil(2 * marginH + side + spacing + fm.horizontalAdvance(title_)),
                 qCeil(2 * marginV + std::max(side, fm.height())));
}

void MenuScreenHeader::BackButton::paintContent(QPainter& p, const QRectF& r) {
    const QColor accent = accentColor();
    if (hoverValue() > 0)
        p.fillPath(roundedRectPath(r, plateRadius), withOpacity(accent, 0.14 * hoverValue()));
    const double side = SymbolImage::boxSide(kChevronPt);
    SymbolImage::paint(p, QPointF(r.left() + marginH + side / 2, r.center().y()), kChevronPt,
                       QStringLiteral("chevron.left"), accent, SymbolWeight::bold);
    p.setFont(backFont());
    p.setPen(accent);
    drawTextLine(p, QRectF(r.left() + marginH + side + spacing, r.top(), r.width(), r.height()),
               Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title_);
}

} // namespace meterix
