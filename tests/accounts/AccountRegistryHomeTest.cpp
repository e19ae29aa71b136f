// The registry over the real resolvers and a whole fixture home: the accounts
// of every tool found together, merged per provider.
#include "accounts/AccountIdentityLedger.h"
#include "accounts/AccountRegistry.h"
#include "core/MeterixPreferences.h"
#include "providers/DefaultProviders.h"
#include "providers/antigravity/GeminiAccountResolver.h"
#include "providers/claude/ClaudeAccountResolver.h"
#include "providers/codex/CodexAccountResolver.h"
#include "providers/cursor/CursorAccountResolver.h"
#include "support/HostUnderHome.h"
#include "support/CodexFixtures.h"
#include "support/FakeClock.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"
#include "support/WaitUntil.h"

#include <QJsonDocument>
#include <QSettings>

#include <gtest/gtest.h>

#include <sqlite3.h>

using namespace meterix;
using meterix::test::FakeClock;
using meterix::test::TempHome;
namespace fx = meterix::test::codex;

namespace {

const char* kClaudeUsage = R"(,"cachedUsageUtilization":{"utilization":{"five_hour":{"utilization":10}}})";

void cursorState(const TempHome& home, const char* email) {
    home.mkdir(QStringLiteral(".config/Cursor/User/globalStorage"));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(home.file(QStringLiteral(".config/Cursor/User/globalStorage/state.vscdb")).toUtf8().constData(), &db),
              SQLITE_OK);
    const QByteArray sql = QByteArray("CREATE TABLE ItemTable (key TEXT UNIQUE ON CONFLICT REPLACE, value BLOB);"
                                      "INSERT INTO ItemTable VALUES ('cursorAuth/cachedEmail', '") +
                           email + "');INSERT INTO ItemTable VALUES ('cursorAuth/stripeMembershipType', 'pro');";
    ASSERT_EQ(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

class FixtureHome : public ::testing::Test {
  protected:
    void SetUp() override {
        // Claude Code: one account signed in to two profiles, also known to the desktop app.
        const QByteArray claude = QByteArray(R"({"oauthAccount":{"accountUuid":"c-1","emailAddress":"kim@example.com",)"
                                             R"("organizationType":"claude_max"})") +
                                  kClaudeUsage + "}";
        home.write(QStringLiteral(".claude.json"), claude);
        home.write(QStringLiteral(".claude-work/.claude.json"), claude);
        home.write(QStringLiteral(".config/Claude/config.json"), R"({"lastKnownAccountUuid":"c-1"})");

        // Codex: one signed-in profile with a session that carries rate limits.
        home.write(QStringLiteral(".codex/auth.json"),
                   fx::authJson(QJsonObject{{QStringLiteral("email"), QStringLiteral("a@x.io")},
                                            {QStringLiteral("https://api.openai.com/auth"),
                                             fx::openAIClaims(QStringLiteral("A"), QStringLiteral("plus"))}}));
        fx::writeFile(home.file(QStringLiteral(".codex/sessions/rollout-a.jsonl")),
                      fx::joinLines({fx::sessionMetaLine(QStringLiteral("2026-01-15T11:00:00Z")),
                                     fx::rateLimitLine(QStringLiteral("2026-01-15T11:10:00Z"),
                                                       {{QStringLiteral("primary"), fx::window(5, 300, 2e9)}})}),
                      clock.now().addSecs(-50 * 60));

        // Cursor, in a real state database.
        cursorState(home, "lee@example.com");

        // Gemini CLI with an earlier, signed-out account, the Antigravity client and IDE.
        home.write(QStringLiteral(".gemini/google_accounts.json"),
                   R"({"active":"g@example.com","old":["g@example.com","old@example.com"]})");
        home.write(QStringLiteral(".gemini/oauth_creds.json"),
                   R"({"id_token":")" + fx::unsignedToken(QJsonObject{{QStringLiteral("sub"), QStringLiteral("S-9")}}).toUtf8() +
                       R"("})");
        home.write(QStringLiteral(".gemini/antigravity-cli/log/cli-20260115.log"),
                   "boot\napplyAuthResult: email=g@example.com, method=oauth\n");
        home.mkdir(QStringLiteral(".gemini/antigravity"));
    }

    QString p(const char* relative) const { return home.file(QString::fromLatin1(relative)); }

    TempHome home;
    FakeClock clock;
    QTemporaryDir data;
    AccountIdentityLedger ledger{data.filePath(QStringLiteral("account-identity.json")), clock};
    std::shared_ptr<QSettings> settings =
        std::make_shared<QSettings>(data.filePath(QStringLiteral("Meterix.conf")), QSettings::IniFormat);
    MeterixPreferences preferences{settings};
    HostEnvironment host = test::hostUnderHome(home.path());
};

} // namespace

