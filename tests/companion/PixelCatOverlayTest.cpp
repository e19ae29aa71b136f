#include "companion/CatOverlaySurface.h"
#include "companion/PixelCatOverlayController.h"

#include "CatTestDoubles.h"
#include "support/FakeClock.h"
#include "support/FakeTimerSource.h"

#include <gtest/gtest.h>

#include <cmath>

namespace meterix {
namespace {

class FakeSurface final : public CatOverlaySurface {
  public:
    std::vector<QRectF> fits;
    int fronts = 0, outs = 0, changes = 0;
    bool shown = false;
    CatAnimation lastPosition, lastJump;
    void fitTo(const QRectF& f) override { fits.push_back(f); }
    void orderFront() override {
        ++fronts;
        shown = true;
    }
    void orderOut() override {
        ++outs;
        shown = false;
    }
    void stateChanged(CatAnimation p, CatAnimation j) override {
        ++changes;
        lastPosition = p;
        lastJump = j;
    }
};

class CatOverlayTest : public ::testing::Test {
  protected:
    CatOverlayTest()
        : timers(clock), feedback(true), overlay(
                                             timers, [this] { return screens; },
                                             [this](PixelCatOverlayController&) {
                                                 ++made;
                                                 auto s = std::make_unique<FakeSurface>();
                                                 surface = s.get();
                                                 return s;
                                             },
                                             SoundEffectsEngine::shared()) {}

