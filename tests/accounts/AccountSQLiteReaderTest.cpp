#include "accounts/AccountSQLiteReader.h"

#include "support/TempHome.h"

#include <QFile>
#include <QFileInfo>

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <optional>

using namespace meterix;
using meterix::test::TempHome;

namespace {

// Builds a small key-value database the way VS Code style apps keep theirs.
void makeDatabase(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    char* error = nullptr;
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_close(db);
}

const char* kItems = "CREATE TABLE ItemTable (key TEXT UNIQUE ON CONFLICT REPLACE, value BLOB);"
                     "INSERT INTO ItemTable VALUES ('cursorAuth/cachedEmail', 'kim@example.com');"
                     "INSERT INTO ItemTable VALUES ('plan', 'pro');"
                     "INSERT INTO ItemTable VALUES ('nullValue', NULL);"
                     "INSERT INTO ItemTable VALUES ('blob', X'6869006A6B');"
                     "INSERT INTO ItemTable VALUES ('number', 42);"
                     "INSERT INTO ItemTable VALUES ('badUtf8', CAST(X'61FF62' AS TEXT));";

} // namespace

TEST(AccountSQLiteReader, ReadsTextValuesOfRequestedKeysThroughAnEncodedUri) {
    TempHome home;
    home.mkdir(QStringLiteral("User Data/globalStorage"));
    const QString path = home.file(QStringLiteral("User Data/globalStorage/state #1?.vscdb"));
    makeDatabase(path, kItems);
    const auto values = AccountSQLiteReader::itemTableValues(
        path, {QStringLiteral("cursorAuth/cachedEmail"), QStringLiteral("plan"), QStringLiteral("missing"),
               QStringLiteral("nullValue"), QStringLiteral("blob"), QStringLiteral("number"),
               QStringLiteral("badUtf8")});
    EXPECT_EQ(values.value(QStringLiteral("cursorAuth/cachedEmail")), QStringLiteral("kim@example.com"));
    EXPECT_EQ(values.value(QStringLiteral("plan")), QStringLiteral("pro"));
    EXPECT_FALSE(values.contains(QStringLiteral("missing")));
    EXPECT_FALSE(values.contains(QStringLiteral("nullValue")));
    EXPECT_EQ(values.value(QStringLiteral("blob")), QStringLiteral("hi"))
        << "a blob counts up to its first zero byte";
    EXPECT_EQ(values.value(QStringLiteral("number")), QStringLiteral("42"));
    EXPECT_FALSE(values.contains(QStringLiteral("badUtf8"))) << "a value not UTF-8 throughout is no value";
    EXPECT_EQ(values.size(), 4);
}

TEST(AccountSQLiteReader, UriPercentEncodesWhatAUrlPathCannotHold) {
    EXPECT_EQ(AccountSQLiteReader::immutableUri(QStringLiteral("/a b/c#d?e%f/ü:@=+~.db")),
              QStringLiteral("file:/a%20b/c%23d%3Fe%25f/%C3%BC:@=+~.db?immutable=1"));
}

TEST(AccountSQLiteReader, BadDatabasesGiveNothing) {
    TempHome home;
    const QStringList keys{QStringLiteral("plan")};
    EXPECT_TRUE(AccountSQLiteReader::itemTableValues(home.file(QStringLiteral("none.db")), keys).isEmpty());
    const QString good = home.file(QStringLiteral("good.db"));
    makeDatabase(good, kItems);
    EXPECT_TRUE(AccountSQLiteReader::itemTableValues(good, {}).isEmpty());
    const QString noTable = home.file(QStringLiteral("other.db"));
    makeDatabase(noTable,
                 "CREATE TABLE Other (key TEXT, value TEXT); INSERT INTO Other VALUES ('plan','x');");
    EXPECT_TRUE(AccountSQLiteReader::itemTableValues(noTable, keys).isEmpty());
    EXPECT_TRUE(AccountSQLiteReader::itemTableValues(
                    home.write(QStringLiteral("garbage.db"), QByteArray(4096, 'x')), keys)
                    .isEmpty());
    // A real header followed by garbage pages.
    QFile f(good);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray header = f.read(100);
    EXPECT_TRUE(AccountSQLiteReader::itemTableValues(
                    home.write(QStringLiteral("corrupt.db"), header + QByteArray(8192, '\xA5')), keys)
                    .isEmpty());
    EXPECT_TRUE(
        AccountSQLiteReader::itemTableValues(home.makeFifo(QStringLiteral("fifo.db")), keys).isEmpty());
    EXPECT_TRUE(AccountSQLiteReader::itemTableValues(home.mkdir(QStringLiteral("dir.db")), keys).isEmpty());
}

