#include "platform/ui/Haptics.h"

#include <atomic>

namespace meterix {

namespace {
std::atomic<int>& counter(Haptics::Pattern pattern) {
    static std::atomic<int> counts[2];
    return counts[pattern == Haptics::Pattern::alignment ? 0 : 1];
}
} // namespace

void Haptics::perform(Pattern pattern) { counter(pattern).fetch_add(1, std::memory_order_relaxed); }

int Haptics::performedCount(Pattern pattern) { return counter(pattern).load(std::memory_order_relaxed); }

} // namespace meterix
