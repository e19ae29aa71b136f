#include "shell/PanelReveal.h"

#include "PanelControllerFixture.h"

#include <gtest/gtest.h>

namespace meterix {
namespace {

using PanelRevealing = test::PanelControllerFixture;

// MARK: - Reveal

TEST_F(PanelRevealing, RevealComesAFractionAfterTheLastReport) {
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74));
    timers_.advance(0.13);
    EXPECT_FALSE(panel_->isRevealed());
    timers_.advance(0.01);
    EXPECT_TRUE(panel_->isRevealed());
}

TEST_F(PanelRevealing, RevealNeverWaitsPastSixTenthsOfASecond) {
    auto& c = launch();
    EXPECT_NEAR(timers_.secondsUntilNext(), 0.6, 1e-9);
    timers_.advance(0.3);
    c.updateContentSize(QSizeF(280.5, 74));
    EXPECT_NEAR(timers_.secondsUntilNext(), 0.14, 1e-9);
    timers_.advance(0.1);
    c.updateContentSize(QSizeF(351.5, 74));
    timers_.advance(0.1);
    c.updateContentSize(QSizeF(422.5, 74)); // would settle at 0.64
    EXPECT_NEAR(timers_.secondsUntilNext(), 0.1, 1e-9);
    timers_.advance(0.099);
    EXPECT_FALSE(panel_->isRevealed());
    timers_.advance(0.001);
    EXPECT_TRUE(panel_->isRevealed());
}

TEST_F(PanelRevealing, WithoutAnyReportTheBarShowsAtTheDeadline) {
    launch();
    timers_.advance(0.599);
    EXPECT_FALSE(panel_->isRevealed());
    timers_.advance(0.001);
    EXPECT_TRUE(panel_->isRevealed());
    EXPECT_EQ(timers_.pendingCount(), 0u);
}

TEST_F(PanelRevealing, ShowingAgainOrdersTheSameWindowFront) {
    auto& c = launch();
    test::RecordingPanel* first = panel_;
    timers_.advance(1);
    c.show();
    EXPECT_EQ(panel_, first);
    EXPECT_EQ(first->frontOrders, 2);
    EXPECT_EQ(timers_.pendingCount(), 0u); // nothing to reveal any more
}

} // namespace
} // namespace meterix
