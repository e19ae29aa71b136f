#include "shell/FloatingPanelController.h"
#include "core/MeterixPreferences.h"
#include "platform/ui/GlobalMouseMonitor.h"
#include "shell/ScreenPlacementEngine.h"

#include "support/FakeClock.h"
#include "support/FakeTimerSource.h"
#include "support/gui/FakeMouseMonitor.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace meterix {
namespace {

using Kind = FloatingPanelController::InitialPlacement::Kind;
using Mouse = FloatingPanelController::MouseEventKind;

// A 1440 x 900 display with a 25 px panel along its top: the visible frame
// runs from y 25 to 900.
const ScreenArea kLaptop{QRectF(0, 0, 1440, 900), QRectF(0, 25, 1440, 875)};
const ScreenArea kExternal{QRectF(1440, 0, 1920, 1080), QRectF(1440, 0, 1920, 1080)};

// The window as the controller sees it, remembering what was done to it.
class RecordingPanel final : public FloatingPanelSurface {
  public:
    explicit RecordingPanel(const QRectF& frame) : frame_(frame) {}
    QRectF frame() const override { return frame_; }
    void setFrame(const QRectF& frame) override {
        frame_ = frame;
        ++frameChanges;
    }
    void setOrigin(const QPointF& origin) override { frame_.moveTopLeft(origin); }
    bool isRevealed() const override { return revealed_; }
    void reveal() override { revealed_ = true; }
    void orderFront() override { ++frontOrders; }
    bool isWindow(const QObject*) const override { return false; }

    int frameChanges = 0;
    int frontOrders = 0;

  private:
    QRectF frame_;
    bool revealed_ = false;
};

using test::FakeMouseMonitor;

class PanelController : public ::testing::Test {
  protected:
    PanelController()
        : settings_(
              std::make_shared<QSettings>(dir_.filePath(QStringLiteral("prefs.conf")), QSettings::IniFormat)),
          prefs_(settings_), engine_([this] { return screens_; }) {
        prefs_.setPixelCatEnabled(false);
    }

    void save(double x, double y, double w, double h) {
        prefs_.setPanelOriginX(x);
        prefs_.setPanelOriginY(y);
        prefs_.setPanelWidth(w);
        prefs_.setPanelHeight(h);
    }
    QRectF saved() const {
        return QRectF(prefs_.panelOriginX(), prefs_.panelOriginY(), prefs_.panelWidth(),
                      prefs_.panelHeight());
    }

    // A controller whose window is a RecordingPanel, shown.
    FloatingPanelController& launch() {
        controller_ = std::make_unique<FloatingPanelController>(engine_, prefs_, timers_, clock_);
        controller_->setPanelFactory([this](const QRectF& frame) {
            auto panel = std::make_unique<RecordingPanel>(frame);
            panel_ = panel.get();
            return panel;
        });
        controller_->setCardHooks([this] { return selected_; },
                                  [this] {
                                      selected_ = false;
                                      ++closes_;
                                  });
        controller_->show();
        return *controller_;
    }

    void mouse(Mouse kind, QPointF windowLocation, bool inPanel = true) {
        controller_->handleMouseEvent(kind, panel_->frame().topLeft() + windowLocation, inPanel);
    }

