#include "providers/claude/ClaudeAccountResolver.h"
#include "core/ProviderDescriptor.h"

#include "accounts/AccountFileReader.h"
#include "accounts/ResolvedAccount.h"
#include "support/HostUnderHome.h"
#include "support/ClaudeConfiguration.h"
#include "support/FakeClock.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"

#include <QFile>
#include <QJsonDocument>

#include <gtest/gtest.h>

using namespace meterix;
using meterix::test::FakeClock;
using meterix::test::TempHome;
using Profile = ClaudeAccountResolver::Profile;

namespace {

QByteArray account(const char* oauth, const char* rest = "") {
    return QByteArray("{\"oauthAccount\":") + oauth + rest + "}";
}

const char* kUsage = R"(,"cachedUsageUtilization":{"utilization":{"five_hour":{"utilization":10}}})";

class ClaudeResolverTest : public ::testing::Test {
  protected:
    TempHome home;
    FakeClock clock;
    QProcessEnvironment vars;

    HostEnvironment host() const { return test::hostUnderHome(home.path(), vars); }
    QList<Profile> profiles() const { return ClaudeAccountResolver::profiles(host()); }
    QList<AccountIdentity> scan() const {
        ClaudeAccountResolver resolver(host(), clock);
        return resolver.resolveAccounts();
    }
    QString p(const QString& relative) const { return home.file(relative); }
};

} // namespace

TEST_F(ClaudeResolverTest, ProviderAndPrimarySource) {
    const ClaudeAccountResolver resolver(host(), clock);
    EXPECT_EQ(resolver.provider(), AIProviderType::claudeCode);
    EXPECT_EQ(resolver.primarySourceID(), QStringLiteral("claude.cli"));
    EXPECT_EQ(resolver.desktopFolder(), home.file(QStringLiteral(".config/Claude")));
}

TEST_F(ClaudeResolverTest, NothingThereGivesNothing) {
    EXPECT_TRUE(profiles().isEmpty());
    EXPECT_TRUE(scan().isEmpty());
}

TEST_F(ClaudeResolverTest, HomeConfigurationIsTheDefaultProfile) {
    home.write(QStringLiteral(".claude.json"),
               account(R"({"accountUuid":"u1","emailAddress":"kim@example.com"})"));
    EXPECT_EQ(profiles(),
              (QList<Profile>{{p(QStringLiteral(".claude.json")), p(QStringLiteral(".claude")), true}}));
    const auto ids = scan();
    ASSERT_EQ(ids.size(), 1);
    EXPECT_EQ(ids[0].id, QStringLiteral("u1"));
    EXPECT_EQ(ids[0].source.displayName, QStringLiteral("Claude Code"));
    EXPECT_EQ(ids[0].source.id, QStringLiteral("claude.cli"));
    EXPECT_EQ(ids[0].source.kind, AccountSourceKind::cli);
    EXPECT_EQ(ids[0].source.rootPath, p(QStringLiteral(".claude")));
    EXPECT_TRUE(ids[0].source.bundleIdentifiers.isEmpty());
    EXPECT_EQ(ids[0].lastSeenAt, clock.now());
    EXPECT_FALSE(ids[0].usageReadable);
}

TEST_F(ClaudeResolverTest, ConfigDirProfileComesFirstAndIsListedOnce) {
    home.write(QStringLiteral(".claude.json"),
               account(R"({"accountUuid":"home","emailAddress":"home@example.com"})"));
    home.write(QStringLiteral(".claude-work/.claude.json"),
               account(R"({"accountUuid":"work","emailAddress":"lee@work.example"})", kUsage));
    home.write(QStringLiteral(".claude_2/.claude.json"), account(R"({"emailAddress":"second@example.com"})"));
    home.write(QStringLiteral(".claude.old/.claude.json"), account(R"({"accountUuid":"old"})"));
    home.write(QStringLiteral(".claudex/.claude.json"), account(R"({"accountUuid":"x"})"));
    home.mkdir(QStringLiteral(".claude-empty"));
    vars.insert(QStringLiteral("CLAUDE_CONFIG_DIR"), p(QStringLiteral(".claude-work/")));

    const QList<Profile> expected{
        {p(QStringLiteral(".claude-work/.claude.json")), p(QStringLiteral(".claude-work/")), true},
        {p(QStringLiteral(".claude.json")), p(QStringLiteral(".claude")), false},
        {p(QStringLiteral(".claude.old/.claude.json")), p(QStringLiteral(".claude.old")), false},
        {p(QStringLiteral(".claude_2/.claude.json")), p(QStringLiteral(".claude_2")), false},
    };
    EXPECT_EQ(profiles(), expected);

    const auto ids = scan();
    ASSERT_EQ(ids.size(), 4);
    EXPECT_EQ(ids[0].id, QStringLiteral("work"));
    EXPECT_EQ(ids[0].source.displayName, QStringLiteral("Claude Code"));
    EXPECT_TRUE(ids[0].usageReadable);
    EXPECT_EQ(ids[1].id, QStringLiteral("home"));
    EXPECT_EQ(ids[1].source.displayName, QStringLiteral("Claude Code (.claude)"));
    EXPECT_EQ(ids[2].source.displayName, QStringLiteral("Claude Code (.claude.old)"));
    EXPECT_EQ(ids[3].id, QStringLiteral("second@example.com")) << "the e-mail stands in for a missing id";
    EXPECT_EQ(ids[3].email, QStringLiteral("second@example.com"));
    EXPECT_EQ(ids[3].source.displayName, QStringLiteral("Claude Code (.claude_2)"));

    // Labels the way the panels show them.
    EXPECT_EQ(ResolvedAccount(ids[0]).label(true), QStringLiteral("l***@work.example"));
    EXPECT_EQ(ResolvedAccount(ids[0]).label(false), QStringLiteral("lee@work.example"));
    EXPECT_EQ(ResolvedAccount(ids[2]).label(true), QStringLiteral("old"));
}

