#include "panels/DetailGlassCardView.h"

#include "core/L10n.h"
#include "core/Localization.h"
#include "core/Numbers.h"
#include "core/QuotaLabel.h"
#include "core/ReadingWords.h"
#include "design/AmbientElevation.h"
#include "design/IconTile.h"
#include "design/InsetSection.h"
#include "design/LiquidGlassStyle.h"
#include "design/MinuteTicker.h"
#include "design/MeterixFont.h"
#include "design/PressableButton.h"
#include "design/Radius.h"
#include "design/RollingDigitsView.h"
#include "design/RowSeparator.h"
#include "design/ShapePainting.h"
#include "design/Surface.h"
#include "design/TextView.h"
#include "design/TimeTexts.h"
#include "panels/CardScrollBody.h"
#include "panels/GlassActionButton.h"
#include "panels/KeyboardFocus.h"
#include "panels/HoverFade.h"
#include "panels/ModelQuotaCompactRow.h"
#include "panels/QuotaBar.h"
#include "panels/SymbolLabel.h"
#include "panels/UnavailableNoticeSection.h"
#include "design/MissingFigure.h"
#include "panels/TextCapsuleBadge.h"
#include "platform/ui/Appearance.h"
#include "refresh/PresentedState.h"
#include "refresh/ProviderManager.h"

#include <QBoxLayout>
#include <QDesktopServices>
#include <QTimer>
#include <QPainter>
#include <QtMath>

#include <cmath>

namespace meterix {

namespace {

constexpr double kElevation = 1.35;

void clearLayout(QLayout* layout) {
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* w = item->widget()) delete w;
        if (QLayout* inner = item->layout()) {
            clearLayout(inner);
        }
        delete item;
    }
}

// The close button: an "xmark" on a small plate circle.
class CardCloseButton final : public PressableButton {
  public:
    explicit CardCloseButton(QWidget* parent)
        : PressableButton(PressableStyle{0.88, 0.75}, parent), hover_(0.12) {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_Hover);
        setFocusPolicy(Qt::NoFocus);
        setFixedSize(int(DetailGlassCardView::closeSide), int(DetailGlassCardView::closeSide));
        connect(&hover_, &HoverFade::changed, this, [this] { update(); });
    }

  protected:
    void paintContent(QPainter& p, const QRectF& rect) override {
        const double hover = hover_.value();
        const QRectF circle = rect.adjusted(0.25, 0.25, -0.25, -0.25);
        p.setPen(Qt::NoPen);
        p.setBrush(Surface::plateFill());
        p.drawEllipse(circle);
        if (hover > 0) {
            p.setBrush(withOpacity(Surface::pressWash(), hover));
            p.drawEllipse(circle);
        }
        strokeInside(p, circle, circle.width() / 2, 0.5, Surface::plateRim());
        const QColor mark = hover_.isHovered() ? LabelColor::primary() : LabelColor::secondary();
        SymbolImage::paint(p, rect.center(), 9, QStringLiteral("xmark"), mark, SymbolWeight::bold);
    }
    bool hitButton(const QPoint& pos) const override {
        const QPointF d = QPointF(pos) - QRectF(rect()).center();
        return std::hypot(d.x(), d.y()) <= width() / 2.0;
    }
    void enterEvent(QEnterEvent* event) override {
        hover_.setHovered(true);
        PressableButton::enterEvent(event);
    }
    void leaveEvent(QEvent* event) override {
        hover_.setHovered(false);
        PressableButton::leaveEvent(event);
    }

  private:
    HoverFade hover_;
};

// The header's strip: paints the provider's tile at its leading edge.
class CardHeader final : public QWidget {
  public:
    CardHeader(QString symbol, std::function<QList<QColor>()> colors, QWidget* parent)
        : QWidget(parent), symbol_(std::move(symbol)), colors_(std::move(colors)) {
        setAttribute(Qt::WA_TranslucentBackground);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        IconTile::paint(p, QRectF(0, 0, DetailGlassCardView::tileSize, DetailGlassCardView::tileSize),
                        symbol_, colors_());
    }

