#include "design/TextView.h"

#include "design/BaselineEllipsis.h"
#include <QAccessibleWidget>
#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

namespace meterix {

namespace {

constexpr int kWrapFlags = Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop;

// A text view is read as the static text it draws (a name its owner gives it
// wins), as a label would be.
class TextViewAccessible final : public QAccessibleWidget {
  public:
    explicit TextViewAccessible(TextView* view) : QAccessibleWidget(view, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<const TextView*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* textViewAccessible(const QString& className, QObject* object) {
    if (className != QLatin1String(TextView::staticMetaObject.className())) return nullptr;
    auto* view = qobject_cast<TextView*>(object);
    return view ? new TextViewAccessible(view) : nullptr;
}

} // namespace

TextView::TextView(QString text, QFont font, std::function<QColor()> color, bool wraps, QWidget* parent)
    : QWidget(parent), text_(std::move(text)), font_(std::move(font)), color_(std::move(color)), wraps_(wraps) {
    static const bool readable = (QAccessible::installFactory(textViewAccessible), true);
    Q_UNUSED(readable);
    setAttribute(Qt::WA_TranslucentBackground);
    // A wrapping text is as tall as its lines at the width it gets: a fixed
    // height would hold it to its one-line size inside nested layouts.
    QSizePolicy policy(wraps ? QSizePolicy::Preferred : QSizePolicy::Fixed,
                       wraps ? QSizePolicy::Minimum : QSizePolicy::Fixed);
    policy.setHeightForWidth(wraps);
    setSizePolicy(policy);
}

void TextView::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    updateGeometry();
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
}

void TextView::setElideMode(Qt::TextElideMode mode) {
    elide_ = wraps_ ? Qt::ElideNone : mode;
    QSizePolicy policy = sizePolicy();
    policy.setHorizontalPolicy(elide_ == Qt::ElideNone ? QSizePolicy::Fixed : QSizePolicy::Preferred);
    setSizePolicy(policy);
    updateGeometry();
    update();
}

void TextView::setLineAlignment(Qt::Alignment horizontal) {
    horizontal &= Qt::AlignHorizontal_Mask;
    if (horizontal == lineAlignment_) return;
    lineAlignment_ = horizontal;
    update();
}

QString TextView::shownText() const {
    if (wraps_ || elide_ == Qt::ElideNone) return text_;
    return QFontMetricsF(font_).elidedText(text_, elide_, width());
}

QSize TextView::sizeHint() const {
    const QFontMetricsF fm(font_);
    return QSize(qCeil(fm.horizontalAdvance(text_)), qCeil(fm.height()));
}

QSize TextView::minimumSizeHint() const {
    if (!wraps_) return elide_ == Qt::ElideNone ? sizeHint() : QSize(0, sizeHint().height());
    return QSize(0, qCeil(QFontMetricsF(font_).height()));
}

int TextView::heightForWidth(int width) const {
    if (!wraps_) return sizeHint().height();
    const QFontMetricsF fm(font_);
    return qCeil(fm.boundingRect(QRectF(0, 0, std::max(1, width), 1e6), kWrapFlags, text_).height());
}

QColor TextView::color() const {
    return color_ ? color_() : palette().color(QPalette::WindowText);
}

void TextView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font_);
    p.setPen(color());
    if (wraps_)
        drawTextLine(p, QRectF(rect()), Qt::TextWordWrap | Qt::AlignTop | lineAlignment_, text_);
    else drawTextLine(p, QRectF(rect()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shownText());
}

} // namespace meterix
