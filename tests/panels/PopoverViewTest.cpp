#include "design/MissingFigure.h"
#include "design/TierBadge.h"
#include "panels/DetailGlassCardView.h"
#include "panels/MenuActivitySpinner.h"
#include "panels/MenuBarNavigator.h"
#include "panels/MenuBarOverviewScreen.h"
#include "panels/MenuBarPopoverView.h"
#include "panels/MenuCommandRow.h"
#include "panels/MenuScreenHeader.h"
#include "panels/MenuScreenStack.h"
#include "panels/MenuSubScreen.h"
#include "panels/QuotaHeroView.h"
#include "panels/StackHeightTracker.h"

#include "PanelFixtures.h"
#include "support/gui/ScreenContextOfTests.h"
#include "support/WaitUntil.h"
#include "support/gui/GrabSupport.h"
#include "support/gui/ScreenParts.h"
#include "support/Speaking.h"
#include "support/gui/Looks.h"

#include <QScopeGuard>
#include <QScrollArea>
#include <QScrollBar>

namespace meterix {
namespace {

using P = AIProviderType;
using Lang = ResolvedLanguage;

class PopoverViewTest : public test::PanelTest {};

// The header counts only what was read (a figure, or an account signed in
// without one) and has a tier only from figures, on the homes a new user meets.
TEST_F(PopoverViewTest, SummaryAndAmbientTier) {
    using R = UsageUnavailableReason;
    struct Row {
        const char* name;
        PresentedState state;
        const char *ko, *en;
        std::optional<UsageTier> tier;
    };
    PresentedState refreshing = fixtureState();
    refreshing.isRefreshing = true;
    PresentedState aged = stateOf({P::claudeCode, P::cursor}, {measured(P::claudeCode, 50)});
    aged.snapshots[P::claudeCode].lastUpdated = clock_.now().addSecs(-5 * 60);
    const QList<Row> rows = {
        {"no providers", stateOf({}, {}), "연결된 프로바이더 없음", "No providers connected", std::nullopt},
        {"refreshing", refreshing, "업데이트 중", "Updating", UsageTier::caution}, // Codex at 32.4 %
        {"an empty home: tools installed, nothing signed in",
         stateOf({P::claudeCode, P::openAICodex, P::antigravity},
                 {simulated(P::claudeCode, R::notConfigured), simulated(P::openAICodex, std::nullopt),
                  simulated(P::antigravity, R::notConfigured)}),
         "읽은 사용량 없음", "No usage read yet", std::nullopt},
        {"keys only, without network",
         stateOf({P::deepseek, P::groq, P::openrouter},
                 {simulated(P::deepseek, R::networkFailure), simulated(P::groq, R::networkFailure),
                  simulated(P::openrouter, R::networkFailure)}),
         "읽은 사용량 없음", "No usage read yet", std::nullopt},
        {"Codex signed in with an API key",
         stateOf({P::claudeCode, P::openAICodex},
                 {simulated(P::claudeCode, R::notConfigured), simulated(P::openAICodex, R::signedInWithAPIKey)}),
         "1개 연결 · 방금 업데이트", "1 connected · Updated just now", std::nullopt},
        {"Codex held back after a switch", stateOf({P::openAICodex}, {simulated(P::openAICodex, R::heldBackAfterSwitch)}),
         "1개 연결 · 방금 업데이트", "1 connected · Updated just now", std::nullopt},
        {"a home with figures: the lowest decides",
         stateOf({P::claudeCode, P::openAICodex, P::cursor},
                 {measured(P::claudeCode, 90), measured(P::openAICodex, 5), simulated(P::cursor, R::notMeasured)}),
         "2개 연결 · 방금 업데이트", "2 connected · Updated just now", UsageTier::critical},
        {"the newest of the connected readings", aged, "1개 연결 · 5분 전 업데이트", "1 connected · Updated 5m ago",
         UsageTier::steady},
    };
    for (const Row& r : rows) {
        for (Lang lang : {Lang::korean, Lang::english}) {
            SCOPED_TRACE(std::string(r.name) + (lang == Lang::korean ? ", Korean" : ""));
            test::speak(lang);
            EXPECT_EQ(MenuBarPopoverView::statusSummary(
                          r.state, ConnectedProviders::of(r.state.activeProviders, r.state.snapshots, {}), clock_),
                      QString::fromUtf8(lang == Lang::korean ? r.ko : r.en));
            EXPECT_EQ(ambientTier(r.state.activeProviders, r.state.snapshots, clock_.now()), r.tier);
        }
    }
}

TEST_F(PopoverViewTest, ScrollHeightFollowsTheScreenWithinBounds) {
    struct Row {
        double measured;
        std::optional<double> accepted;
        double scroll; // the scrolling area after it
    };
    // One tracker through all rows, in order.
    const QList<Row> rows = {
        {0, std::nullopt, 1},                              // the first frame: a 1-pt area, nothing taken
        {-3, std::nullopt, 1},                             // never a negative height
        {300, 300, 300},       {300.5, std::nullopt, 300}, // half a point is noise
        {300.6, 300.6, 300.6}, {0, std::nullopt, 300.6},   // 0 leaves the last height
        {720, 720, 560},       {560.4, 560.4, 560},        {40, 40, 40},
    };
    StackHeightTracker t;
    double taken = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.measured);
        const std::optional<double> accepted = t.accept(r.measured);
        EXPECT_EQ(accepted, r.accepted);
        taken = accepted.value_or(taken);
        EXPECT_DOUBLE_EQ(StackHeightTracker::scrollHeight(taken), r.scroll);
    }
}

