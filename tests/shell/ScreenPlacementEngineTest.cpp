#include "shell/ScreenPlacementEngine.h"

#include "support/QtPrinters.h"

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
    EXPECT_EQ(clamp(QRectF(600, 10, 380, 58)), QRectF(600, 33, 380, 58));
}

// A bar whose centre is on a screen but which sticks out past a side comes
// wholly inside across (no gap: it only has to be whole), on every display
// and at any scale; one wider than the visible frame keeps its left edge in.
TEST(ScreenPlacement, BarPartlyPastASideComesWhollyInsideAcross) {
    const ScreenArea at2x{QRectF(0, 0, 720, 450), QRectF(0, 12.5, 720, 437.5)};
    const ScreenArea external{QRectF(1440, 0, 1920, 1080), QRectF(1440, 0, 1920, 1040)};
    struct Row {
        QList<ScreenArea> screens;
        QRectF frame;
        QRectF clamped;
    };
    const QList<Row> rows{
        {{kLaptop}, QRectF(1250, 300, 280, 74), QRectF(1160, 300, 280, 74)},
        {{kLaptop}, QRectF(-100, 300, 280, 74), QRectF(0, 300, 280, 74)},
        {{kLaptop}, QRectF(1200, 10, 380, 58), QRectF(1060, 33, 380, 58)},
        {{kLaptop}, QRectF(1200, 871, 380, 58), QRectF(1060, 838, 380, 58)},
        {{kLaptop}, QRectF(-100, 300, 1600, 74), QRectF(0, 300, 1600, 74)},
        {{at2x}, QRectF(600.5, 100, 209.5, 94), QRectF(510.5, 100, 209.5, 94)},
        {{at2x}, QRectF(-30, 2, 140, 94), QRectF(0, 20.5, 140, 94)},
        {{kLaptop, external}, QRectF(3200, 500, 209, 94), QRectF(3151, 500, 209, 94)},
        // Centre on the first display, right edge on the second: inside the first.
        {{kLaptop, external}, QRectF(1300, 500, 209, 94), QRectF(1231, 500, 209, 94)},
    };
    for (const Row& r : rows) EXPECT_EQ(clamp(r.frame, r.screens), r.clamped) << ::testing::PrintToString(r.frame);
}

// The card opens under the bar's centre unless that would put it within 8 px
// of a side of the bar's screen; then it moves across by whole pixels.
TEST(ScreenPlacement, CardShiftKeepsTheCardEightInsideTheBarsScreen) {
    const QRectF at2x(0, 12.5, 720, 437.5);
    struct Row {
        double barCentre;
        QRectF visible;
        double shift;
    };
    const QList<Row> rows{
        {720, kLaptop.visibleFrame, 0},
        {167, kLaptop.visibleFrame, 0},    // left edge exactly 8 in
        {166.5, kLaptop.visibleFrame, 1},  // half a pixel short: a whole one across
        {40, kLaptop.visibleFrame, 127},   // left edge at -119
        {1273, kLaptop.visibleFrame, 0},   // right edge exactly 8 in
        {1390, kLaptop.visibleFrame, -117},
        {700.5, at2x, -148},
        {3300, QRectF(1440, 0, 1920, 1040), -107},
        {1500, QRectF(1440, 0, 1920, 1040), 107},
        {150, QRectF(0, 0, 300, 600), 17}, // wider than the room: its left edge 8 in
    };
    for (const Row& r : rows)
        EXPECT_DOUBLE_EQ(ScreenPlacementEngine::cardShift(r.barCentre, 318, r.visible), r.shift) << r.barCentre;
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
    // Centre exactly on the visible bottom: on, so the bar's rules apply.
    EXPECT_EQ(clamp(QRectF(600, 871, 380, 58)), QRectF(600, 838, 380, 58));
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

// Every placement rounds one way: halves away from zero, on either side of it.
TEST(ScreenPlacement, PlacementsRoundHalvesAwayFromZero) {
    const ScreenArea at2x{QRectF(0, 0, 720, 450), QRectF(0, 12.5, 720, 437.5)};
    ScreenPlacementEngine engine([&] { return QList<ScreenArea>{at2x}; });
    // The top comes back to 12.5 + 8 on this display, and goes to 21.
    EXPECT_EQ(engine.clampToScreensAtWholePixels(QRectF(100.5, 0, 300, 58)), QRectF(101, 21, 300, 58));
    EXPECT_EQ(ScreenPlacementEngine::windowRect(QRectF(-0.5, 2.5, 299.5, 0.4)), QRect(-1, 3, 300, 1));
    EXPECT_EQ(ScreenPlacementEngine::topCenterFrame(at2x.visibleFrame, QSizeF(301, 58), 4),
              QRectF(210, 16.5, 301, 58)); // 360 - 150.5 = 209.5
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
