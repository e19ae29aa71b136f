#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace meterix {

// Reads other applications' SQLite key-value stores (the "ItemTable" of
// Electron and VS Code style apps). The file is opened read-only as immutable,
// so the reader never takes a lock the owning application could wait for, and
// never writes. The SQLite library is loaded on the first read of a database
// that is there. Blocking: call off the GUI thread.
class AccountSQLiteReader {
  public:
    AccountSQLiteReader() = delete;

    // For each key that has a text value in ItemTable, that value. A missing or
    // non-regular file, an empty key list, an unopenable or corrupt database, or
    // a database without the table all give an empty map.
    static QMap<QString, QString> itemTableValues(const QString& databasePath, const QStringList& keys);

    // "file:" + the percent-encoded path + "?immutable=1".
    static QString immutableUri(const QString& databasePath);
};

} // namespace meterix
