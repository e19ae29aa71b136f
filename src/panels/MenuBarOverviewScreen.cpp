#include "panels/MenuBarOverviewScreen.h"

#include "core/L10n.h"
#include "core/QuotaLabel.h"
#include "design/MissingFigure.h"
#include "core/Numbers.h"
#include "core/UsageUnavailableReason.h"
#include "design/AppOpenBadge.h"
#include "design/InsetSection.h"
#include "design/LiveStreamBadge.h"
#include "design/MeterixFont.h"
#include "design/RingGauge.h"
#include "design/RollingDigitsView.h"
#include "design/RowSeparator.h"
#include "design/Surface.h"
#include "design/TextView.h"
#include "panels/GlassActionButton.h"
#include "panels/MenuBarNavigator.h"
#include "panels/MenuCommandRow.h"
#include "panels/MenuPlateRow.h"
#include "panels/MeterixBuild.h"
#include "platform/ui/Appearance.h"
#include "platform/ui/SymbolImage.h"
#include "refresh/ProviderManager.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace meterix {

namespace {

constexpr double kRingSize = 27;
constexpr double kRingLine = 2.8;

QList<QColor> greyRing() {
    return {withOpacity(LabelColor::secondary(), 0.28), withOpacity(LabelColor::secondary(), 0.16)};
}

// The provider's symbol in the middle of its ring.
class ProviderGlyph final : public QWidget {
  public:
    ProviderGlyph(QString symbol, QWidget* parent = nullptr) : QWidget(parent), symbol_(std::move(symbol)) {
        setAttribute(Qt::WA_TranslucentBackground);
        const int side = int(std::ceil(SymbolImage::boxSide(10)));
        setFixedSize(side, side);
    }
    void setColor(const QColor& color) {
        if (color == color_) return;
        color_ = color;
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        SymbolImage::paint(p, QRectF(rect()).center(), 10, symbol_, color_, SymbolWeight::bold);
    }

  private:
    QString symbol_;
    QColor color_;
};

// A 0.5-pt rule inset 9 pt at the sides and 4 pt above and below.
class CommandRule final : public QWidget {
  public:
    using QWidget::QWidget;
    QSize sizeHint() const override { return QSize(18, 9); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        paintHairlineRule(p, QRectF(9, 4, std::max(0, width() - 18), 0.5));
    }
};

// The empty state's symbol.
class EmptySymbol final : public QWidget {
  public:
    explicit EmptySymbol(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TranslucentBackground);
        const int side = int(std::ceil(SymbolImage::boxSide(20)));
        setFixedSize(side, side);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        SymbolImage::paint(p, QRectF(rect()).center(), 20, QStringLiteral("sparkle.magnifyingglass"),
                           LabelColor::secondary(), SymbolWeight::medium);
    }
};

// The keys are Ctrl chords on this desktop; the labels say so.
QString shortcutLabel(char key) {
    return QStringLiteral("Ctrl+") + QLatin1Char(key);
}

} // namespace

// The parts of a provider row that change with the state.
struct MenuBarOverviewScreen::ProviderRowViews {
    MenuPlateRow* row = nullptr;
    RingGauge* ring = nullptr;
    ProviderGlyph* glyph = nullptr;
    QHBoxLayout* trailing = nullptr;
    QPointer<CapsuleBadge> badge;
    RowModel::Badge badgeKind = RowModel::Badge::none;
    TextView* dashes = nullptr;
    RollingDigitsView* digits = nullptr;
};

