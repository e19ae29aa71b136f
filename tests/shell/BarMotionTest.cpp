#include "core/Localization.h"
#include "core/MeterixPreferences.h"
#include "design/Surface.h"
#include "platform/ui/Appearance.h"
#include "shell/FloatingPanelController.h"
#include "shell/MultiProviderBarView.h"
#include "shell/ProviderSegmentView.h"
#include "shell/ScreenPlacementEngine.h"

#include "support/FakeClock.h"
#include "support/FakeTimerSource.h"
#include "support/WaitUntil.h"

#include <QCoreApplication>
#include <QGraphicsOpacityEffect>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace meterix {
namespace {

using P = AIProviderType;
using State = MultiProviderBarView::State;

// The bar's motion: segments arriving and leaving, sliding to new places, the
// ambient tint gliding, the card arriving; and still states without motion.
class BarMotion : public ::testing::TestWithParam<bool> {
  protected:
    BarMotion()
        : settings_(
              std::make_shared<QSettings>(dir_.filePath(QStringLiteral("prefs.conf")), QSettings::IniFormat)),
          prefs_(settings_), engine_([] { return ScreenPlacementEngine::systemScreens(); }),
          controller_(engine_, prefs_, timers_, clock_) {
        prefs_.setPixelCatEnabled(false);
        Appearance::shared().setSchemeOverrideForTesting(Appearance::Scheme::light);
        Appearance::shared().setReduceMotionOverrideForTesting(reduceMotion());
        Localization::resetResolvedLanguageForTesting(ResolvedLanguage::english);
    }
    ~BarMotion() override {
        Appearance::shared().setSchemeOverrideForTesting(std::nullopt);
        Appearance::shared().setReduceMotionOverrideForTesting(std::nullopt);
        Localization::resetResolvedLanguageForTesting();
    }
    bool reduceMotion() const { return GetParam(); }

