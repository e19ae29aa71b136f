#include "panels/QuotaMeterRow.h"

#include "design/BaselineEllipsis.h"
#include "core/L10n.h"
#include "core/Numbers.h"
#include "core/QuotaLabel.h"
#include "design/MeterixFont.h"
#include "design/RollingDigitsView.h"
#include "design/Surface.h"
#include "design/TextView.h"
#include "design/TimeTexts.h"
#include "panels/AllowanceName.h"
#include "panels/QuotaBar.h"
#include "platform/ui/Appearance.h"

#include <QBoxLayout>
#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

namespace meterix {

namespace {

// One line of text cut in its middle when the room runs out (an allowance is
// told apart by both ends of its name).
class MiddleTruncatedText final : public QWidget {
  public:
    MiddleTruncatedText(QFont font, QWidget* parent) : QWidget(parent), font_(std::move(font)) {
        setAttribute(Qt::WA_TranslucentBackground);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }
    void set(const QString& text, std::function<QColor()> color) {
        text_ = text;
        color_ = std::move(color);
        setAccessibleName(text);
        updateGeometry();
        update();
    }
    QSize sizeHint() const override {
        const QFontMetricsF fm(font_);
        return QSize(qCeil(fm.horizontalAdvance(text_)), qCeil(fm.height()));
    }
    QSize minimumSizeHint() const override { return QSize(0, qCeil(QFontMetricsF(font_).height())); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setFont(font_);
        p.setPen(color_ ? color_() : LabelColor::primary());
        const QString shown = QFontMetricsF(font_).elidedText(text_, Qt::ElideMiddle, width());
        drawTextLine(p, QRectF(rect()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    }

  private:
    QFont font_;
    QString text_;
    std::function<QColor()> color_;
};

} // namespace

QuotaMeterRow::Display QuotaMeterRow::display(const ModelQuotaItem& reading, const QDateTime& now,
                                              const QLocale& locale) {
    const ModelQuotaItem& item = reading;
    const QString name = labelText(item.name);
    const QString type = labelText(item.quotaType);
    const QString pace = labelText(item.paceText).value_or(QString());
    Display d;
    if (item.resetAt && *item.resetAt <= now) d.endedAt = item.resetAt;
    const std::optional<int64_t> figure = displayedPercent(item.remainingPercentage);
    d.tier = usageTierFrom(item.remainingPercentage);
    // A reading that is not a number is withheld like an ended window.
    const bool withheld = d.endedAt.has_value() || !figure;
    if (withheld) {
        d.value = Value::withheld;
    } else if (item.remainingPercentage <= 0) {
        d.value = Value::empty;
    } else {
        d.value = Value::figure;
        d.figure = *figure;
    }
    d.nameSecondary = withheld || item.remainingPercentage <= 0;
    d.barPercentage = withheld ? 0.0 : clampPercentage(item.remainingPercentage);
    d.greyBar = withheld;
    if (!withheld) d.paceMarker = item.paceMarkerPercentage;
    d.leftText = !pace.isEmpty() ? pace : type;
    if (d.endedAt) {
        d.rightText = quotaResetAtText(*d.endedAt, locale);
    } else if (const auto left = secondsUntil(now, item.resetAt)) {
        d.rightText = displayedCountdownSeconds(*left) ? quotaCountdownText(*left) : noFigureText();
    }
    d.accessibilityLabel = figure ? L10n::modelQuotaAccessibility(name, type, *figure).text()
                                  : name + QLatin1Char(' ') + type;
    return d;
}

QuotaMeterRow::QuotaMeterRow(Appearance& appearance, const ModelQuotaItem& item, const Clock& clock,
                             QWidget* parent)
    : QWidget(parent), clock_(clock), item_(item) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(5);

    auto* top = new QHBoxLayout();
    top->setSpacing(6);
    name_ = new MiddleTruncatedText(MeterixFont::rounded(12, QFont::DemiBold), this);
    top->addWidget(name_, 1);
    top->addSpacing(4);
    digits_ = new RollingDigitsView(0, QStringLiteral("%"), MeterixFont::rounded(12.5, QFont::Bold),
                                    LabelColor::primary(), MeterixFont::rounded(9, QFont::Bold), this);
    emptyText_ = new TextView(
        L10n::empty().text(), MeterixFont::rounded(10, QFont::Bold),
        [this] { return toQColor(gradient(display_.tier).constFirst()); }, false, this);
    withheldText_ = new TextView(
        noFigureText(), MeterixFont::rounded(12.5, QFont::Bold),
        [] { return withOpacity(LabelColor::secondary(), 0.65); }, false, this);
    top->addWidget(digits_, 0, Qt::AlignBottom);
    top->addWidget(emptyText_, 0, Qt::AlignBottom);
    top->addWidget(withheldText_, 0, Qt::AlignBottom);
    column->addLayout(top);

    bar_ = new QuotaBar(appearance, 0, {}, 6.5, std::nullopt, this);
    column->addWidget(bar_);

    auto* bottom = new QHBoxLayout();
    bottom->setSpacing(6);
    left_ = new TextView(
        QString(), MeterixFont::rounded(9.5, QFont::Medium), [] { return LabelColor::tertiary(); }, true,
        this);
    right_ = new TextView(
        QString(), MeterixFont::rounded(9.5, QFont::DemiBold), [] { return LabelColor::tertiary(); }, false,
        this);
    bottom->addWidget(left_, 1, Qt::AlignTop);
    bottom->addSpacing(4);
    bottom->addWidget(right_, 0, Qt::AlignTop);
    column->addLayout(bottom);

    connect(&appearance, &Appearance::changed, this, &QuotaMeterRow::refresh);
    refresh();
}

void QuotaMeterRow::setItem(const ModelQuotaItem& item) {
    item_ = item;
    refresh();
}

void QuotaMeterRow::refresh() {
    display_ = display(item_, clock_.now());
    const Display d = display_;
    const UsageTier tier = d.tier;
    static_cast<MiddleTruncatedText*>(name_)->set(allowanceNameOverLine(labelText(item_.name), d.leftText), [secondary = d.nameSecondary] {
        return secondary ? LabelColor::secondary() : LabelColor::primary();
    });
    digits_->setVisible(d.value == Value::figure);
    emptyText_->setText(L10n::empty().text());
    emptyText_->setVisible(d.value == Value::empty);
    withheldText_->setVisible(d.value == Value::withheld);
    if (d.value == Value::figure) {
        digits_->setColor(toQColor(gradient(tier).constFirst()));
        digits_->setValue(*d.figure);
    }

    bar_->setGradientColors(d.greyBar ? QuotaBar::Colors(withheldGaugeColors)
                                      : QuotaBar::Colors([tier] { return toQColors(gradient(tier)); }));
    bar_->setPercentage(d.barPercentage);
    bar_->setPaceMarkerPercentage(d.paceMarker);
    left_->setText(d.leftText);
    right_->setText(d.rightText.value_or(QString()));
    right_->setVisible(d.rightText.has_value());
    setAccessibleName(d.accessibilityLabel);
}

} // namespace meterix
