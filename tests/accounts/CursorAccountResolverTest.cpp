#include "accounts/CursorAccountResolver.h"

#include "support/FakeClock.h"
#include "support/QtPrinters.h"
#include "support/FileFixtures.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

using namespace meterix;
using meterix::test::FakeClock;
using meterix::test::TempHome;

namespace {

const QString kDatabase = QStringLiteral(".config/Cursor/User/globalStorage/state.vscdb");

// Cursor's global state: a key-value table, values as SQLite keeps them.
void writeState(const TempHome& home, const QList<std::pair<QString, QString>>& items) {
    home.mkdir(QStringLiteral(".config/Cursor/User/globalStorage"));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(home.file(kDatabase).toUtf8().constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE ItemTable (key TEXT UNIQUE ON CONFLICT REPLACE, value BLOB)", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    for (const auto& [key, value] : items) {
        sqlite3_stmt* statement = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, "INSERT INTO ItemTable VALUES (?, ?)", -1, &statement, nullptr), SQLITE_OK);
        const QByteArray k = key.toUtf8(), v = value.toUtf8();
        sqlite3_bind_text(statement, 1, k.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(statement, 2, v.constData(), -1, SQLITE_TRANSIENT);
        ASSERT_EQ(sqlite3_step(statement), SQLITE_DONE);
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
}

class Cursor : public ::testing::Test {
  protected:
    TempHome home;
    FakeClock clock;
    CursorAccountResolver resolver{HostEnvironment::underHome(home.path()), clock};
};

} // namespace

TEST_F(Cursor, ReportsTheSignedInAccountWithTeamAndPlan) {
    writeState(home, {{QStringLiteral("cursorAuth/cachedEmail"), QStringLiteral(" kim@example.com ")},
                      {QStringLiteral("cursorAuth/cachedTeam"), QStringLiteral(R"({"name":"Acme Labs","id":7})")},
                      {QStringLiteral("cursorAuth/stripeMembershipType"), QStringLiteral("free_trial")},
                      {QStringLiteral("unrelated"), QStringLiteral("x")}});
    const QList<AccountIdentity> accounts = resolver.resolveAccounts();
    ASSERT_EQ(accounts.size(), 1);
    const AccountIdentity& a = accounts.front();
    EXPECT_EQ(a.id, QStringLiteral(" kim@example.com ")) << "kept exactly as stored";
    EXPECT_EQ(a.email, QStringLiteral(" kim@example.com "));
    EXPECT_EQ(a.provider, AIProviderType::cursor);
    EXPECT_EQ(a.organization, QStringLiteral("Acme Labs"));
    EXPECT_EQ(a.planName, QStringLiteral("Cursor Free Trial"));
    EXPECT_FALSE(a.displayName);
    EXPECT_TRUE(a.usageReadable);
    EXPECT_EQ(a.lastSeenAt, clock.now());
    EXPECT_EQ(a.source.id, QStringLiteral("cursor.ide"));
    EXPECT_EQ(a.source.kind, AccountSourceKind::ide);
    EXPECT_EQ(a.source.displayName, QStringLiteral("Cursor"));
    EXPECT_EQ(a.source.rootPath, home.file(QStringLiteral(".config/Cursor")));
    EXPECT_EQ(a.source.bundleIdentifiers, QStringList{QStringLiteral("com.todesktop.230313mzl4w4u92")});
    EXPECT_EQ(resolver.provider(), AIProviderType::cursor);
    EXPECT_EQ(resolver.primarySourceID(), QStringLiteral("cursor.ide"));
}

TEST_F(Cursor, NothingWithoutFolderDatabaseOrAddress) {
    EXPECT_TRUE(resolver.resolveAccounts().isEmpty()) << "no Cursor folder";
    home.mkdir(QStringLiteral(".config/Cursor"));
    EXPECT_TRUE(resolver.resolveAccounts().isEmpty()) << "folder without a database";
    writeState(home, {{QStringLiteral("cursorAuth/cachedEmail"), QString()},
                      {QStringLiteral("cursorAuth/stripeMembershipType"), QStringLiteral("pro")}});
    EXPECT_TRUE(resolver.resolveAccounts().isEmpty()) << "an empty address is no account";
}

TEST_F(Cursor, ADatabaseThatIsNotOneReadsAsNoAccount) {
    home.write(kDatabase, QByteArray("SQLite format 3\0garbage", 24) + QByteArray(4096, '\x7f'));
    EXPECT_TRUE(resolver.resolveAccounts().isEmpty());
}

TEST_F(Cursor, AFifoInPlaceOfTheDatabaseNeverBlocksTheScan) {
    test::makeFifo(home, kDatabase);
    EXPECT_TRUE(resolver.resolveAccounts().isEmpty());
}

TEST_F(Cursor, ATeamValueThatIsNoNamedObjectLeavesTheOrganisationOut) {
    for (const char* team : {"Acme", R"({"name":""})", R"({"name":5})", R"(["Acme"])", R"({"title":"Acme"})", "{"}) {
        SCOPED_TRACE(team);
        TempHome fresh;
        writeState(fresh, {{QStringLiteral("cursorAuth/cachedEmail"), QStringLiteral("kim@example.com")},
                           {QStringLiteral("cursorAuth/cachedTeam"), QString::fromUtf8(team)}});
        const auto accounts = CursorAccountResolver(HostEnvironment::underHome(fresh.path()), clock).resolveAccounts();
        ASSERT_EQ(accounts.size(), 1) << "the account is still reported";
        EXPECT_FALSE(accounts.front().organization);
        EXPECT_FALSE(accounts.front().planName);
    }
}

TEST(CursorPlan, MembershipTypesBecomePlanNames) {
    EXPECT_EQ(CursorAccountResolver::planName(QStringLiteral("pro")), QStringLiteral("Cursor Pro"));
    EXPECT_EQ(CursorAccountResolver::planName(QStringLiteral("free_trial")), QStringLiteral("Cursor Free Trial"));
    EXPECT_EQ(CursorAccountResolver::planName(QStringLiteral("PRO_PLUS")), QStringLiteral("Cursor Pro Plus"));
    EXPECT_EQ(CursorAccountResolver::planName(QString()), std::nullopt);
    EXPECT_EQ(CursorAccountResolver::planName(std::nullopt), std::nullopt);
    EXPECT_EQ(CursorAccountResolver::teamName(QStringLiteral(R"({"name":"Team 한"})")), QStringLiteral("Team 한"));
    EXPECT_EQ(CursorAccountResolver::teamName(std::nullopt), std::nullopt);
}