  private:
    QString symbol_;
    std::function<QList<QColor>()> colors_;
};

} // namespace

// MARK: - Display

DetailGlassCardView::Display DetailGlassCardView::display(const UsageSnapshot& reading, const Live& live,
                                                          const Clock& clock, const QLocale& locale) {
    const QDateTime now = clock.now();
    const UsageSnapshot& s = reading;
    Display d;
    d.simulated = s.isSimulated();
    d.hasFigure = !missingFigureReason(s);
    d.tier = usageTierFrom(s.headlineRemainingPercentage);
    d.tintStrength = d.hasFigure ? 0.5 : 0.2;
    d.title = displayName(s.provider);
    d.plan = labelText(s.planName);
    const UsageUnavailableReason reason = missingFigureReason(s).value_or(UsageUnavailableReason::notConfigured);
    d.sourceLine = d.simulated ? L10n::noDataWithReason(displayText(reason)).text()
                               : readingSourceText(s.strategyUsed, s.provider) + QStringLiteral(" · ") +
                                     relativeUpdateText(s.lastUpdated, clock);
    if (s.fetchError) {
        d.errorLine = L10n::refreshFailed(*s.fetchError).text();
        // A placeholder has no last measurement to fall back on.
        if (!d.simulated) *d.errorLine += L10n::showingLastMeasurement().text();
    }

    d.hero.percentage = s.headlineRemainingPercentage;
    d.hero.caption = labelText(s.headlineQuotaName).value_or(L10n::sessionQuota().text());
    // Countdowns are what they are now, not what they were when the reading was taken.
    d.hero.resetCountdown = secondsUntil(now, s.headlineResetAt);
    d.hero.isInUse = live.activeInUseProviders.contains(s.provider);
    d.hero.ringSize = 76;
    d.hero.isSimulated = d.simulated;
    d.hero.missingReason = missingFigureReason(s);
    if (s.headlineResetAt && *s.headlineResetAt <= now) d.hero.windowEndedAt = s.headlineResetAt;

    if (d.simulated) {
        d.notice = notice(reason, s.provider, s.setupLookup);
    } else {
        if (s.weeklyRemainingPercentage) {
            const double w = *s.weeklyRemainingPercentage;
            Weekly weekly;
            weekly.ended = s.weeklyResetAt && *s.weeklyResetAt <= now;
            weekly.tier = usageTierFrom(w);
            const std::optional<int64_t> figure = displayedPercent(w);
            if (!weekly.ended && figure) weekly.figure = *figure;
            weekly.barPercentage = weekly.figure ? w : 0.0;
            if (weekly.ended) {
                weekly.resetLine = quotaResetAtText(*s.weeklyResetAt, locale);
            } else if (const auto left = secondsUntil(now, s.weeklyResetAt)) {
                weekly.resetLine = displayedCountdownSeconds(*left) ? L10n::resetLine(*left).text() : noFigureText();
            }
            if (weekly.ended) {
                weekly.accessibilityLabel = L10n::weeklyQuotaAwaiting(*weekly.resetLine).text();
            } else if (weekly.figure) {
                weekly.accessibilityLabel =
                    L10n::weeklyQuotaAccessibility(*weekly.figure, label(weekly.tier)).text();
            } else {
                // A weekly figure that is not a number: an unreadable answer,
                // in that reason's one wording.
                weekly.accessibilityLabel =
                    L10n::providerNoData(L10n::weeklyQuota().text(), displayText(UsageUnavailableReason::malformedResponse))
                        .text();
            }
            d.weekly = weekly;
        }
        // A line whose window has ended since the reading shows no figure ("---").
        for (const ModelQuotaItem& item : s.modelQuotas) {
            d.models.append(item);
            if (item.isWindowElapsed(now)) d.models.last().remainingPercentage = std::nan("");
        }
    }
    d.dashboard = accountDashboardURL(s.provider);
    d.refreshTitle = (live.isRefreshing ? L10n::updating() : L10n::refresh()).text();
    d.refreshEnabled = !live.isRefreshing;
    d.accessibilityName = L10n::quotaDetailFor(d.title).text();
    return d;
}

// MARK: - The card

