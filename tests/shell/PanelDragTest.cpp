#include "shell/PanelDrag.h"
#include "shell/PanelFrameStore.h"

#include "PanelControllerFixture.h"

#include <gtest/gtest.h>

namespace meterix {
namespace {

using PanelDragging = test::PanelControllerFixture;
using Mouse = FloatingPanelController::MouseEventKind;

// The frames saved, in order.
class RecordingFrameStore final : public PanelFrameStore {
  public:
    QRectF savedFrame() const override { return saves.isEmpty() ? QRectF() : saves.last(); }
    void save(const QRectF& frame) override { saves.append(frame); }
    QList<QRectF> saves;
};

// Where the bar is left is saved once, on the release, brought back onto the
// screens; a press that never became a drag saves nothing.
TEST(PanelDragAlone, TheBarIsSavedWhereItIsLeftOnTheScreens) {
    const struct {
        QPointF releasedAt; // the pointer's travel from the press
        QList<QRectF> saves;
    } rows[] = {
        {{4, 4}, {}},
        {{100, 200}, {QRectF(680, 229, 280, 74)}},
        {{0, -40}, {QRectF(580, 33, 280, 74)}}, // above the visible top: 8 below it
    };
    for (const auto& row : rows) {
        const QRectF bar(580, 29, 280, 74);
        PanelWindow window{std::make_unique<test::RecordingPanel>(bar), bar};
        ScreenPlacementEngine screens([] { return QList<ScreenArea>{test::kLaptop}; });
        RecordingFrameStore store;
        test::FakeClock clock;
        test::FakeTimerSource timers{clock};
        PanelDrag drag(window, screens, store, timers, {});
        const QPointF press = bar.topLeft() + QPointF(50, 30);
        drag.press(QPointF(50, 30), press, bar);
        drag.move(QPointF(50, 30) + row.releasedAt, press + row.releasedAt);
        drag.release();
        EXPECT_EQ(store.saves, row.saves);
        if (!row.saves.isEmpty()) EXPECT_EQ(window.surface->frame(), row.saves.last());
    }
}

// MARK: - Dragging through the controller

TEST_F(PanelDragging, SevenPixelsOfTravelIsAPressAndMoreIsADrag) {
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74));
    mouse(Mouse::leftDown, {50, 30});
    mouse(Mouse::leftDragged, {57, 30});
    mouse(Mouse::leftDragged, {50, 37});
    EXPECT_FALSE(c.isDragging());
    EXPECT_EQ(panel_->frame().topLeft(), QPointF(580, 29));

    mouse(Mouse::leftDragged, {57.5, 30});
    EXPECT_TRUE(c.isDragging());
    EXPECT_TRUE(c.hasDraggedRecently());
    EXPECT_EQ(panel_->frame().topLeft(), QPointF(587.5, 29)); // follows the pointer
}

TEST_F(PanelDragging, PressOutsideTheBandOrOverTheCatNeverDrags) {
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74));
    mouse(Mouse::leftDown, {50, 60}); // below the 58 band
    mouse(Mouse::leftDragged, {150, 60});
    EXPECT_FALSE(c.isDragging());
    mouse(Mouse::leftUp, {150, 60});

    c.setHoveringCat(true);
    mouse(Mouse::leftDown, {50, 30});
    mouse(Mouse::leftDragged, {150, 30});
    EXPECT_FALSE(c.isDragging());
    mouse(Mouse::leftUp, {150, 30});
    c.setHoveringCat(false);

    mouse(Mouse::leftDown, {50, 30});
    c.setCatDragging(true);
    mouse(Mouse::leftDragged, {150, 30});
    EXPECT_FALSE(c.isDragging());
    EXPECT_EQ(panel_->frame().topLeft(), QPointF(580, 29));
}

TEST_F(PanelDragging, DraggingClosesTheCardAndShrinksTheWindowToTheBarAtOnce) {
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74));
    selected_ = true;
    c.updateContentSize(QSizeF(398, 440));
    ASSERT_EQ(panel_->frame(), QRectF(521, 29, 398, 440));
    mouse(Mouse::leftDown, {100, 20});
    mouse(Mouse::leftDragged, {100, 40});
    EXPECT_EQ(closes_, 1);
    EXPECT_FALSE(selected_);
    EXPECT_EQ(panel_->frame(), QRectF(580, 49, 280, 74));
}

TEST_F(PanelDragging, SizeReportedDuringADragIsAppliedAtTheRelease) {
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74));
    mouse(Mouse::leftDown, {50, 30});
    mouse(Mouse::leftDragged, {50, 130});
    c.updateContentSize(QSizeF(351.5, 74));
    EXPECT_EQ(panel_->frame(), QRectF(580, 129, 280, 74));
    mouse(Mouse::leftUp, {50, 30}); // window-relative: the window is under the pointer
    EXPECT_EQ(panel_->frame(), QRectF(545, 129, 351, 74));
    EXPECT_EQ(saved(), QRectF(545, 129, 351, 74));
}

TEST_F(PanelDragging, ReleaseEndsTheDragAndTheCooldownLastsEighteenHundredths) {
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74));
    timers_.advance(1);
    mouse(Mouse::leftDown, {50, 30});
    mouse(Mouse::leftDragged, {50, 80});
    mouse(Mouse::leftUp, {50, 30});
    EXPECT_FALSE(c.isDragging());
    EXPECT_TRUE(c.hasDraggedRecently());
    timers_.advance(0.179);
    EXPECT_TRUE(c.hasDraggedRecently());
    timers_.advance(0.001);
    EXPECT_FALSE(c.hasDraggedRecently());
}

TEST_F(PanelDragging, DropAboveTheScreenIsBroughtBackAndSaved) {
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74));
    mouse(Mouse::leftDown, {50, 30});
    mouse(Mouse::leftDragged, {50.4, 10.3}); // top 9.3: above the visible top
    mouse(Mouse::leftUp, {50.4, 30});
    EXPECT_EQ(panel_->frame(), QRectF(580, 33, 280, 74)); // origin rounded, 8 below the top
    EXPECT_EQ(saved(), QRectF(580, 33, 280, 74));

    mouse(Mouse::leftDown, {50, 30});
    mouse(Mouse::leftDragged, {1050, 30}); // centre beyond the right edge
    mouse(Mouse::leftUp, {50, 30});
    EXPECT_EQ(panel_->frame(), QRectF(1152, 33, 280, 74));
}

TEST_F(PanelDragging, DroppingLowTurnsTheCardUpward) {
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74));
    EXPECT_FALSE(c.opensUpward());
    mouse(Mouse::leftDown, {50, 30});
    mouse(Mouse::leftDragged, {50, 730});
    EXPECT_FALSE(c.opensUpward()); // not during the drag
    mouse(Mouse::leftUp, {50, 30});
    EXPECT_TRUE(c.opensUpward());
}

} // namespace
} // namespace meterix
