#include "companion/PixelCatEngine.h"
#include "companion/PixelCatLoops.h"

#include "CatTestDoubles.h"
#include "support/FakeClock.h"
#include "support/FakeTimerSource.h"

#include <gtest/gtest.h>

namespace meterix {
namespace {

using Property = PixelCatEngine::Property;

} // namespace

void PrintTo(CatAction a, std::ostream* os) {
    *os << name(a);
}
void PrintTo(CatSprite s, std::ostream* os) {
    *os << PixelCatSprites::name(s);
}

namespace {

class CatEngine : public ::testing::Test {
  protected:
    CatEngine() : timers(clock), feedback(true) {}

    std::unique_ptr<PixelCatEngine> make(bool withBar = true) {
        PixelCatEngine::Dependencies d;
        d.random = &random;
        d.scheduler = &timers;
        d.overlay = &overlay;
        d.feedback = &SoundEffectsEngine::shared();
        auto e = std::make_unique<PixelCatEngine>(d);
        if (withBar) e->setBarLink(&bar);
        e->setChangeHandler([this](Property p, CatAnimation a) { changes.emplace_back(p, a); });
        return e;
    }
    test::FakeClock clock;
    test::FakeTimerSource timers;
    test::ScriptedRandom random;
    test::RecordingOverlay overlay;
    test::FakeBar bar;
    test::FeedbackRecorder feedback;
    std::vector<std::pair<Property, CatAnimation>> changes;
};

TEST_F(CatEngine, StartsWalkingRightFromSixtyWithinItsFirstBounds) {
    auto e = make();
    EXPECT_EQ(e->positionX(), 60);
    EXPECT_FALSE(e->isFacingLeft());
    EXPECT_EQ(e->currentAction(), CatAction::walking);
    EXPECT_EQ(e->currentFrame(), CatSprite::walk1);
    e->tickFrame();
    EXPECT_EQ(e->positionX(), 63);
    EXPECT_EQ(e->currentFrame(), CatSprite::walk1); // the toggle flipped to true
    e->tickFrame();
    EXPECT_EQ(e->positionX(), 66);
    EXPECT_EQ(e->currentFrame(), CatSprite::walk2);
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.front().first, Property::position);
    EXPECT_EQ(changes.front().second.kind, CatAnimation::Kind::linear);
    EXPECT_DOUBLE_EQ(changes.front().second.duration, 0.12);
}

TEST_F(CatEngine, BoundsKeepThirtyPointsAndPullTheCatIn) {
    struct Row {
        double min, max, wantMin, wantMax, wantX;
        bool wantLeft;
    };
    const Row rows[] = {
        {12, 20, 12, 42, 42, true},        // a cat at 60 goes to 42, facing left
        {12, 146.4, 12, 146.4, 60, false}, // inside: stays, facing kept
        {70, 90, 70, 100, 70, false},      // left of the range: to its minimum, facing right
    };
    for (const Row& r : rows) {
        changes.clear();
        auto e = make();
        e->updateBounds(r.min, r.max);
        EXPECT_DOUBLE_EQ(e->positionX(), r.wantX);
        EXPECT_EQ(e->isFacingLeft(), r.wantLeft);
        if (r.wantX != 60) {
            ASSERT_FALSE(changes.empty());
            EXPECT_EQ(changes.front().first, Property::position);
            EXPECT_EQ(changes.front().second.kind, CatAnimation::Kind::easeOut);
            EXPECT_DOUBLE_EQ(changes.front().second.duration, 0.2);
        }
        // Walking to and fro, it turns at the ends of its range.
        random.rolls = std::deque<int>(40, 0); // walking on at every end
        double lowest = e->positionX(), highest = e->positionX();
        for (int tick = 0; tick < 100; ++tick) {
            e->tickFrame();
            lowest = std::min(lowest, e->positionX());
            highest = std::max(highest, e->positionX());
        }
        EXPECT_DOUBLE_EQ(lowest, r.wantMin);
        EXPECT_DOUBLE_EQ(highest, r.wantMax);
        random.rolls.clear();
    }
}

TEST_F(CatEngine, BorderContactTurnsTheCatAndRollsWhatNext) {
    struct Row {
        int roll;
        CatAction action;
    };
    for (const Row& r : {Row{0, CatAction::walking}, Row{69, CatAction::walking}, Row{70, CatAction::sitting},
                         Row{89, CatAction::sitting}, Row{90, CatAction::idle}, Row{100, CatAction::idle}}) {
        auto e = make();
        e->updateBounds(12, 62);  // the cat at 60 faces right; the next step reaches 63
        random.defaultWait = 100; // walking for 2 s, its walk not yet over
        e->tickAI();
        e->tickAI();
        random.rolls = {r.roll};
        e->tickFrame();
        EXPECT_EQ(e->positionX(), 62) << r.roll;
        EXPECT_TRUE(e->isFacingLeft()) << r.roll;
        EXPECT_EQ(e->currentAction(), r.action) << r.roll;
        EXPECT_EQ(e->currentFrame(), CatSprite::walk1) << r.roll; // the walk frame is published all the same
        if (r.action == CatAction::walking) {
            e->tickFrame();
            EXPECT_EQ(e->positionX(), 59) << "walks back inward";
        }
        // Its time starts afresh: a wait of 1.5 s is not yet due a second on
        // (an unscripted roll would fail).
        random.waits = {1.5};
        e->tickAI();
        EXPECT_EQ(e->currentAction(), r.action) << r.roll;
    }
}

TEST_F(CatEngine, AWalkEndsAtTheFirstTickWhoseWaitIsDue) {
    struct Row {
        double wait;
        int endsAtTick;
    };
    for (const Row& r : {Row{10, 10}, Row{4.5, 5}}) {
        auto e = make();
        e->updateBounds(12, 500);
        random.defaultWait = r.wait;
        random.rolls = {0}; // sits when the walk ends
        int tick = 0;
        while (e->currentAction() == CatAction::walking && tick < 20) {
            ++tick;
            e->tickAI();
        }
        EXPECT_EQ(tick, r.endsAtTick) << r.wait;
        EXPECT_EQ(e->currentAction(), CatAction::sitting);
        ASSERT_FALSE(random.waitIntervals.empty());
        EXPECT_EQ(random.waitIntervals.back(), (std::pair<double, double>(4.5, 10)));
        random.waitIntervals.clear();
    }
}

TEST_F(CatEngine, BehaviourTableChoosesTheNextAction) {
    struct Row {
        CatAction from;
        std::pair<double, double> interval;
        std::deque<int> rolls;
        std::deque<bool> coins;
        CatAction to;
    };
    auto reach = [&](PixelCatEngine& e, CatAction a) { e.setAction(a); };
    const Row rows[] = {
        {CatAction::walking, {4.5, 10}, {34}, {}, CatAction::sitting},
        {CatAction::walking, {4.5, 10}, {64}, {}, CatAction::idle},
        {CatAction::idle, {2, 4.5}, {54}, {true}, CatAction::walking},
        {CatAction::idle, {2, 4.5}, {79}, {}, CatAction::sitting},
        {CatAction::idle, {2, 4.5}, {80}, {}, CatAction::stretching},
        {CatAction::sitting, {3.5, 7}, {34}, {}, CatAction::grooming},
        {CatAction::sitting, {3.5, 7}, {69}, {false}, CatAction::walking},
        {CatAction::sitting, {3.5, 7}, {84}, {}, CatAction::layingDown},
        {CatAction::sitting, {3.5, 7}, {85}, {}, CatAction::sleeping},
        {CatAction::grooming, {3, 5.5}, {44}, {}, CatAction::sitting},
        {CatAction::grooming, {3, 5.5}, {45}, {true}, CatAction::walking},
        {CatAction::layingDown, {5, 10}, {}, {true}, CatAction::sitting},
        {CatAction::layingDown, {5, 10}, {}, {false}, CatAction::sleeping},
        {CatAction::sleeping, {8, 16}, {}, {}, CatAction::stretching},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(name(r.from)) + " -> " + name(r.to));
        auto e = make();
        e->updateBounds(12, 200); // x 60: more than 20 from either end, so walking draws a coin
        reach(*e, r.from);
        random.waits = {0};
        random.rolls = r.rolls;
        random.coins = r.coins;
        random.waitIntervals.clear();
        e->tickAI();
        EXPECT_EQ(e->currentAction(), r.to);
        ASSERT_EQ(random.waitIntervals.size(), 1u);
        EXPECT_EQ(random.waitIntervals[0], r.interval);
        EXPECT_TRUE(random.rolls.empty() && random.coins.empty());
        if (r.to == CatAction::walking) {
            EXPECT_EQ(e->isFacingLeft(), r.coins.front());
        }
    }
    // Walking rolls 65 and up turn it around and restart its walking time.
    auto e = make();
    random.waits = {0};
    random.rolls = {65};
    e->tickAI();
    EXPECT_EQ(e->currentAction(), CatAction::walking);
    EXPECT_TRUE(e->isFacingLeft());
    random.waits = {1.5}; // its time starts afresh: not yet due a second on
    e->tickAI();
    EXPECT_EQ(e->currentAction(), CatAction::walking);
    EXPECT_TRUE(e->isFacingLeft());
    // Stretching draws nothing and walks once two seconds have passed; near an end it walks inward.
    auto s = make();
    s->updateBounds(50, 80);
    s->setAction(CatAction::stretching);
    random.waitIntervals.clear();
    s->tickAI();
    EXPECT_EQ(s->currentAction(), CatAction::stretching);
    s->tickAI();
    EXPECT_EQ(s->currentAction(), CatAction::walking);
    EXPECT_FALSE(s->isFacingLeft()); // 60 <= 50 + 20
    EXPECT_TRUE(random.waitIntervals.empty());
}