TEST(AccountSQLiteReader, NeverWritesTheDatabase) {
    TempHome home;
    const QString path = home.file(QStringLiteral("state.vscdb"));
    makeDatabase(path, kItems);
    const qint64 before = TempHome::modifiedNs(path);
    const qint64 size = QFileInfo(path).size();
    AccountSQLiteReader::itemTableValues(path, {QStringLiteral("plan")});
    EXPECT_EQ(TempHome::modifiedNs(path), before);
    EXPECT_EQ(QFileInfo(path).size(), size);
    EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral("-journal")));
    EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral("-wal")));
}

// What a crafted state file could define as ItemTable, each holding a row for
// "k" that SQLite would reach: only the plain table's value is read, and no
// read takes more steps than its budget.
TEST(AccountSQLiteReader, ReadsOnlyAPlainTableAndStopsAtItsBudget) {
    const AccountSQLiteReader::Limits limits{.steps = 20'000, .valueBytes = 4096};
    const struct {
        const char* what;
        const char* sql;
        std::optional<QString> value;
    } rows[] = {
        {"a plain table", "CREATE TABLE ItemTable (key TEXT UNIQUE ON CONFLICT REPLACE, value BLOB);"
                          "INSERT INTO ItemTable VALUES ('k', 'kim@example.com');",
         QStringLiteral("kim@example.com")},
        {"a recursive view", "CREATE VIEW ItemTable (key, value) AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
                             "SELECT i + 1 FROM n LIMIT 200000) SELECT iif(i = 200000, 'k', 'x'), 'late' FROM n;",
         std::nullopt},
        {"a view of a huge value", "CREATE VIEW ItemTable (key, value) AS SELECT 'k', printf('%.*c', 3000000, 'x');",
         std::nullopt},
        {"a table value over the length limit", "CREATE TABLE ItemTable (key TEXT, value BLOB);"
                                                "INSERT INTO ItemTable VALUES ('k', printf('%.*c', 4097, 'x'));",
         std::nullopt},
        {"a virtual table", "CREATE VIRTUAL TABLE ItemTable USING fts5(key, value);"
                            "INSERT INTO ItemTable VALUES ('k', 'v');",
         std::nullopt},
        {"a table searched past the budget", "CREATE TABLE ItemTable (key TEXT, value BLOB);"
                                             "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n LIMIT 50000)"
                                             " INSERT INTO ItemTable SELECT 'x' || i, 'v' FROM n;"
                                             "INSERT INTO ItemTable VALUES ('k', 'last');",
         std::nullopt},
    };
    TempHome home;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const QString path = home.file(QString::fromLatin1(row.what) + QStringLiteral(".vscdb"));
        makeDatabase(path, row.sql);
        const AccountSQLiteReader::Read read = AccountSQLiteReader::readItemTable(path, {QStringLiteral("k")}, limits);
        EXPECT_EQ(read.values.contains(QStringLiteral("k")), row.value.has_value());
        EXPECT_EQ(read.values.value(QStringLiteral("k")).left(64), row.value.value_or(QString()));
        EXPECT_LE(read.steps, limits.steps);
    }
}