int DetailGlassCardView::shadowBleed() {
    const QMarginsF m = AmbientElevation(kElevation).margins();
    return qCeil(std::max({m.left(), m.top(), m.right(), m.bottom()}));
}

DetailGlassCardView::DetailGlassCardView(Appearance& appearance, Localization& localization,
                                         const UsageSnapshot& snapshot, std::function<void()> onClose,
                                         const Clock& clock, QWidget* parent)
    : LiquidGlassView(liquidGlass(Radius::card, Qt::transparent, false, kElevation, 0.5), shadowBleed(),
                      parent),
      appearance_(appearance), localization_(localization), clock_(clock), snapshot_(snapshot), onClose_(std::move(onClose)) {
    display_ = display(snapshot_, live_, clock_);
    // Inside the glass (the widget's contents margins hold the shadow's bleed).
    const int inner = int(padding);
    column_ = new QVBoxLayout(this);
    column_->setContentsMargins(inner, inner, inner, inner);
    column_->setSpacing(int(spacing));

    header_ = new QWidget(this);
    column_->addWidget(header_);
    // Between the header and the buttons, both kept in sight, the part that
    // scrolls where the card is shorter than its content.
    auto* content = new QWidget();
    auto* body = new QVBoxLayout(content);
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(int(spacing));
    errorLine_ = new SymbolLabel(SymbolLabel::Look{QStringLiteral("exclamationmark.triangle"), 10.5,
                                                   SymbolWeight::regular, MeterixFont::caption(),
                                                   [] { return LabelColor::secondary(); }, 4, true},
                                 QString(), content);
    body->addWidget(errorLine_);
    hero_ = new QuotaHeroView(appearance_, localization_, display_.hero, content);
    auto* heroRow = new QHBoxLayout();
    heroRow->setContentsMargins(2, 0, 2, 0);
    heroRow->addWidget(hero_);
    body->addLayout(heroRow);
    sections_ = new QWidget(content);
    auto* sections = new QVBoxLayout(sections_);
    sections->setContentsMargins(0, 0, 0, 0);
    sections->setSpacing(int(spacing));
    body->addWidget(sections_);
    body_ = new CardScrollBody(content, this);
    column_->addWidget(body_, 1);

    auto* actions = new QHBoxLayout();
    actions->setSpacing(7);
    dashboardButton_ = new GlassActionButton(
        L10n::dashboard().text(), QStringLiteral("chart.bar.doc.horizontal"), false,
        [this] {
            if (!display_.dashboard || QDesktopServices::openUrl(*display_.dashboard)) return;
            // Said in place, for a while: nothing could open the page.
            dashboardButton_->setTitle(L10n::linkNotOpenedBrief().text());
            linkFailureShown_->start();
        },
        this);
    dashboardButton_->setObjectName(QStringLiteral("dashboard"));
    linkFailureShown_ = new QTimer(this);
    linkFailureShown_->setSingleShot(true);
    linkFailureShown_->setInterval(RefreshFeedback::waitShownMs);
    connect(linkFailureShown_, &QTimer::timeout, this, [this] { applyActions(); });
    refreshFeedback_ = new RefreshFeedback(clock_, [this] { applyActions(); }, true, this);
    refreshButton_ = new GlassActionButton(
        display_.refreshTitle, QStringLiteral("arrow.clockwise"), true,
        [this] { refreshFeedback_->press(manager_, snapshot_.provider); }, this);
    refreshButton_->setObjectName(QStringLiteral("refresh"));
    actions->addWidget(dashboardButton_, 1);
    actions->addWidget(refreshButton_, 1);
    column_->addLayout(actions);

    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    new KeyboardFocus(this); // Tab reaches the close, dashboard and refresh buttons
    connect(&localization, &Localization::preferenceChanged, this, &DetailGlassCardView::rebuild);
    connect(&appearance_, &Appearance::changed, this, [this] { update(); });
    rebuild();
    ticker_ = new MinuteTicker(
        this, clock_, [this] { return timeTextMoments(snapshot_); }, [this] { refreshTimeTexts(); });
    ticker_->setObjectName(QStringLiteral("ticker"));
}

