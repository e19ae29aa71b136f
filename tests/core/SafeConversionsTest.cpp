#include "core/SafeConversions.h"

#include "core/IsoDate.h"

#include <gtest/gtest.h>

#include <limits>

namespace meterix {
namespace {

TEST(SafeConversionsTest, TruncatesTowardZeroWithinSixtyFourBits) {
    EXPECT_EQ(truncatedInt64(42.9), 42);
    EXPECT_EQ(truncatedInt64(-42.9), -42);
    EXPECT_EQ(truncatedInt64(0.5), 0);
    EXPECT_EQ(truncatedInt64(-9223372036854775808.0), std::numeric_limits<int64_t>::min());
    // The largest double below 2^63.
    EXPECT_EQ(truncatedInt64(9223372036854774784.0), 9223372036854774784LL);
}

TEST(SafeConversionsTest, RefusesWhatDoesNotFit) {
    EXPECT_EQ(truncatedInt64(9223372036854775808.0), std::nullopt);
    EXPECT_EQ(truncatedInt64(-9.3e18), std::nullopt);
    EXPECT_EQ(truncatedInt64(1e300), std::nullopt);
    EXPECT_EQ(truncatedInt64(std::numeric_limits<double>::infinity()), std::nullopt);
    EXPECT_EQ(truncatedInt64(-std::numeric_limits<double>::infinity()), std::nullopt);
    EXPECT_EQ(truncatedInt64(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
}

TEST(SafeConversionsTest, UnixSecondsBecomeDatesHeldWithinTheYearsOurStoresRead) {
    EXPECT_EQ(dateFromUnixSeconds(0), QDateTime::fromSecsSinceEpoch(0, Qt::UTC));
    EXPECT_EQ(dateFromUnixSeconds(1768478400.25), QDateTime(QDate(2026, 1, 15), QTime(12, 0, 0, 250), Qt::UTC));
    EXPECT_EQ(dateFromUnixSeconds(-86400), QDateTime(QDate(1969, 12, 31), QTime(0, 0), Qt::UTC));
    for (double huge : {1e300, 1e18, std::numeric_limits<double>::infinity()}) {
        const QDateTime d = dateFromUnixSeconds(huge);
        ASSERT_TRUE(d.isValid());
        EXPECT_EQ(d.date(), QDate(9999, 12, 31));
        EXPECT_TRUE(parseIsoDate(isoDateString(d)));
    }
    for (double tiny : {-1e300, -1e18, -std::numeric_limits<double>::infinity()}) {
        const QDateTime d = dateFromUnixSeconds(tiny);
        ASSERT_TRUE(d.isValid());
        EXPECT_EQ(d.date(), QDate(1, 1, 1));
        EXPECT_TRUE(parseIsoDate(isoDateString(d)));
    }
    EXPECT_EQ(dateFromUnixSeconds(std::numeric_limits<double>::quiet_NaN()), QDateTime::fromSecsSinceEpoch(0, Qt::UTC));
}

} // namespace
} // namespace meterix