TEST_F(CatEngine, FramesFollowTheActionAndTheCounters) {
    struct Row {
        CatAction action;
        std::vector<CatSprite> frames; // four ticks from a fresh engine
    };
    using S = CatSprite;
    const Row rows[] = {
        {CatAction::idle, {S::idle1, S::idle2, S::idle2, S::idle1}},
        {CatAction::sitting, {S::sit1, S::sit1, S::sit2, S::sit1}},
        {CatAction::grooming, {S::wash1, S::wash2, S::wash1, S::wash2}},
        {CatAction::layingDown, {S::loaf, S::loaf, S::loaf, S::loaf}},
        {CatAction::sleeping, {S::sleep1, S::sleep2, S::sleep2, S::sleep1}},
        {CatAction::stretching, {S::stretch, S::stretch, S::stretch, S::stretch}},
        {CatAction::happy, {S::happy, S::happy, S::happy, S::happy}},
    };
    for (const Row& r : rows) {
        auto e = make();
        e->setAction(r.action);
        for (size_t i = 0; i < r.frames.size(); ++i) {
            e->tickFrame();
            EXPECT_EQ(e->currentFrame(), r.frames[i]) << name(r.action) << " tick " << i;
        }
        EXPECT_EQ(e->positionX(), 60) << "only walking moves";
    }
    // The sleep bubble rises once; leaving sleep fades it and keeps its offset.
    auto e = make();
    e->setAction(CatAction::sleeping);
    changes.clear();
    e->tickFrame();
    e->tickFrame();
    EXPECT_EQ(e->zBubbleOpacity(), 1);
    EXPECT_EQ(e->zBubbleOffset(), -8);
    EXPECT_EQ(
        std::count_if(changes.begin(), changes.end(), [](auto& c) { return c.first == Property::zBubble; }),
        1);
    e->setAction(CatAction::sitting);
    EXPECT_EQ(e->zBubbleOpacity(), 0);
    EXPECT_EQ(e->zBubbleOffset(), -8);
    EXPECT_EQ(changes.back().second.kind, CatAnimation::Kind::easeOut);
}

