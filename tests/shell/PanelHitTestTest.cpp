#include "shell/PanelHitTest.h"

#include <gtest/gtest.h>

namespace meterix {
namespace {

TEST(PanelHits, BarBandIsAtTheTopOrTheBottomOfTheWindow) {
    const QSizeF window(398, 440);
    EXPECT_TRUE(PanelHitTest::isLocationInsideBar({0, 58}, window, false, 58));
    EXPECT_TRUE(PanelHitTest::isLocationInsideBar({398, 0}, window, false, 58));
    EXPECT_FALSE(PanelHitTest::isLocationInsideBar({10, 58.5}, window, false, 58));
    EXPECT_FALSE(PanelHitTest::isLocationInsideBar({398.5, 10}, window, false, 58));
    EXPECT_FALSE(PanelHitTest::isLocationInsideBar({-0.5, 10}, window, false, 58));
    EXPECT_TRUE(PanelHitTest::isLocationInsideBar({10, 382}, window, true, 58));
    EXPECT_FALSE(PanelHitTest::isLocationInsideBar({10, 381}, window, true, 58));
    // With the cat the band is 78.
    EXPECT_TRUE(PanelHitTest::isLocationInsideBar({10, 78}, window, false, 78));
}

TEST(PanelHits, CardColumnIsTheCentredCardWidthBesideTheBand) {
    const QSizeF window(398, 440);
    EXPECT_FALSE(PanelHitTest::isLocationInsideCard({199, 200}, window, false, 58, false));
    EXPECT_TRUE(PanelHitTest::isLocationInsideCard({40, 58}, window, false, 58, true));
    EXPECT_TRUE(PanelHitTest::isLocationInsideCard({358, 440}, window, false, 58, true));
    EXPECT_FALSE(PanelHitTest::isLocationInsideCard({39.5, 200}, window, false, 58, true));
    EXPECT_FALSE(PanelHitTest::isLocationInsideCard({358.5, 200}, window, false, 58, true));
    EXPECT_FALSE(PanelHitTest::isLocationInsideCard({199, 57}, window, false, 58, true));
    EXPECT_TRUE(PanelHitTest::isLocationInsideCard({199, 382}, window, true, 58, true));
    EXPECT_FALSE(PanelHitTest::isLocationInsideCard({199, 383}, window, true, 58, true));
}

TEST(PanelHits, BarPartOfAWindowWithACard) {
    const QRectF panel(521, 29, 398, 440);
    EXPECT_EQ(PanelHitTest::barFrameWithin(panel, QSizeF(280, 74), false),
              QRectF(580, 29, 280, 74));
    EXPECT_EQ(PanelHitTest::barFrameWithin(panel, QSizeF(280, 74), true),
              QRectF(580, 395, 280, 74));
}

} // namespace
} // namespace meterix
