#include "shell/ScreenPlacementEngine.h"

#include <gtest/gtest.h>

namespace meterix {
namespace {

// A 1440 x 900 display with a 25 px panel along its top.
const ScreenArea kLaptop{QRectF(0, 0, 1440, 900), QRectF(0, 25, 1440, 875)};

QRectF clamp(const QRectF& frame, const QList<ScreenArea>& screens = {kLaptop}) {
    return ScreenPlacementEngine::clampToScreens(screens, frame, 8);
}

TEST(ScreenPlacement, FrameInsideAVisibleFrameIsUnchanged) {
    EXPECT_EQ(clamp(QRectF(530, 29, 380, 58)), QRectF(530, 29, 380, 58));
}

TEST(ScreenPlacement, TopAboveTheVisibleTopComesBackEightBelowIt) {
    // The right edge sticks out past 1440; only the height is corrected.
    EXPECT_EQ(clamp(QRectF(1200, 10, 380, 58)), QRectF(1200, 33, 380, 58));
}

TEST(ScreenPlacement, BottomBelowTheVisibleBottomComesBackFourAboveIt) {
    EXPECT_EQ(clamp(QRectF(100, 870, 380, 58)), QRectF(100, 838, 380, 58));
}

TEST(ScreenPlacement, FrameTallerThanTheScreenEndsFourAboveTheBottom) {
    const QRectF r = clamp(QRectF(100, 0, 380, 1000));
    EXPECT_DOUBLE_EQ(r.bottom(), 896);
    EXPECT_DOUBLE_EQ(r.top(), -104);
}

TEST(ScreenPlacement, CentreInTheTopPanelStripMovesOntoTheScreenWithEightPixelGaps) {
    EXPECT_EQ(clamp(QRectF(100, -20, 380, 58)), QRectF(100, 33, 380, 58));
}

TEST(ScreenPlacement, FrameOffEveryScreenMovesOntoTheNearest) {
    EXPECT_EQ(clamp(QRectF(1500, 300, 380, 58)), QRectF(1052, 300, 380, 58));
    EXPECT_EQ(clamp(QRectF(1500, 880, 380, 58)), QRectF(1052, 834, 380, 58));
    EXPECT_EQ(clamp(QRectF(-600, 400, 380, 58)), QRectF(8, 400, 380, 58));
}

TEST(ScreenPlacement, FrameWiderThanTheNearestScreenIsNarrowedFirst) {
    EXPECT_EQ(clamp(QRectF(2000, 300, 1600, 58)), QRectF(8, 300, 1424, 58));
}

TEST(ScreenPlacement, FrameAboveTheNearestScreenKeepsItsBottomWhereItFalls) {
    // Placed 8 below the visible top; nothing else moves it.
    EXPECT_EQ(clamp(QRectF(1500, -400, 380, 1400)), QRectF(1052, 33, 380, 1400));
}

TEST(ScreenPlacement, CentreOnTheVisibleTopIsOffTheScreenButOnTheBottomIsOn) {
    // Centre exactly on the visible top: off, so it is also moved in sideways.
    EXPECT_EQ(clamp(QRectF(1200, -4, 380, 58)), QRectF(1052, 33, 380, 58));
    // Centre exactly on the visible bottom: on, so only the height changes.
    EXPECT_EQ(clamp(QRectF(1200, 871, 380, 58)), QRectF(1200, 838, 380, 58));
}

TEST(ScreenPlacement, ClampWithoutScreensChangesNothing) {
    EXPECT_EQ(clamp(QRectF(-5000, 9000, 380, 58), {}), QRectF(-5000, 9000, 380, 58));
    EXPECT_EQ(ScreenPlacementEngine::screen({}, QPointF(1, 1)), ScreenArea{});
}

TEST(ScreenPlacement, LeftAndTopEdgesBelongToAScreenRightAndBottomEdgesDoNot) {
    const ScreenArea a{QRectF(0, 0, 1440, 900), QRectF(0, 25, 1440, 875)};
    const ScreenArea right{QRectF(1440, 0, 1920, 1080), QRectF(1440, 0, 1920, 1080)};
    const ScreenArea below{QRectF(0, 900, 1440, 900), QRectF(0, 900, 1440, 900)};
    const QList<ScreenArea> screens{a, right, below};
    EXPECT_EQ(ScreenPlacementEngine::screen(screens, QPointF(1440, 100)), right);
    EXPECT_EQ(ScreenPlacementEngine::screen(screens, QPointF(1439.5, 100)), a);
    EXPECT_EQ(ScreenPlacementEngine::screen(screens, QPointF(0, 0)), a);
    EXPECT_EQ(ScreenPlacementEngine::screen(screens, QPointF(100, 900)), below);
}

TEST(ScreenPlacement, EquallyDistantScreensGoToTheOneListedFirst) {
    const ScreenArea a{QRectF(0, 0, 1000, 800), QRectF(0, 0, 1000, 800)};
    const ScreenArea b{QRectF(1200, 0, 1000, 800), QRectF(1200, 0, 1000, 800)};
    EXPECT_EQ(ScreenPlacementEngine::screen({a, b}, QPointF(1100, 400)), a);
    EXPECT_EQ(ScreenPlacementEngine::screen({b, a}, QPointF(1100, 400)), b);
    // Strictly nearer wins whatever the order.
    EXPECT_EQ(ScreenPlacementEngine::screen({a, b}, QPointF(1101, 400)), b);
}

TEST(ScreenPlacement, EngineReadsItsScreensAtEveryCall) {
    QList<ScreenArea> screens{kLaptop};
    ScreenPlacementEngine engine([&] { return screens; });
    EXPECT_EQ(engine.mainVisibleFrame(), kLaptop.visibleFrame);
    EXPECT_DOUBLE_EQ(engine.largestExtent(), 1440);
    screens.clear();
    EXPECT_EQ(engine.mainVisibleFrame(), QRectF(0, 0, 1440, 900));
    EXPECT_EQ(engine.clampToScreens(QRectF(-9, -9, 10, 10)), QRectF(-9, -9, 10, 10));
    engine.topMargin = 20;
    screens = {kLaptop};
    EXPECT_EQ(engine.clampToScreens(QRectF(100, 0, 380, 58)), QRectF(100, 45, 380, 58));
}

TEST(ScreenPlacement, SystemScreensSkipPlaceholdersAndKeepThePrimaryFirst) {
    const QList<ScreenArea> screens = ScreenPlacementEngine::systemScreens();
    ASSERT_FALSE(screens.isEmpty()); // the offscreen platform has one display
    for (const ScreenArea& s : screens) {
        EXPECT_FALSE(s.frame.isEmpty());
        EXPECT_TRUE(s.frame.contains(s.visibleFrame));
    }
}

} // namespace
} // namespace meterix
