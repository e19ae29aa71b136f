#include "providers/codex/CodexAccountResolver.h"

#include "accounts/AccountIdentityLedger.h"
#include "accounts/AccountPreferencesReader.h"
#include "support/CodexFixtures.h"
#include "support/FakeClock.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

namespace meterix {
namespace {

namespace fx = test::codex;
using Resolver = CodexAccountResolver;
using Claims = Resolver::IdentityClaims;

QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0) { return QDateTime(QDate(y, mo, d), QTime(h, mi), Qt::UTC); }

const QDateTime kNow = utc(2026, 1, 15, 12);
const QString kClaim = QStringLiteral("https://api.openai.com/auth");

class CodexAccountResolverTest : public ::testing::Test {
protected:
    Resolver::Environment environment(std::optional<QString> codexHome = std::nullopt) const {
        return {home.path(), std::move(codexHome), home.file(QStringLiteral(".config/com.openai.chat"))};
    }

    QString authFile(const QString& folder, const QJsonObject& claims, const QString& tokensAccountID = QString()) {
        return home.write(folder + QStringLiteral("/auth.json"), fx::authJson(claims, tokensAccountID));
    }

    QString signIn(const QString& folder, const QString& email, const QString& accountID, const QString& plan = QString()) {
        return authFile(folder, QJsonObject{{QStringLiteral("email"), email},
                                            {QStringLiteral("name"), QStringLiteral("Kim Lee")},
                                            {kClaim, fx::openAIClaims(accountID, plan)}});
    }

    std::optional<Claims> claimsOf(const QJsonObject& payload, const QString& tokensAccountID = QString()) {
        return Resolver::identityClaims(authFile(QStringLiteral("claims"), payload, tokensAccountID));
    }

    void preference(const QByteArray& value) {
        home.write(AccountPreferencesReader::preferencesFile(QStringLiteral("com.openai.chat"), home.path())
                       .mid(home.path().size() + 1),
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                   "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                   "<plist version=\"1.0\"><dict><key>activeUserWorkspaceID</key>" +
                       value + "</dict></plist>\n");
    }

    QStringList ids(const QList<AccountIdentity>& identities) {
        QStringList out;
        for (const auto& identity : identities) out.append(identity.id);
        return out;
    }

    Resolver resolver(std::optional<QString> codexHome = std::nullopt) {
        return Resolver(environment(std::move(codexHome)), ledger, clock);
    }

