#include "core/Localization.h"
#include "panels/MenuBarNavigator.h"
#include "panels/MenuScreenStack.h"
#include "panels/MeterixBuild.h"
#include "panels/PushOffsetEffect.h"

#include "support/WaitUntil.h"

#include "PanelFixtures.h"

#include <QGraphicsEffect>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>

namespace meterix {
namespace {

using P = AIProviderType;
using S = MenuBarScreen;

struct NavCase {
    const char* name;
    std::function<void(MenuBarNavigator&)> before; // not recorded
    std::function<void(MenuBarNavigator&)> act;
    QStringList signalsInOrder;
    S screen;
    bool isForward;
};

TEST(MenuBarNavigatorTest, MovesAnnounceTheDirectionBeforeTheScreen) {
    const QList<NavCase> cases = {
        {"push of the current screen does nothing",
         [](auto&) {},
         [](auto& n) { n.push(S::overview()); },
         {},
         S::overview(),
         true},
        {"push of the shown detail does nothing, direction kept",
         [](auto& n) {
             n.push(S::providerDetail(P::claudeCode));
             n.popToRoot();
             n.push(S::providerDetail(P::claudeCode));
         },
         [](auto& n) { n.push(S::providerDetail(P::claudeCode)); },
         {},
         S::providerDetail(P::claudeCode),
         true},
        {"provider A to provider B moves forward",
         [](auto& n) { n.push(S::providerDetail(P::claudeCode)); },
         [](auto& n) { n.push(S::providerDetail(P::openAICodex)); },
         {"providerDetail(codex) sliding"},
         S::providerDetail(P::openAICodex),
         true},
        {"pop on the overview keeps forward",
         [](auto&) {},
         [](auto& n) { n.popToRoot(); },
         {},
         S::overview(),
         true},
        {"pop from about goes back, direction first",
         [](auto& n) { n.push(S::about()); },
         [](auto& n) { n.popToRoot(); },
         {"back", "overview sliding"},
         S::overview(),
         false},
        {"push after a pop turns forward first",
         [](auto& n) {
             n.push(S::about());
             n.popToRoot();
         },
         [](auto& n) { n.push(S::settings()); },
         {"forward", "settings sliding"},
         S::settings(),
         true},
        {"reset from settings after a pop: forward, overview at once",
         [](auto& n) {
             n.push(S::about());
             n.popToRoot();
             n.push(S::settings());
             n.popToRoot();
             n.push(S::settings());
         },
         [](auto& n) { n.reset(); },
         {"overview at once"},
         S::overview(),
         true},
        {"reset while moving back: forward first, then the overview at once",
         [](auto& n) {
             n.push(S::about());
             n.popToRoot();
         },
         [](auto& n) { n.reset(); },
         {"forward", "overview at once"},
         S::overview(),
         true},
    };
    for (const NavCase& c : cases) {
        SCOPED_TRACE(c.name);
        MenuBarNavigator nav;
        c.before(nav);
        QStringList log;
        QObject::connect(&nav, &MenuBarNavigator::isForwardChanged, &nav, [&log](bool f) {
            log.append(f ? QStringLiteral("forward") : QStringLiteral("back"));
        });
        QObject::connect(&nav, &MenuBarNavigator::screenChanged, &nav, [&log](const S& s, bool animated) {
            log.append(test::screenName(s) + (animated ? QStringLiteral(" sliding") : QStringLiteral(" at once")));
        });
        c.act(nav);
        EXPECT_EQ(log, c.signalsInOrder);
        EXPECT_EQ(nav.screen(), c.screen) << test::screenName(nav.screen()).toStdString();
        EXPECT_EQ(nav.isForward(), c.isForward);
    }
}

TEST(MenuBarNavigatorTest, DetailScreensOfTwoProvidersDiffer) {
    EXPECT_NE(S::providerDetail(P::claudeCode), S::providerDetail(P::openAICodex));
    EXPECT_EQ(S::providerDetail(P::cursor), S::providerDetail(P::cursor));
    EXPECT_NE(S::settings(), S::about());
    EXPECT_EQ(S(), S::overview());
    EXPECT_EQ(S::providerDetail(P::zed).provider(), P::zed);
    EXPECT_FALSE(S::about().provider());
}

TEST(MenuPushTransitionTest, IncomingAndOutgoingAreMirrorImages) {
    struct Row {
        bool forward;
        double t;
        PushOffsetEffect incoming, outgoing;
    };
    const QList<Row> rows = {
        {true, 0, {18, 0}, {0, 1}},
        {true, 1, {0, 1}, {-18, 0}},
        {true, 0.5, {9, 0.5}, {-9, 0.5}},
        {false, 0, {-18, 0}, {0, 1}},
        {false, 1, {0, 1}, {18, 0}},
        {false, 0.25, {-13.5, 0.25}, {4.5, 0.75}},
        // A spring overshooting its end: the offset follows, the opacity holds.
        {true, 1.1, {-1.8, 1}, {-19.8, 0}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "forward " << r.forward << " t " << r.t);
        const MenuPushTransition tr = MenuPushTransition::menuPush(r.forward);
        const PushOffsetEffect in = tr.incomingAt(r.t), out = tr.outgoingAt(r.t);
        EXPECT_NEAR(in.dx, r.incoming.dx, 1e-9);
        EXPECT_NEAR(in.opacity, r.incoming.opacity, 1e-9);
        EXPECT_NEAR(out.dx, r.outgoing.dx, 1e-9);
        EXPECT_NEAR(out.opacity, r.outgoing.opacity, 1e-9);
    }
}

TEST(MeterixBuildTest, VersionFallsBackWhenTheAppHasNone) {
    EXPECT_EQ(MeterixBuild::versionFrom(QString()), QStringLiteral("1.0.0"));
    EXPECT_EQ(MeterixBuild::versionFrom(QStringLiteral("  ")), QStringLiteral("1.0.0"));
    EXPECT_EQ(MeterixBuild::versionFrom(QStringLiteral("0.1.0")), QStringLiteral("0.1.0"));
}

// A screen view that says which factory made it and how tall it wants to be.
QWidget* tagged(const QString& name, int height) {
    auto* w = new QWidget();
    w->setObjectName(name);
    w->setFixedHeight(height);
    return w;
}

class MenuScreenStackTest : public ::testing::Test {
  protected:
    MenuScreenStackTest() {
        stack_.registerScreen(S::Kind::overview,
                              [](const S&) { return tagged(QStringLiteral("overview"), 300); });
        stack_.registerScreen(S::Kind::about, [](const S&) { return tagged(QStringLiteral("about"), 420); });
        stack_.resize(312, 600);
        stack_.follow(nav_);
    }
    QString shown() const { return stack_.currentView() ? stack_.currentView()->objectName() : QString(); }