TEST_F(CatEngine, NoBehaviourTickCountsWhileHappyDanglingOrHeld) {
    auto e = make();
    e->setAction(CatAction::happy);
    e->tickAI();
    e->setAction(CatAction::dangling);
    e->tickAI();
    e->onDragStarted(QPointF(500, 300));
    e->setAction(CatAction::sitting); // the tap's follow-up can sit a held cat
    e->tickAI();
    e->tickAI();
    EXPECT_TRUE(random.waitIntervals.empty()); // no second counted, no wait asked
}

TEST_F(CatEngine, DanglingStartsAtTheSecondFrameAndASecondLiftCarriesOn) {
    auto e = make();
    bar.layerOrigin = QPointF(100, 200);
    overlay.runCompletionAtOnce = true;
    e->onDragStarted(QPointF(10, 10));
    ASSERT_EQ(overlay.count(test::RecordingOverlay::Call::start), 1u);
    EXPECT_EQ(overlay.calls[0].sprite, CatSprite::walk1); // still the previous action's frame
    e->tickFrame();
    EXPECT_EQ(e->currentFrame(), CatSprite::dangle2);
    EXPECT_EQ(overlay.calls.back().kind, test::RecordingOverlay::Call::frame);
    EXPECT_EQ(overlay.calls.back().sprite, CatSprite::dangle2);
    e->tickFrame();
    EXPECT_EQ(e->currentFrame(), CatSprite::dangle3);
    e->onDragEnded(QSizeF(0, 0), QPointF(10, 10));
    EXPECT_EQ(e->currentAction(), CatAction::sitting);
    e->onDragStarted(QPointF(10, 10));
    e->tickFrame();
    EXPECT_EQ(e->currentFrame(), CatSprite::dangle1);
}

