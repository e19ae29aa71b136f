#include "panels/QuotaHeroView.h"

#include "core/L10n.h"
#include "core/Numbers.h"
#include "design/LiveStreamBadge.h"
#include "design/MeterixFont.h"
#include "design/RingGauge.h"
#include "design/RollingDigitsView.h"
#include "design/Surface.h"
#include "design/TextView.h"
#include "design/TierBadge.h"
#include "design/TimeTexts.h"
#include "panels/SymbolLabel.h"
#include "panels/TextCapsuleBadge.h"
#include "platform/ui/Appearance.h"

#include <QBoxLayout>
#include <QFontMetricsF>
#include <QPainter>
#include <QPointer>

#include <cmath>

namespace meterix {

namespace {

// The ring's centre: the figure (rolling digits) or "---", and a caption under it.
class HeroCentre final : public QWidget {
  public:
    HeroCentre(double ringSize, QWidget* parent)
        : QWidget(parent), ringSize_(ringSize),
          digits_(new RollingDigitsView(
              0, QStringLiteral("%"), MeterixFont::rounded(ringSize * 0.33, QFont::Bold),
              LabelColor::primary(), MeterixFont::rounded(ringSize * 0.16, QFont::Bold), this)) {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFixedSize(int(std::ceil(ringSize)), int(std::ceil(ringSize)));
    }

    void present(const QuotaHeroView::Display& d) {
        display_ = d;
        if (d.figure) {
            digits_->setColor(LabelColor::primary());
            digits_->setValue(*d.figure);
        }
        digits_->setVisible(d.figure.has_value());
        place();
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::TextAntialiasing);
        const QFont captionFont = MeterixFont::rounded(ringSize_ * 0.115, QFont::DemiBold);
        const Stack s = stack();
        if (!display_.figure) {
            p.setFont(topFont());
            p.setPen(withOpacity(LabelColor::secondary(), 0.65));
            p.drawText(QRectF(0, s.top, width(), s.topHeight), Qt::AlignCenter, noFigureText());
        }
        p.setFont(captionFont);
        p.setPen(display_.figure ? LabelColor::secondary() : LabelColor::tertiary());
        p.drawText(QRectF(0, s.top + s.topHeight - 2, width(), s.captionHeight), Qt::AlignCenter,
                   display_.centreCaption);
    }

  private:
    struct Stack {
        double top;
        double topHeight;
        double captionHeight;
    };
    QFont topFont() const { return MeterixFont::rounded(ringSize_ * 0.3, QFont::Bold); }
    // Figure over caption, two points overlapping, centred as one.
    Stack stack() const {
        const double topHeight =
            display_.figure ? double(digits_->sizeHint().height()) : QFontMetricsF(topFont()).height();
        const double captionHeight =
            QFontMetricsF(MeterixFont::rounded(ringSize_ * 0.115, QFont::DemiBold)).height();
        return Stack{(height() - (topHeight + captionHeight - 2)) / 2, topHeight, captionHeight};
    }
    void place() {
        const QSize hint = digits_->sizeHint();
        digits_->resize(hint);
        digits_->move(int(std::lround((width() - hint.width()) / 2.0)), int(std::lround(stack().top)));
    }

    double ringSize_;
    RollingDigitsView* digits_;
    QuotaHeroView::Display display_;
};

} // namespace

QuotaHeroView::Display QuotaHeroView::display(const Inputs& in, const QLocale& locale) {
    Display d;
    const std::optional<int64_t> figure = displayedPercent(in.percentage);
    d.tier = usageTierFrom(in.percentage);
    d.withheld = in.isSimulated || in.windowEndedAt.has_value() || !figure;
    d.ringPercentage = d.withheld ? 0.0 : clampPercentage(in.percentage);
    if (!d.withheld) d.figure = *figure;
    // A reading that is not a number is as good as none.
    const bool noData = in.isSimulated || (!in.windowEndedAt && !figure);
    // "Not connected" only where nothing is set up to be read: any other
    // reason is named in the badge, in the words the notice uses.
    const UsageUnavailableReason reason = in.missingReason.value_or(UsageUnavailableReason::notConfigured);
    const bool notConnected = noData && reason == UsageUnavailableReason::notConfigured;
    if (d.withheld && noData && !notConnected) {
        d.centreCaption = L10n::noData().text();
        d.withheldBadge = displayText(reason);
    } else if (d.withheld) {
        d.centreCaption = (noData ? L10n::notConnectedShort() : L10n::resetShort()).text();
        d.withheldBadge = (noData ? L10n::noData() : L10n::awaitingRemeasurement()).text();
    } else {
        d.centreCaption = L10n::remainingSuffix().text();
    }
    d.showsLiveBadge = in.isInUse;
    if (in.windowEndedAt) {
        d.resetLine = quotaResetAtText(*in.windowEndedAt, locale);
    } else if (!in.isSimulated && in.resetCountdown) {
        d.resetLine = displayedCountdownSeconds(*in.resetCountdown) ? quotaCountdownText(*in.resetCountdown)
                                                                    : noFigureText();
    }
    if (notConnected) {
        d.accessibilityLabel = L10n::captionNoData(in.caption).text();
    } else if (noData) {
        d.accessibilityLabel = L10n::providerNoData(in.caption, displayText(reason)).text();
    } else if (in.windowEndedAt) {
        d.accessibilityLabel =
            L10n::captionAwaiting(in.caption, quotaResetAtText(*in.windowEndedAt, locale)).text();
    } else {
        d.accessibilityLabel = L10n::captionRemaining(in.caption, *figure, label(d.tier)).text();
    }
    return d;
}

