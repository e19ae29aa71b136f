#pragma once

#include <chrono>
#include <functional>

namespace meterix {

// The gate in front of every refresh: closed while the machine sleeps, for a
// while after it wakes, and while the lid is closed on an undocked machine (a
// laptop running closed on an external display keeps collecting). Times are
// monotonic, so a clock set back never holds refreshes up.
struct UsageCollectionPolicy {
    using TimePoint = std::chrono::steady_clock::time_point;

    bool isSleeping = false;
    TimePoint resumeAfter{}; // no collection before this moment
    std::function<TimePoint()> now = [] { return std::chrono::steady_clock::now(); };
    std::function<bool()> isLidClosed = [] { return false; };
    std::function<bool()> isDocked = [] { return false; };

    bool allowsCollection() const;

    // The hold-off after a wake.
    static constexpr std::chrono::seconds wakeHoldOff{30};
    void markAsleep() { isSleeping = true; }
    void markAwake() {
        isSleeping = false;
        resumeAfter = now() + wakeHoldOff;
    }
};

} // namespace meterix