TEST_F(ClaudeResolverTest, ConfigDirWithoutConfigurationLeavesHomeAsDefault) {
    home.write(QStringLiteral(".claude.json"), account(R"({"accountUuid":"home"})"));
    home.mkdir(QStringLiteral("elsewhere"));
    vars.insert(QStringLiteral("CLAUDE_CONFIG_DIR"), p(QStringLiteral("elsewhere")));
    EXPECT_EQ(profiles(),
              (QList<Profile>{{p(QStringLiteral(".claude.json")), p(QStringLiteral(".claude")), true}}));
    vars.insert(QStringLiteral("CLAUDE_CONFIG_DIR"), QString());
    EXPECT_EQ(profiles().size(), 1);
    EXPECT_TRUE(profiles().front().isDefault);
}

TEST_F(ClaudeResolverTest, ClaudeFolderWithItsOwnConfigurationIsASeparateProfile) {
    home.write(QStringLiteral(".claude.json"), account(R"({"accountUuid":"a"})"));
    home.write(QStringLiteral(".claude/.claude.json"), account(R"({"accountUuid":"b"})"));
    const auto list = profiles();
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[1],
              (Profile{p(QStringLiteral(".claude/.claude.json")), p(QStringLiteral(".claude")), false}));
    const auto ids = scan();
    ASSERT_EQ(ids.size(), 2);
    EXPECT_EQ(ids[1].source.displayName, QStringLiteral("Claude Code (.claude)"));
    // Both share the root path: the registry treats them as one place.
    EXPECT_TRUE(ids[0].source.isSamePlace(ids[1].source));
}

TEST_F(ClaudeResolverTest, AccountFieldsAndPlanNames) {
    home.write(
        QStringLiteral(".claude.json"),
        account(R"({"accountUuid":"","emailAddress":"e@x","fullName":"Kim Minji","organizationName":"Acme",
                           "organizationType":"team_plus"})"));
    auto ids = scan();
    ASSERT_EQ(ids.size(), 1);
    EXPECT_EQ(ids[0].id, QString()) << "an empty id still counts as present";
    EXPECT_EQ(ids[0].displayName, QStringLiteral("Kim Minji"));
    EXPECT_EQ(ids[0].organization, QStringLiteral("Acme"));
    EXPECT_EQ(ids[0].planName, QStringLiteral("Team Plus"));

    home.write(
        QStringLiteral(".claude.json"),
        account(R"({"accountUuid":"u","displayName":"Minji","fullName":"Kim Minji","organizationType":""})"));
    ids = scan();
    EXPECT_EQ(ids[0].displayName, QStringLiteral("Minji"));
    EXPECT_EQ(ids[0].planName, std::nullopt);
    EXPECT_EQ(ids[0].email, std::nullopt);

    EXPECT_EQ(ClaudeAccountResolver::planName(QStringLiteral("claude_max")), QStringLiteral("Claude Max"));
    EXPECT_EQ(ClaudeAccountResolver::planName(QStringLiteral("claude_pro")), QStringLiteral("Claude Pro"));
    EXPECT_EQ(ClaudeAccountResolver::planName(QStringLiteral("claude_team")), QStringLiteral("Claude Team"));
    EXPECT_EQ(ClaudeAccountResolver::planName(QStringLiteral("claude_enterprise")),
              QStringLiteral("Claude Enterprise"));
    EXPECT_EQ(ClaudeAccountResolver::planName(QStringLiteral("Claude_Pro")), QStringLiteral("Claude Pro"));
    EXPECT_EQ(ClaudeAccountResolver::planName(QString()), std::nullopt);
}

