#include "panels/MenuBarProviderDetailScreen.h"

#include "accounts/AccountRegistry.h"
#include "core/L10n.h"
#include "core/Localization.h"
#include "core/MeterixPreferences.h"
#include "platform/ui/Appearance.h"
#include "design/MinuteTicker.h"
#include "design/IconTile.h"
#include "design/MissingFigure.h"
#include "design/InsetSection.h"
#include "design/MeterixFont.h"
#include "design/RowSeparator.h"
#include "design/Surface.h"
#include "design/TextView.h"
#include "design/TimeTexts.h"
#include "panels/AccountRow.h"
#include "panels/MenuBarNavigator.h"
#include "panels/MenuCommandRow.h"
#include "panels/MenuScreenHeader.h"
#include "panels/QuotaHeroView.h"
#include "panels/QuotaMeterRow.h"
#include "panels/SymbolLabel.h"
#include "panels/TextCapsuleBadge.h"
#include "panels/UnavailableNoticeSection.h"
#include "refresh/ProviderManager.h"

#include <QHBoxLayout>
#include <QTimer>
#include <QVBoxLayout>

namespace meterix {

namespace {

const QColor kStaleOrange(255, 159, 10);

QWidget* boxed(QLayout* layout, QWidget* parent) {
    auto* w = new QWidget(parent);
    w->setLayout(layout);
    layout->setContentsMargins(0, 0, 0, 0);
    return w;
}

} // namespace

MenuBarProviderDetailScreen::MenuBarProviderDetailScreen(MenuScreenContext context, AIProviderType provider,
                                                         QWidget* parent)
    : MenuSubScreen(std::move(context), spacing, parent), provider_(provider) {
    refreshFeedback_ = new RefreshFeedback(*context_.clock, [this] {
        applyRefreshRow(context_.manager && context_.manager->isRefreshing());
    }, false, this);
    linkFailureShown_ = new QTimer(this);
    linkFailureShown_->setSingleShot(true);
    linkFailureShown_->setInterval(RefreshFeedback::waitShownMs);
    connect(linkFailureShown_, &QTimer::timeout, this, [this] {
        if (linkFailure_) linkFailure_->setVisible(false);
    });
    build();
    auto* ticker = new MinuteTicker(
        this, *context_.clock, [this] { return model().timeTextMoments(); }, [this] { refresh(); });
    ticker->setObjectName(QStringLiteral("ticker"));

    // One filing sends several changes, and some come from inside a click on
    // this screen: the manager's changes show once, after the event; the
    // refresh row follows at once.
    if (ProviderManager* m = context_.manager) {
        PresentedState::observe(
            *m, context_.preferences, this,
            [this](const PresentedState& state) {
                scheduleRefresh();
                applyRefreshRow(state.isRefreshing);
            },
            PresentedState::Delivery::atOnce);
        PresentedState::observeShown<PresentedAccounts>(
            *m, context_.preferences, this, [this] { return context_.presentedAccounts(provider_); },
            [this](const PresentedAccounts&) { scheduleRefresh(); }, PresentedState::Delivery::atOnce);
    }
    if (AccountRegistry* r = context_.accounts)
        connect(r, &AccountRegistry::accountsByProviderChanged, this, [this] { scheduleRefresh(); });
    if (MeterixPreferences* p = context_.preferences)
        connect(p, &MeterixPreferences::maskAccountEmailsChanged, this, [this] { scheduleRefresh(); });
    connect(context_.localization, &Localization::preferenceChanged, this, [this] { scheduleRefresh(); });
    // The grey tile of a reading without a figure is resolved into the tile.
    connect(context_.appearance, &Appearance::changed, this, [this] { scheduleRefresh(); });
}

ProviderDetailModel MenuBarProviderDetailScreen::model() const {
    ProviderDetailModel::Inputs in =
        ProviderDetailModel::Inputs::of(context_.presentedState(), context_.presentedAccounts(provider_), provider_);
    return ProviderDetailModel(std::move(in), *context_.clock);
}

void MenuBarProviderDetailScreen::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Openings close together are coalesced by the manager's own floor.
    if (context_.manager)
        context_.manager->refreshOnDemand({provider_}, ProviderManager::RefreshTrigger::userAction);
}

void MenuBarProviderDetailScreen::refresh() {
    const ProviderDetailModel m = model();
    if (!content() || m.shape() != shape_ || Localization::current() != language_) {
        build(m);
        return;
    }
    apply(m);
}

void MenuBarProviderDetailScreen::build() { build(model()); }

