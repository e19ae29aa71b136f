#include "companion/CatAnimatedValue.h"
#include "companion/EyeTrackingModifier.h"
#include "companion/FaceBlinkLoop.h"
#include "companion/InteractiveFaceView.h"
#include "companion/SparkleEmitterView.h"
#include "design/JellySprings.h"
#include "platform/ui/Appearance.h"

#include "CatTestDoubles.h"
#include "support/FakeClock.h"
#include "support/FakeTimerSource.h"
#include "support/WaitUntil.h"
#include "support/gui/GrabSupport.h"
#include "support/gui/Looks.h"

#include <QEnterEvent>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace meterix {
namespace {

TEST(EyeTracking, OffsetsFollowThePointerWithinTheMaximum) {
    struct Row {
        QPointF at;
        double max;
        QSizeF want;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Row rows[] = {
        {{14, 14}, 2, {0, 0}}, {{0, 0}, 2, {-2, -2}}, {{56, 14}, 2, {2, 0}}, {{14, -28}, 2, {0, -2}},
        {{28, 28}, 2, {2, 2}}, {{7, 21}, 2, {-1, 1}}, {{21, 14}, 4, {2, 0}}, {{nan, 14}, 2, {0, 0}},
    };
    for (const Row& r : rows) {
        const QSizeF got = EyeTrackingModifier::pupilOffsetFor(r.at, r.max);
        EXPECT_NEAR(got.width(), r.want.width(), 1e-9) << r.at.x() << "," << r.at.y();
        EXPECT_NEAR(got.height(), r.want.height(), 1e-9) << r.at.x() << "," << r.at.y();
    }
    const SpringSpec spring = JellySprings::eyeTrack();
    EXPECT_NEAR(spring.response, 2 * M_PI / std::sqrt(280.0), 1e-9);
}

TEST(EyeTracking, HoverMovesThePupilsAndLeavingCentresThem) {
    QWidget face;
    face.resize(28, 28);
    QSizeF offset;
    EyeTrackingModifier* m = trackCursorForPupils(&face, [&](QSizeF s) { offset = s; });
    EXPECT_EQ(m->maxOffset(), 2);
    QMouseEvent move(QEvent::MouseMove, QPointF(0, 0), face.mapToGlobal(QPointF(0, 0)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&face, &move);
    EXPECT_EQ(m->targetOffset(), QSizeF(-2, -2));
    ASSERT_TRUE(test::waitUntil([&] { return std::abs(offset.width() + 2) < 0.01; }));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&face, &leave);
    EXPECT_EQ(m->targetOffset(), QSizeF(0, 0));
    ASSERT_TRUE(test::waitUntil(
        [&] { return std::abs(offset.width()) < 0.01 && std::abs(offset.height()) < 0.01; }));
}

TEST(FaceBlink, NeverSoonerThanFourSecondsAfterAppearingOrTheLastBlink) {
    test::FakeClock clock;
    test::FakeTimerSource timers(clock);
    test::ScriptedRandom random;
    random.waits = {4, 7, 5.5};
    std::vector<bool> changes;
    FaceBlinkLoop loop(timers, random, [&](bool b) { changes.push_back(b); });
    loop.start();
    struct Step {
        double advance;
        bool blinking;
    };
    // 4 s, shut 0.12 s; then 7 s open; then shut again; 5.5 s after that.
    for (const Step& s :
         {Step{3.999, false}, Step{0.001, true}, Step{0.119, true}, Step{0.001, false}, Step{6.999, false},
          Step{0.001, true}, Step{0.12, false}, Step{5.499, false}, Step{0.001, true}}) {
        timers.advance(s.advance);
        EXPECT_EQ(loop.isBlinking(), s.blinking);
    }
    ASSERT_EQ(random.waitIntervals.size(), 3u);
    EXPECT_EQ(random.waitIntervals[0], (std::pair<double, double>(4, 7)));
    loop.stop();
    EXPECT_FALSE(loop.isBlinking());
    EXPECT_EQ(timers.pendingCount(), 0u);
    EXPECT_EQ(changes, (std::vector<bool>{true, false, true, false, true, false}));
}

TEST(FaceView, EachMoodDrawsItsFaceAndBlinksWhileShown) {
    test::showLook(Appearance::Scheme::light);
    test::FakeClock clock;
    test::FakeTimerSource timers(clock);
    test::ScriptedRandom random;
    random.defaultWait = 4;
    QList<QImage> faces;
    QList<qint64> inks;
    for (CharacterState s : {CharacterState::energetic, CharacterState::focused, CharacterState::tired,
                             CharacterState::sleeping, CharacterState::celebrating}) {
        InteractiveFaceView face(s, QSizeF(1, 0), nullptr, &timers, &random, CatMotion{.landsAtOnce = true});
        face.resize(face.sizeHint());
        EXPECT_EQ(face.sizeHint(), QSize(20, 14));
        const QImage open = test::renderWidget(face, 4);
        inks.append(test::inkIn(open, open.rect()));
        EXPECT_GT(inks.back(), 0);
        faces.append(test::onBackdrop(open, Qt::white));
        face.show();
        timers.advance(4);
        EXPECT_TRUE(face.isBlinking());
        EXPECT_DOUBLE_EQ(face.eyeScale(), 0.1);
        const QImage shut = test::renderWidget(face, 4);
        if (s == CharacterState::energetic || s == CharacterState::focused) {
            EXPECT_LT(test::inkIn(shut, shut.rect()), inks.back()); // squashed eyes
        }
        timers.advance(0.12);
        EXPECT_DOUBLE_EQ(face.eyeScale(), 1);
        face.hide();
        EXPECT_EQ(timers.pendingCount(), 0u);
    }
    test::showLook(std::nullopt);
    test::saveGrab(test::sheet(faces, Qt::white), "cat-faces");
}

TEST(Sparkles, TwelveDotsFlyOutAndAreGoneAfterPointEightSeconds) {
    struct Row {
        double draw; // every wait answers at this share of its interval
    };
    for (const Row& r : {Row{0}, Row{0.5}, Row{1}}) {
        struct Fraction final : CatRandomSource {
            double f;
            int roll() override { return 0; }
            double wait(double a, double b) override { return a + (b - a) * f; }
            bool coin() override { return false; }
        } random;
        random.f = r.draw;
        const SparkleEmitterView::Burst burst = SparkleEmitterView::makeBurst(random);
        ASSERT_EQ(burst.start.size(), 12);
        ASSERT_EQ(burst.end.size(), 12);
        for (qsizetype i = 0; i < 12; ++i) {
            const SparkleParticle& a = burst.start[i];
            const SparkleParticle& b = burst.end[i];
            EXPECT_TRUE(SparkleEmitterView::colors().contains(a.color));
            EXPECT_GE(a.size, 2);
            EXPECT_LE(a.size, 4);
            EXPECT_EQ(a.x, 0);
            EXPECT_EQ(a.y, 0);
            EXPECT_EQ(a.opacity, 1);
            EXPECT_DOUBLE_EQ(a.scale, 0.1);
            const double distance = std::hypot(b.x, b.y);
            EXPECT_NEAR(distance, 12 + 16 * r.draw, 1e-9);
            EXPECT_EQ(b.opacity, 0);
            EXPECT_EQ(b.scale, 1);
        }
        for (const SparkleParticle& p : SparkleEmitterView::at(burst, 1.0))
            EXPECT_EQ(p.opacity, 0);
        for (const SparkleParticle& p : SparkleEmitterView::at(burst, 0.5))
            EXPECT_GT(p.opacity, 0);
    }
    SparkleEmitterView view;
    view.resize(view.sizeHint());
    view.show();
    EXPECT_TRUE(view.isPlaying());
    EXPECT_EQ(view.particles().size(), 12);
    ASSERT_TRUE(test::waitUntil([&] { return !view.isPlaying(); }));
    EXPECT_EQ(view.particles().size(), 12);
    for (const SparkleParticle& p : view.particles())
        EXPECT_EQ(p.opacity, 0);
}

} // namespace
} // namespace meterix