TEST_F(CatEngine, TapHopsShowsAHeartAndSitsAfterOnePointZeroFiveSeconds) {
    for (bool soundOn : {true, false}) {
        SoundEffectsEngine::shared().setSoundEnabled(soundOn);
        feedback.sink->sounds.clear();
        auto e = make();
        e->setAction(CatAction::sleeping);
        e->tickFrame();
        changes.clear();
        e->onCatTapped();
        EXPECT_EQ(e->currentAction(), CatAction::happy);
        EXPECT_EQ(e->jumpOffsetY(), -7);
        EXPECT_EQ(e->heartOpacity(), 1);
        EXPECT_EQ(e->heartOffset(), -14);
        EXPECT_EQ(e->zBubbleOpacity(), 0);
        timers.advance(0.349);
        EXPECT_EQ(e->jumpOffsetY(), -7);
        timers.advance(0.001);
        EXPECT_EQ(e->jumpOffsetY(), 0);
        timers.advance(0.699);
        EXPECT_EQ(e->currentAction(), CatAction::happy);
        timers.advance(0.001);
        EXPECT_EQ(e->currentAction(), CatAction::sitting);
        EXPECT_EQ(e->heartOpacity(), 0);
        EXPECT_EQ(e->heartOffset(), -22);
        EXPECT_EQ(feedback.sink->sounds.size(), soundOn ? 1u : 0u);
    }
    // A dangling cat ignores taps.
    auto e = make();
    e->setAction(CatAction::dangling);
    e->onCatTapped();
    EXPECT_EQ(e->currentAction(), CatAction::dangling);
    EXPECT_EQ(timers.pendingCount(), 0u);
}

TEST_F(CatEngine, DropLandsOnTheBarWithinBoundsOrAtThePointWithoutABar) {
    struct Row {
        bool withBar;
        double dx;
        double wantX;
        QPointF wantTarget;
    };
    const Row rows[] = {
        {true, 900, 146.4, QPointF(100 + 146.4 + 16, 212)}, // far right: the right bound
        {true, -900, 12, QPointF(100 + 12 + 16, 212)},      // far left: the left bound
        {true, 20, 80, QPointF(100 + 80 + 16, 212)},
        {false, 900, 146.4, QPointF(1500, 40)}, // no bar window: the drop point
    };
    for (const Row& r : rows) {
        overlay.calls.clear();
        bar.layerOrigin = QPointF(100, 200);
        bar.catDragging = false;
        auto e = make(r.withBar);
        e->updateBounds(12, 146.4);
        e->onDragStarted(QPointF(300, 220));
        EXPECT_TRUE(e->isBeingHeld());
        EXPECT_EQ(bar.catDragging, r.withBar);
        e->onDragChanged(QSizeF(r.dx, 30), QPointF(1500, 40));
        EXPECT_EQ(e->isFacingLeft(), r.dx < 0);
        e->onDragEnded(QSizeF(r.dx, 30), QPointF(1500, 40));
        ASSERT_EQ(overlay.calls.back().kind, test::RecordingOverlay::Call::end);
        EXPECT_NEAR(overlay.calls.back().point.x(), r.wantTarget.x(), 1e-9);
        EXPECT_NEAR(overlay.calls.back().point.y(), r.wantTarget.y(), 1e-9);
        // Held until the overlay has put the cat down.
        EXPECT_TRUE(e->isBeingHeld());
        EXPECT_EQ(e->positionX(), 60);
        ASSERT_TRUE(overlay.pendingCompletion);
        std::exchange(overlay.pendingCompletion, nullptr)();
        EXPECT_FALSE(e->isBeingHeld());
        EXPECT_FALSE(bar.catDragging);
        EXPECT_DOUBLE_EQ(e->positionX(), r.wantX);
        EXPECT_EQ(e->currentAction(), CatAction::sitting);
        EXPECT_EQ(e->jumpOffsetY(), 0);
    }
    // A completion that outlives its engine does nothing.
    auto e = make();
    e->onDragStarted(QPointF());
    e->onDragEnded(QSizeF(), QPointF());
    auto completion = std::exchange(overlay.pendingCompletion, nullptr);
    e.reset();
    EXPECT_FALSE(bar.catDragging); // and the bar is given its drags back
    completion();
}

