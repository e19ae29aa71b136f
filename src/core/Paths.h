#pragma once

#include <QString>

namespace meterix {

// Joins like a file URL's path append: exactly one "/" between the parts, a
// trailing "/" of the base dropped, nothing resolved or cleaned ("..", "//").
QString joinPath(const QString& base, const QString& component);

// The last component of a path, trailing "/" ignored ("/a/b/" gives "b").
QString lastPathComponent(const QString& path);

// The user's home folder: $HOME, else the password database. Tests point HOME
// at a temporary folder.
QString homeFolder();

// $XDG_CONFIG_HOME (absolute) or ~/.config: where other desktop apps keep
// what macOS keeps under Application Support.
QString configHome();
// The same for a given home and value of $XDG_CONFIG_HOME (empty when unset).
QString configHome(const QString& home, const QString& xdgConfigHome);

// $XDG_DATA_HOME (absolute) or ~/.local/share.
QString dataHome();

// Our own folder for the JSON stores: <data home>/Meterix.
QString meterixDataFolder();

// Makes a folder of our own that only its owner may enter: missing folders on
// the way are made 0700, and the folder itself, when it exists with wider bits
// and belongs to us, is narrowed to 0700 (a link in its place is the user's
// arrangement and is left alone). False, with errno set, when it is no folder.
bool makePrivateFolder(const QString& folder);

} // namespace meterix