    MenuBarNavigator nav_;
    MenuScreenStack stack_;

    // The screens standing in the stack: two while one slides out.
    qsizetype screensIn() const { return stack_.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(); }
};

TEST_F(MenuScreenStackTest, ResetDuringASlideLeavesTheOverviewAtRest) {
    stack_.show();
    nav_.push(S::about());
    ASSERT_TRUE(stack_.isSliding());
    ASSERT_EQ(screensIn(), 2); // the overview slides out
    EXPECT_EQ(shown(), QStringLiteral("about"));
    // Both screens stand in the stack during the slide: the taller one counts.
    EXPECT_EQ(stack_.measuredHeight(), 420);

    nav_.reset();
    EXPECT_FALSE(stack_.isSliding());
    EXPECT_EQ(shown(), QStringLiteral("overview"));
    EXPECT_EQ(stack_.currentView()->pos(), QPoint(0, 0));
    EXPECT_EQ(stack_.currentView()->graphicsEffect(), nullptr);
    EXPECT_EQ(screensIn(), 1);
    EXPECT_EQ(stack_.measuredHeight(), 300);
}

TEST_F(MenuScreenStackTest, ASlideEndsWithOneScreenInPlace) {
    stack_.show();
    QList<double> heights;
    QObject::connect(&stack_, &MenuScreenStack::measuredHeightChanged,
                     [&heights](double h) { heights << h; });
    nav_.push(S::about());
    // Halfway the new screen is still right of its place (moving forward).
    ASSERT_TRUE(test::waitUntil(
        [this] { return !stack_.isSliding() || stack_.currentView()->x() < stack_.width() * 0.7; }));
    if (stack_.isSliding()) {
        EXPECT_GT(stack_.currentView()->x(), 0);
    }
    ASSERT_TRUE(test::waitUntil([this] { return !stack_.isSliding(); }));
    EXPECT_EQ(screensIn(), 1);
    EXPECT_EQ(stack_.currentView()->pos(), QPoint(0, 0));
    EXPECT_EQ(heights, QList<double>{420});
}

TEST_F(MenuScreenStackTest, AScreenWithoutAViewShowsTheOverviews) {
    nav_.push(S::settings());
    EXPECT_EQ(stack_.screen(), S::settings());
    EXPECT_EQ(shown(), QStringLiteral("overview"));
    // Registering the screen's view is all a new screen needs.
    stack_.registerScreen(S::Kind::settings,
                          [](const S&) { return tagged(QStringLiteral("settings"), 200); });
    nav_.popToRoot();
    nav_.push(S::settings());
    EXPECT_EQ(shown(), QStringLiteral("settings"));
}

} // namespace
} // namespace meterix