TEST_F(ClaudeResolverTest, ConfigurationsWithoutAnAccountYieldNoIdentity) {
    home.write(QStringLiteral(".claude.json"), R"({"numStartups": 3})");
    home.write(QStringLiteral(".claude-a/.claude.json"), R"({"oauthAccount": "text"})");
    home.write(QStringLiteral(".claude-b/.claude.json"), R"({"oauthAccount": {"displayName": "No id"}})");
    home.write(QStringLiteral(".claude-c/.claude.json"), "{broken");
    home.makeFifo(QStringLiteral(".claude-d/.claude.json"));
    home.sparseFile(QStringLiteral(".claude-e/.claude.json"), 100LL * 1024 * 1024);
    EXPECT_EQ(profiles().size(), 6);
    EXPECT_TRUE(scan().isEmpty());
}

TEST_F(ClaudeResolverTest, ReadabilityCallbackDecidesUsageReadable) {
    home.write(QStringLiteral(".claude.json"), account(R"({"accountUuid":"u"})", kUsage));
    int calls = 0;
    QJsonObject seen;
    ClaudeAccountResolver resolver(host(), clock, [&](const QJsonObject& config) {
        ++calls;
        seen = config;
        return false;
    });
    const auto ids = resolver.resolveAccounts();
    ASSERT_EQ(ids.size(), 1);
    EXPECT_FALSE(ids[0].usageReadable);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(seen.contains(QLatin1String("cachedUsageUtilization")))
        << "the whole configuration is passed";
}

TEST_F(ClaudeResolverTest, DesktopAccountsFromConfigAndSessionFolders) {
    const QString a = QStringLiteral("aaaaaaaa-0000-4000-8000-000000000001");
    const QString b = QStringLiteral("bbbbbbbb-0000-4000-8000-000000000002");
    const QString c = QStringLiteral("cccccccc-0000-4000-8000-000000000003");
    home.write(QStringLiteral(".config/Claude/config.json"),
               QStringLiteral("{\"lastKnownAccountUuid\":\"%1\"}").arg(b).toUtf8());
    home.mkdir(QStringLiteral(".config/Claude/claude-code-sessions/") + c);
    home.mkdir(QStringLiteral(".config/Claude/claude-code-sessions/") + b);
    home.mkdir(QStringLiteral(".config/Claude/local-agent-mode-sessions/") + a);
    home.mkdir(QStringLiteral(".config/Claude/local-agent-mode-sessions/") + c.toUpper());
    home.write(
        QStringLiteral(".config/Claude/local-agent-mode-sessions/dddddddd-0000-4000-8000-000000000004"),
        "file");
    const auto ids = scan();
    QStringList got;
    for (const auto& i : ids)
        got.append(i.id);
    EXPECT_EQ(got, (QStringList{b, c, c.toUpper(), a})) << "upper-case hex sorts first";
    for (const auto& i : ids) {
        EXPECT_EQ(i.source.id, QStringLiteral("claude.desktop"));
        EXPECT_EQ(i.source.kind, AccountSourceKind::desktopApp);
        EXPECT_EQ(i.source.displayName, QStringLiteral("Claude Desktop"));
        EXPECT_EQ(i.source.rootPath, home.file(QStringLiteral(".config/Claude")));
        EXPECT_EQ(i.source.bundleIdentifiers, QStringList{QStringLiteral("com.anthropic.claudefordesktop")});
        EXPECT_FALSE(i.usageReadable);
        EXPECT_FALSE(i.email);
    }
    EXPECT_EQ(ResolvedAccount(ids[0]).label(true), QStringLiteral("bbbbbbbb-000"));
}

TEST_F(ClaudeResolverTest, DesktopWithBrokenConfigKeepsFolderIdsAndEmptyIdCounts) {
    const QString a = QStringLiteral("aaaaaaaa-0000-4000-8000-000000000001");
    home.write(QStringLiteral(".config/Claude/config.json"), "[1]");
    home.mkdir(QStringLiteral(".config/Claude/claude-code-sessions/") + a);
    auto ids = scan();
    ASSERT_EQ(ids.size(), 1);
    EXPECT_EQ(ids[0].id, a);
    home.write(QStringLiteral(".config/Claude/config.json"), R"({"lastKnownAccountUuid":""})");
    ids = scan();
    ASSERT_EQ(ids.size(), 2);
    EXPECT_EQ(ids[0].id, QString());
}