DetailGlassCardView::~DetailGlassCardView() = default;

void DetailGlassCardView::setSnapshot(const UsageSnapshot& snapshot) {
    // Also for the same snapshot: what depends on the time is derived anew.
    snapshot_ = snapshot;
    rebuild();
    if (ticker_) ticker_->rearm();
}

void DetailGlassCardView::setLive(const Live& live) {
    if (live == live_) return;
    live_ = live;
    display_ = display(snapshot_, live_, clock_);
    hero_->setInputs(display_.hero);
    applyActions();
}

void DetailGlassCardView::observe(ProviderManager& manager) {
    manager_ = &manager;
    // The card shows its own snapshot; of the published state it follows what
    // is live. Nothing of it is shown as text, so no masking applies.
    const auto follow = [this](const PresentedState& state) {
        setLive(Live{state.activeInUseProviders, state.isRefreshing});
    };
    PresentedState::observe(manager, nullptr, this, follow, PresentedState::Delivery::atOnce);
    follow(PresentedState::of(manager, false));
}

void DetailGlassCardView::rebuild() {
    display_ = display(snapshot_, live_, clock_);
    buildHeader();
    errorLine_->setText(display_.errorLine.value_or(QString()));
    errorLine_->setVisible(display_.errorLine.has_value());
    hero_->setInputs(display_.hero);
    buildSections();
    applyActions();
    applyGlass();
    setAccessibleName(display_.accessibilityName);
    updateGeometry();
}

void DetailGlassCardView::refreshTimeTexts() {
    const Display next = display(snapshot_, live_, clock_);
    const auto endedLines = [](const Display& d) {
        QList<bool> ended;
        for (const ModelQuotaItem& m : d.models)
            ended.append(std::isnan(m.remainingPercentage));
        return ended;
    };
    if (next.sourceLine != display_.sourceLine || !(next.weekly == display_.weekly) ||
        endedLines(next) != endedLines(display_)) {
        rebuild();
        return;
    }
    display_ = next;
    hero_->setInputs(display_.hero);
}

void DetailGlassCardView::buildHeader() {
    const int index = column_->indexOf(header_);
    const bool hasFigure = display_.hasFigure;
    const UsageTier tier = display_.tier;
    auto* header = new CardHeader(
        sfSymbol(snapshot_.provider),
        [hasFigure, tier] { return hasFigure ? toQColors(gradient(tier)) : missingFigureTileColors(); },
        this);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(9);
    // The tile is painted by the header itself, in this room.
    row->addSpacing(int(tileSize) + row->spacing());
    header->setMinimumHeight(int(tileSize));

    auto* texts = new QVBoxLayout();
    texts->setSpacing(1); // 1.5 in whole pixels
    auto* titleRow = new QHBoxLayout();
    titleRow->setSpacing(5);
    titleRow->addWidget(new TextView(
                            display_.title, MeterixFont::rounded(14.5, QFont::Bold),
                            [] { return LabelColor::primary(); }, false, header),
                        0, Qt::AlignVCenter);
    if (display_.plan) {
        const QString plan = *display_.plan;
        titleRow->addWidget(new TextCapsuleBadge(
                                localization_, [plan] {
                                    return TextCapsuleBadge::plain(plan, MeterixFont::rounded(9, QFont::Bold),
                                                                   LabelColor::secondary(),
                                                                   Surface::hoverWash(), 5, 1.5);
                                },
                                header),
                            0, Qt::AlignVCenter);
    }
    titleRow->addStretch(1);
    texts->addLayout(titleRow);
    texts->addWidget(new TextView(
        display_.sourceLine, MeterixFont::rounded(9.5, QFont::Medium), [] { return LabelColor::tertiary(); },
        false, header));
    row->addLayout(texts, 1);
    row->addSpacing(4);
    auto* close = new CardCloseButton(header);
    close->setObjectName(QStringLiteral("close"));
    close->setAccessibleName(L10n::close().text());
    connect(close, &QAbstractButton::clicked, this, [this] {
        if (onClose_) onClose_();
    });
    row->addWidget(close, 0, Qt::AlignTop);

    column_->insertWidget(index, header);
    delete header_;
    header_ = header;
}