// Given the height the panel may take, the content shortens its scrolling
// area to keep within it, and grows back when the limit goes.
TEST_F(PopoverViewTest, AHeightLimitShortensTheScrollingArea) {
    MenuBarNavigator nav;
    MenuBarPopoverView view(test::withLook(MenuScreenContext{nullptr, nullptr, nullptr, &nav, &clock_, {}}));
    view.setState(stateOf(allProviderTypes(), {}));
    view.show();
    ASSERT_TRUE(test::waitUntil([&] { return view.scrollHeight() == 560; }));
    view.setHeightLimit(562);
    EXPECT_EQ(view.contentSize().height(), 562);
    view.setHeightLimit(std::numeric_limits<double>::infinity());
    EXPECT_EQ(view.scrollHeight(), 560);
}

TEST_F(PopoverViewTest, ReportsItsCardWithMarginAndSpringsToTheScreen) {
    MenuBarNavigator nav;
    MenuBarPopoverView view(test::withLook(MenuScreenContext{nullptr, nullptr, nullptr, &nav, &clock_, {}}));
    view.setState(fixtureState());
    QList<QSizeF> reports;
    QObject::connect(&view, &MenuBarPopoverView::contentSizeChanged,
                     [&reports](const QSizeF& s) { reports << s; });
    view.show();
    ASSERT_TRUE(test::waitUntil(
        [&] {
            return test::settled(view);
        }));
    ASSERT_FALSE(reports.isEmpty());
    EXPECT_EQ(reports.last().width(), 372);
    // The screen's height with its insets, inside the card with its margins.
    const double stack = test::stackOf(view)->measuredHeight();
    EXPECT_EQ(reports.last().height(), view.height());
    EXPECT_GT(view.height(), 36 + stack);
    EXPECT_FALSE(view.findChild<MenuActivitySpinner*>(QStringLiteral("spinner"))->isVisible());
    EXPECT_EQ(view.findChild<TierBadge*>(QStringLiteral("tierBadge"))->tier(), UsageTier::caution) << "Codex at 32.4 %; Cursor's placeholder at 0 % is left out";
    EXPECT_EQ(test::summaryOf(view), QStringLiteral("2 connected · Updated just now"));

    PresentedState busy = fixtureState();
    busy.isRefreshing = true;
    view.setState(busy);
    EXPECT_TRUE(view.findChild<MenuActivitySpinner*>(QStringLiteral("spinner"))->isVisible());
    EXPECT_EQ(test::summaryOf(view), QStringLiteral("Updating"));

    // A new language: the texts and the shown screen are built again in it.
    test::speak(Lang::korean);
    view.rebuildTexts();
    auto* overview = qobject_cast<MenuBarOverviewScreen*>(test::stackOf(view)->currentView());
    ASSERT_TRUE(overview);
    EXPECT_EQ(test::part<MenuCommandRow>(*overview, QStringLiteral("refreshRow"))->title(), QStringLiteral("새로 고침 중..."));
    EXPECT_EQ(test::summaryOf(view), QStringLiteral("업데이트 중"));
}