TEST_F(FixtureHome, AllToolsAccountsAreFoundMergedAndSorted) {
    AccountRegistry registry(
        {std::make_shared<ClaudeAccountResolver>(host, clock),
         std::make_shared<CodexAccountResolver>(
             CodexAccountResolver::Environment{home.path(), std::nullopt, p(".config/com.openai.chat")}, ledger, clock),
         std::make_shared<GeminiAccountResolver>(host, clock), std::make_shared<CursorAccountResolver>(host, clock)},
        preferences, clock);
    bool done = false;
    registry.refreshAccounts(std::nullopt, [&] { done = true; });
    ASSERT_TRUE(test::waitUntil([&] { return done; }));

    // The active Google account is one account across the Gemini CLI and both
    // Antigravity folders; the earlier, signed-out address is no account.
    QStringList found;
    for (auto it = registry.accountsByProvider().cbegin(); it != registry.accountsByProvider().cend(); ++it)
        for (const ResolvedAccount& a : it.value())
            found.append(QStringList{rawValue(it.key()), a.id, a.email.value_or(QString()), a.planName.value_or(QString()),
                                     a.sourceBadgeText(), a.usageReadable ? QStringLiteral("readable") : QString()}
                             .join(QLatin1Char('|')));
    EXPECT_EQ(found, (QStringList{QStringLiteral("claude|c-1|kim@example.com|Claude Max|CLI · App|readable"),
                                  QStringLiteral("codex|A|a@x.io|ChatGPT Plus|CLI|readable"),
                                  QStringLiteral("agy|S-9|g@example.com||CLI · IDE|readable"),
                                  QStringLiteral("cursor|lee@example.com|lee@example.com|Cursor Pro|IDE|readable")}));

    EXPECT_EQ(registry.attributionAccount(AIProviderType::antigravity)->id, QStringLiteral("S-9"));
    EXPECT_EQ(registry.attributionAccount(AIProviderType::claudeCode)->id, QStringLiteral("c-1"));
    EXPECT_EQ(registry.attributionAccount(AIProviderType::cursor)->id, QStringLiteral("lee@example.com"));
    EXPECT_FALSE(registry.attributionAccount(AIProviderType::copilot));

    QStringList places;
    for (const AccountSource& s : registry.allSources()) places.append(s.id + QLatin1Char(' ') + s.rootPath.value_or(QString()));
    EXPECT_EQ(places, (QStringList{QStringLiteral("antigravity.cli ") + p(".gemini/antigravity-cli"),
                                   QStringLiteral("antigravity.ide ") + p(".gemini/antigravity"),
                                   QStringLiteral("claude.cli ") + p(".claude"),
                                   QStringLiteral("claude.cli ") + p(".claude-work"),
                                   QStringLiteral("claude.desktop ") + p(".config/Claude"),
                                   QStringLiteral("codex.cli ") + p(".codex"),
                                   QStringLiteral("cursor.ide ") + p(".config/Cursor"),
                                   QStringLiteral("gemini.cli ") + p(".gemini")}));

    QStringList watched;
    for (const auto& a : registry.activityPaths())
        watched.append(rawValue(a.provider) + QLatin1Char(' ') + a.accountID + QLatin1Char(' ') + a.path);
    EXPECT_EQ(watched, (QStringList{QStringLiteral("claude c-1 ") + p(".claude"),
                                    QStringLiteral("claude c-1 ") + p(".claude-work"),
                                    QStringLiteral("claude c-1 ") + p(".config/Claude"),
                                    QStringLiteral("codex A ") + p(".codex"),
                                    QStringLiteral("agy S-9 ") + p(".gemini"),
                                    QStringLiteral("agy S-9 ") + p(".gemini/antigravity-cli"),
                                    QStringLiteral("agy S-9 ") + p(".gemini/antigravity"),
                                    QStringLiteral("cursor lee@example.com ") + p(".config/Cursor")}));
}

TEST(DefaultResolvers, AllFourToolFamiliesInOrder) {
    QList<AIProviderType> providers;
    for (const auto& r : accountResolversOf(providerDescriptors(), defaultServices())) providers.append(r->provider());
    EXPECT_EQ(providers, (QList<AIProviderType>{AIProviderType::claudeCode, AIProviderType::openAICodex,
                                                AIProviderType::antigravity, AIProviderType::cursor}));
}