void MenuBarProviderDetailScreen::build(const ProviderDetailModel& m) {
    shape_ = m.shape();
    language_ = Localization::current();
    accounts_ = noData_ = quotas_ = nullptr;
    failure_ = nullptr;
    accountRows_.clear();
    quotaRows_.clear();
    actions_.clear();

    QVBoxLayout* column = beginContent(displayName(provider_));
    content_ = content();
    column->addWidget(identityHeader());
    if (m.showsAccounts()) column->addWidget(accountSection(m));
    if (shape_.failureNotice) {
        failure_ = new SymbolLabel(SymbolLabel::Look{QStringLiteral("exclamationmark.triangle"), 10.5,
                                                     SymbolWeight::regular, MeterixFont::caption(),
                                                     [] { return LabelColor::secondary(); }, 4, true},
                                   QString(), content_);
        failure_->setObjectName(QStringLiteral("failureNotice"));
        column->addWidget(failure_);
    }
    hero_ = new QuotaHeroView(*context_.appearance, *context_.localization, QuotaHeroView::Inputs{.ringSize = 74}, content_);
    hero_->setObjectName(QStringLiteral("hero"));
    auto* heroRow = new QHBoxLayout();
    heroRow->setContentsMargins(2, 0, 2, 0);
    heroRow->addWidget(hero_);
    column->addLayout(heroRow);
    column->addWidget(m.isSimulated() ? noDataSection(m) : quotaDetail(m));
    column->addWidget(actionSection(m));
    apply(m);
    endContent(column);
}

void MenuBarProviderDetailScreen::apply(const ProviderDetailModel& m) {
    const UsageSnapshot& s = m.snapshot();
    header()->setTrailingText(relativeUpdateText(s.capturedAt, *context_.clock));
    // A reading without a figure has no tier: its tile is grey, as on the card.
    tile_->setColors(missingFigureReason(s) ? missingFigureTileColors() : toQColors(UsageColorTheme::gradientColors(s.headlineRemainingPercentage)));
    title_->setText(m.headerTitle());
    stale_ = m.isStale();
    subtitle_->setText(m.headerSubtitle());
    subtitle_->update(); // its colour follows the staleness
    const QString chipText = m.sourceChipText();
    if (chip_->text() != chipText)
        chip_->setLook([chipText] {
            BadgeLook l = TextCapsuleBadge::plain(chipText, MeterixFont::rounded(9, QFont::DemiBold),
                                                  LabelColor::tertiary(), Surface::hoverWash(), 6, 2.5);
            l.rim = Surface::plateRim();
            return l;
        });
    const QList<AccountRowModel> rows = m.accountRows();
    for (qsizetype i = 0; i < accountRows_.size() && i < rows.size(); ++i)
        accountRows_[i]->setModel(rows[i]);
    if (failure_) failure_->setText(m.failureNotice().value_or(QString()));
    hero_->setInputs(QuotaHeroView::Inputs{.percentage = s.headlineRemainingPercentage,
                                           .caption = m.heroCaption(),
                                           .resetCountdown = secondsUntil(context_.clock->now(), s.headlineResetAt),
                                           .isInUse = m.isInUse(),
                                           .ringSize = 74,
                                           .isSimulated = m.isSimulated(),
                                           .windowEndedAt = m.windowEndedAt(),
                                           .missingReason = missingFigureReason(s)});
    const QList<ModelQuotaItem> items = m.quotas();
    for (qsizetype i = 0; i < quotaRows_.size() && i < items.size(); ++i)
        quotaRows_[i]->setItem(items[i]);
    applyRefreshRow(m.isRefreshing());
}

void MenuBarProviderDetailScreen::applyRefreshRow(bool managerRefreshing) {
    if (actions_.isEmpty()) return;
    actions_.first()->setTitle(refreshFeedback_->caption().value_or(L10n::refreshThisProvider().text()));
    actions_.first()->setBusy(managerRefreshing || refreshFeedback_->isReading());
}

