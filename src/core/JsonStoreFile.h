#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

namespace meterix {

// Our own JSON stores on disk: one object per file, written whole and atomically,
// readable by the owner only.
namespace JsonStoreFile {

enum class LoadStatus { loaded, missing, undecodable };

struct LoadResult {
    LoadStatus status = LoadStatus::missing;
    QJsonObject object; // empty unless loaded
};

// Reads the file; anything that is not one JSON object is undecodable.
LoadResult load(const QString& path);

// Writes pretty-printed (keys sorted), atomically, mode 0600, making the folder
// (0700) when missing. False when anything failed; the old file then stays.
bool write(const QString& path, const QJsonObject& object);

// Moves an undecodable file out of the way ("<name>.corrupt-<UTC time>") so the
// next write does not destroy what a person might still recover. Returns the new
// path, or nothing when the file could not be moved.
std::optional<QString> setAside(const QString& path);

} // namespace JsonStoreFile
} // namespace meterix
