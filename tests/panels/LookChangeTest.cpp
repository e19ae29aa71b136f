// A change between the light and the dark look while a view is open: the view
// must end up drawn exactly as one built in the new look, and its greys and
// texts must actually change.
#include "design/RingGauge.h"
#include "design/Surface.h"
#include "design/TextView.h"
#include "panels/DetailGlassCardView.h"
#include "panels/MenuBarAboutScreen.h"
#include "panels/MenuBarOverviewScreen.h"
#include "panels/MenuBarProviderDetailScreen.h"
#include "panels/MenuBarSettingsScreen.h"
#include "panels/MenuCommandRow.h"
#include "panels/MenuPlateRow.h"
#include "platform/ui/Appearance.h"

#include "PanelFixtures.h"
#include "support/gui/ScreenContextOfTests.h"
#include "ScreenFixture.h"
#include "support/WaitUntil.h"
#include "support/gui/GrabSupport.h"
#include "support/gui/ScreenParts.h"
#include "support/gui/Looks.h"

#include <QApplication>
#include <QIcon>

#include <functional>
#include <memory>

namespace meterix {
namespace {

using P = AIProviderType;
using Scheme = Appearance::Scheme;

class LookChange : public test::PanelTest {
  protected:
    void SetUp() override {
        PanelTest::SetUp();
        // Painted, not an image: the same in every build of the screen.
        QApplication::setWindowIcon(QIcon());
    }

    // At its own width when none is given.
    static QImage render(QWidget& w, int width) {
        if (width <= 0) width = w.sizeHint().width();
        w.resize(width, w.hasHeightForWidth() ? w.heightForWidth(width) : w.sizeHint().height());
        return test::renderWidget(w);
    }

    // Pixels that differ between two images of one size; -1 when the sizes differ.
    static qint64 differingPixels(const QImage& a, const QImage& b) {
        if (a.size() != b.size()) return -1;
        qint64 n = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                if (a.pixel(x, y) != b.pixel(x, y)) ++n;
        return n;
    }