    QTemporaryDir dir_;
    std::shared_ptr<QSettings> settings_;
    MeterixPreferences prefs_;
    QList<ScreenArea> screens_{kLaptop};
    ScreenPlacementEngine engine_;
    test::FakeClock clock_;
    test::FakeTimerSource timers_{clock_};
    std::unique_ptr<FloatingPanelController> controller_;
    RecordingPanel* panel_ = nullptr;
    bool selected_ = false;
    int closes_ = 0;
};

// MARK: - First placement

TEST_F(PanelController, FirstLaunchCentresTheBarFourBelowTheVisibleTop) {
    auto& c = launch();
    ASSERT_TRUE(panel_);
    EXPECT_EQ(panel_->frame(), QRectF(530, 29, 380, 58));
    EXPECT_EQ(c.pendingInitialPlacement()->kind, Kind::topCenter);
    EXPECT_FALSE(panel_->isRevealed());

    c.updateContentSize(QSizeF(280.5, 74)); // three segments
    EXPECT_EQ(panel_->frame(), QRectF(580, 29, 280, 74));
    EXPECT_EQ(c.restingBarFrame(), QRectF(580, 29, 280, 74));
    EXPECT_EQ(saved(), QRectF(580, 29, 280, 74));
    EXPECT_FALSE(c.pendingInitialPlacement().has_value());
    EXPECT_FALSE(c.opensUpward());
}

TEST_F(PanelController, WithoutScreensTheFirstPlacementUsesTheFallbackFrame) {
    screens_.clear();
    const auto choice = FloatingPanelController::chooseInitialPlacement(100, 100, 300, 74, engine_);
    EXPECT_EQ(choice.placement.kind, Kind::topCenter);
    EXPECT_EQ(choice.initialFrame, QRectF(530, 4, 380, 58));
}

TEST_F(PanelController, SavedFrameHighOnTheScreenKeepsItsLeftAndTopEdges) {
    save(100, 200, 300, 74); // bottom edge 626 above the visible bottom
    auto& c = launch();
    EXPECT_EQ(panel_->frame(), QRectF(100, 200, 300, 74));
    EXPECT_EQ(c.pendingInitialPlacement()->kind, Kind::restored);
    c.updateContentSize(QSizeF(351.5, 100));
    EXPECT_EQ(panel_->frame(), QRectF(100, 200, 351, 100));
    EXPECT_FALSE(c.opensUpward());
}

TEST_F(PanelController, SavedFrameLowOnTheScreenKeepsItsLeftAndBottomEdges) {
    save(100, 700, 300, 74); // bottom edge 774: 126 above the visible bottom
    auto& c = launch();
    c.updateContentSize(QSizeF(351.5, 100));
    EXPECT_TRUE(c.opensUpward());
    EXPECT_EQ(panel_->frame(), QRectF(100, 674, 351, 100));
    EXPECT_EQ(saved(), QRectF(100, 674, 351, 100));
}

TEST_F(PanelController, SavedSizeOfTenOrLessUsesTheOriginAtTheDefaultSize) {
    save(300, 300, 10, 74);
    auto& c = launch();
    EXPECT_EQ(c.pendingInitialPlacement()->kind, Kind::restoredOrigin);
    EXPECT_EQ(panel_->frame(), QRectF(300, 300, 380, 58));
    c.updateContentSize(QSizeF(209.5, 74));
    EXPECT_EQ(panel_->frame(), QRectF(300, 300, 209, 74));
}

TEST_F(PanelController, NegativeSavedCoordinateGoesToTheTopCentre) {
    save(-1, 300, 300, 74);
    launch();
    EXPECT_EQ(panel_->frame(), QRectF(530, 29, 380, 58));
    EXPECT_EQ(FloatingPanelController::chooseInitialPlacement(300, -0.5, 300, 74, engine_).placement.kind,
              Kind::topCenter);
}

TEST_F(PanelController, SavedFrameOffEveryScreenFallsBackToOriginThenTopCentre) {
    // The frame reaches no screen, but its origin at the default size does.
    auto c = FloatingPanelController::chooseInitialPlacement(1430, 100, 4000, 74, engine_);
    EXPECT_EQ(c.placement.kind, Kind::restored); // its first ten pixels are on the screen
    c = FloatingPanelController::chooseInitialPlacement(1500, 100, 300, 74, engine_);
    EXPECT_EQ(c.placement.kind, Kind::topCenter);
    c = FloatingPanelController::chooseInitialPlacement(1420, 850, 5, 5, engine_);
    EXPECT_EQ(c.placement.kind, Kind::restoredOrigin);
    EXPECT_EQ(c.initialFrame, QRectF(1420, 850, 380, 58));
}

TEST_F(PanelController, AbsurdOrUnreadableSavedValuesCountAsUnset) {
    // Four times the largest screen is the most a saved value may reach.
    auto choose = [this](double x, double y, double w, double h) {
        return FloatingPanelController::chooseInitialPlacement(x, y, w, h, engine_).placement.kind;
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

// MARK: - Reveal

TEST_F(PanelController, RevealComesAFractionAfterTheLastReport) {
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74));
    timers_.advance(0.13);
    EXPECT_FALSE(panel_->isRevealed());
    timers_.advance(0.01);
    EXPECT_TRUE(panel_->isRevealed());
    EXPECT_FALSE(c.revealScheduledAt().has_value());
}

TEST_F(PanelController, RevealNeverWaitsPastSixTenthsOfASecond) {
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

TEST_F(PanelController, WithoutAnyReportTheBarShowsAtTheDeadline) {
    launch();
    timers_.advance(0.599);
    EXPECT_FALSE(panel_->isRevealed());
    timers_.advance(0.001);
    EXPECT_TRUE(panel_->isRevealed());
    EXPECT_EQ(timers_.pendingCount(), 0u);
}

TEST_F(PanelController, ShowingAgainOrdersTheSameWindowFront) {
    auto& c = launch();
    RecordingPanel* first = panel_;
    timers_.advance(1);
    c.show();
    EXPECT_EQ(panel_, first);
    EXPECT_EQ(first->frontOrders, 2);
    EXPECT_EQ(timers_.pendingCount(), 0u); // nothing to reveal any more
}

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
    EXPECT_DOUBLE_EQ(c.currentPanelWidth(), 280);

    c.updateContentSize(QSizeF(10.5, 74));
    EXPECT_DOUBLE_EQ(c.currentPanelWidth(), 10);
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
    const QRectF resting = c.restingBarFrame();
    const QRectF before = saved();
    selected_ = true;
    c.cardStateChanged();
    c.updateContentSize(QSizeF(398, 440)); // bar, gap and card
    EXPECT_EQ(panel_->frame(), QRectF(521, 29, 398, 440));
    EXPECT_EQ(c.restingBarFrame(), resting);
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
    EXPECT_DOUBLE_EQ(panel_->frame().bottom(), c.restingBarFrame().bottom());
    // The direction never flips under an open card.
    c.checkPlacementDirection();
    EXPECT_TRUE(c.opensUpward());
}

TEST_F(PanelController, CardModeWithinOnePixelStaysPut) {
    auto& c = launch();
    c.updateContentSize(QSizeF(398, 440));
    const QRectF before = saved();
    const QRectF resting = c.restingBarFrame();
    c.updateContentSize(QSizeF(398.9, 440.9));
    EXPECT_EQ(c.restingBarFrame(), resting);
    EXPECT_EQ(saved(), before);
}

// MARK: - Direction and hit tests

TEST_F(PanelController, DirectionFlipsAtTwoHundredSixtyAboveTheVisibleBottom) {
    EXPECT_FALSE(FloatingPanelController::opensUpwardFor(QRectF(100, 582, 280, 58), engine_)); // 260 left
    EXPECT_TRUE(FloatingPanelController::opensUpwardFor(QRectF(100, 582.5, 280, 58), engine_));
    // A bar on the second display is judged by that display.
    screens_ = {kLaptop, kExternal};
    EXPECT_FALSE(FloatingPanelController::opensUpwardFor(QRectF(1600, 700, 280, 58), engine_));
}

TEST(PanelHitTest, BarBandIsAtTheTopOrTheBottomOfTheWindow) {
    const QSizeF window(398, 440);
    EXPECT_TRUE(FloatingPanelController::isLocationInsideBar({0, 58}, window, false, 58));
    EXPECT_TRUE(FloatingPanelController::isLocationInsideBar({398, 0}, window, false, 58));
    EXPECT_FALSE(FloatingPanelController::isLocationInsideBar({10, 58.5}, window, false, 58));
    EXPECT_FALSE(FloatingPanelController::isLocationInsideBar({398.5, 10}, window, false, 58));
    EXPECT_FALSE(FloatingPanelController::isLocationInsideBar({-0.5, 10}, window, false, 58));
    EXPECT_TRUE(FloatingPanelController::isLocationInsideBar({10, 382}, window, true, 58));
    EXPECT_FALSE(FloatingPanelController::isLocationInsideBar({10, 381}, window, true, 58));
    // With the cat the band is 78.
    EXPECT_TRUE(FloatingPanelController::isLocationInsideBar({10, 78}, window, false, 78));
}

TEST(PanelHitTest, CardColumnIsTheCentredCardWidthBesideTheBand) {
    const QSizeF window(398, 440);
    EXPECT_FALSE(FloatingPanelController::isLocationInsideCard({199, 200}, window, false, 58, false));
    EXPECT_TRUE(FloatingPanelController::isLocationInsideCard({40, 58}, window, false, 58, true));
    EXPECT_TRUE(FloatingPanelController::isLocationInsideCard({358, 440}, window, false, 58, true));
    EXPECT_FALSE(FloatingPanelController::isLocationInsideCard({39.5, 200}, window, false, 58, true));
    EXPECT_FALSE(FloatingPanelController::isLocationInsideCard({358.5, 200}, window, false, 58, true));
    EXPECT_FALSE(FloatingPanelController::isLocationInsideCard({199, 57}, window, false, 58, true));
    EXPECT_TRUE(FloatingPanelController::isLocationInsideCard({199, 382}, window, true, 58, true));
    EXPECT_FALSE(FloatingPanelController::isLocationInsideCard({199, 383}, window, true, 58, true));
}

TEST(PanelHitTest, BarPartOfAWindowWithACard) {
    const QRectF panel(521, 29, 398, 440);
    EXPECT_EQ(FloatingPanelController::barFrameWithin(panel, QSizeF(280, 74), false),
              QRectF(580, 29, 280, 74));
    EXPECT_EQ(FloatingPanelController::barFrameWithin(panel, QSizeF(280, 74), true),
              QRectF(580, 395, 280, 74));
}

// MARK: - Dragging

TEST_F(PanelController, SevenPixelsOfTravelIsAPressAndMoreIsADrag) {
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

TEST_F(PanelController, PressOutsideTheBandOrOverTheCatNeverDrags) {
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

TEST_F(PanelController, DraggingClosesTheCardAndShrinksTheWindowToTheBarAtOnce) {
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
    EXPECT_EQ(c.restingBarFrame(), QRectF(580, 49, 280, 74));
}

TEST_F(PanelController, SizeReportedDuringADragIsAppliedAtTheRelease) {
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74));
    mouse(Mouse::leftDown, {50, 30});
    mouse(Mouse::leftDragged, {50, 130});
    c.updateContentSize(QSizeF(351.5, 74));
    EXPECT_EQ(c.pendingContentSize(), QSizeF(351.5, 74));
    EXPECT_EQ(panel_->frame(), QRectF(580, 129, 280, 74));
    mouse(Mouse::leftUp, {50, 30}); // window-relative: the window is under the pointer
    EXPECT_FALSE(c.pendingContentSize().has_value());
    EXPECT_EQ(panel_->frame(), QRectF(545, 129, 351, 74));
    EXPECT_EQ(saved(), QRectF(545, 129, 351, 74));
}

TEST_F(PanelController, ReleaseEndsTheDragAndTheCooldownLastsEighteenHundredths) {
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

TEST_F(PanelController, DropAboveTheScreenIsBroughtBackAndSaved) {
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

TEST_F(PanelController, DroppingLowTurnsTheCardUpward) {
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74));
    EXPECT_FALSE(c.opensUpward());
    mouse(Mouse::leftDown, {50, 30});
    mouse(Mouse::leftDragged, {50, 730});
    EXPECT_FALSE(c.opensUpward()); // not during the drag
    mouse(Mouse::leftUp, {50, 30});
    EXPECT_TRUE(c.opensUpward());
}

// MARK: - Closing the card

TEST_F(PanelController, ClicksOutsideTheCardCloseItAndClicksInsideDoNot) {
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74));
    selected_ = true;
    c.updateContentSize(QSizeF(398, 440));
    mouse(Mouse::rightDown, {199, 200}); // inside the card
    EXPECT_TRUE(selected_);
    mouse(Mouse::leftDown, {199, 200});
    mouse(Mouse::leftUp, {199, 200});
    EXPECT_TRUE(selected_);
    mouse(Mouse::leftDown, {10, 200}); // in the window, beside the card
    EXPECT_FALSE(selected_);

    selected_ = true;
    mouse(Mouse::rightDown, {10, 300});
    EXPECT_FALSE(selected_);
    selected_ = true;
    mouse(Mouse::leftDown, {199, 200}, false); // another window of the app
    EXPECT_FALSE(selected_);
}

