// Cursor, Mistral, Windsurf and Zed: found or not, never a figure.
#include "core/PlatformPaths.h"
#include "providers/CursorAdapter.h"
#include "providers/MistralAdapter.h"
#include "providers/WindsurfAdapter.h"
#include "providers/ZedAdapter.h"

#include "support/FakeEnvironment.h"
#include "support/TempHome.h"

#include <QRegularExpression>

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

// Zed writes its settings as JSON with comments and trailing commas (its
// default file opens with comment lines), and moved the model setting from
// "assistant" to "agent".
TEST_F(DetectionOnlyTest, ZedShowsTheAgentModelFromItsSettingsAsZedWritesThem) {
    ZedAdapter zed(home.path(), apps("zed"));
    expectFigureless(zed.fetchUsage(false), UsageUnavailableReason::notConfigured);
    const struct {
        const char* name;
        QByteArray settings;
        std::optional<QString> plan;
    } rows[] = {
        {"the older assistant setting", R"({"assistant":{"default_model":{"model":"claude-sonnet"}}})",
         QStringLiteral("Zed AI · claude-sonnet")},
        {"the agent setting with comments and trailing commas",
         "// Zed settings\n//\n// For information on how to configure Zed, see the Zed\n// documentation.\n{\n"
         "  \"agent\": {\n    \"default_model\": {\n      \"provider\": \"zed.dev\",\n"
         "      \"model\": \"claude-sonnet-4\", // the fast one\n    },\n  },\n"
         "  /* the look */ \"theme\": \"One Dark\",\n}\n",
         QStringLiteral("Zed AI · claude-sonnet-4")},
        {"agent before assistant",
         R"({"assistant":{"default_model":{"model":"old"}},"agent":{"default_model":{"model":"new"}}})",
         QStringLiteral("Zed AI · new")},
        {"an empty agent model falls back",
         R"({"agent":{"default_model":{"model":""}},"assistant":{"default_model":{"model":"old"}}})",
         QStringLiteral("Zed AI · old")},
        {"a model of another type", R"({"agent":{"default_model":"claude"}})", std::nullopt},
        {"no model at all", "// nothing set yet\n{}\n", std::nullopt},
        {"a comment never closed", "/* {\"agent\":{\"default_model\":{\"model\":\"m\"}}}", std::nullopt},
    };
    for (const auto& row : rows) {
        home.write(QStringLiteral(".config/zed/settings.json"), row.settings);
        const UsageSnapshot s = zed.fetchUsage(false);
        expectFigureless(s, UsageUnavailableReason::notMeasured);
        EXPECT_EQ(s.planName, row.plan) << row.name;
    }
}

// Each place in the user's folders where the two editors live on Linux is
// enough to find them (the system folders are the table's own test).
TEST(DetectionOnlyLocations, WindsurfAndZedAreFoundWhereTheyInstallOnLinux) {
    for (const char* relative : {"config/Windsurf/", ".codeium/windsurf/", ".local/zed.app/", ".local/bin/zed"}) {
        TempHome home;
        const bool windsurf = QByteArray(relative).contains("indsurf");
        const QStringList paths =
            PlatformPaths::paths(windsurf ? InstallLocation::windsurfApplication : InstallLocation::zedApplication,
                                 home.path(), home.file(QStringLiteral("config")))
                .filter(QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(home.path())));
        const auto found = [&] {
            return windsurf ? WindsurfAdapter(home.path(), paths).isDetected()
                            : ZedAdapter(home.path(), paths).isDetected();
        };
        EXPECT_FALSE(found()) << relative;
        QString(QLatin1String(relative)).endsWith(QLatin1Char('/')) ? home.mkdir(QLatin1String(relative))
                                                                     : home.write(QLatin1String(relative), "");
        EXPECT_TRUE(found()) << relative;
    }
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

// Mistral's own client, Vibe, keeps the key as MISTRAL_API_KEY in
// $VIBE_HOME/.env (~/.vibe/.env by default); the environment wins over it.
TEST_F(DetectionOnlyTest, MistralFindsTheKeyVibeKeeps) {
    const struct {
        const char* file;
        std::optional<QString> vibeHome;
        QByteArray text;
        std::optional<QString> key;
    } rows[] = {
        {".vibe/.env", std::nullopt, "# Vibe\nMISTRAL_API_KEY=mk-plain\n", QStringLiteral("mk-plain")},
        {".vibe/.env", std::nullopt, "export MISTRAL_API_KEY=\"mk-quoted # not a comment\"\n",
         QStringLiteral("mk-quoted # not a comment")},
        {".vibe/.env", std::nullopt, "MISTRAL_API_KEY='mk-single'\nMISTRAL_API_KEY=mk-last # latest\n",
         QStringLiteral("mk-last")},
        {".vibe/.env", std::nullopt, "MISTRAL_API_KEY=\nOTHER_KEY=x\nMISTRAL_API_KEY_OLD=y\n", std::nullopt},
        {".vibe/.env", std::nullopt, "MISTRAL_API_KEY=\"unterminated\n", std::nullopt},
        {"vibe-home/.env", QStringLiteral("vibe-home"), "MISTRAL_API_KEY=mk-moved\n", QStringLiteral("mk-moved")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        TempHome fresh;
        FakeEnvironment vars;
        if (row.vibeHome) vars.set(QStringLiteral("VIBE_HOME"), fresh.file(*row.vibeHome));
        fresh.write(QLatin1String(row.file), row.text);
        MistralAdapter mistral(fresh.path(), vars.lookup());
        EXPECT_EQ(mistral.resolveAPIKey(), row.key);
        EXPECT_EQ(mistral.isDetected(), row.key.has_value());
        expectFigureless(mistral.fetchUsage(false), row.key ? UsageUnavailableReason::notMeasured
                                                            : UsageUnavailableReason::notConfigured);
        vars.set(QStringLiteral("MISTRAL_API_KEY"), QStringLiteral("mk-env"));
        EXPECT_EQ(mistral.resolveAPIKey(), QStringLiteral("mk-env"));
    }
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
