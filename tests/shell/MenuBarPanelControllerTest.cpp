#include "shell/MenuBarPanelController.h"

#include "design/SoundEffectsEngine.h"

#include "support/FakeClock.h"
#include "support/FakeTimerSource.h"
#include "support/QtPrinters.h"
#include "support/gui/FakeMouseMonitor.h"

#include <gtest/gtest.h>

namespace meterix {
namespace {

using Key = MenuBarPanelController::KeyCommand;

// The panel's window as the controller drives it: moves and fades are recorded
// and end when the test says so.
class FakePanel final : public MenuBarPanelSurface {
  public:
    struct Animation {
        QRectF frame;
        double alpha;
        double seconds;
        QEasingCurve curve;
        std::function<void()> done;
    };

    QRectF frame() const override { return frame_; }
    void setFrame(const QRectF& frame) override {
        frame_ = frame;
        ++setFrames;
        if (running) running->frame = frame;
    }
    double alpha() const override { return alpha_; }
    void setAlpha(double alpha) override { alpha_ = alpha; }
    void animate(const QRectF& frame, double alpha, double seconds, const QEasingCurve& curve,
                 std::function<void()> done) override {
        finish(); // a new animation ends the one under way
        running = Animation{frame, alpha, seconds, curve, std::move(done)};
        animations.append(*running);
    }
    void orderFront() override { orderedIn = true; }
    void orderOut() override { orderedIn = false; }
    bool isWindow(const QObject*) const override { return false; }
    void setContentHeightLimit(double height) override { heightLimit = height; }

    void finish() {
        if (!running) return;
        Animation a = std::move(*running);
        running.reset();
        frame_ = a.frame;
        alpha_ = a.alpha;
        if (a.done) a.done();
    }

    std::optional<Animation> running;
    QList<Animation> animations;
    int setFrames = 0;
    bool orderedIn = false;
    std::optional<double> heightLimit;

