#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace meterix {

// The names in a folder, not recursive, hidden names included, "." and ".."
// left out, in the order the file system lists them. Nothing when the folder
// cannot be listed, so callers can tell "empty" from "unreadable".
// Blocking (file system); not for the GUI thread.
std::optional<QStringList> listDirectoryNames(const QString& path);

} // namespace meterix