    test::TempHome home;
    test::FakeClock clock{kNow};
    AccountIdentityLedger ledger{home.file(QStringLiteral("data/account-identity.json")), clock};
};

// MARK: Profiles

TEST_F(CodexAccountResolverTest, AnEmptyCodexHomeIsIgnored) {
    signIn(QStringLiteral(".codex"), QStringLiteral("a@x.io"), QStringLiteral("A"));
    const auto profiles = Resolver::profiles(environment(QString()));
    ASSERT_EQ(profiles.size(), 1);
    EXPECT_EQ(profiles[0], (Resolver::Profile{home.file(QStringLiteral(".codex/auth.json")), home.file(QStringLiteral(".codex")), true}));
}

TEST_F(CodexAccountResolverTest, ACodexHomeWithoutCredentialsLeavesTheDefaultToTheHomeFolder) {
    home.mkdir(QStringLiteral("elsewhere"));
    signIn(QStringLiteral(".codex"), QStringLiteral("a@x.io"), QStringLiteral("A"));
    const auto profiles = Resolver::profiles(environment(home.file(QStringLiteral("elsewhere"))));
    ASSERT_EQ(profiles.size(), 1);
    EXPECT_TRUE(profiles[0].isDefault);
    const auto accounts = resolver(home.file(QStringLiteral("elsewhere"))).resolveAccounts();
    ASSERT_EQ(accounts.size(), 1);
    EXPECT_EQ(accounts[0].source.displayName, QStringLiteral("Codex CLI"));
}

// The client takes $CODEX_HOME by its resolved path, and only when it names
// an existing folder: spelled another way, ~/.codex used to be listed twice.
TEST_F(CodexAccountResolverTest, CodexHomeIsTakenAsTheClientResolvesIt) {
    const auto at = [&](const char* relative) { return home.file(QLatin1String(relative)); };
    signIn(QStringLiteral(".codex"), QStringLiteral("a@x.io"), QStringLiteral("A"));
    signIn(QStringLiteral("work"), QStringLiteral("w@x.io"), QStringLiteral("W"));
    ASSERT_TRUE(QFile::link(at(".codex"), at("link-to-codex")));
    ASSERT_TRUE(QFile::link(at("work"), at("link-to-work")));
    const struct {
        QString codexHome;
        QStringList homes; // the profiles' folders, in order
    } rows[] = {
        {at(".codex"), {at(".codex")}},
        {at(".codex/"), {at(".codex")}},
        {home.path() + QStringLiteral("/./.codex"), {at(".codex")}},
        {at("link-to-codex"), {at(".codex")}},
        {at("link-to-work"), {at("work"), at(".codex")}},
        {at("missing"), {at(".codex")}},
        {at("work/auth.json"), {at(".codex")}}, // not a folder
    };
    for (const auto& row : rows) {
        QStringList homes;
        for (const auto& profile : Resolver::profiles(environment(row.codexHome))) homes.append(profile.homeDirectory);
        EXPECT_EQ(homes, row.homes) << row.codexHome.toStdString();
    }
}

TEST_F(CodexAccountResolverTest, SiblingFoldersAreFurtherProfilesNamedAfterTheirFolder) {
    signIn(QStringLiteral("custom"), QStringLiteral("c@x.io"), QStringLiteral("C"));
    signIn(QStringLiteral(".codex"), QStringLiteral("a@x.io"), QStringLiteral("A"));
    signIn(QStringLiteral(".codex-work"), QStringLiteral("b@x.io"), QStringLiteral("B"));
    signIn(QStringLiteral(".codexold"), QStringLiteral("d@x.io"), QStringLiteral("D")); // not a profile name
    home.mkdir(QStringLiteral(".codex.empty"));                                         // no credentials
    const auto profiles = Resolver::profiles(environment(home.file(QStringLiteral("custom"))));
    ASSERT_EQ(profiles.size(), 3);
    EXPECT_EQ(profiles[0].homeDirectory, home.file(QStringLiteral("custom")));
    EXPECT_EQ(profiles[1].homeDirectory, home.file(QStringLiteral(".codex")));
    EXPECT_EQ(profiles[2].homeDirectory, home.file(QStringLiteral(".codex-work")));
    EXPECT_EQ((QList<bool>{profiles[0].isDefault, profiles[1].isDefault, profiles[2].isDefault}),
              (QList<bool>{true, false, false}));
    const auto accounts = resolver(home.file(QStringLiteral("custom"))).resolveAccounts();
    ASSERT_EQ(accounts.size(), 3);
    EXPECT_EQ(accounts[0].source.displayName, QStringLiteral("Codex CLI"));
    EXPECT_EQ(accounts[1].source.displayName, QStringLiteral("Codex CLI (.codex)"));
    EXPECT_EQ(accounts[2].source.displayName, QStringLiteral("Codex CLI (.codex-work)"));
    EXPECT_EQ(accounts[2].source.rootPath, home.file(QStringLiteral(".codex-work")));
}

// MARK: Claims

TEST_F(CodexAccountResolverTest, ClaimsAreReadFromTheIdToken) {
    const QJsonObject claim{{QStringLiteral("chatgpt_account_id"), QStringLiteral("acct")},
                            {QStringLiteral("chatgpt_plan_type"), QStringLiteral("plus")},
                            {QStringLiteral("organizations"),
                             QJsonArray{QJsonObject{{QStringLiteral("title"), QStringLiteral("Personal")}},
                                        QJsonObject{{QStringLiteral("is_default"), true}, {QStringLiteral("title"), QStringLiteral("Acme")}}}}};
    EXPECT_EQ(claimsOf({{QStringLiteral("email"), QStringLiteral("kim@acme.io")},
                        {QStringLiteral("name"), QStringLiteral("김 리")},
                        {kClaim, claim}},
                       QStringLiteral("tokens-acct")),
              (Claims{QStringLiteral("kim@acme.io"), QStringLiteral("김 리"), QStringLiteral("acct"), QStringLiteral("plus"),
                      QStringLiteral("Acme")}));
}

TEST_F(CodexAccountResolverTest, TheAccountIdFallsBackToTheTokensAccountId) {
    EXPECT_EQ(claimsOf({{kClaim, QJsonObject{{QStringLiteral("chatgpt_account_id"), 42}}}}, QStringLiteral("tokens-acct"))->accountID,
              QStringLiteral("tokens-acct"));
    EXPECT_EQ(claimsOf({{QStringLiteral("email"), QStringLiteral("e@x.io")}})->accountID, std::nullopt);
    // Once read, the claims are there even when every one is missing.
    EXPECT_EQ(claimsOf({}), Claims{});
}

TEST_F(CodexAccountResolverTest, TheDefaultOrganisationIsTheFirstTrulyDefaultOrElseTheFirst) {
    const auto organization = [&](const QJsonArray& organizations) {
        return claimsOf({{kClaim, QJsonObject{{QStringLiteral("organizations"), organizations}}}})->organization;
    };
    const QJsonObject first{{QStringLiteral("title"), QStringLiteral("First")}};
    const QJsonObject second{{QStringLiteral("is_default"), QStringLiteral("true")}, {QStringLiteral("title"), QStringLiteral("Second")}};
    EXPECT_EQ(organization({first, second}), QStringLiteral("First"));
    EXPECT_EQ(organization({first, QJsonObject{{QStringLiteral("is_default"), true}, {QStringLiteral("title"), 7}}}), std::nullopt);
    EXPECT_EQ(organization({}), std::nullopt);
    EXPECT_EQ(organization({first, QStringLiteral("not an object")}), std::nullopt);
}

TEST_F(CodexAccountResolverTest, UnreadableCredentialsGiveNoClaims) {
    EXPECT_EQ(Resolver::identityClaims(home.file(QStringLiteral("missing/auth.json"))), std::nullopt);
    EXPECT_EQ(Resolver::identityClaims(home.write(QStringLiteral("a/auth.json"), "[1]")), std::nullopt);
    EXPECT_EQ(Resolver::identityClaims(home.write(QStringLiteral("b/auth.json"), R"({"tokens": {"account_id": "x"}})")),
              std::nullopt);
    EXPECT_EQ(Resolver::identityClaims(home.write(QStringLiteral("c/auth.json"), R"({"tokens": {"id_token": 5}})")),
              std::nullopt);
    EXPECT_EQ(Resolver::identityClaims(home.write(QStringLiteral("d/auth.json"), R"({"tokens": {"id_token": "a.!!!.c"}})")),
              std::nullopt);
    EXPECT_EQ(Resolver::identityClaims(home.write(QStringLiteral("e/auth.json"), R"({"tokens": "x"})")), std::nullopt);
    // A pipe where the file should be must not hang the scan.
    EXPECT_EQ(Resolver::identityClaims(home.makeFifo(QStringLiteral("f/auth.json"))), std::nullopt);
}

// The plan ids the client lists today (codex-rs protocol PlanType and the ID
// token's claim) by the names the service sells them under; "Prolite" and
// "Self_serve_business_usage_based" used to be shown.
TEST_F(CodexAccountResolverTest, PlanNames) {
    const struct {
        std::optional<QString> type;
        std::optional<QString> name;
    } rows[] = {
        {"free", "ChatGPT Free"}, {"go", "ChatGPT Go"}, {"plus", "ChatGPT Plus"}, {"Plus", "ChatGPT Plus"},
        {"pro", "ChatGPT Pro"}, {"prolite", "ChatGPT Pro Lite"}, {"pro_lite", "ChatGPT Pro Lite"},
        {"team", "ChatGPT Team"}, {"self_serve_business_usage_based", "ChatGPT Business"},
        {"business", "ChatGPT Business"}, {"enterprise_cbp_usage_based", "ChatGPT Enterprise"},
        {"enterprise", "ChatGPT Enterprise"}, {"hc", "ChatGPT Enterprise"}, {"edu", "ChatGPT Edu"},
        {"education", "ChatGPT Edu"}, {"PRO_max plan", "ChatGPT Pro Max Plan"}, {"", std::nullopt},
        {std::nullopt, std::nullopt},
    };
    for (const auto& row : rows) EXPECT_EQ(Resolver::planName(row.type), row.name) << row.type.value_or(QStringLiteral("-")).toStdString();
}

// MARK: CLI accounts

TEST_F(CodexAccountResolverTest, CliAccountsCarryTheClaimsAndWhetherUsageIsReadable) {
    signIn(QStringLiteral(".codex"), QStringLiteral("a@x.io"), QStringLiteral("A"), QStringLiteral("pro"));
    signIn(QStringLiteral(".codex-2"), QStringLiteral("b@x.io"), QString());
    authFile(QStringLiteral(".codex-3"), QJsonObject{{QStringLiteral("name"), QStringLiteral("nobody")}});
    fx::writeFile(home.file(QStringLiteral(".codex/sessions/rollout-a.jsonl")),
                  fx::joinLines({fx::sessionMetaLine(QStringLiteral("2026-01-15T11:00:00Z")),
                                 fx::rateLimitLine(QStringLiteral("2026-01-15T11:10:00Z"),
                                                   {{QStringLiteral("primary"), fx::window(5, 300, 2e9)}})}),
                  utc(2026, 1, 15, 11, 10));
    const auto accounts = resolver().resolveAccounts();
    ASSERT_EQ(ids(accounts), (QStringList{QStringLiteral("A"), QStringLiteral("b@x.io")}));
    const AccountIdentity& a = accounts[0];
    EXPECT_EQ(a.provider, AIProviderType::openAICodex);
    EXPECT_EQ(a.email, QStringLiteral("a@x.io"));
    EXPECT_EQ(a.displayName, QStringLiteral("Kim Lee"));
    EXPECT_EQ(a.planName, QStringLiteral("ChatGPT Pro"));
    EXPECT_TRUE(a.usageReadable);
    EXPECT_EQ(a.lastSeenAt, kNow);
    EXPECT_EQ(a.source, (AccountSource{QStringLiteral("codex.cli"), AccountSourceKind::cli, QStringLiteral("Codex CLI"),
                                       home.file(QStringLiteral(".codex")), {}}));
    EXPECT_FALSE(accounts[1].usageReadable); // no rollouts in .codex-2
    // The readability check went through the ledger.
    EXPECT_EQ(ledger.record(AIProviderType::openAICodex, home.file(QStringLiteral(".codex")))->accountID, QStringLiteral("A"));
}

TEST_F(CodexAccountResolverTest, AnAccountWhoseNewestSessionPredatesItsSignInIsNotReadable) {
    ledger.attributionBoundary(AIProviderType::openAICodex, home.file(QStringLiteral(".codex")), QStringLiteral("OLD"),
                               std::nullopt, utc(2026, 1, 1));
    fx::writeFile(home.file(QStringLiteral(".codex/sessions/rollout-a.jsonl")),
                  fx::joinLines({fx::sessionMetaLine(QStringLiteral("2026-01-15T09:00:00Z")),
                                 fx::rateLimitLine(QStringLiteral("2026-01-15T09:10:00Z"),
                                                   {{QStringLiteral("primary"), fx::window(5, 300, 2e9)}})}),
                  utc(2026, 1, 15, 9, 10));
    const QString auth = signIn(QStringLiteral(".codex"), QStringLiteral("new@x.io"), QStringLiteral("NEW"));
    fx::setModified(auth, utc(2026, 1, 15, 10));
    const auto accounts = resolver().resolveAccounts();
    ASSERT_EQ(accounts.size(), 1);
    EXPECT_FALSE(accounts[0].usageReadable);
    EXPECT_EQ(ledger.record(AIProviderType::openAICodex, home.file(QStringLiteral(".codex")))->switchedAt, utc(2026, 1, 15, 10));
}

// Who the client is signed in as, read the way the client reads it: from
// auth.json unless its settings keep the credentials elsewhere, and not at all
// for an API key or after sign-out.
TEST_F(CodexAccountResolverTest, WhoIsSignedInFollowsTheClientsCredentialStore) {
    const QString id = fx::kDataAccountID;
    const struct {
        const char* name;
        const char* config; // tests/data/codex file written as ~/.codex/config.toml, or none
        const char* auth;   // ... as ~/.codex/auth.json, or none
        qsizetype profiles;
        QStringList ids;
    } rows[] = {
        {"ChatGPT login", nullptr, "auth-chatgpt.json", 1, {id}},
        {"its e-mail only in the profile claim", nullptr, "auth-chatgpt-profile-email.json", 1, {id}},
        {"an older ChatGPT login keeping a key beside its tokens", nullptr, "auth-chatgpt-legacy-with-key.json", 1, {id}},
        {"signed out", "config-file.toml", nullptr, 0, {}},
        {"credentials in the keyring", "config-keyring.toml", nullptr, 1, {}},
        {"credentials in the keyring, an old auth.json left", "config-keyring.toml", "auth-chatgpt.json", 1, {}},
        {"credentials in memory only", "config-ephemeral.toml", nullptr, 1, {}},
        {"keyring or file, in the file", "config-auto.toml", "auth-chatgpt.json", 1, {id}},
        {"keyring or file, not in the file", "config-auto.toml", nullptr, 1, {}},
        {"an API key", nullptr, "auth-apikey.json", 1, {}},
        {"an API key, older file", nullptr, "auth-apikey-legacy.json", 1, {}},
        {"the setting inside a table", "config-in-a-table.toml", nullptr, 0, {}},
    };
    for (const auto& row : rows) {
        const QString user = QLatin1String(row.name);
        home.mkdir(user + QStringLiteral("/.codex"));
        if (row.config) home.write(user + QStringLiteral("/.codex/config.toml"), test::testData(QStringLiteral("codex/") + QLatin1String(row.config)));
        if (row.auth) home.write(user + QStringLiteral("/.codex/auth.json"), test::testData(QStringLiteral("codex/") + QLatin1String(row.auth)));
        const Resolver::Environment where{home.file(user), std::nullopt, home.file(user + QStringLiteral("/chat"))};
        EXPECT_EQ(Resolver::profiles(where).size(), row.profiles) << row.name;
        const auto accounts = Resolver(where, ledger, clock).resolveAccounts();
        EXPECT_EQ(ids(accounts), row.ids) << row.name;
        for (const auto& account : accounts) {
            EXPECT_EQ(account.email, fx::kDataEmail) << row.name;
            EXPECT_EQ(account.planName, QStringLiteral("ChatGPT Pro Lite")) << row.name;
        }
    }
}

// MARK: Desktop app

TEST_F(CodexAccountResolverTest, DesktopWorkspacesActiveFirstThenStoredInOrder) {
    home.write(QStringLiteral(".config/com.openai.chat/conversations-v3-b"), "");
    home.mkdir(QStringLiteral(".config/com.openai.chat/conversations-v3-a"));
    home.write(QStringLiteral(".config/com.openai.chat/conversations-v3-"), "");
    home.write(QStringLiteral(".config/com.openai.chat/other-c"), "");
    preference(R"(<string>{"workspaceID":"b"}</string>)");
    const auto accounts = resolver().resolveAccounts();
    ASSERT_EQ(ids(accounts), (QStringList{QStringLiteral("b"), QStringLiteral("a")}));
    EXPECT_EQ(accounts[0].source,
              (AccountSource{QStringLiteral("codex.desktop"), AccountSourceKind::desktopApp, QStringLiteral("ChatGPT Desktop"),
                             home.file(QStringLiteral(".config/com.openai.chat")),
                             {QStringLiteral("com.openai.chat"), QStringLiteral("com.openai.codex")}}));
    EXPECT_FALSE(accounts[0].usageReadable);
    EXPECT_EQ(accounts[0].email, std::nullopt);
    EXPECT_EQ(accounts[0].lastSeenAt, kNow);
}

TEST_F(CodexAccountResolverTest, AMalformedPreferenceOnlyLosesTheActiveWorkspace) {
    home.write(QStringLiteral(".config/com.openai.chat/conversations-v3-z"), "");
    for (const QByteArray& value : {QByteArray("<string>not json</string>"), QByteArray(R"(<string>{"workspaceID":3}</string>)"),
                                    QByteArray("<integer>4</integer>")}) {
        preference(value);
        EXPECT_EQ(ids(resolver().resolveAccounts()), QStringList{QStringLiteral("z")}) << value.toStdString();
    }
}

TEST_F(CodexAccountResolverTest, NoDesktopAccountsWithoutTheAppFolderOrAnythingInIt) {
    preference(R"(<string>{"workspaceID":"b"}</string>)");
    EXPECT_TRUE(resolver().resolveAccounts().isEmpty()); // no folder
    home.write(QStringLiteral(".config/com.openai.chat"), "a file, not a folder");
    EXPECT_TRUE(resolver().resolveAccounts().isEmpty());
    test::TempHome other;
    other.mkdir(QStringLiteral("app"));
    Resolver empty({other.path(), std::nullopt, other.file(QStringLiteral("app"))}, ledger, clock);
    EXPECT_TRUE(empty.resolveAccounts().isEmpty()); // folder, but no preference and no entries
}

TEST_F(CodexAccountResolverTest, CliAccountsComeBeforeDesktopAccounts) {
    signIn(QStringLiteral(".codex"), QStringLiteral("a@x.io"), QStringLiteral("A"));
    home.write(QStringLiteral(".config/com.openai.chat/conversations-v3-A"), "");
    const auto accounts = resolver().resolveAccounts();
    ASSERT_EQ(accounts.size(), 2);
    EXPECT_EQ(accounts[0].source.id, QStringLiteral("codex.cli"));
    EXPECT_EQ(accounts[1].source.id, QStringLiteral("codex.desktop"));
    EXPECT_EQ(accounts[1].id, QStringLiteral("A"));
    EXPECT_EQ(resolver().provider(), AIProviderType::openAICodex);
    EXPECT_EQ(resolver().primarySourceID(), QStringLiteral("codex.cli"));
}

} // namespace
} // namespace meterix