// A user with every provider on the bar scrolls the overview down to its
// commands and opens another screen: it shows from its top, its header and
// back button in sight, while the overview slides away from where it was seen.
// Back on the overview, it is where it was left; the panel opening anew shows
// it from the top.
TEST_F(PopoverViewTest, APushedScreenOpensAtItsTopAndTheOverviewKeepsItsPlace) {
    for (const MenuBarScreen& pushed :
         {MenuBarScreen::settings(), MenuBarScreen::about(), MenuBarScreen::providerDetail(P::claudeCode)}) {
        SCOPED_TRACE(test::screenName(pushed).toStdString());
        MenuBarNavigator nav;
        MenuBarPopoverView view(test::withLook(MenuScreenContext{nullptr, nullptr, nullptr, &nav, &clock_, {}}));
        view.setState(stateOf(allProviderTypes(), {}));
        view.show();
        ASSERT_TRUE(test::waitUntil([&] { return view.scrollHeight() == 560; }));
        QScrollBar* bar = view.findChild<QScrollArea*>(QStringLiteral("scroll"))->verticalScrollBar();
        ASSERT_GT(bar->maximum(), 100);
        bar->setValue(bar->maximum());
        const int scrolled = bar->value();
        QWidget* overview = test::stackOf(view)->currentView();

        nav.push(pushed);
        EXPECT_EQ(bar->value(), 0);
        ASSERT_TRUE(overview->parentWidget() == test::stackOf(view) && overview->isVisible()); // sliding out
        EXPECT_EQ(overview->y(), -scrolled);
        ASSERT_TRUE(test::waitUntil([&] { return !test::stackOf(view)->isSliding(); }));
        auto* screen = qobject_cast<MenuSubScreen*>(test::stackOf(view)->currentView());
        ASSERT_TRUE(screen && screen->header());
        QWidget* viewport = view.findChild<QScrollArea*>(QStringLiteral("scroll"))->viewport();
        const QRect header(screen->header()->mapTo(viewport, QPoint(0, 0)), screen->header()->size());
        EXPECT_TRUE(viewport->rect().contains(header)) << header.y() << " in " << viewport->height();
        EXPECT_EQ(bar->value(), 0);

        nav.popToRoot();
        EXPECT_EQ(bar->value(), scrolled);
        ASSERT_TRUE(test::waitUntil([&] { return !test::stackOf(view)->isSliding(); }));
        ASSERT_TRUE(test::waitUntil([&] { return view.scrollHeight() == 560; }));
        EXPECT_EQ(bar->value(), scrolled);

        nav.reset();
        EXPECT_EQ(bar->value(), 0);
    }
}