QuotaHeroView::QuotaHeroView(const Inputs& inputs, QWidget* parent) : QWidget(parent), inputs_(inputs) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(14);

    centre_ = new HeroCentre(inputs_.ringSize, nullptr);
    ring_ = new RingGauge(0, {}, inputs_.ringSize, inputs_.ringSize * 0.105, true, centre_, this);
    row->addWidget(ring_, 0, Qt::AlignVCenter);

    auto* column = new QVBoxLayout();
    column->setSpacing(7);
    column->addStretch(1);
    badgeRow_ = new QWidget(this);
    auto* badges = new QHBoxLayout(badgeRow_);
    badges->setContentsMargins(0, 0, 0, 0);
    badges->setSpacing(5);
    withheldBadge_ = new TextCapsuleBadge([] { return BadgeLook{}; }, badgeRow_);
    liveBadge_ = new LiveStreamBadge(badgeRow_);
    badges->addWidget(withheldBadge_);
    badges->addWidget(liveBadge_);
    badges->addStretch(1);
    column->addWidget(badgeRow_);
    caption_ = new TextView(
        QString(), MeterixFont::rounded(12.5, QFont::Bold), [] { return LabelColor::primary(); }, false,
        this);
    column->addWidget(caption_);
    resetLine_ =
        new SymbolLabel(SymbolLabel::Look{QStringLiteral("clock.arrow.circlepath"), 9.5,
                                          SymbolWeight::semibold, MeterixFont::rounded(10.5, QFont::DemiBold),
                                          [] { return LabelColor::secondary(); }, 4, false},
                        QString(), this);
    column->addWidget(resetLine_);
    column->addStretch(1);
    row->addLayout(column);
    row->addStretch(1);

    connect(&Appearance::shared(), &Appearance::changed, this, &QuotaHeroView::refresh);
    refresh();
}

QuotaHeroView::~QuotaHeroView() = default;

void QuotaHeroView::setInputs(const Inputs& inputs) {
    if (inputs == inputs_) return;
    inputs_ = inputs;
    refresh();
}

void QuotaHeroView::refresh() {
    display_ = display(inputs_);
    ring_->setGradientColors(display_.withheld ? withheldGaugeColors() : toQColors(gradient(display_.tier)));
    ring_->setPercentage(display_.ringPercentage);
    static_cast<HeroCentre*>(centre_)->present(display_);

    if (display_.withheldBadge) {
        const QString text = *display_.withheldBadge;
        withheldBadge_->setLook([text] {
            return TextCapsuleBadge::plain(text, MeterixFont::rounded(10, QFont::Bold),
                                           LabelColor::secondary(), Surface::plateFill(), 6, 2.5);
        });
    }
    withheldBadge_->setVisible(display_.withheldBadge.has_value());
    if (!display_.withheldBadge && (!tierBadge_ || tierBadge_->tier() != display_.tier)) {
        delete tierBadge_;
        tierBadge_ = new TierBadge(display_.tier, false, badgeRow_);
        static_cast<QHBoxLayout*>(badgeRow_->layout())->insertWidget(0, tierBadge_);
    }
    if (tierBadge_) tierBadge_->setVisible(!display_.withheldBadge);
    // "Working" grows in and shrinks away as the tool starts and stops.
    if (display_.showsLiveBadge) {
        if (liveBadge_->isHidden() || liveBadge_->isLeaving()) liveBadge_->appear();
    } else if (!liveBadge_->isLeaving()) {
        liveBadge_->leave([badge = QPointer<LiveStreamBadge>(liveBadge_)] {
            if (badge) badge->hide();
        });
    }

    caption_->setText(inputs_.caption);
    resetLine_->setText(display_.resetLine.value_or(QString()));
    resetLine_->setVisible(display_.resetLine.has_value());
    setAccessibleName(display_.accessibilityLabel);
}

} // namespace meterix