TEST_F(ClaudeResolverTest, DesktopFolderWithoutAccountsOrMissingGivesNothing) {
    home.mkdir(QStringLiteral(".config/Claude"));
    EXPECT_TRUE(scan().isEmpty());
    home.write(QStringLiteral(".config/Claude/config.json"), R"({"lastKnownAccountUuid":7})");
    EXPECT_TRUE(scan().isEmpty());
}

TEST_F(ClaudeResolverTest, CliIdentitiesComeBeforeDesktopOnes) {
    home.write(QStringLiteral(".claude.json"), account(R"({"accountUuid":"cli"})"));
    home.write(QStringLiteral(".config/Claude/config.json"), R"({"lastKnownAccountUuid":"desk"})");
    const auto ids = scan();
    ASSERT_EQ(ids.size(), 2);
    EXPECT_EQ(ids[0].id, QStringLiteral("cli"));
    EXPECT_EQ(ids[1].id, QStringLiteral("desk"));
}

TEST_F(ClaudeResolverTest, DefaultReadabilityIsTheAdaptersCachedReading) {
    home.write(QStringLiteral(".claude.json"), account(R"({"accountUuid":"u"})", kUsage));
    home.write(QStringLiteral(".claude-x/.claude.json"),
               account(R"({"accountUuid":"u"})",
                       R"(,"cachedUsageUtilization":{"accountUuid":"other","utilization":{}})"));
    const auto ids = scan();
    ASSERT_EQ(ids.size(), 2);
    EXPECT_TRUE(ids[0].usageReadable);
    EXPECT_FALSE(ids[1].usageReadable) << "a reading of another account is not this account's usage";
}

