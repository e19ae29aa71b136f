#include "shell/TimerScheduler.h"

#include "support/EventLoop.h"
#include "support/gui/FakeTimerScheduler.h"

#include <gtest/gtest.h>

#include <cmath>

namespace meterix {
namespace {

TEST(TimerScheduler, DueTasksRunOnTheLoopAndCancelledOnesNever) {
    QtTimerScheduler timers;
    QList<int> ran;
    const auto cancelled = timers.scheduleAfter(0, [&] { ran << 1; });
    timers.scheduleAt(timers.now() - std::chrono::seconds(5), [&] {
        ran << 2;
        // A task may schedule the next one from inside itself.
        timers.scheduleAfter(0, [&] { ran << 3; });
    });
    timers.cancel(cancelled);
    timers.cancel(cancelled); // twice is harmless
    timers.cancel(0);
    ASSERT_TRUE(test::spinEventLoopUntil([&] { return ran.size() == 2; }));
    EXPECT_EQ(ran, (QList<int>{2, 3}));
}

TEST(TimerScheduler, NegativeOrNonFiniteDelaysCountAsNow) {
    const auto t = std::chrono::steady_clock::time_point(std::chrono::seconds(10));
    EXPECT_EQ(TimerScheduler::after(t, -3), t);
    EXPECT_EQ(TimerScheduler::after(t, std::nan("")), t);
    EXPECT_EQ(TimerScheduler::after(t, 0.25), t + std::chrono::milliseconds(250));
}

TEST(FakeTimerScheduler, RunsTasksInDueOrderAtTheirOwnMoment) {
    test::FakeTimerScheduler timers;
    QList<double> seen;
    const auto start = timers.now();
    auto stamp = [&] { seen << std::chrono::duration<double>(timers.now() - start).count(); };
    timers.scheduleAfter(0.3, stamp);
    timers.scheduleAfter(0.1, stamp);
    const auto dropped = timers.scheduleAfter(0.2, stamp);
    timers.cancel(dropped);
    timers.advance(0.25);
    EXPECT_EQ(seen, (QList<double>{0.1}));
    timers.advance(1);
    EXPECT_EQ(seen, (QList<double>{0.1, 0.3}));
    EXPECT_EQ(timers.pendingCount(), 0u);
}

} // namespace
} // namespace meterix