TEST_F(PanelController, OutsideClicksAreListenedForOnlyWhileACardIsOpen) {
    auto& c = launch();
    auto monitor = std::make_unique<FakeMouseMonitor>();
    FakeMouseMonitor* m = monitor.get();
    c.setGlobalMouseMonitor(std::move(monitor));
    EXPECT_FALSE(m->isListening());
    selected_ = true;
    c.cardStateChanged();
    EXPECT_TRUE(m->isListening());
    m->press();
    EXPECT_FALSE(selected_);
    c.cardStateChanged();
    EXPECT_FALSE(m->isListening());
    m->press(); // nothing open: nothing to close
    EXPECT_EQ(closes_, 1);
}

// MARK: - Screens

TEST_F(PanelController, RemovedDisplayMovesTheBarOntoARemainingOne) {
    screens_ = {kLaptop, kExternal};
    save(2000, 500, 280, 74);
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74));
    ASSERT_EQ(panel_->frame(), QRectF(2000, 500, 280, 74));
    screens_ = {kLaptop};
    c.screenParametersChanged();
    EXPECT_EQ(panel_->frame(), QRectF(1152, 500, 280, 74));
    EXPECT_EQ(c.restingBarFrame(), QRectF(1152, 500, 280, 74));
    EXPECT_EQ(saved(), QRectF(1152, 500, 280, 74));
}