    UsageSnapshot reading(P provider, double percent) const {
        UsageSnapshot::Fields f;
        f.provider = provider;
        f.hourlyRemainingPercentage = percent;
        f.lastUpdated = clock_.now();
        f.strategyUsed = FetchStrategy::cliStatusProbe;
        return UsageSnapshot(f);
    }
    State state(QList<P> active, QList<UsageSnapshot> snapshots,
                std::optional<P> selected = std::nullopt) const {
        State s;
        s.activeProviders = std::move(active);
        for (const UsageSnapshot& snap : snapshots)
            s.snapshots.insert(snap.provider, snap);
        s.selectedProvider = selected;
        return s;
    }
    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QTemporaryDir dir_;
    std::shared_ptr<QSettings> settings_;
    MeterixPreferences prefs_;
    ScreenPlacementEngine engine_;
    test::FakeClock clock_;
    test::FakeTimerSource timers_{clock_};
    FloatingPanelController controller_;
};

TEST(BarPresence, SegmentsScaleFromNinetyTwoPercentAndFade) {
    for (const auto& [presence, scale, opacity] : {std::tuple{0.0, 0.92, 0.0}, std::tuple{0.5, 0.96, 0.5},
                                                   std::tuple{1.0, 1.0, 1.0}, std::tuple{1.05, 1.004, 1.0}}) {
        EXPECT_DOUBLE_EQ(ProviderSegmentView::presenceScale(presence), scale);
        EXPECT_DOUBLE_EQ(ProviderSegmentView::presenceOpacity(presence), opacity);
    }
}

TEST_P(BarMotion, SegmentsArriveAndLeave) {
    MultiProviderBarView bar(prefs_, &controller_, clock_);
    bar.setState(state({P::claudeCode, P::cursor}, {reading(P::claudeCode, 80), reading(P::cursor, 50)}));
    bar.show();
    bar.setState(state({P::claudeCode, P::cursor, P::groq},
                       {reading(P::claudeCode, 80), reading(P::cursor, 50), reading(P::groq, 30)}));
    ProviderSegmentView* added = bar.segment(P::groq);
    ASSERT_NE(added, nullptr);
    if (reduceMotion()) {
        EXPECT_DOUBLE_EQ(added->presence(), 1.0);
    } else {
        EXPECT_DOUBLE_EQ(added->presence(), 0.0); // it scales and fades in
        EXPECT_TRUE(test::waitUntil([&] { return added->presence() == 1.0; }, 5000));
    }

    const QPointer<ProviderSegmentView> leaving = bar.segment(P::claudeCode);
    bar.setState(state({P::cursor, P::groq}, {reading(P::cursor, 50), reading(P::groq, 30)}));
    EXPECT_EQ(bar.segments().size(), 2);
    EXPECT_EQ(bar.segment(P::claudeCode), nullptr);
    if (reduceMotion()) {
        flushDeletes();
        EXPECT_TRUE(leaving.isNull()); // gone at once
    } else {
        ASSERT_FALSE(leaving.isNull());
        EXPECT_EQ(bar.leavingSegments(), QList<ProviderSegmentView*>{leaving.data()});
        EXPECT_TRUE(leaving->testAttribute(Qt::WA_TransparentForMouseEvents)); // no taps while it fades
        EXPECT_TRUE(test::waitUntil(
            [&] {
                flushDeletes();
                return leaving.isNull();
            },
            5000));
    }
    EXPECT_TRUE(bar.leavingSegments().isEmpty());
}

TEST_P(BarMotion, SegmentsSlideIntoTheRoomLeft) {
    MultiProviderBarView bar(prefs_, &controller_, clock_);
    bar.setState(state({P::claudeCode, P::cursor}, {reading(P::claudeCode, 80), reading(P::cursor, 50)}));
    bar.show();
    ProviderSegmentView* cursor = bar.segment(P::cursor);
    const int before = cursor->x();
    const int firstPlace = bar.segment(P::claudeCode)->x();
    bar.setState(state({P::cursor}, {reading(P::cursor, 50)}));
    if (reduceMotion()) {
        EXPECT_EQ(cursor->x(), firstPlace);
    } else {
        EXPECT_EQ(cursor->x(), before); // then it slides
        EXPECT_TRUE(test::waitUntil([&] { return cursor->x() == firstPlace; }, 5000));
    }
}

TEST_P(BarMotion, AmbientTintGlidesToTheNewTier) {
    MultiProviderBarView bar(prefs_, &controller_, clock_);
    bar.setState(state({P::claudeCode}, {reading(P::claudeCode, 80)}));
    bar.show();
    const QColor abundant = toQColor(gradient(UsageTier::abundant).constFirst());
    const QColor critical = toQColor(gradient(UsageTier::critical).constFirst());
    EXPECT_EQ(bar.currentTint(), abundant);
    bar.setState(state({P::claudeCode}, {reading(P::claudeCode, 10)}));
    if (reduceMotion()) {
        EXPECT_EQ(bar.currentTint(), critical);
    } else {
        EXPECT_EQ(bar.currentTint(), abundant);
        EXPECT_TRUE(test::waitUntil([&] { return bar.currentTint() == critical; }, 5000));
    }
}

TEST_P(BarMotion, TheCardArrivesFadingInFromTheBar) {
    MultiProviderBarView bar(prefs_, &controller_, clock_);
    bar.setCardFactory([](const UsageSnapshot&, std::function<void()>) {
        auto* card = new QWidget;
        card->setFixedSize(318, 200);
        return MultiProviderBarView::Card{card, {}};
    });
    bar.setState(state({P::claudeCode}, {reading(P::claudeCode, 80)}));
    bar.show();
    bar.setState(state({P::claudeCode}, {reading(P::claudeCode, 80)}, P::claudeCode));
    ASSERT_NE(bar.card(), nullptr);
    const int finalY = 20 + 34 + 10; // the bleed, the bar, the gap
    if (reduceMotion()) {
        EXPECT_DOUBLE_EQ(bar.cardArrival(), 1.0);
        EXPECT_EQ(bar.card()->graphicsEffect(), nullptr);
        EXPECT_EQ(bar.card()->y(), finalY);
    } else {
        EXPECT_DOUBLE_EQ(bar.cardArrival(), 0.0);
        auto* fade = qobject_cast<QGraphicsOpacityEffect*>(bar.card()->graphicsEffect());
        ASSERT_NE(fade, nullptr);
        EXPECT_DOUBLE_EQ(fade->opacity(), 0.0);
        EXPECT_LT(bar.card()->y(), finalY); // a little towards the bar
        EXPECT_TRUE(test::waitUntil([&] { return bar.card()->graphicsEffect() == nullptr; }, 5000));
        EXPECT_DOUBLE_EQ(bar.cardArrival(), 1.0);
        EXPECT_EQ(bar.card()->y(), finalY);
    }
    // The window is sized for the card at once, whatever the motion.
    EXPECT_EQ(bar.contentSize(), QSizeF(358, 40 + 34 + 10 + 200));
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutMotion, BarMotion, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "ReducedMotion" : "Animated"; });

} // namespace
} // namespace meterix
