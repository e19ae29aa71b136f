#include "shell/PanelReanchor.h"
#include "shell/PanelHitTest.h"

#include "PanelControllerFixture.h"

#include <gtest/gtest.h>

namespace meterix {
namespace {

using PanelReanchoring = test::PanelControllerFixture;
using test::kExternal;
using test::kLaptop;

// MARK: - Screens

TEST_F(PanelReanchoring, RemovedDisplayMovesTheBarOntoARemainingOne) {
    screens_ = {kLaptop, kExternal};
    save(2000, 500, 280, 74);
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74));
    ASSERT_EQ(panel_->frame(), QRectF(2000, 500, 280, 74));
    screens_ = {kLaptop};
    c.screenParametersChanged();
    EXPECT_EQ(panel_->frame(), QRectF(1152, 500, 280, 74));
    EXPECT_EQ(saved(), QRectF(1152, 500, 280, 74));
}

TEST_F(PanelReanchoring, DisplayChangeWithACardAboveKeepsTheBarUnderIt) {
    screens_ = {kLaptop, kExternal};
    save(2000, 900, 280, 74); // low on the external display: the card opens upward
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74));
    c.checkPlacementDirection();
    ASSERT_TRUE(c.opensUpward());
    selected_ = true;
    c.updateContentSize(QSizeF(398, 440));
    ASSERT_EQ(panel_->frame(), QRectF(1941, 534, 398, 440));

    screens_ = {kLaptop};
    c.screenParametersChanged();
    const QRectF resting = saved();
    EXPECT_EQ(resting, QRectF(1152, 818, 280, 74));
    // The whole window moved with the bar: the bar's part is the resting frame.
    EXPECT_EQ(PanelHitTest::barFrameWithin(panel_->frame(), resting.size(), true), resting);
}

TEST_F(PanelReanchoring, DisplayChangeOntoAHalfPixelEdgeLeavesTheBarAtWholePixels) {
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74));
    ASSERT_EQ(saved(), QRectF(580, 29, 280, 74));
    screens_ = {{QRectF(0, 0, 1440, 900), QRectF(0, 40.5, 1440, 859.5)}}; // a taller panel at 1.5 times the scale
    c.screenParametersChanged(); // the bar's top comes back 8 below 40.5
    EXPECT_EQ(saved(), QRectF(580, 49, 280, 74));
}

TEST_F(PanelReanchoring, DisplayChangeThatLeavesTheBarInPlaceWritesNothing) {
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74));
    const int changes = panel_->frameChanges;
    prefs_.setPanelOriginX(1); // something else wrote it: a no-op pass must not repair it
    c.screenParametersChanged();
    EXPECT_EQ(panel_->frameChanges, changes);
    EXPECT_DOUBLE_EQ(prefs_.panelOriginX(), 1);
}

} // namespace
} // namespace meterix
