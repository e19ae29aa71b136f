#include "core/TimeZoneNames.h"

#include "core/Paths.h"

#include <QFile>

#include <sys/stat.h>

namespace meterix {

namespace {

// The longest name in the database is about 32 characters.
constexpr qsizetype kMaxZoneNameLength = 128;

bool isNameCharacter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'_' ||
           u == u'-' || u == u'+';
}

bool isWellFormed(const QString& name) {
    if (name.isEmpty() || name.size() > kMaxZoneNameLength) return false;
    bool partStarted = false;
    for (const QChar c : name) {
        if (c == u'/') {
            if (!partStarted) return false; // leading "/" or "//"
            partStarted = false;
        } else if (isNameCharacter(c)) {
            partStarted = true;
        } else {
            return false;
        }
    }
    return partStarted; // no trailing "/"
}

} // namespace

bool isZoneDatabaseEntry(const QString& name, const QString& databaseFolder) {
    if (!isWellFormed(name)) return false;
    struct stat st {};
    // stat, not lstat: the aliases are links to the zone they stand for.
    return ::stat(QFile::encodeName(joinPath(databaseFolder, name)).constData(), &st) == 0 &&
           S_ISREG(st.st_mode);
}

std::optional<QTimeZone> zoneNamed(const QString& name) {
    if (!isZoneDatabaseEntry(name, QString::fromLatin1(kSystemZoneDatabase))) return std::nullopt;
    const QTimeZone zone(name.toLatin1());
    if (!zone.isValid()) return std::nullopt;
    return zone;
}

} // namespace meterix