QWidget* MenuBarProviderDetailScreen::identityHeader() {
    auto* line = new QHBoxLayout();
    line->setSpacing(9);
    tile_ = new IconTile(sfSymbol(provider_), {}, 27, content_);
    line->addWidget(tile_, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout();
    texts->setSpacing(1); // 1.5 in whole pixels
    title_ = new TextView(
        QString(), MeterixFont::rounded(12.5, QFont::Bold), [] { return LabelColor::primary(); }, false,
        content_);
    texts->addWidget(title_);
    subtitle_ = new TextView(
        QString(), MeterixFont::rounded(10, QFont::Medium),
        [this] { return stale_ ? kStaleOrange : LabelColor::secondary(); }, false, content_);
    subtitle_->setObjectName(QStringLiteral("headerSubtitle"));
    subtitle_->setElideMode(Qt::ElideMiddle);
    texts->addWidget(subtitle_);
    line->addLayout(texts, 1);
    line->addSpacing(6);
    chip_ = new TextCapsuleBadge(*context_.localization, [] { return BadgeLook{}; }, content_);
    chip_->setToolTip(L10n::howThisWasRead().text());
    line->addWidget(chip_, 0, Qt::AlignVCenter);
    return boxed(line, content_);
}

QWidget* MenuBarProviderDetailScreen::accountSection(const ProviderDetailModel& m) {
    QList<QWidget*> rows;
    for (const AccountRowModel& row : m.accountRows()) {
        if (!rows.isEmpty()) rows.append(new RowSeparator(30));
        accountRows_.append(new AccountRow(row, *context_.clock));
        accountRows_.last()->setObjectName(QStringLiteral("accountRow"));
        rows.append(accountRows_.last());
    }
    accounts_ = new InsetSection(
        L10n::accounts().text(),
        m.accountsFootnote(),
        false, rows, content_);
    accounts_->setObjectName(QStringLiteral("accountsSection"));
    return accounts_;
}

QWidget* MenuBarProviderDetailScreen::noDataSection(const ProviderDetailModel& m) {
    // The card's notice for the reading's own reason: a tool that publishes no
    // figure or a failed network read is no missing sign-in.
    noData_ = unavailableNoticeSection(m.missingFigureNotice(), content_);
    noData_->setObjectName(QStringLiteral("noDataNotice"));
    return noData_;
}

QWidget* MenuBarProviderDetailScreen::quotaDetail(const ProviderDetailModel& m) {
    QList<QWidget*> rows;
    for (const ModelQuotaItem& item : m.quotas()) {
        if (!rows.isEmpty()) {
            auto* sep = new QWidget();
            auto* l = new QVBoxLayout(sep);
            l->setContentsMargins(0, 2, 0, 2);
            l->addWidget(new RowSeparator(0, sep));
            rows.append(sep);
        }
        quotaRows_.append(new QuotaMeterRow(*context_.appearance, item, *context_.clock));
        quotaRows_.last()->setObjectName(QStringLiteral("quotaRow"));
        rows.append(quotaRows_.last());
    }
    quotas_ = new InsetSection(L10n::quotaDetail().text(), m.quotaFootnote(), false, rows, content_);
    quotas_->setObjectName(QStringLiteral("quotaSection"));
    return quotas_;
}

QWidget* MenuBarProviderDetailScreen::actionSection(const ProviderDetailModel& m) {
    auto* column = new QVBoxLayout();
    column->setSpacing(1);
    for (const ProviderDetailModel::ActionRow& row : m.actions()) {
        const bool busy = row.action == ProviderDetailModel::Action::refresh && m.isRefreshing();
        auto* command = new MenuCommandRow(
            *context_.appearance, row.title, row.symbol, std::nullopt, std::nullopt, row.showsChevron,
            MenuRowRole::standard, busy, [this, row] { run(row); }, content_);
        command->setObjectName(QStringLiteral("actionRow"));
        actions_.append(command);
        column->addWidget(command);
    }
    linkFailure_ = new TextView(
        L10n::linkNotOpened().text(), MeterixFont::caption(), [] { return LabelColor::secondary(); }, true,
        content_);
    linkFailure_->setObjectName(QStringLiteral("linkFailure"));
    linkFailure_->setContentsMargins(9, 2, 9, 0);
    linkFailure_->setVisible(false);
    column->addWidget(linkFailure_);
    return boxed(column, content_);
}

void MenuBarProviderDetailScreen::run(const ProviderDetailModel::ActionRow& row) {
    switch (row.action) {
    case ProviderDetailModel::Action::refresh:
        refreshFeedback_->press(context_.manager, provider_);
        break;
    case ProviderDetailModel::Action::dashboard:
    case ProviderDetailModel::Action::statusPage:
        if (row.url) openLink(*row.url);
        break;
    case ProviderDetailModel::Action::settings:
        if (context_.navigator) context_.navigator->push(MenuBarScreen::settings());
        break;
    }
}

void MenuBarProviderDetailScreen::openLink(const QUrl& url) {
    const bool opened = context_.openLink && context_.openLink(url);
    if (!linkFailure_) return;
    linkFailure_->setVisible(!opened);
    if (!opened) linkFailureShown_->start();
    updateGeometry();
}

} // namespace meterix
