#include "shell/FloatingPanelController.h"

#include "PanelControllerFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace meterix {
namespace {

using PanelController = test::PanelControllerFixture;

// MARK: - Size reports

TEST_F(PanelController, ReportsOfTenOrLessAreIgnoredAndTenAndAHalfIsApplied) {
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74));
    const QRectF before = panel_->frame();
    const int changes = panel_->frameChanges;
    c.updateContentSize(QSizeF(10, 74));
    c.updateContentSize(QSizeF(74, 10));
    c.updateContentSize(QSizeF(std::numeric_limits<double>::infinity(), 74));
    c.updateContentSize(QSizeF(std::nan(""), 74));
    EXPECT_EQ(panel_->frame(), before);
    EXPECT_EQ(panel_->frameChanges, changes);
    EXPECT_DOUBLE_EQ(panel_->frame().width(), 280);

    c.updateContentSize(QSizeF(10.5, 74));
    EXPECT_DOUBLE_EQ(panel_->frame().width(), 10);
}

TEST_F(PanelController, OnePixelOfJitterDoesNotMoveTheWindow) {
    auto& c = launch();
    c.updateContentSize(QSizeF(351.5, 74));
    const QRectF settled = panel_->frame();
    const int changes = panel_->frameChanges;
    c.updateContentSize(QSizeF(352.9, 74)); // floors to 352: one pixel
    c.updateContentSize(QSizeF(351, 75));
    EXPECT_EQ(panel_->frame(), settled);
    EXPECT_EQ(panel_->frameChanges, changes);
    c.updateContentSize(QSizeF(353, 74));
    EXPECT_EQ(panel_->frame().width(), 353);
    EXPECT_EQ(panel_->frame().center().x(), settled.center().x()); // grows about its centre
}

TEST_F(PanelController, CardGrowsDownBelowABarRestingHighWithoutSaving) {
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74));
    const QRectF before = saved();
    selected_ = true;
    c.cardStateChanged();
    c.updateContentSize(QSizeF(398, 440)); // bar, gap and card
    EXPECT_EQ(panel_->frame(), QRectF(521, 29, 398, 440));
    EXPECT_EQ(saved(), before);
    // A taller content shows a card even before the selection reaches the bar.
    selected_ = false;
    c.updateContentSize(QSizeF(398, 300));
    EXPECT_EQ(panel_->frame(), QRectF(521, 29, 398, 300));
    EXPECT_EQ(saved(), before);
}

TEST_F(PanelController, CardGrowsUpAboveABarRestingLow) {
    save(400, 780, 280, 74); // bottom 854: 46 above the visible bottom
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74)); // the saved size: nothing moves
    c.checkPlacementDirection();            // as the bar does before it opens a card
    ASSERT_TRUE(c.opensUpward());
    selected_ = true;
    c.updateContentSize(QSizeF(398, 440));
    EXPECT_EQ(panel_->frame(), QRectF(341, 414, 398, 440));
    EXPECT_DOUBLE_EQ(panel_->frame().bottom(), saved().bottom());
    // The direction never flips under an open card.
    c.checkPlacementDirection();
    EXPECT_TRUE(c.opensUpward());
}

TEST_F(PanelController, CardModeWithinOnePixelStaysPut) {
    auto& c = launch();
    c.updateContentSize(QSizeF(398, 440));
    const QRectF before = saved();
    c.updateContentSize(QSizeF(398.9, 440.9));
    EXPECT_EQ(saved(), before);
}

} // namespace
} // namespace meterix
