#include "refresh/UsageCollectionPolicy.h"

#include <gtest/gtest.h>

using namespace meterix;
using namespace std::chrono_literals;

TEST(CollectionPolicy, GateClosesForSleepHoldOffAndAnUndockedClosedLid) {
    UsageCollectionPolicy::TimePoint clock{std::chrono::hours(1)};
    bool lid = false, docked = false;
    UsageCollectionPolicy p;
    p.now = [&] { return clock; };
    p.isLidClosed = [&] { return lid; };
    p.isDocked = [&] { return docked; };
    EXPECT_TRUE(p.allowsCollection());

    p.markAsleep();
    EXPECT_FALSE(p.allowsCollection());
    p.markAwake();
    EXPECT_FALSE(p.allowsCollection());
    clock += 29s;
    EXPECT_FALSE(p.allowsCollection());
    clock += 1s;
    EXPECT_TRUE(p.allowsCollection()); // from 30 s after wake

    lid = true;
    EXPECT_FALSE(p.allowsCollection());
    docked = true; // closed on an external display: keep collecting
    EXPECT_TRUE(p.allowsCollection());
}
