// A state database as Cursor's resolver opens it, whatever it defines: the read
// ends within its step budget however its views recurse (none runs, nor a
// virtual table, nor a trigger), gives only keys asked for, each value within
// the length limit and without NUL characters, and leaves the file as it was.
// Seeds: small databases (512-byte pages) made with the sqlite3 shell: Cursor's
// table, an endless recursive view, a view of gigabyte values, a generated
// value over the limit, an FTS5 table, a lower-case table with a trigger.
#include "FuzzTarget.h"

#include "accounts/AccountSQLiteReader.h"

#include <QFile>
#include <QFileInfo>

using namespace meterix;

METERIX_FUZZ_TARGET(sqlite_reads) {
    const QByteArray input = fuzz::bytes(data, size);
    const auto path =
        fuzz::writeFile(QStringLiteral("sqlite-reads/state.vscdb"), input, QStringLiteral("sqlite-reads"));
    if (!path) return;

    const QStringList keys{QStringLiteral("cursorAuth/cachedEmail"), QStringLiteral("cursorAuth/cachedTeam"),
                           QStringLiteral("cursorAuth/stripeMembershipType")};
    const AccountSQLiteReader::Limits limits;
    const AccountSQLiteReader::Read read = AccountSQLiteReader::readItemTable(*path, keys, limits);
    METERIX_FUZZ_CHECK(read.steps <= limits.steps);
    for (auto it = read.values.cbegin(); it != read.values.cend(); ++it) {
        METERIX_FUZZ_CHECK(keys.contains(it.key()));
        // Every byte read gives at most one UTF-16 unit.
        METERIX_FUZZ_CHECK(it.value().size() <= limits.valueBytes);
        METERIX_FUZZ_CHECK(!it.value().contains(QChar(0)));
    }

    QFile file(*path);
    METERIX_FUZZ_CHECK(file.open(QIODevice::ReadOnly) && file.readAll() == input);
    METERIX_FUZZ_CHECK(!QFileInfo::exists(*path + QStringLiteral("-journal")));
    METERIX_FUZZ_CHECK(!QFileInfo::exists(*path + QStringLiteral("-wal")));
}
