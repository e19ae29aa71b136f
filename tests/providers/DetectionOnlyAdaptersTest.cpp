// Cursor, Mistral, Windsurf and Zed: found or not, never a figure.
#include "core/PlatformPaths.h"
#include "providers/cursor/CursorAdapter.h"
#include "providers/mistral/MistralAdapter.h"
#include "providers/windsurf/WindsurfAdapter.h"
#include "providers/zed/ZedAdapter.h"

#include "support/HostUnderHome.h"
#include "support/FakeEnvironment.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/Worded.h"

#include <QFile>
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
        EXPECT_EQ(s.headlineRemainingPercentage, 0);
        EXPECT_EQ(s.strategyUsed, FetchStrategy::simulated);
        EXPECT_TRUE(s.modelQuotas.isEmpty());
        test::expectOnlyKindsOrOwnNames(s);
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

// Codeium's config names the plan (tests/data/windsurf); values of another
// type, empty or unparsable ones name none.
TEST_F(DetectionOnlyTest, WindsurfShowsThePlanFromCodeium) {
    WindsurfAdapter windsurf(home.path(), apps("Windsurf"));
    const struct {
        QByteArray config;
        std::optional<QString> plan;
    } rows[] = {
        {testData(QStringLiteral("windsurf/codeium-config-pro.json")), QStringLiteral("Windsurf Pro")},
        {R"({"user":{"plan":"pro team"}})", QStringLiteral("Windsurf Pro Team")},
        {testData(QStringLiteral("windsurf/codeium-config-no-plan.json")), std::nullopt},
        {R"({"user":{"plan":""}})", std::nullopt},
        {R"({"user":{"plan":3}})", std::nullopt},
        {"{", std::nullopt},
    };
    for (const auto& row : rows) {
        home.write(QStringLiteral(".codeium/config.json"), row.config);
        const UsageSnapshot s = windsurf.fetchUsage(false);
        expectFigureless(s, UsageUnavailableReason::notMeasured);
        EXPECT_EQ(s.planName, row.plan) << row.config.constData();
    }
}

// Zed writes its settings as JSON with comments and trailing commas (its
// default file opens with comment lines), moved the model setting from
// "assistant" to "agent", and keeps the file in $XDG_CONFIG_HOME/zed
// (tests/data/zed).
TEST_F(DetectionOnlyTest, ZedShowsTheAgentModelFromItsSettingsAsZedWritesThem) {
    HostEnvironment host = test::hostUnderHome(home.path());
    host.configHome = home.file(QStringLiteral("xdg"));
    ZedAdapter zed(host, apps("zed"));
    EXPECT_EQ(zed.zedConfigPath(), home.file(QStringLiteral("xdg/zed/settings.json")));
    home.write(QStringLiteral(".config/zed/settings.json"), testData(QStringLiteral("zed/settings-agent.json")));
    expectFigureless(zed.fetchUsage(false), UsageUnavailableReason::notConfigured);
    const struct {
        const char* name;
        QByteArray settings;
        std::optional<QString> plan;
    } rows[] = {
        {"the agent setting with comments and trailing commas", testData(QStringLiteral("zed/settings-agent.json")),
         QStringLiteral("Zed AI · claude-sonnet-4-5")},
        {"the older assistant setting", testData(QStringLiteral("zed/settings-assistant.json")),
         QStringLiteral("Zed AI · claude-3-5-sonnet-latest")},
        {"a local model", testData(QStringLiteral("zed/settings-ollama.json")), QStringLiteral("Zed AI · qwen2.5-coder:7b")},
        {"no model set", testData(QStringLiteral("zed/settings-no-model.json")), std::nullopt},
        {"agent before assistant",
         R"({"assistant":{"default_model":{"model":"old"}},"agent":{"default_model":{"model":"new"}}})",
         QStringLiteral("Zed AI · new")},
        {"an empty agent model falls back",
         R"({"agent":{"default_model":{"model":""}},"assistant":{"default_model":{"model":"old"}}})",
         QStringLiteral("Zed AI · old")},
        {"a model of another type", R"({"agent":{"default_model":"claude"}})", std::nullopt},
        {"a comment never closed", "/* {\"agent\":{\"default_model\":{\"model\":\"m\"}}}", std::nullopt},
    };
    for (const auto& row : rows) {
        home.write(QStringLiteral("xdg/zed/settings.json"), row.settings);
        const UsageSnapshot s = zed.fetchUsage(false);
        expectFigureless(s, UsageUnavailableReason::notMeasured);
        EXPECT_EQ(s.planName, row.plan) << row.name;
    }
}