    test::FakeClock clock;
    test::FakeTimerSource timers;
    test::FeedbackRecorder feedback;
    PixelCatOverlayController::Screens screens{{QRectF(0, 0, 1920, 1080)}, QRectF(0, 0, 1920, 1080)};
    int made = 0;
    FakeSurface* surface = nullptr;
    PixelCatOverlayController overlay;
};

TEST_F(CatOverlayTest, ScreenUnionFallsBackToThePrimaryThenAFixedFrame) {
    using S = PixelCatOverlayController::Screens;
    struct Row {
        S screens;
        QRectF want;
    };
    const Row rows[] = {
        {S{{QRectF(0, 0, 1920, 1080), QRectF(1920, -200, 1280, 1024)}, QRectF(0, 0, 1920, 1080)},
         QRectF(0, -200, 3200, 1280)},
        {S{{}, QRectF(0, 0, 2560, 1440)}, QRectF(0, 0, 2560, 1440)},
        {S{{QRectF()}, QRectF(10, 10, 800, 600)}, QRectF(10, 10, 800, 600)},
        {S{{}, std::nullopt}, QRectF(0, 0, 1440, 900)},
    };
    for (const Row& r : rows)
        EXPECT_EQ(PixelCatOverlayController::screenUnion(r.screens), r.want);
}

TEST_F(CatOverlayTest, TheReturnSpringIsMassOneStiffness240Damping16) {
    const SpringSpec s = PixelCatOverlayController::returnSpring();
    EXPECT_NEAR(s.response, 2 * M_PI / std::sqrt(240.0), 1e-9);
    EXPECT_NEAR(s.dampingFraction, 16 / (2 * std::sqrt(240.0)), 1e-9);
}

TEST_F(CatOverlayTest, TheFirstCarryMakesTheWindowAndLaterCarriesRefitIt) {
    EXPECT_EQ(made, 0);
    overlay.startDrag(QPointF(100, 50), true, CatSprite::sit1);
    ASSERT_EQ(made, 1);
    EXPECT_TRUE(overlay.isDragging());
    EXPECT_TRUE(overlay.isVisible());
    EXPECT_EQ(overlay.catScreenPosition(), QPointF(100, 50));
    EXPECT_TRUE(overlay.isFacingLeft());
    EXPECT_EQ(overlay.currentFrame(), CatSprite::sit1);
    EXPECT_EQ(surface->fronts, 1);
    overlay.endDrag(QPointF(), [] {});
    timers.advance(1);
    screens.frames.append(QRectF(1920, 0, 1920, 1080));
    overlay.startDrag(QPointF(2000, 50), false, CatSprite::walk1);
    EXPECT_EQ(made, 1);
    ASSERT_EQ(surface->fits.size(), 2u);
    EXPECT_EQ(surface->fits[0], QRectF(0, 0, 1920, 1080));
    EXPECT_EQ(surface->fits[1], QRectF(0, 0, 3840, 1080));
}

TEST_F(CatOverlayTest, UpdatesCountOnlyWhileCarryingAndFramesWhileShown) {
    overlay.updateDrag(QPointF(5, 5), 10);
    overlay.updateFrame(CatSprite::dangle3);
    EXPECT_EQ(overlay.catScreenPosition(), QPointF());
    EXPECT_EQ(overlay.currentFrame(), CatSprite::dangle1);

    overlay.startDrag(QPointF(100, 100), false, CatSprite::walk1);
    struct Row {
        double dx;
        bool left;
    };
    for (const Row& r : {Row{-3, true}, Row{2, true}, Row{-2, true}, Row{2.5, false}, Row{0, false}}) {
        overlay.updateDrag(QPointF(200 + r.dx, 300), r.dx);
        EXPECT_EQ(overlay.isFacingLeft(), r.left) << r.dx;
    }
    EXPECT_EQ(overlay.catScreenPosition(), QPointF(200, 300));
    overlay.updateFrame(CatSprite::dangle2);
    EXPECT_EQ(overlay.currentFrame(), CatSprite::dangle2);

    overlay.endDrag(QPointF(400, 40), [] {});
    overlay.updateDrag(QPointF(9, 9), -50); // the return is under way: ignored
    EXPECT_EQ(overlay.catScreenPosition(), QPointF(400, 40));
    EXPECT_FALSE(overlay.isFacingLeft());
    overlay.updateFrame(CatSprite::dangle3); // still shown: taken
    EXPECT_EQ(overlay.currentFrame(), CatSprite::dangle3);
    timers.advance(0.34);
    overlay.updateFrame(CatSprite::dangle1); // idle again: ignored
    EXPECT_EQ(overlay.currentFrame(), CatSprite::dangle3);
}

TEST_F(CatOverlayTest, ADropSpringsBackAndHidesWithItsCompletionOnceAfter034Seconds) {
    for (bool soundOn : {true, false}) {
        SoundEffectsEngine::shared().setSoundEnabled(soundOn);
        feedback.sink->sounds.clear();
        int completions = 0;
        // Idle: the completion runs at once.
        overlay.endDrag(QPointF(1, 1), [&] { ++completions; });
        EXPECT_EQ(completions, 1);
        EXPECT_TRUE(feedback.sink->sounds.empty());

        overlay.startDrag(QPointF(100, 100), false, CatSprite::dangle2);
        overlay.endDrag(QPointF(300, 40), [&] { ++completions; });
        EXPECT_FALSE(overlay.isDragging());
        EXPECT_TRUE(overlay.isVisible());
        EXPECT_EQ(overlay.catScreenPosition(), QPointF(300, 40));
        EXPECT_EQ(overlay.jumpOffsetY(), -4);
        EXPECT_EQ(surface->lastPosition.kind, CatAnimation::Kind::spring);
        EXPECT_EQ(feedback.sink->sounds.size(), soundOn ? 1u : 0u);
        timers.advance(0.279);
        EXPECT_EQ(overlay.jumpOffsetY(), -4);
        timers.advance(0.001);
        EXPECT_EQ(overlay.jumpOffsetY(), 0);
        EXPECT_EQ(surface->lastJump.kind, CatAnimation::Kind::spring);
        timers.advance(0.059);
        EXPECT_TRUE(overlay.isVisible());
        EXPECT_EQ(completions, 1);
        timers.advance(0.001);
        EXPECT_FALSE(overlay.isVisible());
        EXPECT_FALSE(surface->shown);
        EXPECT_EQ(completions, 2);
        timers.advance(5);
        EXPECT_EQ(completions, 2);
    }
}

TEST_F(CatOverlayTest, ANewCarryDuringAReturnFinishesThatReturnFirst) {
    int completions = 0;
    overlay.startDrag(QPointF(100, 100), false, CatSprite::dangle2);
    overlay.endDrag(QPointF(300, 40), [&] { ++completions; });
    overlay.startDrag(QPointF(10, 10), false, CatSprite::sit1);
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(overlay.isVisible());
    EXPECT_TRUE(overlay.isDragging());
    timers.advance(1);
    EXPECT_TRUE(overlay.isVisible()); // the cancelled return does not hide the new carry
    EXPECT_EQ(completions, 1);
}

} // namespace
} // namespace meterix