// The client keeps every project's prompt history in its configuration, so a
// long-time user's file runs to tens of megabytes. Such a file used to read as
// no configuration at all (over the 4 MiB a JSON file could have): no account,
// no usage. Now the caps bound each member kept, and a member over them reads
// as absent alone.
TEST_F(ClaudeResolverTest, AConfigurationOfAnySizeKeepsItsAccountAndUsage) {
    const qint64 mb = 1000 * 1000;
    const qint64 fetchedAtMs = clock.now().toMSecsSinceEpoch() - 60000;
    const QByteArray members = test::claudeAccountMembers("u-1", fetchedAtMs, 30);
    QByteArray manyLimits = R"(  "oauthAccount": {"accountUuid": "u-1", "organizationType": "claude_pro"},
  "cachedUsageUtilization": {"utilization": {"five_hour": {"utilization": 10}, "limits": [)";
    for (int i = 0; i < 90000; ++i)
        manyLimits += i ? ",{\"percent\":1}" : "{\"percent\":1}";
    manyLimits += "]}}";
    const QByteArray hugeName = R"(  "oauthAccount": {"accountUuid": "u-1", "displayName": ")" +
                                QByteArray(AccountFileReader::kJsonReadCap, 'n') + "\"},\n" +
                                R"(  "cachedUsageUtilization": {"utilization": {}})";
    const struct {
        const char* name;
        qint64 projectBytes;
        QByteArray membersAfter;
        bool cutInHalf;
        std::optional<QString> account;
        std::optional<QString> plan;
        bool usageReadable;
    } rows[] = {
        {"20 MB, the account after 19 MB of projects", 19 * mb, members, false, "u-1", "Claude Max", true},
        {"7 MB, the cached usage over the value cap", 5700 * 1000, manyLimits, false, "u-1", "Claude Pro",
         false},
        {"the account over the byte cap", 1 * mb, hugeName, false, std::nullopt, std::nullopt, false},
        {"20 MB cut off in the projects", 19 * mb, members, true, std::nullopt, std::nullopt, false},
    };
    for (const auto& row : rows) {
        const QString path = home.file(QStringLiteral(".claude.json"));
        ASSERT_TRUE(test::writeClaudeConfiguration(path, row.projectBytes, row.membersAfter)) << row.name;
        if (row.cutInHalf) {
            ASSERT_TRUE(QFile::resize(path, QFile(path).size() / 2));
        }
        const auto ids = scan();
        ASSERT_EQ(ids.size(), row.account ? 1 : 0) << row.name;
        if (!row.account) continue;
        EXPECT_EQ(ids[0].id, *row.account) << row.name;
        EXPECT_EQ(ids[0].planName, row.plan) << row.name;
        EXPECT_EQ(ids[0].usageReadable, row.usageReadable) << row.name;
    }
}

// Where the client keeps its configuration: $CLAUDE_CONFIG_DIR/.claude.json, else
// ~/.claude.json; a folder's ".config.json" (the client's first name for it) is
// preferred wherever it exists.
TEST_F(ClaudeResolverTest, ConfigurationsWhereTheClientKeepsThem) {
    const struct {
        const char* configDir; // CLAUDE_CONFIG_DIR below the home; nullptr unset
        QStringList files;
        QStringList profiles; // "config path > folder", the default first
    } rows[] = {
        {nullptr, {".claude.json"}, {".claude.json > .claude"}},
        {nullptr, {".claude.json", ".claude/.config.json"}, {".claude/.config.json > .claude"}},
        {".cfg", {".cfg/.claude.json", ".claude.json"}, {".cfg/.claude.json > .cfg", ".claude.json > .claude"}},
        {".cfg", {".cfg/.config.json", ".cfg/.claude.json"}, {".cfg/.config.json > .cfg"}},
        {".claude-work", {".claude-work/.config.json"}, {".claude-work/.config.json > .claude-work"}},
        {nullptr, {".claude_2/.config.json", ".claude_2/.claude.json"}, {".claude_2/.config.json > .claude_2"}},
    };
    for (const auto& row : rows) {
        TempHome rowHome;
        QProcessEnvironment env;
        if (row.configDir)
            env.insert(QStringLiteral("CLAUDE_CONFIG_DIR"), rowHome.file(QString::fromLatin1(row.configDir)));
        for (const QString& f : row.files)
            rowHome.write(f, account(R"({"accountUuid":"u1"})"));
        QStringList found;
        for (const Profile& profile :
             ClaudeAccountResolver::profiles(test::hostUnderHome(rowHome.path(), env)))
            found.append(profile.configPath.mid(rowHome.path().size() + 1) + QStringLiteral(" > ") +
                         profile.homeDirectory.mid(rowHome.path().size() + 1));
        EXPECT_EQ(found, row.profiles) << row.files.join(QLatin1Char(',')).toStdString();
    }
}

// Signing out leaves the account in the configuration on some paths; the
// credentials say whether anyone is signed in.
TEST_F(ClaudeResolverTest, AProfileWhoseCredentialsLostTheSignInListsNoAccount) {
    for (const auto& row : test::kClaudeSignInRows) {
        TempHome rowHome;
        QProcessEnvironment env;
        env.insert(QStringLiteral("CLAUDE_CONFIG_DIR"), rowHome.file(QStringLiteral(".claude-work")));
        rowHome.write(QStringLiteral(".claude-work/.claude.json"),
                      account(R"({"accountUuid":"u1","emailAddress":"kim@example.com"})", kUsage));
        if (row.credentials) rowHome.write(QStringLiteral(".claude-work/.credentials.json"), row.credentials);
        ClaudeAccountResolver resolver(test::hostUnderHome(rowHome.path(), env), clock);
        const auto ids = resolver.resolveAccounts();
        EXPECT_EQ(ids.size(), row.signedIn ? 1 : 0) << (row.credentials ? row.credentials : "no file");
        if (row.signedIn && !ids.isEmpty()) {
            EXPECT_TRUE(ids[0].usageReadable);
        }
    }
}

// The desktop app keeps its folder under the XDG config home.
// The command-line client must never count as the desktop app.
TEST(ClaudeDesktopApp, IsNotTheCommandLineClient) {
    for (const DesktopApp& app : ProviderCatalogue::of(AIProviderType::claudeCode).desktopApps)
        EXPECT_FALSE(app.executables.contains(QStringLiteral("claude"))) << app.bundleIdentifier.toStdString();
}

TEST_F(ClaudeResolverTest, DesktopFolderFollowsTheConfigHome) {
    HostEnvironment h = host();
    h.configHome = home.file(QStringLiteral("xdg"));
    home.write(QStringLiteral("xdg/Claude/config.json"),
               R"({"lastKnownAccountUuid":"0d9b6c1e-6b1f-4d8e-9a47-2f5e8c3b7a10"})");
    home.write(QStringLiteral(".config/Claude/config.json"),
               R"({"lastKnownAccountUuid":"11111111-2222-4333-8444-555555555555"})");
    ClaudeAccountResolver resolver(h, clock);
    EXPECT_EQ(resolver.desktopFolder(), home.file(QStringLiteral("xdg/Claude")));
    const auto ids = resolver.resolveAccounts();
    ASSERT_EQ(ids.size(), 1);
    EXPECT_EQ(ids[0].id, QStringLiteral("0d9b6c1e-6b1f-4d8e-9a47-2f5e8c3b7a10"));
}