// Each place in the user's folders where the two editors live on Linux is
// enough to find them (the system folders are the table's own test).
TEST(DetectionOnlyLocations, WindsurfAndZedAreFoundWhereTheyInstallOnLinux) {
    // ~/.codeium/windsurf is the editor's own folder (its MCP configuration is there).
    for (const char* relative :
         {"config/Windsurf/", ".codeium/windsurf/mcp_config.json", ".local/zed.app/", ".local/bin/zed",
          ".local/share/flatpak/exports/bin/dev.zed.Zed", ".var/app/dev.zed.Zed/config/zed/settings.json"}) {
        TempHome home;
        const bool windsurf = QByteArray(relative).contains("indsurf");
        const QStringList paths =
            PlatformPaths::paths(windsurf ? WindsurfAdapter::installPlaces() : ZedAdapter::installPlaces(),
                                 home.path(), home.file(QStringLiteral("config")))
                .filter(QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(home.path())));
        const auto found = [&] {
            return windsurf ? WindsurfAdapter(home.path(), paths).isDetected()
                            : ZedAdapter(test::hostUnderHome(home.path()), paths).isDetected();
        };
        EXPECT_FALSE(found()) << relative;
        const QString place = QLatin1String(relative);
        place.endsWith(QLatin1Char('/'))
            ? home.mkdir(place)
            : home.write(place, place.endsWith(QLatin1String(".json")) ? testData(QStringLiteral("windsurf/mcp_config.json"))
                                                                        : QByteArray());
        EXPECT_TRUE(found()) << relative;
    }
}

// Zed from Flathub keeps its settings in its sandbox's config home; a native
// install's file, when it names a model, is the one read.
TEST_F(DetectionOnlyTest, ZedFromFlathubShowsTheModelOfItsOwnSettings) {
    const QString native = QStringLiteral(".config/zed/settings.json");
    const QString flathub = QStringLiteral(".var/app/dev.zed.Zed/config/zed/settings.json");
    const QByteArray agent = testData(QStringLiteral("zed/settings-agent.json"));
    const QByteArray none = testData(QStringLiteral("zed/settings-no-model.json"));
    const struct {
        std::optional<QByteArray> native, flathub;
        std::optional<QString> plan;
    } rows[] = {
        {std::nullopt, agent, QStringLiteral("Zed AI · claude-sonnet-4-5")},
        {none, agent, QStringLiteral("Zed AI · claude-sonnet-4-5")},
        {testData(QStringLiteral("zed/settings-ollama.json")), agent, QStringLiteral("Zed AI · qwen2.5-coder:7b")},
        {std::nullopt, none, std::nullopt},
    };
    for (const auto& row : rows) {
        QFile::remove(home.file(native));
        if (row.native) home.write(native, *row.native);
        home.write(flathub, *row.flathub);
        const UsageSnapshot s = ZedAdapter(test::hostUnderHome(home.path()), apps("none")).fetchUsage(false);
        expectFigureless(s, UsageUnavailableReason::notMeasured);
        EXPECT_EQ(s.planName, row.plan);
    }
}

TEST_F(DetectionOnlyTest, ZedFromTheApplicationAloneIsFound) {
    home.write(QStringLiteral("apps/zed"), "");
    EXPECT_TRUE(ZedAdapter(test::hostUnderHome(home.path()), apps("zed")).checkAvailability());
}

TEST_F(DetectionOnlyTest, SettingsFilesThatAreFifosNeverBlock) {
    home.mkdir(QStringLiteral(".codeium"));
    home.mkdir(QStringLiteral(".config/zed"));
    ASSERT_EQ(::mkfifo(home.file(QStringLiteral(".codeium/config.json")).toLocal8Bit().constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(home.file(QStringLiteral(".config/zed/settings.json")).toLocal8Bit().constData(), 0600), 0);
    EXPECT_EQ(WindsurfAdapter(home.path(), apps("none")).fetchUsage(false).planName, std::nullopt);
    EXPECT_EQ(ZedAdapter(test::hostUnderHome(home.path()), apps("none")).fetchUsage(false).planName, std::nullopt);
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
        const char* vibeHome; // below the home; nullptr: unset, the file is ~/.vibe/.env
        QByteArray text;
        std::optional<QString> key;
    } rows[] = {
        {nullptr, "# Vibe\nMISTRAL_API_KEY=mk-plain\n", QStringLiteral("mk-plain")},
        {nullptr, "export MISTRAL_API_KEY=\"mk-quoted # not a comment\"\n", QStringLiteral("mk-quoted # not a comment")},
        {nullptr, "MISTRAL_API_KEY='mk-single'\nMISTRAL_API_KEY=mk-last # latest\n", QStringLiteral("mk-last")},
        {nullptr, "MISTRAL_API_KEY=\nOTHER_KEY=x\nMISTRAL_API_KEY_OLD=y\n", std::nullopt},
        {nullptr, "MISTRAL_API_KEY=\"unterminated\n", std::nullopt},
        {"vibe-home", "MISTRAL_API_KEY=mk-moved\n", QStringLiteral("mk-moved")},
        {nullptr, "MISTRAL_API_KEY=mk-kept\nMISTRAL_API_KEY=mk-\xFF\n", QStringLiteral("mk-kept")}, // not UTF-8
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        TempHome fresh;
        FakeEnvironment vars;
        if (row.vibeHome) vars.set(QStringLiteral("VIBE_HOME"), fresh.file(QLatin1String(row.vibeHome)));
        fresh.write(QLatin1String(row.vibeHome ? row.vibeHome : ".vibe") + QStringLiteral("/.env"), row.text);
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
