#pragma once

#include "core/Clock.h"
#include "core/TimerSource.h"

#include <chrono>
#include <functional>
#include <optional>

namespace meterix {

struct PanelWindow;

// Keeps the bar's window hidden until its content has settled: it shows a
// moment after the last size report, and never later than a deadline from the
// first request to show it. Once shown it stays shown. GUI thread.
class PanelReveal {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    static constexpr double settleDelay = 0.14;
    static constexpr double hardDeadline = 0.6;

    // revealed: the window has just become visible.
    PanelReveal(PanelWindow& window, TimerSource& timers, const Clock& clock, std::function<void()> revealed);
    ~PanelReveal();
    PanelReveal(const PanelReveal&) = delete;
    PanelReveal& operator=(const PanelReveal&) = delete;

    // The window was asked to show: at the latest at the deadline.
    void showRequested();
    // The content reported a size: a moment later, unless the deadline is sooner.
    void contentReported();

    // When a reveal requested now happens: 0.14 s later, never past the deadline.
    static TimePoint revealTime(TimePoint now, TimePoint deadline);

private:
    TimePoint deadline();
    void arm(TimePoint at);
    void reveal();

    PanelWindow& window_;
    TimerSource& timers_;
    const Clock& clock_;
    std::function<void()> revealed_;
    TimerSource::Id token_ = 0;
    std::optional<TimePoint> at_;
    std::optional<TimePoint> deadline_;
};

} // namespace meterix