void DetailGlassCardView::buildSections() {
    QLayout* layout = sections_->layout();
    clearLayout(layout);
    auto* column = static_cast<QVBoxLayout*>(layout);

    if (display_.notice) column->addWidget(unavailableNoticeSection(*display_.notice));

    if (display_.weekly) {
        const Weekly w = *display_.weekly;
        auto* box = new QWidget();
        auto* v = new QVBoxLayout(box);
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(6);
        auto* top = new QHBoxLayout();
        top->setSpacing(6);
        const bool greyed = !w.figure;
        top->addWidget(new TextView(
                           L10n::weeklyRemaining().text(), MeterixFont::rounded(11.5, QFont::DemiBold),
                           [greyed] { return greyed ? LabelColor::secondary() : LabelColor::primary(); },
                           false, box),
                       0, Qt::AlignBottom);
        top->addStretch(1);
        if (w.figure) {
            auto* digits = new RollingDigitsView(
                *w.figure, QStringLiteral("%"), MeterixFont::rounded(12.5, QFont::Bold),
                toQColor(gradient(w.tier).constFirst()), MeterixFont::rounded(9, QFont::Bold), box);
            top->addWidget(digits, 0, Qt::AlignBottom);
        } else {
            top->addWidget(new TextView(
                               noFigureText(), MeterixFont::rounded(12.5, QFont::Bold),
                               [] { return withOpacity(LabelColor::secondary(), 0.65); }, false, box),
                           0, Qt::AlignBottom);
        }
        v->addLayout(top);
        const UsageTier tier = w.tier;
        v->addWidget(new QuotaBar(appearance_, w.barPercentage,
                                  greyed ? QuotaBar::Colors(withheldGaugeColors)
                                         : QuotaBar::Colors([tier] { return toQColors(gradient(tier)); }),
                                  6.5, std::nullopt, box));
        if (w.resetLine) {
            v->addWidget(
                new SymbolLabel(SymbolLabel::Look{QStringLiteral("arrow.clockwise"), 8.5, SymbolWeight::bold,
                                                  MeterixFont::rounded(9.5, QFont::DemiBold),
                                                  [] { return LabelColor::tertiary(); }, 4, false},
                                *w.resetLine, box));
        }
        box->setAccessibleName(w.accessibilityLabel);
        column->addWidget(new InsetSection(L10n::weeklyQuota().text(), std::nullopt, false, {box}));
    }

    if (!display_.models.isEmpty()) {
        QList<QWidget*> rows;
        for (qsizetype i = 0; i < display_.models.size(); ++i) {
            if (i > 0) rows << new RowSeparator(22);
            rows << new ModelQuotaCompactRow(display_.models[i]);
        }
        column->addWidget(new InsetSection(L10n::remainingByModel().text(), std::nullopt, true, rows));
    }
    sections_->setVisible(column->count() > 0);
}

void DetailGlassCardView::applyActions() {
    dashboardButton_->setTitle(L10n::dashboard().text());
    dashboardButton_->setVisible(display_.dashboard.has_value());
    refreshButton_->setTitle(refreshFeedback_->caption().value_or(display_.refreshTitle));
    refreshButton_->setEnabled(display_.refreshEnabled && !refreshFeedback_->isReading());
}

void DetailGlassCardView::applyGlass() {
    const QColor tint = display_.hasFigure ? toQColor(gradient(display_.tier).constFirst())
                                           : withOpacity(LabelColor::secondary(), 0.15);
    setStyle(liquidGlass(Radius::card, tint, false, kElevation, display_.tintStrength));
}

int DetailGlassCardView::heightForWidth(int width) const {
    if (!layout()) return 0;
    // Without a wrapping text inside, the layout has no height-for-width of its own.
    return layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width)
                                         : layout()->totalSizeHint().height();
}

QSize DetailGlassCardView::sizeHint() const {
    const int w = int(cardWidth) + 2 * shadowBleed();
    return QSize(w, heightForWidth(w));
}

} // namespace meterix