// The title bar's badge and the card's, shown in Korean, follow a switch to
// English: each is as wide as its new text asks and is read in English.
TEST_F(PopoverViewTest, TierBadgesFollowALanguageChange) {
    Localization& localization = Localization::shared();
    const auto restore = qScopeGuard([&localization, before = localization.preference()] {
        localization.assignPreference(before);
        test::speak(Lang::english);
    });
    localization.assignPreference(AppLanguage::korean);
    MenuBarNavigator nav;
    MenuBarPopoverView view(test::withLook(MenuScreenContext{nullptr, nullptr, nullptr, &nav, &clock_, {}}));
    view.setState(stateOf({P::claudeCode}, {measured(P::claudeCode, 90)}));
    view.show();
    DetailGlassCardView card(
        Appearance::shared(), Localization::shared(), measured(P::claudeCode, 90), [] {}, clock_);
    card.show();
    TierBadge* cardBadge = card.findChild<QuotaHeroView*>()->findChild<TierBadge*>();
    ASSERT_TRUE(cardBadge);
    for (TierBadge* badge : {view.findChild<TierBadge*>(QStringLiteral("tierBadge")), cardBadge}) {
        ASSERT_TRUE(badge->isVisible());
        EXPECT_EQ(badge->accessibleName(), QStringLiteral("여유"));
    }

    localization.assignPreference(AppLanguage::english);
    // The panel's badge is the compact one, the card's the full one.
    for (const auto& [badge, compact] :
         {std::pair{view.findChild<TierBadge*>(QStringLiteral("tierBadge")), true}, std::pair{cardBadge, false}}) {
        const double wanted = CapsuleBadge::measure(TierBadge::lookFor(UsageTier::abundant, compact)).width();
        EXPECT_TRUE(test::waitUntil([&] { return badge->width() >= std::floor(wanted); }))
            << badge->width() << " for " << wanted;
        EXPECT_EQ(badge->accessibleName(), QStringLiteral("Abundant"));
    }
}

// The panel on its overview, as a user with three tools sees it, in both looks
// and both languages.
TEST_F(PopoverViewTest, GrabsOfTheOverview) {
    QList<QImage> shots;
    for (Lang lang : {Lang::english, Lang::korean}) {
        for (Appearance::Scheme scheme : {Appearance::Scheme::light, Appearance::Scheme::dark}) {
            test::speak(lang);
            test::showLook(scheme);
            MenuBarNavigator nav;
            MenuBarPopoverView view(test::withLook(MenuScreenContext{nullptr, nullptr, nullptr, &nav, &clock_, {}}));
            view.setState(fixtureState());
            view.show();
            ASSERT_TRUE(test::waitUntil(
                [&] {
                    return test::settled(view);
                }));
            const QImage image = test::renderWidget(view);
            EXPECT_EQ(image.width(), 372);
            // The card is drawn inside the margin; the margin's corners stay clear.
            EXPECT_EQ(test::pixelAt(image, 2, 2).alpha(), 0);
            EXPECT_GT(test::pixelAt(image, 186, 40).alpha(), 200);
            const QColor backdrop =
                scheme == Appearance::Scheme::dark ? QColor(40, 44, 52) : QColor(214, 220, 228);
            shots << test::onBackdrop(image, backdrop);
            view.hide();
        }
    }
    // And a user who tracks nothing yet.
    test::speak(Lang::english);
    test::showLook(Appearance::Scheme::light);
    MenuBarNavigator nav;
    MenuBarPopoverView empty(test::withLook(MenuScreenContext{nullptr, nullptr, nullptr, &nav, &clock_, {}}));
    empty.setState(stateOf({}, {}));
    empty.show();
    ASSERT_TRUE(test::waitUntil(
        [&] { return test::settled(empty); }));
    EXPECT_EQ(test::summaryOf(empty), QStringLiteral("No providers connected"));
    EXPECT_FALSE(empty.findChild<TierBadge*>(QStringLiteral("tierBadge"))->isVisible()) << "nothing measured, no tier";
    const QColor tint = empty.glassTint(); // neutral: a grey, no tier's colour
    EXPECT_LE(std::abs(tint.red() - tint.blue()) + std::abs(tint.green() - tint.blue()), 12);
    shots << test::onBackdrop(test::renderWidget(empty), QColor(214, 220, 228));
    EXPECT_FALSE(test::saveGrab(test::sheet(shots, QColor(128, 128, 128)), QStringLiteral("panel-overview"))
                     .isEmpty());
}

} // namespace
} // namespace meterix
