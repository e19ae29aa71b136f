#include "accounts/CursorAccountResolver.h"

#include "support/FakeClock.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sqlite3.h>

using namespace meterix;
using meterix::test::TempHome;

namespace {

const QString kDatabase = QStringLiteral(".config/Cursor/User/globalStorage/state.vscdb");

// Cursor's global state: a key-value table, values bound as text.
void writeState(const TempHome& home, const QList<std::pair<const char*, QString>>& items) {
    home.mkdir(QStringLiteral(".config/Cursor/User/globalStorage"));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(home.file(kDatabase).toUtf8().constData(), &db), SQLITE_OK);
    sqlite3_exec(db, "CREATE TABLE ItemTable (key TEXT UNIQUE ON CONFLICT REPLACE, value BLOB)", nullptr, nullptr, nullptr);
    for (const auto& [key, value] : items) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO ItemTable VALUES (?, ?)", -1, &statement, nullptr);
        const QByteArray v = value.toUtf8();
        sqlite3_bind_text(statement, 1, key, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(statement, 2, v.constData(), -1, SQLITE_TRANSIENT);
        EXPECT_EQ(sqlite3_step(statement), SQLITE_DONE);
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
}

class Cursor : public ::testing::Test {
  protected:
    TempHome home;
    test::FakeClock clock;
    CursorAccountResolver resolver{HostEnvironment::underHome(home.path()), clock};
};

} // namespace

TEST_F(Cursor, ReportsTheSignedInAccountWithTeamAndPlan) {
    writeState(home, {{"cursorAuth/cachedEmail", QStringLiteral(" kim@example.com ")},
                      {"cursorAuth/cachedTeam", QStringLiteral(R"({"name":"Acme Labs","id":7})")},
                      {"cursorAuth/stripeMembershipType", QStringLiteral("free_trial")}});
    const QList<AccountIdentity> accounts = resolver.resolveAccounts();
    ASSERT_EQ(accounts.size(), 1);
    const AccountIdentity& a = accounts.front();
    EXPECT_EQ(a.id, QStringLiteral(" kim@example.com ")) << "kept exactly as stored";
    EXPECT_EQ(a.email, a.id);
    EXPECT_EQ(a.organization, QStringLiteral("Acme Labs"));
    EXPECT_EQ(a.planName, QStringLiteral("Cursor Free Trial"));
    EXPECT_TRUE(a.usageReadable);
    EXPECT_EQ(a.lastSeenAt, clock.now());
    EXPECT_EQ(a.source, (AccountSource{QStringLiteral("cursor.ide"), AccountSourceKind::ide, QStringLiteral("Cursor"),
                                       home.file(QStringLiteral(".config/Cursor")),
                                       {QStringLiteral("com.todesktop.230313mzl4w4u92")}}));
}

TEST_F(Cursor, NothingWithoutFolderDatabaseOrAddress) {
    EXPECT_TRUE(resolver.resolveAccounts().isEmpty());
    home.mkdir(QStringLiteral(".config/Cursor"));
    EXPECT_TRUE(resolver.resolveAccounts().isEmpty()) << "folder without a database";
    home.makeFifo(kDatabase);
    EXPECT_TRUE(resolver.resolveAccounts().isEmpty()) << "a pipe is never opened";
    QFile::remove(home.file(kDatabase));
    home.write(kDatabase, QByteArray("SQLite format 3\0garbage", 24) + QByteArray(4096, '\x7f'));
    EXPECT_TRUE(resolver.resolveAccounts().isEmpty()) << "no database at all";
    QFile::remove(home.file(kDatabase));
    writeState(home, {{"cursorAuth/cachedEmail", QString()}, {"cursorAuth/stripeMembershipType", QStringLiteral("pro")}});
    EXPECT_TRUE(resolver.resolveAccounts().isEmpty()) << "an empty address";
}

TEST_F(Cursor, TeamAndPlanValuesThatSayNothingAreLeftOut) {
    for (const char* team : {"Acme", R"({"name":""})", R"({"name":5})", R"(["Acme"])", "{"})
        EXPECT_EQ(CursorAccountResolver::teamName(QString::fromUtf8(team)), std::nullopt) << team;
    EXPECT_EQ(CursorAccountResolver::planName(QStringLiteral("pro")), QStringLiteral("Cursor Pro"));
    EXPECT_EQ(CursorAccountResolver::planName(QString()), std::nullopt);
    writeState(home, {{"cursorAuth/cachedEmail", QStringLiteral("kim@example.com")},
                      {"cursorAuth/cachedTeam", QStringLiteral("Acme")}});
    const auto accounts = resolver.resolveAccounts();
    ASSERT_EQ(accounts.size(), 1) << "still reported";
    EXPECT_FALSE(accounts[0].organization);
    EXPECT_FALSE(accounts[0].planName);
}