MenuBarOverviewScreen::MenuBarOverviewScreen(MenuScreenContext context, QWidget* parent)
    : QWidget(parent), context_(std::move(context)), column_(new QVBoxLayout(this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(int(sectionSpacing));
    // The panel's root hands every later state on; the first is read here,
    // before the commands are built: a refresh already under way is where the
    // refresh row starts, not a change it turns for.
    state_ = context_.presentedState();
    column_->addWidget(buildCommandSection());
    rebuildProviderSection();
    updateCommands();
    // The grey of an unavailable provider's ring and symbol is resolved into
    // those views: a new look resolves it again.
    connect(context_.appearance, &Appearance::changed, this, &MenuBarOverviewScreen::updateRows);
}

MenuBarOverviewScreen::~MenuBarOverviewScreen() {
    for (auto& [p, views] : rows_)
        delete views;
}

MenuBarOverviewScreen::RowModel
MenuBarOverviewScreen::rowModel(AIProviderType provider, const PresentedState& state) {
    RowModel m;
    m.provider = provider;
    m.title = displayName(provider);
    m.accessibilityHint = L10n::openQuotaDetail().text();
    const auto it = state.snapshots.constFind(provider);
    const UsageSnapshot* snapshot = it == state.snapshots.constEnd() ? nullptr : &*it;
    const bool working = state.activeInUseProviders.contains(provider);
    const bool appOpen = !working && state.appRunningProviders.contains(provider);
    m.badge = working ? RowModel::Badge::working : appOpen ? RowModel::Badge::appOpen : RowModel::Badge::none;
    m.percentage = snapshot ? snapshot->headlineRemainingPercentage : 0;
    m.tier = usageTierFrom(m.percentage);

    // Nothing read at all is "Not connected"; a reading without a figure says
    // its own reason, beside its plan when it names one.
    const std::optional<UsageUnavailableReason> missing =
        snapshot ? missingFigureReason(*snapshot) : std::optional(UsageUnavailableReason::notConfigured);
    if (!missing) {
        m.subtitle = labelText(snapshot->planName).value_or(standardPlan);
        m.figure = displayedPercent(m.percentage);
    } else if (snapshot && !labelText(snapshot->planName).value_or(QString()).isEmpty()) {
        m.subtitle = labelText(*snapshot->planName) + QStringLiteral(" \u00b7 ") + displayText(*missing);
    } else {
        m.subtitle = displayText(*missing);
    }
    m.unavailable = !m.figure.has_value();
    if (m.unavailable) {
        m.accessibilityLabel = L10n::providerNoData(m.title, displayText(*missing)).text();
        m.ringPercentage = 0;
        return m;
    }
    m.ringPercentage = RingGauge::clamped(m.percentage);
    m.accessibilityLabel = L10n::providerRemaining(m.title, *m.figure, label(m.tier)).text();
    if (working)
        m.accessibilityLabel += L10n::suffixWorking().text();
    else if (appOpen)
        m.accessibilityLabel += L10n::suffixAppRunning().text();
    return m;
}

void MenuBarOverviewScreen::setState(PresentedState state) {
    state_ = std::move(state);
    if (state_.activeProviders != builtFor_ || (state_.activeProviders.isEmpty() != bool(emptyState_)))
        rebuildProviderSection();
    else
        updateRows();
    updateCommands();
}

void MenuBarOverviewScreen::rebuildProviderSection() {
    for (auto& [p, views] : rows_)
        delete views;
    rows_.clear();
    if (providerSection_) delete providerSection_.data();
    if (emptyState_) delete emptyState_.data();
    builtFor_ = state_.activeProviders;

    if (builtFor_.isEmpty()) {
        emptyState_ = new InsetSection(std::nullopt, std::nullopt, false, {buildEmptyState()}, this);
        emptyState_->setObjectName(QStringLiteral("emptyState"));
        column_->insertWidget(0, emptyState_);
        return;
    }
    QList<QWidget*> entries;
    bool first = true;
    for (AIProviderType p : builtFor_) {
        if (!first) entries << new RowSeparator(separatorInset);
        first = false;
        auto* views = new ProviderRowViews();
        views->glyph = new ProviderGlyph(sfSymbol(p));
        views->ring = new RingGauge(0, greyRing(), kRingSize, kRingLine, true, views->glyph);
        auto* trailing = new QWidget();
        trailing->setAttribute(Qt::WA_TranslucentBackground);
        views->trailing = new QHBoxLayout(trailing);
        views->trailing->setContentsMargins(0, 0, 0, 0);
        views->trailing->setSpacing(6);
        views->dashes = new TextView(
            noFigureText(), MeterixFont::rounded(13, QFont::Bold),
            [] { return withOpacity(LabelColor::secondary(), 0.65); }, false, trailing);
        views->digits =
            new RollingDigitsView(0, QStringLiteral("%"), MeterixFont::rounded(13, QFont::Bold),
                                  LabelColor::primary(), MeterixFont::rounded(9, QFont::Bold), trailing);
        views->trailing->addWidget(views->dashes);
        views->trailing->addWidget(views->digits);
        auto action = [this, p] {
            if (context_.navigator) context_.navigator->push(MenuBarScreen::providerDetail(p));
        };
        views->row = new MenuPlateRow(displayName(p), QString(), true, action, views->ring, trailing);
        views->row->setObjectName(QStringLiteral("providerRow:") + rawValue(p));
        rows_[p] = views;
        entries << views->row;
    }
    providerSection_ = new InsetSection(L10n::providers().text(), std::nullopt, true, entries, this);
    column_->insertWidget(0, providerSection_);
    updateRows();
}

void MenuBarOverviewScreen::updateRows() {
    for (auto& [p, views] : rows_) {
        const RowModel m = rowModel(p, state_);
        views->row->setSubtitle(m.subtitle);
        views->row->setAccessibleName(m.accessibilityLabel);
        views->row->setAccessibleDescription(m.accessibilityHint);
        const QList<QColor> colors = m.unavailable ? greyRing() : toQColors(gradient(m.tier));
        views->ring->setGradientColors(colors);
        views->ring->setPercentage(m.ringPercentage);
        views->glyph->setColor(m.unavailable ? withOpacity(LabelColor::secondary(), 0.55) : colors.first());
        views->dashes->setVisible(m.unavailable);
        views->digits->setVisible(!m.unavailable);
        if (m.figure) {
            views->digits->setColor(colors.first());
            views->digits->setValue(*m.figure);
        }
        if (m.badge != views->badgeKind) {
            // The old badge shrinks away where it stands while the new one grows in.
            if (CapsuleBadge* old = views->badge.data()) {
                old->setObjectName(QStringLiteral("leavingBadge"));
                old->leave([gone = QPointer<CapsuleBadge>(old)] {
                    if (gone) gone->deleteLater();
                });
            }
            views->badge = nullptr;
            views->badgeKind = m.badge;
            if (m.badge == RowModel::Badge::working)
                views->badge = new LiveStreamBadge(*context_.localization);
            else if (m.badge == RowModel::Badge::appOpen)
                views->badge = new AppOpenBadge(*context_.localization);
            if (views->badge) {
                views->badge->setObjectName(QStringLiteral("rowBadge"));
                views->trailing->insertWidget(0, views->badge);
                views->badge->appear();
            }
        }
    }
}

QWidget* MenuBarOverviewScreen::buildEmptyState() {
    auto* box = new QWidget();
    box->setAttribute(Qt::WA_TranslucentBackground);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 6, 0, 6);
    column->setSpacing(7);
    column->setAlignment(Qt::AlignHCenter);
    column->addWidget(new EmptySymbol(box), 0, Qt::AlignHCenter);
    column->addWidget(new TextView(
                          L10n::noProvidersToShow().text(), MeterixFont::rounded(12, QFont::DemiBold),
                          [] { return LabelColor::primary(); }, false, box),
                      0, Qt::AlignHCenter);
    auto* hint = new TextView(
        L10n::pickProvidersInSettings().text(), MeterixFont::rounded(10, QFont::Medium),
        [] { return LabelColor::secondary(); }, true, box);
    column->addWidget(hint);
    column->addSpacing(2);
    auto* open =
        new GlassActionButton(L10n::openSettings().text(), QStringLiteral("gearshape"), true, [this] {
            if (context_.navigator) context_.navigator->push(MenuBarScreen::settings());
        });
    open->setObjectName(QStringLiteral("openSettings"));
    open->setFixedWidth(120);
    column->addWidget(open, 0, Qt::AlignHCenter);
    return box;
}

