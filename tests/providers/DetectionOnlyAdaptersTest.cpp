// Cursor, Mistral, Windsurf and Zed: found or not, never a figure.
#include "providers/CursorAdapter.h"
#include "providers/MistralAdapter.h"
#include "providers/WindsurfAdapter.h"
#include "providers/ZedAdapter.h"

#include "support/FakeEnvironment.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace meterix::test {
namespace {

class DetectionOnlyTest : public ::testing::Test {
protected:
    QStringList apps(const char* name) const { return {home.file(QStringLiteral("apps/") + QLatin1String(name))}; }
    static void expectFigureless(const UsageSnapshot& s, UsageUnavailableReason reason) {
        EXPECT_EQ(s.unavailableReason, reason);
        EXPECT_EQ(s.hourlyRemainingPercentage, 0);
        EXPECT_EQ(s.strategyUsed, FetchStrategy::simulated);
        EXPECT_TRUE(s.modelQuotas.isEmpty());
    }

    TempHome home;
    FakeEnvironment env;
};

TEST_F(DetectionOnlyTest, WindsurfFromTheApplicationAloneHasNoPlan) {
    WindsurfAdapter windsurf(home.path(), apps("Windsurf"));
    expectFigureless(windsurf.fetchUsage(false), UsageUnavailableReason::notConfigured);
    home.mkdir(QStringLiteral("apps/Windsurf"));
    EXPECT_TRUE(windsurf.checkAvailability());
    const UsageSnapshot s = windsurf.fetchUsage(false);
    expectFigureless(s, UsageUnavailableReason::notMeasured);
    EXPECT_EQ(s.planName, std::nullopt);
}

TEST_F(DetectionOnlyTest, WindsurfShowsThePlanFromCodeium) {
    WindsurfAdapter windsurf(home.path(), apps("Windsurf"));
    home.write(QStringLiteral(".codeium/config.json"), R"({"user":{"plan":"pro team"}})");
    const UsageSnapshot s = windsurf.fetchUsage(false);
    expectFigureless(s, UsageUnavailableReason::notMeasured);
    EXPECT_EQ(s.planName, QStringLiteral("Windsurf Pro Team"));
    for (const QByteArray& bad : {QByteArray(R"({"user":{"plan":""}})"), QByteArray(R"({"user":{"plan":3}})"), QByteArray("{")}) {
        home.write(QStringLiteral(".codeium/config.json"), bad);
        EXPECT_EQ(windsurf.readPlanName(), std::nullopt);
    }
}

TEST_F(DetectionOnlyTest, ZedShowsTheAssistantModelOnlyFromStrictJson) {
    ZedAdapter zed(home.path(), apps("zed"));
    expectFigureless(zed.fetchUsage(false), UsageUnavailableReason::notConfigured);
    home.write(QStringLiteral(".config/zed/settings.json"), R"({"assistant":{"default_model":{"model":"claude-sonnet"}}})");
    const UsageSnapshot s = zed.fetchUsage(false);
    expectFigureless(s, UsageUnavailableReason::notMeasured);
    EXPECT_EQ(s.planName, QStringLiteral("Zed AI · claude-sonnet"));
    home.write(QStringLiteral(".config/zed/settings.json"),
               "// my settings\n{\"assistant\":{\"default_model\":{\"model\":\"claude-sonnet\"}}}");
    const UsageSnapshot commented = zed.fetchUsage(false);
    expectFigureless(commented, UsageUnavailableReason::notMeasured);
    EXPECT_EQ(commented.planName, std::nullopt);
}

TEST_F(DetectionOnlyTest, ZedFromTheApplicationAloneIsFound) {
    home.write(QStringLiteral("apps/zed"), "");
    EXPECT_TRUE(ZedAdapter(home.path(), apps("zed")).checkAvailability());
}

TEST_F(DetectionOnlyTest, SettingsFilesThatAreFifosNeverBlock) {
    home.mkdir(QStringLiteral(".codeium"));
    home.mkdir(QStringLiteral(".config/zed"));
    ASSERT_EQ(::mkfifo(home.file(QStringLiteral(".codeium/config.json")).toLocal8Bit().constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(home.file(QStringLiteral(".config/zed/settings.json")).toLocal8Bit().constData(), 0600), 0);
    EXPECT_EQ(WindsurfAdapter(home.path(), apps("none")).fetchUsage(false).planName, std::nullopt);
    EXPECT_EQ(ZedAdapter(home.path(), apps("none")).fetchUsage(false).planName, std::nullopt);
}

TEST_F(DetectionOnlyTest, MistralNeedsAKeyToCountAsConfigured) {
    MistralAdapter mistral(home.path(), env.lookup());
    EXPECT_FALSE(mistral.checkAvailability());
    env.set(QStringLiteral("MISTRAL_API_KEY"), QString());
    home.write(QStringLiteral(".config/mistral/api_key"), "");
    EXPECT_TRUE(mistral.checkAvailability());
    expectFigureless(mistral.fetchUsage(false), UsageUnavailableReason::notConfigured);
    home.write(QStringLiteral(".config/mistral/api_key"), "mk-123\n");
    expectFigureless(mistral.fetchUsage(false), UsageUnavailableReason::notMeasured);
    EXPECT_EQ(mistral.credentialFingerprint(), std::nullopt);
}

TEST_F(DetectionOnlyTest, CursorRemembersTheLastCheck) {
    CursorAdapter cursor(home.path(), QStringList{home.file(QStringLiteral("config/Cursor"))});
    EXPECT_FALSE(cursor.isDetected());
    home.mkdir(QStringLiteral("config/Cursor"));
    EXPECT_FALSE(cursor.isDetected());
    expectFigureless(cursor.fetchUsage(false), UsageUnavailableReason::notMeasured);
    EXPECT_TRUE(cursor.isDetected());
}

} // namespace
} // namespace meterix::test
