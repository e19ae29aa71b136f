#include "providers/cursor/CursorAccountResolver.h"

#include "support/HostUnderHome.h"
#include "support/FakeClock.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <sqlite3.h>

using namespace meterix;
using meterix::test::TempHome;

namespace {

const QString kDatabase = QStringLiteral(".config/Cursor/User/globalStorage/state.vscdb");

// Cursor's global state: a key-value table, values bound as text.
void writeState(const TempHome& home, const QList<std::pair<QString, QString>>& items,
                const QString& database = kDatabase) {
    QFile::remove(home.file(database));
    home.mkdir(QFileInfo(database).path());
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(home.file(database).toUtf8().constData(), &db), SQLITE_OK);
    sqlite3_exec(db, "CREATE TABLE ItemTable (key TEXT UNIQUE ON CONFLICT REPLACE, value BLOB)", nullptr, nullptr, nullptr);
    for (const auto& [key, value] : items) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO ItemTable VALUES (?, ?)", -1, &statement, nullptr);
        const QByteArray k = key.toUtf8();
        const QByteArray v = value.toUtf8();
        sqlite3_bind_text(statement, 1, k.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(statement, 2, v.constData(), -1, SQLITE_TRANSIENT);
        EXPECT_EQ(sqlite3_step(statement), SQLITE_DONE);
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
}

// The rows of tests/data/cursor: ItemTable keys and their text values.
QList<std::pair<QString, QString>> stateRows(const char* name) {
    QList<std::pair<QString, QString>> items;
    const QJsonObject rows =
        QJsonDocument::fromJson(test::testData(QStringLiteral("cursor/state-%1.json").arg(QLatin1String(name)))).object();
    for (auto it = rows.begin(); it != rows.end(); ++it) items.append({it.key(), it.value().toString()});
    return items;
}

class Cursor : public ::testing::Test {
  protected:
    TempHome home;
    test::FakeClock clock;
    CursorAccountResolver resolver{test::hostUnderHome(home.path()), clock};
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

// Cursor's global state as it holds a signed-in user (tests/data/cursor), in
// the folder every VS Code-based editor keeps on Linux: $XDG_CONFIG_HOME/Cursor.
TEST_F(Cursor, StatesAsCursorKeepsThemInItsConfigFolder) {
    const struct {
        const char* state;
        std::optional<QString> email;
        std::optional<QString> organization;
        std::optional<QString> plan;
    } rows[] = {
        {"pro", QStringLiteral("kim.minji@example.com"), std::nullopt, QStringLiteral("Cursor Pro")},
        {"team", QStringLiteral("lee.jiho@example.com"), QStringLiteral("Hanbit Labs"), QStringLiteral("Cursor Enterprise")},
        {"free-trial", QStringLiteral("park.seoyeon@example.com"), std::nullopt, QStringLiteral("Cursor Free Trial")},
        {"signed-out", std::nullopt, std::nullopt, std::nullopt},
        {"never-signed-in", std::nullopt, std::nullopt, std::nullopt},
    };
    HostEnvironment host = test::hostUnderHome(home.path());
    host.configHome = home.file(QStringLiteral("xdg"));
    CursorAccountResolver moved(host, clock);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.state);
        writeState(home, stateRows(row.state), QStringLiteral("xdg/Cursor/User/globalStorage/state.vscdb"));
        const QList<AccountIdentity> found = moved.resolveAccounts();
        EXPECT_TRUE(resolver.resolveAccounts().isEmpty()) << "nothing in ~/.config";
        ASSERT_EQ(found.size(), row.email ? 1 : 0);
        if (!row.email) continue;
        EXPECT_EQ(found[0].id, row.email);
        EXPECT_EQ(found[0].email, row.email);
        EXPECT_EQ(found[0].organization, row.organization);
        EXPECT_EQ(found[0].planName, row.plan);
        EXPECT_EQ(found[0].source.rootPath, home.file(QStringLiteral("xdg/Cursor")));
    }
}
