#pragma once

#include <QString>
#include <QTimeZone>

#include <optional>

namespace meterix {

// Where Qt reads its zones from on Linux: it opens "<this folder>/<name>" itself.
inline constexpr const char* kSystemZoneDatabase = "/usr/share/zoneinfo";

// Whether a zone name from another tool's text may be handed to QTimeZone. Qt
// opens the name as a file below its zone folder, so the name must be a
// well-formed tz name (ASCII letters, digits, "_", "-", "+", parts joined by
// single "/"; nothing else, so no "." and no "..", never absolute) and the
// database must hold it as a regular file (a link to one counts, as the aliases
// "US/Pacific" and "Asia/Calcutta" are). A FIFO, a device or a folder there would
// block or mislead the reader: such a name is refused without being opened.
bool isZoneDatabaseEntry(const QString& name, const QString& databaseFolder);

// The zone a name from another tool stands for, aliases included; nothing when
// the name fails the check above against the system database or Qt cannot read
// the file as a zone. Blocking (one stat and, the first time a name is seen,
// reading its file): not for the GUI thread.
std::optional<QTimeZone> zoneNamed(const QString& name);

} // namespace meterix
