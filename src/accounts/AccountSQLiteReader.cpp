#include "accounts/AccountSQLiteReader.h"

#include "core/SafeFile.h"

#include <QUrl>

#include <sqlite3.h>

#include <cstring>

namespace meterix {

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

    sqlite3* db = nullptr;
    const QByteArray uri = immutableUri(databasePath).toUtf8();
    if (sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return values;
    }
    static const char* const kQuery = "SELECT value FROM ItemTable WHERE key = ? LIMIT 1";
    for (const QString& key : keys) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, kQuery, -1, &statement, nullptr) != SQLITE_OK) {
            sqlite3_finalize(statement);
            continue;
        }
        const QByteArray keyBytes = key.toUtf8();
        sqlite3_bind_text(statement, 1, keyBytes.constData(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(statement) == SQLITE_ROW) {
            // Text conversion of the column; a blob counts up to its first zero byte.
            if (const unsigned char* text = sqlite3_column_text(statement, 0)) {
                const char* chars = reinterpret_cast<const char*>(text);
                values.insert(key, QString::fromUtf8(chars, static_cast<qsizetype>(std::strlen(chars))));
            }
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return values;
}

} // namespace meterix