TEST_F(CatEngine, HoverStopsOnlyAWalkingCat) {
    auto e = make();
    e->onBarHover(false);
    EXPECT_EQ(e->currentAction(), CatAction::walking);
    e->onBarHover(true);
    EXPECT_EQ(e->currentAction(), CatAction::idle);
    e->setAction(CatAction::sleeping);
    e->onBarHover(true);
    EXPECT_EQ(e->currentAction(), CatAction::sleeping);
}

TEST_F(CatEngine, LoopsRunOnlyWhileShownAndVisible) {
    auto e = make();
    std::vector<bool> switched;
    e->setLoopSwitch([&](bool run) { switched.push_back(run); });
    EXPECT_EQ(switched, std::vector<bool>{false});
    e->setApplicationVisible(false);
    e->viewAppeared();
    EXPECT_FALSE(switched.back());
    e->setApplicationVisible(true);
    EXPECT_TRUE(switched.back());
    e->setApplicationVisible(false);
    EXPECT_FALSE(switched.back());
    e->setApplicationVisible(true);
    e->viewDisappeared();
    EXPECT_EQ(switched, (std::vector<bool>{false, true, false, true, false}));
}

TEST_F(CatEngine, TheLoopsRunByTheRuleAndTickBehaviourOnceASecondOfFrames) {
    auto e = make();
    {
        PixelCatLoops loops(*e);
        EXPECT_FALSE(loops.isRunning());
        const auto* timer = loops.findChild<QTimer*>(QStringLiteral("catFrameTimer"));
        ASSERT_TRUE(timer);
        EXPECT_EQ(timer->interval(), 120);
        EXPECT_EQ(timer->timerType(), Qt::PreciseTimer);
        e->viewAppeared();
        EXPECT_TRUE(loops.isRunning());
        e->setApplicationVisible(false);
        EXPECT_FALSE(loops.isRunning());
        e->setApplicationVisible(true);
        EXPECT_TRUE(loops.isRunning());

        // A sitting cat counts its seconds: the frame ticks on which they were
        // counted lie within half a frame of each whole second, and 25 seconds
        // of frames hold 25 of them. Each counted second asks whether the
        // sitting is over.
        e->setAction(CatAction::sitting);
        std::vector<int> counted;
        for (int tick = 1; tick <= 25 * 1000 / 120 + 1; ++tick) {
            const size_t before = random.waitIntervals.size();
            loops.frameTick();
            if (random.waitIntervals.size() != before) counted.push_back(tick);
        }
        ASSERT_EQ(counted.size(), 25u);
        for (size_t i = 0; i < counted.size(); ++i)
            EXPECT_LE(std::abs(counted[i] * 120 - int(i + 1) * 1000), 60) << "second " << i + 1;
        // Stopped and started again, the count starts afresh: a second of frames.
        e->setApplicationVisible(false);
        e->setApplicationVisible(true);
        const size_t before = random.waitIntervals.size();
        for (int tick = 0; tick < 7; ++tick) loops.frameTick();
        EXPECT_EQ(random.waitIntervals.size(), before);
        loops.frameTick();
        EXPECT_EQ(random.waitIntervals.size(), before + 1);
    }
    e->viewDisappeared(); // the loops object is gone: nothing to switch, nothing breaks
}

} // namespace
} // namespace meterix