    // Builds a view in the light look, switches to dark and back: after each
    // switch the open view is drawn exactly as one built in that look.
    void expectFollowsTheLook(const char* name, const std::function<std::unique_ptr<QWidget>()>& build,
                              int width = 312) {
        test::showLook(Scheme::light);
        const std::unique_ptr<QWidget> open = build();
        const QImage lightBefore = render(*open, width);
        for (Scheme scheme : {Scheme::dark, Scheme::light}) {
            test::showLook(scheme);
            QCoreApplication::sendPostedEvents();
            const QImage switched = render(*open, width);
            const std::unique_ptr<QWidget> fresh = build();
            const QImage built = render(*fresh, width);
            const qint64 differing = differingPixels(switched, built);
            const bool dark = scheme == Scheme::dark;
            EXPECT_EQ(differing, 0) << name << (dark ? " in dark" : " back in light");
            if (differing != 0) {
                const QString stem = QStringLiteral("look-change-") + QLatin1String(name) +
                                     (dark ? QStringLiteral("-dark") : QStringLiteral("-light"));
                test::saveGrab(switched, stem + QStringLiteral("-switched"));
                test::saveGrab(built, stem + QStringLiteral("-built"));
            }
            if (dark) {
                EXPECT_GT(differingPixels(lightBefore, switched), 0) << name << " did not change at all";
            }
        }
    }
};

TEST_F(LookChange, TheAboutScreenFollowsIt) {
    MenuBarNavigator navigator;
    MenuScreenContext context = test::withLook({});
    context.navigator = &navigator;
    expectFollowsTheLook("about", [&] { return std::make_unique<MenuBarAboutScreen>(context); });
}

TEST_F(LookChange, TheAboutTaglineTurnsLightInTheDarkLook) {
    MenuBarNavigator navigator;
    MenuScreenContext context = test::withLook({});
    context.navigator = &navigator;
    MenuBarAboutScreen screen(context);
    screen.resize(312, screen.heightForWidth(312));
    auto* tagline = test::part<TextView>(screen, QStringLiteral("tagline"));
    ASSERT_NE(tagline, nullptr);
    test::renderWidget(*tagline); // sized on its first drawing
    const QImage drawn = test::renderWidget(*tagline);
    // Its lines sit centred: centring them again draws the same, leading them does not.
    tagline->setLineAlignment(Qt::AlignHCenter);
    EXPECT_EQ(test::renderWidget(*tagline), drawn);
    tagline->setLineAlignment(Qt::AlignLeft);
    EXPECT_NE(test::renderWidget(*tagline), drawn);
    tagline->setLineAlignment(Qt::AlignHCenter);
    EXPECT_LT(test::inkLightness(drawn), 64);
    test::showLook(Scheme::dark);
    ASSERT_EQ(test::part<TextView>(screen, QStringLiteral("tagline")), tagline); // the same view, not a rebuilt one
    EXPECT_EQ(tagline->color(), LabelColor::secondary(Scheme::dark));
    EXPECT_GT(test::inkLightness(test::renderWidget(*tagline)), 192);
}

TEST_F(LookChange, TheOverviewFollowsIt) {
    MenuBarNavigator navigator;
    const PresentedState state = fixtureState();
    expectFollowsTheLook("overview", [&] {
        auto screen = std::make_unique<MenuBarOverviewScreen>(
            test::withLook(MenuScreenContext{nullptr, nullptr, nullptr, &navigator, &clock_, {}}));
        screen->setState(state);
        return screen;
    });
    expectFollowsTheLook("overview-empty", [&] {
        auto screen = std::make_unique<MenuBarOverviewScreen>(
            test::withLook(MenuScreenContext{nullptr, nullptr, nullptr, &navigator, &clock_, {}}));
        screen->setState(stateOf({}, {}));
        return screen;
    });
}

TEST_F(LookChange, AnUnavailableProvidersRingAndSymbolTakeTheNewGrey) {
    MenuBarNavigator navigator;
    MenuBarOverviewScreen screen(test::withLook(MenuScreenContext{nullptr, nullptr, nullptr, &navigator, &clock_, {}}));
    screen.setState(fixtureState()); // Cursor: not connected
    auto* ring = test::providerRow<MenuPlateRow>(screen, P::cursor)->findChild<RingGauge*>();
    ASSERT_NE(ring, nullptr);
    // The dash at its centre.
    auto* centre = ring->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(centre, nullptr);
    for (Scheme scheme : {Scheme::light, Scheme::dark, Scheme::light}) {
        test::showLook(scheme);
        const QColor grey = LabelColor::secondary(scheme);
        EXPECT_EQ(ring->gradientColors(), (QList<QColor>{withOpacity(grey, 0.28), withOpacity(grey, 0.16)}));
        const double ink = test::inkLightness(test::renderWidget(*centre));
        if (scheme == Scheme::dark) {
            EXPECT_GT(ink, 192);
        } else {
            EXPECT_LT(ink, 64);
        }
    }
}

TEST_F(LookChange, TheProviderScreenFollowsIt) {
    test::ScreenFixture f({P::claudeCode, P::openAICodex});
    f.manager->apply({measured(P::claudeCode, 64, QStringLiteral("Max"))}, P::claudeCode);
    UsageSnapshot failed = UsageSnapshot::simulatedFallback(P::openAICodex, f.clock.now());
    failed.fetchError = QStringLiteral("Usage could not be refreshed.");
    f.manager->apply({failed}, P::openAICodex);
    for (P p : {P::claudeCode, P::openAICodex}) {
        expectFollowsTheLook(p == P::claudeCode ? "provider-measured" : "provider-failed",
                             [&] { return std::make_unique<MenuBarProviderDetailScreen>(f.context(), p); });
    }
}

TEST_F(LookChange, TheSettingsScreenFollowsIt) {
    test::ScreenFixture f({P::claudeCode, P::cursor});
    expectFollowsTheLook("settings", [&] {
        return std::make_unique<MenuBarSettingsScreen>(f.context(), f.localization.get());
    });
}

TEST_F(LookChange, TheDetailCardFollowsIt) {
    UsageSnapshot working = measured(P::claudeCode, 38, QStringLiteral("Max"));
    working.weeklyRemainingPercentage = 61;
    UsageSnapshot simulated = UsageSnapshot::simulatedFallback(P::cursor, clock_.now());
    for (const UsageSnapshot& s : {working, simulated}) {
        const auto build = [&] {
            return std::make_unique<DetailGlassCardView>(Appearance::shared(), Localization::shared(), s,
                                                         std::function<void()>(), clock_);
        };
        expectFollowsTheLook(s.isSimulated() ? "card-simulated" : "card-measured", build, 0);
    }
}

// A screen and a row follow the look they are handed, not the process's: here
// a dark one without animations beside the process's light one with them.
TEST_F(LookChange, ViewsFollowTheLookTheyAreHanded) {
    Appearance handed(false);
    handed.applyPortalColorScheme(1u);
    handed.applyPortalAnimationsEnabled(false);
    test::ScreenFixture f;
    MenuScreenContext context = f.context();
    context.appearance = &handed;
    MenuBarAboutScreen own(context);
    MenuBarAboutScreen processLook(f.context());
    EXPECT_NE(own.labAccent(), processLook.labAccent());
    handed.applyPortalColorScheme(2u);
    EXPECT_EQ(own.labAccent(), processLook.labAccent());

    const auto busyRow = [](Appearance& look) {
        auto row = std::make_unique<MenuCommandRow>(look, QStringLiteral("Refreshing…"),
                                                    QStringLiteral("arrow.clockwise"), std::nullopt, std::nullopt,
                                                    false, MenuRowRole::standard, false, std::function<void()>());
        row->show();
        row->setBusy(true);
        return row;
    };
    const auto still = busyRow(handed);
    const auto turning = busyRow(Appearance::shared());
    ASSERT_TRUE(test::waitUntil([&] { return turning->spinAngle() > 0; }));
    EXPECT_EQ(still->spinAngle(), 0);
}

} // namespace
} // namespace meterix