QWidget* MenuBarOverviewScreen::buildCommandSection() {
    auto* box = new QWidget(this);
    box->setAttribute(Qt::WA_TranslucentBackground);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(1);
    refreshRow_ = new MenuCommandRow(
        *context_.appearance, L10n::refreshAll().text(), QStringLiteral("arrow.clockwise"),
        shortcutLabel('R'), std::nullopt, false, MenuRowRole::standard, state_.isRefreshing,
        [this] { refreshAll(); }, box);
    refreshRow_->setObjectName(QStringLiteral("refreshRow"));
    settingsRow_ = new MenuCommandRow(
        *context_.appearance, L10n::settingsEllipsis().text(), QStringLiteral("gearshape"),
        shortcutLabel(','), std::nullopt, false, MenuRowRole::standard, false,
        [this] {
            if (context_.navigator) context_.navigator->push(MenuBarScreen::settings());
        },
        box);
    settingsRow_->setObjectName(QStringLiteral("settingsRow"));
    aboutRow_ = new MenuCommandRow(
        *context_.appearance, L10n::aboutMeterix().text(), QStringLiteral("info.circle"), std::nullopt,
        QStringLiteral("v") + MeterixBuild::version(), true, MenuRowRole::standard, false,
        [this] {
            if (context_.navigator) context_.navigator->push(MenuBarScreen::about());
        },
        box);
    aboutRow_->setObjectName(QStringLiteral("aboutRow"));
    quitRow_ = new MenuCommandRow(
        *context_.appearance, L10n::quitMeterix().text(), QStringLiteral("power"), shortcutLabel('Q'),
        std::nullopt, false, MenuRowRole::destructive, false,
        [this] {
            if (context_.quit) context_.quit();
        },
        box);
    quitRow_->setObjectName(QStringLiteral("quitRow"));
    column->addWidget(refreshRow_);
    column->addWidget(settingsRow_);
    column->addWidget(aboutRow_);
    column->addWidget(new CommandRule(box));
    column->addWidget(quitRow_);
    return box;
}

void MenuBarOverviewScreen::updateCommands() {
    refreshRow_->setTitle(state_.isRefreshing ? L10n::refreshing().text() : L10n::refreshAll().text());
    refreshRow_->setBusy(state_.isRefreshing);
}

void MenuBarOverviewScreen::refreshAll() {
    if (context_.manager) context_.manager->refreshAll(true);
}

} // namespace meterix
