#include "platform/ui/Haptics.h"

#include <gtest/gtest.h>

namespace meterix {
namespace {

TEST(Haptics, EachPatternIsCountedOnItsOwn) {
    const int alignment = Haptics::performedCount(Haptics::Pattern::alignment);
    const int level = Haptics::performedCount(Haptics::Pattern::levelChange);
    Haptics::perform(Haptics::Pattern::alignment);
    Haptics::perform(Haptics::Pattern::alignment);
    Haptics::perform(Haptics::Pattern::levelChange);
    EXPECT_EQ(Haptics::performedCount(Haptics::Pattern::alignment), alignment + 2);
    EXPECT_EQ(Haptics::performedCount(Haptics::Pattern::levelChange), level + 1);
}

} // namespace
} // namespace meterix