  private:
    QRectF frame_;
    double alpha_ = 1;
};

// One 1440 x 900 screen with a 25-pt panel across its top.
const QList<ScreenArea> kOneScreen = {{QRectF(0, 0, 1440, 900), QRectF(0, 25, 1440, 875)}};
// And a second one to its right with a 40-pt panel along its bottom.
const QList<ScreenArea> kTwoScreens = {kOneScreen.first(),
                                       {QRectF(1440, 0, 1920, 1080), QRectF(1440, 0, 1920, 1040)}};

TEST(MenuBarPanelPlacementTest, HangsUnderTheIconInsideTheVisibleFrame) {
    struct Row {
        const char* name;
        QList<ScreenArea> screens;
        QSizeF size;
        QRectF icon;
        QPointF origin;
    };
    const QList<Row> rows = {
        {"centred under the icon, the card 5 pt below it",
         kOneScreen,
         {372, 320},
         {700, 0, 24, 22},
         {526, 9}},
        {"near the right edge: the panel's right edge 10 pt beyond the visible frame",
         kOneScreen,
         {372, 320},
         {1420, 0, 20, 22},
         {1078, 9}},
        {"near the left edge: the card 8 pt inside", kOneScreen, {372, 320}, {0, 0, 20, 22}, {-10, 9}},
        {"no geometry: under the top of the main visible frame", kOneScreen, {372, 320}, {}, {534, 12}},
        {"a panel taller than the screen keeps its card's top 8 pt inside it",
         kOneScreen,
         {372, 1000},
         {700, 0, 24, 22},
         {526, 15}},
        {"just fits at the bottom", kOneScreen, {372, 901}, {700, 0, 24, 22}, {526, 9}},
        {"an icon on the second screen's bottom panel",
         kTwoScreens,
         {372, 320},
         {3300, 1050, 24, 30},
         {2998, 730}},
        {"no screens: the fallback frame", {}, {372, 320}, {}, {534, -13}},
        {"rounded to whole points", kOneScreen, {372, 320}, {700.4, 0, 24, 22.3}, {526, 9}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const QRectF f = ScreenPlacementEngine::statusPanelFrame(r.size, r.icon, r.screens);
        EXPECT_EQ(f.topLeft(), r.origin);
        EXPECT_EQ(f.size(), r.size);
    }
}

TEST(MenuBarPanelPlacementTest, WithoutAnIconFrameTheTopRightOfThePointersScreen) {
    struct Row {
        QPointF pointer;
        QPointF origin;
    };
    const QList<Row> rows = {
        {{300, 600}, {1078, 13}},   // the card 8 pt from the right, 6 pt under the visible top
        {{2000, 500}, {2998, -12}}, // the second screen, whose visible frame starts at its top
        {{5000, 500}, {2998, -12}}, // off every screen: the nearest
    };
    for (const Row& r : rows) {
        const QRectF anchor = ScreenPlacementEngine::pointerAnchor(r.pointer, kTwoScreens);
        EXPECT_EQ(ScreenPlacementEngine::statusPanelFrame({372, 320}, anchor, kTwoScreens).topLeft(), r.origin)
            << r.pointer.x();
    }
}

// The tallest content whose card fits: under an icon high on its screen, the
// room below the icon; from an icon low on it (the card lifted over it), the
// visible height; 8 pt kept at the bottom, the 18 pt margins added.
TEST(MenuBarPanelPlacementTest, HeightLimitKeepsTheWholeCardOnTheScreen) {
    const QList<ScreenArea> small = {{QRectF(0, 0, 800, 600), QRectF(0, 0, 800, 600)}};
    const struct {
        QRectF icon;
        double limit;
    } rows[] = {{{700, 0, 24, 24}, 600 - 8 - 29 + 36},
                {{700, 576, 24, 24}, 600 - 16 + 36},
                {ScreenPlacementEngine::pointerAnchor({500, 300}, small), 600 - 8 - 6 + 36}};
    for (const auto& r : rows)
        EXPECT_DOUBLE_EQ(ScreenPlacementEngine::statusPanelHeightLimit(r.icon, small), r.limit) << r.icon.y();
}

TEST(MenuBarPanelPlacementTest, ContentSizesWithinHalfAPointAreNoise) {
    const QSizeF current(372, 320);
    struct Row {
        QSizeF size;
        bool taken;
    };
    const QList<Row> rows = {
        {{372.5, 320.5}, false}, {{372.6, 320}, true},    {{372, 319.4}, true},
        {{372, 320}, false},     {{1, 400}, false},       {{372, 1}, false},
        {{1.5, 1.5}, true},      {{qQNaN(), 400}, false}, {{372, qInf()}, false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(MenuBarPanelController::acceptsContentSize(r.size, current), r.taken)
            << r.size.width() << " x " << r.size.height();
}

TEST(MenuBarPanelPlacementTest, KeysTakeOnlyTheCtrlFlagIntoAccount) {
    struct Row {
        int key;
        Qt::KeyboardModifiers mods;
        Key command;
    };
    const QList<Row> rows = {
        {Qt::Key_Escape, {}, Key::hide},
        {Qt::Key_Escape, Qt::ShiftModifier, Key::hide},
        {Qt::Key_W, Qt::ControlModifier, Key::hide},
        {Qt::Key_R, Qt::ControlModifier, Key::refreshAll},
        {Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier, Key::refreshAll},
        {Qt::Key_R, Qt::ControlModifier | Qt::AltModifier, Key::refreshAll},
        {Qt::Key_Comma, Qt::ControlModifier, Key::openSettings},
        {Qt::Key_Q, Qt::ControlModifier, Key::quit},
        {Qt::Key_R, {}, Key::none},
        {Qt::Key_Q, Qt::AltModifier, Key::none},
        {Qt::Key_A, {}, Key::none},
        {Qt::Key_A, Qt::ControlModifier, Key::none},
    };
    for (const Row& r : rows)
        EXPECT_EQ(MenuBarPanelController::keyCommand(r.key, r.mods), r.command) << r.key;
}

class MenuBarPanelControllerTest : public ::testing::Test {
  protected:
    MenuBarPanelControllerTest() : engine_([] { return kOneScreen; }), controller_(engine_, timers_, clock_) {
        controller_.setPanelFactory([this](const QRectF& frame) {
            auto panel = std::make_unique<FakePanel>();
            panel->setFrame(frame);
            panel_ = panel.get();
            return panel;
        });
        MenuBarPanelController::Hooks hooks;
        hooks.resetNavigation = [this] { calls << QStringLiteral("reset"); };
        hooks.openSettings = [this] { calls << QStringLiteral("settings"); };
        hooks.refreshAll = [this] { calls << QStringLiteral("refreshAll"); };
        hooks.refreshOnOpen = [this] { calls << QStringLiteral("refreshOnOpen"); };
        hooks.quit = [this] { calls << QStringLiteral("quit"); };
        hooks.statusItemFrame = [] { return QRectF(700, 0, 24, 22); };
        hooks.pointer = [] { return QPointF(300, 600); };
        controller_.setHooks(std::move(hooks));
        auto monitor = std::make_unique<test::FakeMouseMonitor>();
        monitor_ = monitor.get();
        controller_.setGlobalMouseMonitor(std::move(monitor));
    }

    const QRectF icon_{700, 0, 24, 22};
    ScreenPlacementEngine engine_;
    test::FakeClock clock_;
    test::FakeTimerSource timers_{clock_};
    MenuBarPanelController controller_;
    FakePanel* panel_ = nullptr;
    test::FakeMouseMonitor* monitor_ = nullptr;
    QStringList calls;
};

TEST_F(MenuBarPanelControllerTest, ShowsSlidingDownFadingInAndRefreshing) {
    controller_.toggle(icon_);
    ASSERT_TRUE(panel_);
    EXPECT_TRUE(controller_.isVisible());
    EXPECT_TRUE(panel_->orderedIn);
    // Placed for 372 x 320 until the content reports, starting 7 pt higher, clear.
    ASSERT_TRUE(panel_->running);
    EXPECT_EQ(panel_->running->frame, QRectF(526, 9, 372, 320));
    EXPECT_EQ(panel_->frame(), QRectF(526, 2, 372, 320));
    EXPECT_EQ(panel_->alpha(), 0);
    EXPECT_EQ(panel_->running->alpha, 1);
    EXPECT_DOUBLE_EQ(panel_->running->seconds, 0.18);
    EXPECT_EQ(calls, (QStringList{"reset", "refreshOnOpen"}));
    EXPECT_TRUE(monitor_->isListening());
    // The content was told how tall it may be under this icon.
    EXPECT_EQ(panel_->heightLimit, ScreenPlacementEngine::statusPanelHeightLimit(icon_, kOneScreen));

    // Two clicks in a row: shown, then hidden (the fade leaves the frame alone).
    controller_.toggle(icon_);
    EXPECT_FALSE(controller_.isVisible());
    EXPECT_FALSE(monitor_->isListening());
    EXPECT_EQ(panel_->running->alpha, 0);
    EXPECT_DOUBLE_EQ(panel_->running->seconds, 0.13);
    panel_->finish();
    EXPECT_FALSE(panel_->orderedIn);
    EXPECT_EQ(calls, (QStringList{"reset", "refreshOnOpen", "reset"}));
}

TEST_F(MenuBarPanelControllerTest, ShowAgainDuringTheFadeKeepsThePanel) {
    controller_.toggle(icon_);
    panel_->finish();
    controller_.hide();
    const FakePanel::Animation fade = *panel_->running;
    // A click while the fade runs: isVisible is already false, so it shows again.
    controller_.toggle(icon_);
    EXPECT_TRUE(controller_.isVisible());
    // The fade's completion (run when the show cut it short) left the panel up.
    EXPECT_TRUE(panel_->orderedIn);
    EXPECT_EQ(calls.count(QStringLiteral("reset")), 2); // each show, not the cut-short fade
    panel_->finish();
    EXPECT_TRUE(panel_->orderedIn);
    EXPECT_EQ(panel_->alpha(), 1);
    EXPECT_DOUBLE_EQ(fade.seconds, 0.13);
}

TEST_F(MenuBarPanelControllerTest, SizeChangesApplyAtOnceWhileSettlingAndAnimateAfter) {
    controller_.updateContentSize({372, 400}); // before any show: kept for the first one
    controller_.toggle(icon_);
    EXPECT_EQ(panel_->running->frame.size(), QSizeF(372, 400));
    const int before = panel_->setFrames;
    controller_.updateContentSize({372, 460});
    EXPECT_EQ(panel_->setFrames, before + 1);
    EXPECT_EQ(panel_->frame(), QRectF(526, 9, 372, 460));
    timers_.advance(0.21);
    controller_.updateContentSize({372, 470}); // still settling
    EXPECT_EQ(panel_->setFrames, before + 2);
    EXPECT_EQ(panel_->frame(), QRectF(526, 9, 372, 470));
    timers_.advance(0.02);
    panel_->finish();
    const int animationsBefore = panel_->animations.size();
    controller_.updateContentSize({372, 470.5}); // half a point: nothing
    EXPECT_EQ(panel_->animations.size(), animationsBefore);
    controller_.updateContentSize({372, 471.1});
    ASSERT_EQ(panel_->animations.size(), animationsBefore + 1);
    EXPECT_EQ(panel_->setFrames, before + 2);
    EXPECT_DOUBLE_EQ(panel_->running->seconds, 0.24);
    EXPECT_EQ(panel_->running->curve, MenuBarPanelController::resizeCurve());
    EXPECT_EQ(panel_->running->frame, QRectF(526, 9, 372, 471.1));
    // Hidden, a size is only kept.
    controller_.hide();
    panel_->finish();
    const int settled = panel_->animations.size();
    controller_.updateContentSize({372, 300});
    EXPECT_EQ(panel_->animations.size(), settled);
    EXPECT_EQ(controller_.contentSize(), QSizeF(372, 300));
}

TEST_F(MenuBarPanelControllerTest, KeysAndClicksWhileOpen) {
    controller_.toggle(icon_);
    panel_->finish();
    calls.clear();
    EXPECT_TRUE(controller_.handleKeyDown(Qt::Key_R, Qt::ControlModifier));
    EXPECT_TRUE(controller_.handleKeyDown(Qt::Key_Comma, Qt::ControlModifier));
    EXPECT_TRUE(controller_.handleKeyDown(Qt::Key_Q, Qt::ControlModifier));
    EXPECT_FALSE(controller_.handleKeyDown(Qt::Key_A, {})); // reaches the content
    EXPECT_EQ(calls, (QStringList{"refreshAll", "settings", "quit"}));
    EXPECT_TRUE(controller_.isVisible());

    // Clicks: in the card and on the status item stay; the 18-pt margin is outside.
    controller_.handleMouseDown({600, 100});
    controller_.handleMouseDown({710, 10});
    EXPECT_TRUE(controller_.isVisible());
    controller_.handleMouseDown({530, 100});
    EXPECT_FALSE(controller_.isVisible());

    controller_.toggle(icon_);
    EXPECT_TRUE(controller_.handleKeyDown(Qt::Key_Escape, {}));
    EXPECT_FALSE(controller_.isVisible());
    controller_.toggle(icon_);
    EXPECT_TRUE(controller_.handleKeyDown(Qt::Key_W, Qt::ControlModifier));
    EXPECT_FALSE(controller_.isVisible());
}

TEST_F(MenuBarPanelControllerTest, ClicksInOtherProgramsClose) {
    monitor_->press(); // closed: nothing to do
    EXPECT_FALSE(controller_.isVisible());
    controller_.toggle(); // no icon frame: the top right of the pointer's screen
    ASSERT_TRUE(controller_.isVisible());
    EXPECT_EQ(panel_->running->frame.topLeft(), QPointF(1078, 13));
    monitor_->press();
    EXPECT_FALSE(controller_.isVisible());
    // A tray in another program reports the same click on its icon just after.
    clock_.advance(0.1);
    controller_.toggle();
    EXPECT_FALSE(controller_.isVisible());
    clock_.advance(0.3);
    controller_.toggle();
    EXPECT_TRUE(controller_.isVisible());
    // An icon in our own window is never taken for a click elsewhere.
    monitor_->press();
    controller_.toggle(icon_);
    EXPECT_TRUE(controller_.isVisible());
}

} // namespace
} // namespace meterix
