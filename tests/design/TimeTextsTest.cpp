#include "core/L10n.h"
#include "core/Localization.h"
#include "design/TimeTexts.h"

#include "support/FakeClock.h"
#include "support/Speaking.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace meterix {
namespace {

class TimeTexts : public ::testing::TestWithParam<ResolvedLanguage> {
protected:
    void SetUp() override { test::speak(GetParam()); }
    void TearDown() override { test::speak(); }
    bool korean() const { return GetParam() == ResolvedLanguage::korean; }
    QString pick(const char* ko, const char* en) const { return QString::fromUtf8(korean() ? ko : en); }

    test::FakeClock clock;
    QDateTime ago(double seconds) const { return clock.now().addMSecs(-qint64(std::llround(seconds * 1000))); }
};

TEST_P(TimeTexts, CountdownBoundaries) {
    EXPECT_EQ(quotaCountdownText(59), pick("곧 리셋", "Resets soon"));
    EXPECT_EQ(quotaCountdownText(60), pick("1분 후", "in 1m"));
    EXPECT_EQ(quotaCountdownText(3599), pick("59분 후", "in 59m"));
    EXPECT_EQ(quotaCountdownText(3600), pick("1시간 후", "in 1h"));
    EXPECT_EQ(quotaCountdownText(3659), pick("1시간 후", "in 1h"));
    EXPECT_EQ(quotaCountdownText(3660), pick("1시간 1분 후", "in 1h 1m"));
    EXPECT_EQ(quotaCountdownText(86399), pick("23시간 59분 후", "in 23h 59m"));
    EXPECT_EQ(quotaCountdownText(86400), pick("1일 후", "in 1d"));
    EXPECT_EQ(quotaCountdownText(90000), pick("1일 1시간 후", "in 1d 1h"));
    EXPECT_EQ(quotaCountdownText(86400 + 3599), pick("1일 후", "in 1d"));
    EXPECT_EQ(quotaCountdownText(-5), pick("곧 리셋", "Resets soon"));
    EXPECT_EQ(quotaCountdownText(60.9), quotaCountdownText(60)); // truncated, not rounded
    EXPECT_EQ(quotaCountdownText(119.9), pick("1분 후", "in 1m"));
}

TEST_P(TimeTexts, CountdownOfNonsenseIsASafeText) {
    EXPECT_EQ(quotaCountdownText(std::nan("")), pick("곧 리셋", "Resets soon"));
    EXPECT_EQ(quotaCountdownText(-INFINITY), pick("곧 리셋", "Resets soon"));
    EXPECT_FALSE(quotaCountdownText(INFINITY).isEmpty());
    EXPECT_FALSE(quotaCountdownText(1e300).isEmpty());
    EXPECT_EQ(quotaCountdownText(1e300), quotaCountdownText(std::numeric_limits<double>::max()));
}

TEST_P(TimeTexts, RelativeUpdateBoundaries) {
    EXPECT_EQ(relativeUpdateText(ago(59.9), clock), pick("방금 업데이트", "Updated just now"));
    EXPECT_EQ(relativeUpdateText(ago(60), clock), pick("1분 전 업데이트", "Updated 1m ago"));
    EXPECT_EQ(relativeUpdateText(ago(3599), clock), pick("59분 전 업데이트", "Updated 59m ago"));
    EXPECT_EQ(relativeUpdateText(ago(3600), clock), pick("1시간 전 업데이트", "Updated 1h ago"));
    EXPECT_EQ(relativeUpdateText(ago(2 * 86400), clock), pick("48시간 전 업데이트", "Updated 48h ago"));
    EXPECT_EQ(relativeUpdateText(ago(-600), clock), pick("방금 업데이트", "Updated just now"));
    EXPECT_EQ(relativeUpdateText(QDateTime(), clock), pick("방금 업데이트", "Updated just now"));
}

TEST_P(TimeTexts, ReadingAgeBoundaries) {
    EXPECT_EQ(accountReadingAgeText(ago(59.9), clock), pick("방금 기준", "as of just now"));
    EXPECT_EQ(accountReadingAgeText(ago(60), clock), pick("1분 전 기준", "as of 1m ago"));
    EXPECT_EQ(accountReadingAgeText(ago(3599), clock), pick("59분 전 기준", "as of 59m ago"));
    EXPECT_EQ(accountReadingAgeText(ago(3600), clock), pick("1시간 전 기준", "as of 1h ago"));
    EXPECT_EQ(accountReadingAgeText(ago(86399), clock), pick("23시간 전 기준", "as of 23h ago"));
    EXPECT_EQ(accountReadingAgeText(ago(86400), clock), pick("1일 전 기준", "as of 1d ago"));
    EXPECT_EQ(accountReadingAgeText(ago(400 * 86400.0), clock), pick("400일 전 기준", "as of 400d ago"));
    EXPECT_EQ(accountReadingAgeText(ago(-5), clock), pick("방금 기준", "as of just now"));
}

TEST_P(TimeTexts, ReadingAgeFollowsTheClock) {
    const QDateTime reading = clock.now();
    EXPECT_EQ(accountReadingAgeText(reading, clock), pick("방금 기준", "as of just now"));
    clock.advance(125);
    EXPECT_EQ(accountReadingAgeText(reading, clock), pick("2분 전 기준", "as of 2m ago"));
}

TEST_P(TimeTexts, ResetAtUsesTheSystemLocalesTimeFormatNotTheAppLanguage) {
    const QDateTime at(QDate(2026, 1, 15), QTime(14, 5), Qt::UTC); // tests run in UTC
    EXPECT_EQ(quotaResetAtText(at, QLocale(QLocale::German, QLocale::Germany)),
              pick("14:05에 리셋됨", "reset at 14:05"));
    const QString us = quotaResetAtText(at, QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_TRUE(us.contains(QStringLiteral("2:05"))) << us.toStdString();
    EXPECT_TRUE(us.contains(QStringLiteral("PM"))) << us.toStdString();
    EXPECT_EQ(us.startsWith(QStringLiteral("reset at ")), !korean());
    EXPECT_EQ(us.endsWith(QStringLiteral("에 리셋됨")), korean());
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, TimeTexts,
                         ::testing::Values(ResolvedLanguage::korean, ResolvedLanguage::english),
                         [](const auto& info) {
                             return info.param == ResolvedLanguage::korean ? std::string("Korean") : std::string("English");
                         });

} // namespace
} // namespace meterix
