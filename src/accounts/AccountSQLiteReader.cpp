#include "accounts/AccountSQLiteReader.h"

#include "core/MeterixLog.h"
#include "core/SafeFile.h"

#include <QUrl>

#include <sqlite3.h>

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
    decltype(&sqlite3_prepare_v2) prepare;
    decltype(&sqlite3_bind_text) bindText;
    decltype(&sqlite3_step) step;
    decltype(&sqlite3_column_text) columnText;
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
    find(calls.prepare, "sqlite3_prepare_v2");
    find(calls.bindText, "sqlite3_bind_text");
    find(calls.step, "sqlite3_step");
    find(calls.columnText, "sqlite3_column_text");
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

} // namespace

QString AccountSQLiteReader::immutableUri(const QString& databasePath) {
    // The characters a URL path may hold stay as they are; "?", "#", "%", blanks
    // and everything beyond ASCII are percent-encoded.
    const QByteArray encoded = QUrl::toPercentEncoding(databasePath, QByteArrayLiteral("/!$&'()*+,;=:@"));
    return QStringLiteral("file:") + QString::fromLatin1(encoded) + QStringLiteral("?immutable=1");
}

QMap<QString, QString> AccountSQLiteReader::itemTableValues(const QString& databasePath,
                                                            const QStringList& keys) {
    QMap<QString, QString> values;
    // Only a regular file: SQLite would block opening a FIFO.
    if (keys.isEmpty() || !regularFileInfo(databasePath)) return values;
    const SQLiteCalls* const sql = sqlite();
    if (!sql) return values;

    sqlite3* db = nullptr;
    const QByteArray uri = immutableUri(databasePath).toUtf8();
    if (sql->open(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK) {
        sql->close(db);
        return values;
    }
    static const char* const kQuery = "SELECT value FROM ItemTable WHERE key = ? LIMIT 1";
    for (const QString& key : keys) {
        sqlite3_stmt* statement = nullptr;
        if (sql->prepare(db, kQuery, -1, &statement, nullptr) != SQLITE_OK) {
            sql->finalize(statement);
            continue;
        }
        const QByteArray keyBytes = key.toUtf8();
        sql->bindText(statement, 1, keyBytes.constData(), -1, SQLITE_TRANSIENT);
        if (sql->step(statement) == SQLITE_ROW) {
            // Text conversion of the column; a blob counts up to its first zero byte.
            if (const unsigned char* text = sql->columnText(statement, 0)) {
                const char* chars = reinterpret_cast<const char*>(text);
                values.insert(key, QString::fromUtf8(chars, static_cast<qsizetype>(std::strlen(chars))));
            }
        }
        sql->finalize(statement);
    }
    sql->close(db);
    return values;
}

} // namespace meterix
