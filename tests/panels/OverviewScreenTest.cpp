#include "core/L10n.h"
#include "design/AppOpenBadge.h"
#include "design/CapsuleBadge.h"
#include "design/InsetSection.h"
#include "design/LiveStreamBadge.h"
#include "design/RowSeparator.h"
#include "panels/MenuBarNavigator.h"
#include "panels/MenuBarOverviewScreen.h"
#include "panels/MenuCommandRow.h"
#include "panels/MenuPlateRow.h"

#include "PanelFixtures.h"
#include "support/gui/BadgeSupport.h"
#include "support/gui/ScreenContextOfTests.h"
#include "ScreenFixture.h"
#include "support/gui/GrabSupport.h"
#include "support/gui/ScreenParts.h"
#include "support/Speaking.h"
#include "support/gui/Looks.h"

#include <QPointer>
#include <QTest>

#include <cmath>

namespace meterix {
namespace {

using P = AIProviderType;
using R = UsageUnavailableReason;
using Badge = MenuBarOverviewScreen::RowModel::Badge;
using Lang = ResolvedLanguage;

class OverviewScreenTest : public test::PanelTest {};

TEST_F(OverviewScreenTest, RowsSayWhatIsKnownOfEachProvider) {
    struct Row {
        const char* name;
        Lang lang;
        std::optional<UsageSnapshot> reading;
        bool working, appOpen;
        bool unavailable;
        QString subtitle;
        double ring;
        std::optional<int64_t> figure;
        Badge badge;
        QString label;
        bool maskEmails = true;
    };
    const QList<Row> rows = {
        {"no snapshot", Lang::english, std::nullopt, false, false, true, "Not connected", 0, std::nullopt,
         Badge::none, "Claude Code, no data (Not connected)"},
        {"no snapshot, Korean", Lang::korean, std::nullopt, false, false, true, "미연결", 0,
         std::nullopt, Badge::none, "Claude Code, 데이터 없음 (미연결)"},
        {"simulated without a plan", Lang::english, simulated(P::claudeCode, R::authenticationFailed), false,
         false, true, "Authentication failed", 0, std::nullopt, Badge::none,
         "Claude Code, no data (Authentication failed)"},
        {"simulated without a reason reads as not connected", Lang::english,
         simulated(P::claudeCode, std::nullopt), false, false, true, "Not connected", 0, std::nullopt,
         Badge::none, "Claude Code, no data (Not connected)"},
        {"simulated with a plan", Lang::english,
         simulated(P::claudeCode, R::rateLimited, QStringLiteral("Max")), false, false, true, "Max · Rate limited", 0,
         std::nullopt, Badge::none, "Claude Code, no data (Rate limited)"},
        {"measured without a plan", Lang::english, measured(P::claudeCode, 70), false, false, false,
         "Standard Plan", 70, 70, Badge::none, "Claude Code, 70 percent left, Steady"},
        {"measured without a plan, Korean", Lang::korean, measured(P::claudeCode, 70), false, false, false,
         "Standard Plan", 70, 70, Badge::none, "Claude Code, 잔여 70 퍼센트, 안정"},
        {"working together with app open", Lang::english, measured(P::claudeCode, 80, QStringLiteral("Max")),
         true, true, false, "Max", 80, 80, Badge::working, "Claude Code, 80 percent left, Abundant, working"},
        {"app open, Korean", Lang::korean, measured(P::claudeCode, 12.5), false, true, false, "Standard Plan",
         12.5, 13, Badge::appOpen, "Claude Code, 잔여 13 퍼센트, 임박, 앱 실행 중"},
        {"150", Lang::english, measured(P::claudeCode, 150), false, false, false, "Standard Plan", 100, 150,
         Badge::none, "Claude Code, 150 percent left, Abundant"},
        {"-5", Lang::english, measured(P::claudeCode, -5), false, false, false, "Standard Plan", 0, -5,
         Badge::none, "Claude Code, -5 percent left, Critical"},
        {"halves round away from zero", Lang::english, measured(P::claudeCode, -0.5), false, false, false,
         "Standard Plan", 0, -1, Badge::none, "Claude Code, -1 percent left, Critical"},
        {"NaN", Lang::english, measured(P::claudeCode, std::nan("")), false, false, true, "Unreadable response", 0,
         std::nullopt, Badge::none, "Claude Code, no data (Unreadable response)"},
        {"infinity", Lang::english, measured(P::claudeCode, INFINITY), false, false, true, "Unreadable response", 0,
         std::nullopt, Badge::none, "Claude Code, no data (Unreadable response)"},
        {"beyond the integer range", Lang::english, measured(P::claudeCode, 1e300), false, false, false,
         "Standard Plan", 100, 999, Badge::none, "Claude Code, 999 percent left, Abundant"},
        {"a plan naming its owner, masked", Lang::english,
         measured(P::claudeCode, 70, QStringLiteral("Team of mina.kim@example.com")), false, false, false,
         "Team of m***@example.com", 70, 70, Badge::none, "Claude Code, 70 percent left, Steady"},
        {"a plan naming its owner, unmasked", Lang::english,
         measured(P::claudeCode, 70, QStringLiteral("Team of mina.kim@example.com")), false, false, false,
         "Team of mina.kim@example.com", 70, 70, Badge::none, "Claude Code, 70 percent left, Steady", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        test::speak(r.lang);
        PresentedState s = stateOf({P::claudeCode}, {});
        if (r.reading) s.snapshots.insert(P::claudeCode, PresentedState::presented(*r.reading, r.maskEmails));
        if (r.working) s.activeInUseProviders.insert(P::claudeCode);
        if (r.appOpen) s.appRunningProviders.insert(P::claudeCode);
        const auto m = MenuBarOverviewScreen::rowModel(P::claudeCode, s);
        EXPECT_EQ(m.title, QStringLiteral("Claude Code"));
        EXPECT_EQ(m.unavailable, r.unavailable);
        EXPECT_EQ(m.subtitle, r.subtitle);
        EXPECT_DOUBLE_EQ(m.ringPercentage, r.ring);
        EXPECT_EQ(m.figure, r.figure);
        EXPECT_EQ(m.badge, r.badge);
        EXPECT_EQ(m.accessibilityLabel, r.label);
        EXPECT_EQ(m.accessibilityHint, L10n::openQuotaDetail().text());
    }
}

TEST_F(OverviewScreenTest, ListsActiveProvidersWithRulesBetweenRows) {
    MenuBarNavigator nav;
    MenuBarOverviewScreen screen(test::withLook(MenuScreenContext{nullptr, nullptr, nullptr, &nav, &clock_, {}}));
    screen.setState(fixtureState());
    EXPECT_EQ(test::shownProviders(screen), (QList<P>{P::claudeCode, P::openAICodex, P::cursor}));
    EXPECT_FALSE((test::part(screen, QStringLiteral("emptyState")) != nullptr));
    // The plate holds row, rule, row, rule, row: none before the first.
    QWidget* plate = screen.findChild<InsetSection*>()->plate();
    QList<QWidget*> order;
    for (QObject* o : plate->children())
        if (auto* w = qobject_cast<QWidget*>(o)) order << w;
    ASSERT_EQ(order.size(), 5);
    EXPECT_TRUE(qobject_cast<MenuPlateRow*>(order[0]));
    for (int i : {1, 3}) {
        auto* rule = qobject_cast<RowSeparator*>(order[i]);
        ASSERT_TRUE(rule);
        // Drawn from 47 pt in, under the rows' texts.
        const QImage drawn = test::renderWidget(*rule);
        int from = 0;
        while (from < drawn.width() && qAlpha(drawn.pixel(from, 0)) == 0) ++from;
        EXPECT_EQ(from, 47);
    }
    EXPECT_EQ(test::providerRow<MenuPlateRow>(screen, P::openAICodex)->subtitle(), QStringLiteral("Plus"));

    // A row leads to its provider's detail.
    QTest::mouseClick(test::providerRow<MenuPlateRow>(screen, P::openAICodex), Qt::LeftButton);
    EXPECT_EQ(nav.screen(), MenuBarScreen::providerDetail(P::openAICodex));

    // The same providers with new figures keep their rows.
    MenuPlateRow* claude = test::providerRow<MenuPlateRow>(screen, P::claudeCode);
    PresentedState next = fixtureState();
    next.snapshots.insert(P::claudeCode, measured(P::claudeCode, 40));
    screen.setState(next);
    EXPECT_EQ(test::providerRow<MenuPlateRow>(screen, P::claudeCode), claude);
    EXPECT_EQ(claude->subtitle(), QStringLiteral("Standard Plan"));
}

TEST_F(OverviewScreenTest, EmptyStateLeadsToSettingsAndCommandsDoTheirWork) {
    MenuBarNavigator nav;
    int quits = 0;
    MenuBarOverviewScreen screen(
        test::withLook(MenuScreenContext{nullptr, nullptr, nullptr, &nav, &clock_, [&quits] { ++quits; }}));
    screen.setState(stateOf({}, {}));
    ASSERT_TRUE((test::part(screen, QStringLiteral("emptyState")) != nullptr));
    auto* open = test::part(screen, QStringLiteral("emptyState"))->findChild<QAbstractButton*>(QStringLiteral("openSettings"));
    ASSERT_TRUE(open);
    QTest::mouseClick(open, Qt::LeftButton);
    EXPECT_EQ(nav.screen(), MenuBarScreen::settings());

    nav.reset();
    QTest::mouseClick(test::part<MenuCommandRow>(screen, QStringLiteral("aboutRow")), Qt::LeftButton);
    EXPECT_EQ(nav.screen(), MenuBarScreen::about());
    EXPECT_EQ(test::part<MenuCommandRow>(screen, QStringLiteral("aboutRow"))->accessory().text, QStringLiteral("v1.0.0"));
    nav.reset();
    QTest::mouseClick(test::part<MenuCommandRow>(screen, QStringLiteral("settingsRow")), Qt::LeftButton);
    EXPECT_EQ(nav.screen(), MenuBarScreen::settings());
    QTest::mouseClick(test::part<MenuCommandRow>(screen, QStringLiteral("quitRow")), Qt::LeftButton);
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(test::part<MenuCommandRow>(screen, QStringLiteral("quitRow"))->role(), MenuRowRole::destructive);

    // A refresh under way: the row says so and turns.
    PresentedState busy = stateOf({}, {});
    busy.isRefreshing = true;
    screen.setState(busy);
    EXPECT_EQ(test::part<MenuCommandRow>(screen, QStringLiteral("refreshRow"))->title(), QStringLiteral("Refreshing…"));
    EXPECT_TRUE(test::part<MenuCommandRow>(screen, QStringLiteral("refreshRow"))->isSpinning());
    screen.setState(stateOf({}, {}));
    EXPECT_EQ(test::part<MenuCommandRow>(screen, QStringLiteral("refreshRow"))->title(), QStringLiteral("Refresh All"));
    EXPECT_FALSE(test::part<MenuCommandRow>(screen, QStringLiteral("refreshRow"))->isSpinning());

    // Providers turning on replace the empty state.
    screen.setState(stateOf({P::zed}, {}));
    EXPECT_FALSE((test::part(screen, QStringLiteral("emptyState")) != nullptr));
    EXPECT_EQ(test::shownProviders(screen), QList<P>{P::zed});
}

TEST_F(OverviewScreenTest, ARowsBadgeGrowsInAndTheOldOneShrinksAway) {
    for (const bool reduced : {false, true}) {
        SCOPED_TRACE(reduced ? "reduced motion" : "with motion");
        test::reduceMotion(reduced);
        MenuBarNavigator nav;
        MenuBarOverviewScreen screen(test::withLook(MenuScreenContext{nullptr, nullptr, nullptr, &nav, &clock_, {}}));
        screen.setState(fixtureState());
        screen.show();
        QCoreApplication::sendPostedEvents(); // the rows' deferred show
        // Badges there when the rows are built are simply there.
        ASSERT_TRUE(qobject_cast<LiveStreamBadge*>(test::rowBadge(screen, P::claudeCode)));
        EXPECT_TRUE(test::drawnWhole(*test::rowBadge(screen, P::claudeCode)));
        const QPointer<CapsuleBadge> appOpen = test::rowBadge(screen, P::openAICodex);
        ASSERT_TRUE(qobject_cast<AppOpenBadge*>(appOpen.data()));

        // Codex starts working: its app-open badge gives way to the working one.
        PresentedState next = fixtureState();
        next.activeInUseProviders.insert(P::openAICodex);
        screen.setState(next);
        CapsuleBadge* working = test::rowBadge(screen, P::openAICodex);
        ASSERT_TRUE(qobject_cast<LiveStreamBadge*>(working));
        EXPECT_TRUE(working->isVisible());
        if (reduced) {
            EXPECT_TRUE(test::drawnWhole(*working));
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            EXPECT_TRUE(appOpen.isNull());
        } else {
            EXPECT_TRUE(test::drawnGone(*working));
            ASSERT_FALSE(appOpen.isNull());
            EXPECT_TRUE(appOpen->isLeaving());
            EXPECT_TRUE(test::waitUntil(
                [&] {
                    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                    return appOpen.isNull() && test::drawnWhole(*working);
                }));
        }
        // Claude stops: no badge, the old one on its way out.
        next.activeInUseProviders.remove(P::claudeCode);
        const QPointer<CapsuleBadge> claude = test::rowBadge(screen, P::claudeCode);
        screen.setState(next);
        EXPECT_EQ(test::rowBadge(screen, P::claudeCode), nullptr);
        EXPECT_TRUE(test::waitUntil(
            [&] {
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                return claude.isNull();
            }));
    }
    test::reduceMotion(std::nullopt);
}

TEST_F(OverviewScreenTest, AnOverviewBuiltDuringARefreshShowsItBusyButUpright) {
    test::ScreenFixture f;
    f.manager->refreshAll(true);
    ASSERT_TRUE(f.manager->isRefreshing());
    MenuBarOverviewScreen screen(f.context());
    screen.show();
    MenuCommandRow* refresh = test::part<MenuCommandRow>(screen, QStringLiteral("refreshRow"));
    EXPECT_EQ(refresh->title(), QStringLiteral("Refreshing…"));
    EXPECT_TRUE(refresh->isBusy());
    EXPECT_FALSE(refresh->isSpinning());
    EXPECT_EQ(refresh->spinAngle(), 0);

    // The same refresh handed on again changes nothing.
    screen.setState(PresentedState::of(*f.manager, true));
    EXPECT_FALSE(refresh->isSpinning());

    // It turns from the next refresh that starts while it is shown.
    ASSERT_TRUE(test::waitUntil([&] { return !f.manager->isRefreshing(); }));
    screen.setState(PresentedState::of(*f.manager, true));
    EXPECT_FALSE(refresh->isBusy());
    EXPECT_EQ(refresh->title(), QStringLiteral("Refresh All"));
    f.manager->refreshAll(true);
    screen.setState(PresentedState::of(*f.manager, true));
    EXPECT_TRUE(refresh->isBusy());
    EXPECT_TRUE(refresh->isSpinning());
    ASSERT_TRUE(test::waitUntil([&] { return !f.manager->isRefreshing(); }));
}

} // namespace
} // namespace meterix