TEST_F(PanelController, DisplayChangeWithACardAboveKeepsTheBarUnderIt) {
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
    const QRectF resting = c.restingBarFrame();
    EXPECT_EQ(resting, QRectF(1152, 818, 280, 74));
    // The whole window moved with the bar: the bar's part is the resting frame.
    EXPECT_EQ(FloatingPanelController::barFrameWithin(panel_->frame(), resting.size(), true), resting);
    EXPECT_EQ(saved(), resting);
}

TEST_F(PanelController, DisplayChangeOntoAHalfPixelEdgeLeavesTheBarAtWholePixels) {
    auto& c = launch();
    c.updateContentSize(QSizeF(280.5, 74));
    ASSERT_EQ(c.restingBarFrame(), QRectF(580, 29, 280, 74));
    screens_ = {{QRectF(0, 0, 1440, 900), QRectF(0, 40.5, 1440, 859.5)}}; // a taller panel at 1.5 times the scale
    c.screenParametersChanged(); // the bar's top comes back 8 below 40.5
    EXPECT_EQ(c.restingBarFrame(), QRectF(580, 49, 280, 74));
    EXPECT_EQ(saved(), QRectF(580, 49, 280, 74));
}

TEST_F(PanelController, DisplayChangeThatLeavesTheBarInPlaceWritesNothing) {
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
