#include "shell/PanelCardSide.h"

#include "PanelControllerFixture.h"

#include <gtest/gtest.h>

namespace meterix {
namespace {

using PanelCardSiding = test::PanelControllerFixture;
using test::kExternal;
using test::kLaptop;

TEST_F(PanelCardSiding, DirectionFlipsAtTwoHundredSixtyAboveTheVisibleBottom) {
    EXPECT_FALSE(PanelCardSide::opensUpwardFor(QRectF(100, 582, 280, 58), engine_)); // 260 left
    EXPECT_TRUE(PanelCardSide::opensUpwardFor(QRectF(100, 582.5, 280, 58), engine_));
    // A bar on the second display is judged by that display.
    screens_ = {kLaptop, kExternal};
    EXPECT_FALSE(PanelCardSide::opensUpwardFor(QRectF(1600, 700, 280, 58), engine_));
}

} // namespace
} // namespace meterix
