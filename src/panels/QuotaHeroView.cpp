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
        if (!display_.figure) {
            // Without a figure the caption says why, fitted inside the ring.
            const QuotaHeroView::RingCaption fit = QuotaHeroView::fitRingCaption(display_.centreCaption, ringSize_);
            p.setFont(topFont());
            p.setPen(withOpacity(LabelColor::secondary(), 0.65));
            p.drawText(fit.figureBox, Qt::AlignCenter, noFigureText());
            QFont font = captionFont();
            font.setPixelSize(qMax(1, qRound(fit.pixelSize)));
            p.setFont(font);
            p.setPen(LabelColor::tertiary());
            for (int i = 0; i < fit.lines.size(); ++i)
                p.drawText(fit.lineBoxes[i], Qt::AlignCenter | Qt::TextSingleLine, fit.lines[i]);
            return;
        }
        const Stack s = stack();
        p.setFont(captionFont());
        p.setPen(LabelColor::secondary());
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
    QFont captionFont() const { return MeterixFont::rounded(ringSize_ * 0.115, QFont::DemiBold); }
    // Figure over caption, two points overlapping, centred as one.
    Stack stack() const {
        const double topHeight = double(digits_->sizeHint().height());
        const double captionHeight = QFontMetricsF(captionFont()).height();
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

double QuotaHeroView::ringTextRadius(double ringSize) {
    const double stroke = ringSize * 0.105;
    return ringSize / 2 - stroke / 2 - std::max(1.5, ringSize * 0.03);
}

namespace {

// How far from the centre a line's ink reaches: its glyphs fill the band from
// a fifth to near the foot of its line box, not the leading around them.
double farEdge(const QRectF& line, double centre) {
    return std::max(std::abs(line.top() + line.height() * 0.2 - centre),
                    std::abs(line.top() + line.height() * 0.85 - centre));
}

// The text on two lines, broken at the space nearest its middle; nothing when
// it has no space.
std::optional<QStringList> twoLines(const QString& text) {
    std::optional<int> best;
    for (int i = 0; i < text.size(); ++i)
        if (text[i] == QLatin1Char(' ') && (!best || std::abs(i - text.size() / 2) < std::abs(*best - text.size() / 2)))
            best = i;
    if (!best) return std::nullopt;
    return QStringList{text.left(*best).trimmed(), text.mid(*best + 1).trimmed()};
}

} // namespace

QuotaHeroView::RingCaption QuotaHeroView::fitRingCaption(const QString& text, double ringSize) {
    const double radius = ringTextRadius(ringSize);
    const double centre = ringSize / 2;
    const double nominal = ringSize * 0.115;
    const QFont top = MeterixFont::rounded(ringSize * 0.3, QFont::Bold);
    const double topHeight = QFontMetricsF(top).height();
    // The width inside the stroke at the line's far edge from the centre.
    const auto roomFor = [&](const QRectF& line) {
        const double reach = farEdge(line, centre);
        return reach < radius ? 2 * std::sqrt(radius * radius - reach * reach) : 0.0;
    };
    // Lines set at a size: stacked under the figure, two points overlapping,
    // centred as one; each checked against the ring's width at its far edge.
    const auto lay = [&](const QStringList& lines, double size) {
        QFont font = MeterixFont::rounded(nominal, QFont::DemiBold);
        font.setPixelSize(qMax(1, qRound(size)));
        const QFontMetricsF m(font);
        RingCaption c{lines, double(font.pixelSize()), {}, {}};
        const double block = topHeight - 2 + lines.size() * m.height();
        double y = centre - block / 2;
        c.figureBox = QRectF(0, y, ringSize, topHeight);
        y += topHeight - 2;
        bool fits = true;
        for (const QString& line : lines) {
            const double w = m.horizontalAdvance(line);
            const double room = roomFor(QRectF(0, y, 0, m.height()));
            if (w > room) fits = false;
            c.lineBoxes.append(QRectF(centre - w / 2, y, w, m.height()));
            y += m.height();
        }
        return std::pair{c, fits};
    };
    const QStringList one{text};
    const auto split = twoLines(text);
    for (double size = nominal; size >= nominal * 0.6 - 1e-9; size -= 0.5) {
        if (auto [c, fits] = lay(one, size); fits) return c;
        if (split)
            if (auto [c, fits] = lay(*split, size); fits) return c;
    }
    // Nothing fits whole: the smallest setting, each line cut to its room.
    const double smallest = nominal * 0.6;
    auto [c, fits] = lay(split ? *split : one, smallest);
    if (!fits) {
        QFont font = MeterixFont::rounded(nominal, QFont::DemiBold);
        font.setPixelSize(qMax(1, qRound(smallest)));
        const QFontMetricsF m(font);
        for (int i = 0; i < c.lines.size(); ++i) {
            const QRectF box = c.lineBoxes[i];
            const double room = roomFor(box);
            c.lines[i] = m.elidedText(c.lines[i], Qt::ElideRight, room);
            const double w = m.horizontalAdvance(c.lines[i]);
            c.lineBoxes[i] = QRectF(centre - w / 2, box.top(), w, box.height());
        }
    }
    return c;
}

QuotaHeroView::Display QuotaHeroView::display(const Inputs& in, const QLocale& locale) {
    Display d;
    const std::optional<int64_t> figure = displayedPercent(in.percentage);
    d.tier = usageTierFrom(in.percentage);
    d.withheld = in.isSimulated || in.windowEndedAt.has_value() || !figure;
    d.ringPercentage = d.withheld ? 0.0 : clampPercentage(in.percentage);
    if (!d.withheld) d.figure = *figure;
    // A reading that is not a number is as good as none.
    const bool noData = in.isSimulated || (!in.windowEndedAt && !figure);
    // Without data the ring says why, in the reason's one wording, whatever the
    // reason; the capsule beside it says that there is no data.
    const UsageUnavailableReason reason = in.missingReason.value_or(UsageUnavailableReason::notConfigured);
    if (d.withheld && noData) {
        d.centreCaption = displayText(reason);
        d.withheldBadge = L10n::noData().text();
    } else if (d.withheld) {
        d.centreCaption = L10n::resetShort().text();
        d.withheldBadge = L10n::awaitingRemeasurement().text();
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
    if (noData) {
        d.accessibilityLabel = L10n::providerNoData(in.caption, displayText(reason)).text();
    } else if (in.windowEndedAt) {
        d.accessibilityLabel =
            L10n::captionAwaiting(in.caption, quotaResetAtText(*in.windowEndedAt, locale)).text();
    } else {
        d.accessibilityLabel = L10n::captionRemaining(in.caption, *figure, label(d.tier)).text();
    }
    return d;
}

QuotaHeroView::QuotaHeroView(Appearance& appearance, Localization& localization, const Inputs& inputs,
                             QWidget* parent)
    : QWidget(parent), localization_(localization), inputs_(inputs) {
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
    withheldBadge_ = new TextCapsuleBadge(localization_, [] { return BadgeLook{}; }, badgeRow_);
    liveBadge_ = new LiveStreamBadge(localization_, badgeRow_);
    liveBadge_->setObjectName(QStringLiteral("liveBadge"));
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

    connect(&appearance, &Appearance::changed, this, &QuotaHeroView::refresh);
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
        tierBadge_ = new TierBadge(localization_, display_.tier, false, badgeRow_);
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
