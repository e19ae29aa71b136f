#include "accounts/AccountSQLiteReader.h"

#include "core/MeterixLog.h"
#include "core/SafeFile.h"
#include "core/TextUtil.h"

#include <QUrl>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <dlfcn.h>
#include <optional>
#include <type_traits>

namespace meterix {

namespace {

// The SQLite calls the reader makes. The library is loaded the first time a
// database is there to read, not at start: most homes have no such database,
// and a linked library would be mapped into every start. It stays loaded.
struct SQLiteCalls {
    decltype(&sqlite3_open_v2) open;
    decltype(&sqlite3_close) close;
    decltype(&sqlite3_db_config) dbConfig;
    decltype(&sqlite3_limit) limit;
    decltype(&sqlite3_progress_handler) progressHandler;
    decltype(&sqlite3_prepare_v2) prepare;
    decltype(&sqlite3_bind_text) bindText;
    decltype(&sqlite3_step) step;
    decltype(&sqlite3_column_text) columnText;
    decltype(&sqlite3_column_bytes) columnBytes;
    decltype(&sqlite3_finalize) finalize;
};

std::optional<SQLiteCalls> loadSQLite() {
    void* library = ::dlopen("libsqlite3.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        qCWarning(logAccounts, "SQLite databases cannot be read: %s", ::dlerror());
        return std::nullopt;
    }
    SQLiteCalls calls{};
    bool all = true;
    const auto find = [&](auto& call, const char* name) {
        call = reinterpret_cast<std::remove_reference_t<decltype(call)>>(::dlsym(library, name));
        all = all && call;
    };
    find(calls.open, "sqlite3_open_v2");
    find(calls.close, "sqlite3_close");
    find(calls.dbConfig, "sqlite3_db_config");
    find(calls.limit, "sqlite3_limit");
    find(calls.progressHandler, "sqlite3_progress_handler");
    find(calls.prepare, "sqlite3_prepare_v2");
    find(calls.bindText, "sqlite3_bind_text");
    find(calls.step, "sqlite3_step");
    find(calls.columnText, "sqlite3_column_text");
    find(calls.columnBytes, "sqlite3_column_bytes");
    find(calls.finalize, "sqlite3_finalize");
    if (!all) {
        qCWarning(logAccounts, "SQLite databases cannot be read: the SQLite library lacks a call");
        return std::nullopt;
    }
    return calls;
}

const SQLiteCalls* sqlite() {
    static const std::optional<SQLiteCalls> calls = loadSQLite(); // once, from any thread
    return calls ? &*calls : nullptr;
}

// Counts SQLite's virtual-machine steps through its progress handler, which is
// called every `every` steps, and interrupts the statement running before the
// count could pass the limit.
struct StepBudget {
    explicit StepBudget(qint64 limit) : limit(limit), every(static_cast<int>(std::clamp<qint64>(limit, 1, 1000))) {}
    bool spent() const { return taken + every > limit; }
    static int check(void* self) {
        auto* budget = static_cast<StepBudget*>(self);
        budget->taken += budget->every;
        return budget->spent() ? 1 : 0;
    }
    const qint64 limit;
    const int every;
    qint64 taken = 0;
};

class Statement {
  public:
    Statement(const SQLiteCalls& sql, sqlite3* db, const char* text) : sql_(sql) {
        if (sql.prepare(db, text, -1, &statement_, nullptr) != SQLITE_OK) {
            sql.finalize(statement_);
            statement_ = nullptr;
        }
    }
    ~Statement() { sql_.finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    explicit operator bool() const { return statement_ != nullptr; }
    sqlite3_stmt* get() const { return statement_; }

  private:
    const SQLiteCalls& sql_;
    sqlite3_stmt* statement_ = nullptr;
};

// Sets the connection up for a file nobody vouches for. SQLite's heap limits
// are the whole process's, so memory is bounded here per connection instead:
// values and schema texts by the length limit, the page cache by its size.
bool distrust(const SQLiteCalls& sql, sqlite3* db, const AccountSQLiteReader::Limits& limits, StepBudget& budget) {
    // No view computes a row and no trigger fires; the schema may name only
    // functions and virtual tables SQLite deems harmless; nothing is loaded.
    // A library too old for these switches or for the table list below (3.37
    // and later have both; Debian 12 has 3.40) reads nothing.
    const std::pair<int, int> switches[] = {
        {SQLITE_DBCONFIG_ENABLE_VIEW, 0},    {SQLITE_DBCONFIG_ENABLE_TRIGGER, 0},
        {SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0}, {SQLITE_DBCONFIG_DEFENSIVE, 1},
        {SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0},
    };
    for (const auto& [option, wanted] : switches) {
        int now = -1;
        if (sql.dbConfig(db, option, wanted, &now) != SQLITE_OK || now != wanted) return false;
    }
    sql.limit(db, SQLITE_LIMIT_LENGTH, limits.valueBytes);
    sql.limit(db, SQLITE_LIMIT_SQL_LENGTH, limits.valueBytes);
    sql.limit(db, SQLITE_LIMIT_ATTACHED, 0);
    sql.limit(db, SQLITE_LIMIT_WORKER_THREADS, 0);
    sql.progressHandler(db, budget.every, &StepBudget::check, &budget);
    const Statement cache(sql, db, "PRAGMA main.cache_size = -1024"); // KiB
    return cache && sql.step(cache.get()) == SQLITE_DONE;
}

// The name must stand for a table whose rows are on disk: a view would compute
// them (without end, or gigabytes of them), a virtual table would run a module.
bool itemTableIsATable(const SQLiteCalls& sql, sqlite3* db) {
    const Statement list(sql, db, "PRAGMA main.table_list('ItemTable')");
    if (!list) return false;
    int rows = 0;
    bool table = false;
    int result = SQLITE_ROW;
    while ((result = sql.step(list.get())) == SQLITE_ROW) {
        ++rows;
        const auto* type = reinterpret_cast<const char*>(sql.columnText(list.get(), 2));
        table = type && std::strcmp(type, "table") == 0;
    }
    if (result == SQLITE_DONE && rows == 1 && !table)
        qCInfo(logAccounts, "A key-value database was not read: its ItemTable is not a plain table");
    return result == SQLITE_DONE && rows == 1 && table;
}

std::optional<QString> lookUp(const SQLiteCalls& sql, sqlite3* db, const QString& key, int valueBytes) {
    const Statement select(sql, db, "SELECT value FROM ItemTable WHERE key = ? LIMIT 1");
    if (!select) return std::nullopt;
    const QByteArray keyBytes = key.toUtf8();
    sql.bindText(select.get(), 1, keyBytes.constData(), -1, SQLITE_TRANSIENT);
    if (sql.step(select.get()) != SQLITE_ROW) return std::nullopt;
    // Text conversion of the column; a blob counts up to its first zero byte. A
    // value that is not UTF-8 throughout is no value.
    const auto* chars = reinterpret_cast<const char*>(sql.columnText(select.get(), 0));
    const int bytes = sql.columnBytes(select.get(), 0); // of the converted text
    if (!chars || bytes < 0 || bytes > valueBytes) return std::nullopt;
    return strictUtf8(QByteArrayView(chars, static_cast<qsizetype>(::strnlen(chars, static_cast<size_t>(bytes)))));
}

} // namespace

QString AccountSQLiteReader::immutableUri(const QString& databasePath) {
    // The characters a URL path may hold stay as they are; "?", "#", "%", blanks
    // and everything beyond ASCII are percent-encoded.
    const QByteArray encoded = QUrl::toPercentEncoding(databasePath, QByteArrayLiteral("/!$&'()*+,;=:@"));
    return QStringLiteral("file:") + QString::fromLatin1(encoded) + QStringLiteral("?immutable=1");
}

QMap<QString, QString> AccountSQLiteReader::itemTableValues(const QString& databasePath,
                                                            const QStringList& keys) {
    return readItemTable(databasePath, keys, Limits{}).values;
}

AccountSQLiteReader::Read AccountSQLiteReader::readItemTable(const QString& databasePath, const QStringList& keys,
                                                             const Limits& limits) {
    Read read;
    // Only a regular file: SQLite would block opening a FIFO.
    if (keys.isEmpty() || !regularFileInfo(databasePath)) return read;
    const SQLiteCalls* const sql = sqlite();
    if (!sql) return read;

    sqlite3* db = nullptr;
    const QByteArray uri = immutableUri(databasePath).toUtf8();
    if (sql->open(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK) {
        sql->close(db);
        return read;
    }
    StepBudget budget(limits.steps);
    if (distrust(*sql, db, limits, budget) && itemTableIsATable(*sql, db)) {
        for (const QString& key : keys) {
            if (budget.spent()) break;
            if (std::optional<QString> value = lookUp(*sql, db, key, limits.valueBytes))
                read.values.insert(key, std::move(*value));
        }
    }
    if (budget.spent())
        qCInfo(logAccounts, "A key-value database read was given up after %lld steps", static_cast<long long>(budget.taken));
    read.steps = budget.taken;
    sql->close(db);
    return read;
}

} // namespace meterix
