#include "design/JellySprings.h"
#include "design/SpringAnimator.h"
#include "design/SpringCurve.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace meterix {
namespace {

// A move from 0 to 1 starting at rest: the share of the way covered at t.
double progress(const SpringCurve& c, double t) { return 1.0 - c.at(t, 1.0, 0.0).displacement; }

// When such a move comes to rest for good, walking back from long after.
double settleTime(const SpringCurve& c) {
    const double step = 1.0 / 600.0;
    for (double t = 5.0; t > 0; t -= step)
        if (!c.isAtRest(c.at(t, 1.0, 0.0), 1.0)) return t + step;
    return step;
}

double peak(const SpringCurve& c, double until) {
    double highest = 0;
    for (double t = 0; t <= until; t += 0.001) highest = std::max(highest, progress(c, t));
    return highest;
}

const SpringSpec kUnderDamped[] = {JellySprings::layout, JellySprings::hover, JellySprings::popover, JellySprings::digits};

TEST(SpringCurve, StartsAtRestAndSettlesOnTheTarget) {
    for (const SpringSpec& spec : {JellySprings::layout, JellySprings::hover, JellySprings::popover, JellySprings::gauge,
                                   JellySprings::digits}) {
        const SpringCurve c = spec.curve();
        EXPECT_DOUBLE_EQ(progress(c, 0), 0.0);
        const double settle = settleTime(c);
        EXPECT_GT(settle, 0.05);
        EXPECT_LT(settle, 3.0);
        for (double t = settle; t < settle + 2; t += 0.01) EXPECT_NEAR(progress(c, t), 1.0, 0.001) << spec.response;
        // Still moving noticeably shortly before.
        EXPECT_GT(std::abs(progress(c, settle * 0.5) - 1.0), 0.001) << spec.response;
    }
}

TEST(SpringCurve, OvershootsOnlyWhenUnderDamped) {
    for (const SpringSpec& spec : kUnderDamped) EXPECT_GT(peak(spec.curve(), 3.0), 1.001) << spec.response;
    // Critical damping (the gauge) and over-damping approach without passing.
    for (const SpringCurve& c : {JellySprings::gauge.curve(), SpringCurve(0.5, 1.6)}) {
        double last = 0;
        for (double t = 0; t <= 4; t += 0.001) {
            const double p = progress(c, t);
            EXPECT_LE(p, 1.0 + 1e-12);
            EXPECT_GE(p, last - 1e-12); // never turns back
            last = p;
        }
    }
}

TEST(SpringCurve, LessDampingOvershootsMore) {
    EXPECT_GT(peak(SpringCurve(0.4, 0.5), 3), peak(SpringCurve(0.4, 0.8), 3));
}

TEST(SpringCurve, VelocityIsTheSlopeOfTheMotion) {
    for (const SpringCurve& c : {SpringCurve(0.34, 0.77), SpringCurve(0.55, 1.0), SpringCurve(0.3, 1.5)}) {
        for (double t : {0.01, 0.1, 0.25, 0.6}) {
            const double h = 1e-6;
            const double slope = (c.at(t + h, 1.0, -2.0).displacement - c.at(t - h, 1.0, -2.0).displacement) / (2 * h);
            EXPECT_NEAR(c.at(t, 1.0, -2.0).velocity, slope, 1e-4);
        }
    }
}

TEST(SpringCurve, MassStiffnessFormMatchesItsFrequencyAndDamping) {
    const SpringCurve c = SpringCurve::fromMassStiffness(1, 280, 22);
    const double omega = std::sqrt(280.0), zeta = 22.0 / (2.0 * omega);
    EXPECT_NEAR(c.dampingFraction(), zeta, 1e-12);
    const SpringCurve same(2 * std::numbers::pi / omega, zeta);
    for (double t : {0.05, 0.2, 0.6}) EXPECT_NEAR(c.at(t, 1.0, 0.0).displacement, same.at(t, 1.0, 0.0).displacement, 1e-9);
}

TEST(SpringCurve, NonsenseParametersStayFinite) {
    const SpringCurve c(std::nan(""), std::nan(""));
    EXPECT_TRUE(std::isfinite(progress(c, 0.5)));
    const SpringCurve zero(0, 0);
    EXPECT_TRUE(std::isfinite(progress(zero, 0.5)));
}

TEST(JellySprings, PresetsCarryTheirParameters) {
    EXPECT_DOUBLE_EQ(JellySprings::layout.response, 0.38);
    EXPECT_DOUBLE_EQ(JellySprings::layout.dampingFraction, 0.73);
    EXPECT_DOUBLE_EQ(JellySprings::popover.blendDuration, 0.2);
    EXPECT_DOUBLE_EQ(JellySprings::gauge.dampingFraction, 1.0);
    EXPECT_TRUE(JellySprings::pulse.repeatsForever);
    EXPECT_TRUE(JellySprings::pulse.autoreverses);
    EXPECT_FALSE(JellySprings::blink.repeatsForever);
    const QEasingCurve e = EasedSpec::easeInOut();
    EXPECT_NEAR(e.valueForProgress(0.5), 0.5, 1e-3);
    EXPECT_LT(e.valueForProgress(0.1), 0.1); // slow start
    EXPECT_GT(e.valueForProgress(0.9), 0.9); // slow end
}

TEST(SpringAnimator, JumpsWhenNotAnimated) {
    SpringAnimator a(JellySprings::gauge, 10);
    QSignalSpy changed(&a, &SpringAnimator::valueChanged);
    a.setTarget(40, false);
    EXPECT_DOUBLE_EQ(a.value(), 40);
    EXPECT_EQ(a.state(), QAbstractAnimation::Stopped);
    EXPECT_EQ(changed.count(), 1);
    a.setTarget(40, false);
    EXPECT_EQ(changed.count(), 1);
}

TEST(SpringAnimator, FollowsTheCurveAndStopsOnTheTarget) {
    SpringAnimator a(JellySprings::digits, 0);
    a.setTarget(100);
    ASSERT_EQ(a.state(), QAbstractAnimation::Running);
    const SpringCurve c = JellySprings::digits.curve();
    a.setCurrentTime(120);
    EXPECT_NEAR(a.value(), 100 * progress(c, 0.12), 1e-9);
    a.setCurrentTime(5000);
    EXPECT_DOUBLE_EQ(a.value(), 100);
    EXPECT_DOUBLE_EQ(a.velocity(), 0);
    EXPECT_EQ(a.state(), QAbstractAnimation::Stopped); // no timer once still
}

TEST(SpringAnimator, ANewTargetMidFlightKeepsPositionAndVelocity) {
    SpringAnimator a(JellySprings::layout, 0);
    a.setTarget(1);
    a.setCurrentTime(100);
    const double position = a.value();
    const double velocity = a.velocity();
    ASSERT_GT(velocity, 0);
    a.setTarget(-1);
    // Nothing jumps: the new segment starts where the old one was.
    a.setCurrentTime(101);
    EXPECT_NEAR(a.value(), position + velocity * 0.001, 0.01);
    a.setCurrentTime(20000);
    EXPECT_DOUBLE_EQ(a.value(), -1);
}

TEST(SpringAnimator, NonFiniteTargetsAreIgnored) {
    SpringAnimator a(JellySprings::gauge, 3);
    a.setTarget(std::nan(""));
    a.setTarget(INFINITY, false);
    EXPECT_DOUBLE_EQ(a.value(), 3);
    EXPECT_EQ(a.state(), QAbstractAnimation::Stopped);
}

} // namespace
} // namespace meterix
