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
//
// The file is another program's, so its schema is not trusted: ItemTable is
// read only when it is a real table (never a view, which could compute without
// end, nor a virtual table), no trigger, view or extension ever runs, and the
// read stops past a budget of SQLite's steps and at an over-long value.
class AccountSQLiteReader {
  public:
    AccountSQLiteReader() = delete;

    // What one read may spend.
    struct Limits {
        // SQLite virtual-machine steps for the whole read (schema, check and
        // every key). A key lookup in an editor's state table takes a few dozen; an
        // unindexed table of some hundred thousand rows is already given up.
        qint64 steps = 1'000'000;
        // The longest value, text or blob, that is read; a longer one is absent.
        // Account values are a few hundred bytes.
        int valueBytes = 1 << 20;
    };

    struct Read {
        QMap<QString, QString> values;
        // The steps SQLite took, as its progress handler counted them.
        qint64 steps = 0;
    };

    // For each key that has a text value in ItemTable, that value. A missing or
    // non-regular file, an empty key list, an unopenable or corrupt database, a
    // database without the table or with something other than a table of that
    // name, all give an empty map; a key whose lookup runs out of steps or
    // whose value is too long is absent.
    static QMap<QString, QString> itemTableValues(const QString& databasePath, const QStringList& keys);
    static Read readItemTable(const QString& databasePath, const QStringList& keys, const Limits& limits);

    // "file:" + the percent-encoded path + "?immutable=1".
    static QString immutableUri(const QString& databasePath);
};

} // namespace meterix
