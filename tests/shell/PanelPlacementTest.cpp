#include "shell/PanelPlacement.h"

#include "PanelControllerFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace meterix {
namespace {

using PanelPlacing = test::PanelControllerFixture;
using Kind = PanelPlacement::InitialPlacement::Kind;

// MARK: - First placement

TEST_F(PanelPlacing, FirstLaunchCentresTheBarFourBelowTheVisibleTop) {
    auto& c = launch();
    ASSERT_TRUE(panel_);
    EXPECT_EQ(panel_->frame(), QRectF(530, 29, 380, 58));
    EXPECT_FALSE(panel_->isRevealed());

    c.updateContentSize(QSizeF(280.5, 74)); // three segments
    EXPECT_EQ(panel_->frame(), QRectF(580, 29, 280, 74));
    EXPECT_EQ(saved(), QRectF(580, 29, 280, 74));
    EXPECT_FALSE(c.opensUpward());
}

TEST_F(PanelPlacing, WithoutScreensTheFirstPlacementUsesTheFallbackFrame) {
    screens_.clear();
    const auto choice = PanelPlacement::chooseInitialPlacement(100, 100, 300, 74, engine_);
    EXPECT_EQ(choice.placement.kind, Kind::topCenter);
    EXPECT_EQ(choice.initialFrame, QRectF(530, 4, 380, 58));
}

TEST_F(PanelPlacing, SavedFrameHighOnTheScreenKeepsItsLeftAndTopEdges) {
    save(100, 200, 300, 74); // bottom edge 626 above the visible bottom
    auto& c = launch();
    EXPECT_EQ(panel_->frame(), QRectF(100, 200, 300, 74));
    c.updateContentSize(QSizeF(351.5, 100));
    EXPECT_EQ(panel_->frame(), QRectF(100, 200, 351, 100));
    EXPECT_FALSE(c.opensUpward());
}

TEST_F(PanelPlacing, SavedFrameLowOnTheScreenKeepsItsLeftAndBottomEdges) {
    save(100, 700, 300, 74); // bottom edge 774: 126 above the visible bottom
    auto& c = launch();
    c.updateContentSize(QSizeF(351.5, 100));
    EXPECT_TRUE(c.opensUpward());
    EXPECT_EQ(panel_->frame(), QRectF(100, 674, 351, 100));
    EXPECT_EQ(saved(), QRectF(100, 674, 351, 100));
}

TEST_F(PanelPlacing, SavedSizeOfTenOrLessUsesTheOriginAtTheDefaultSize) {
    save(300, 300, 10, 74);
    auto& c = launch();
    EXPECT_EQ(panel_->frame(), QRectF(300, 300, 380, 58));
    c.updateContentSize(QSizeF(209.5, 74));
    EXPECT_EQ(panel_->frame(), QRectF(300, 300, 209, 74));
}

TEST_F(PanelPlacing, NegativeSavedCoordinateGoesToTheTopCentre) {
    save(-1, 300, 300, 74);
    launch();
    EXPECT_EQ(panel_->frame(), QRectF(530, 29, 380, 58));
    EXPECT_EQ(PanelPlacement::chooseInitialPlacement(300, -0.5, 300, 74, engine_).placement.kind,
              Kind::topCenter);
}

TEST_F(PanelPlacing, SavedFrameOffEveryScreenFallsBackToOriginThenTopCentre) {
    // The frame reaches no screen, but its origin at the default size does.
    auto c = PanelPlacement::chooseInitialPlacement(1430, 100, 4000, 74, engine_);
    EXPECT_EQ(c.placement.kind, Kind::restored); // its first ten pixels are on the screen
    c = PanelPlacement::chooseInitialPlacement(1500, 100, 300, 74, engine_);
    EXPECT_EQ(c.placement.kind, Kind::topCenter);
    c = PanelPlacement::chooseInitialPlacement(1420, 850, 5, 5, engine_);
    EXPECT_EQ(c.placement.kind, Kind::restoredOrigin);
    EXPECT_EQ(c.initialFrame, QRectF(1420, 850, 380, 58));
}

TEST_F(PanelPlacing, AbsurdOrUnreadableSavedValuesCountAsUnset) {
    // Four times the largest screen is the most a saved value may reach.
    auto choose = [this](double x, double y, double w, double h) {
        return PanelPlacement::chooseInitialPlacement(x, y, w, h, engine_).placement.kind;
    };
    EXPECT_EQ(choose(100, 100, 1e300, 74), Kind::restoredOrigin);
    EXPECT_EQ(choose(100, 100, 300, 6000), Kind::restoredOrigin);
    EXPECT_EQ(choose(100, 100, 300, 5760), Kind::restored);
    EXPECT_EQ(choose(1e300, 100, 300, 74), Kind::topCenter);
    EXPECT_EQ(choose(100, std::numeric_limits<double>::infinity(), 300, 74), Kind::topCenter);
    EXPECT_EQ(choose(100, 100, std::nan(""), 74), Kind::restoredOrigin);

    // The settings file itself says "inf" and "nan": read back as never saved.
    settings_->setValue(QStringLiteral("panelOriginX"), QStringLiteral("inf"));
    settings_->setValue(QStringLiteral("panelOriginY"), QStringLiteral("nan"));
    settings_->setValue(QStringLiteral("panelWidth"), QStringLiteral("1e308"));
    settings_->setValue(QStringLiteral("panelHeight"), QStringLiteral("74"));
    launch();
    EXPECT_EQ(panel_->frame(), QRectF(530, 29, 380, 58));
}

} // namespace
} // namespace meterix
