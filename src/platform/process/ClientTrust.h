#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace meterix {

// The path a descriptor stands for now, as the kernel resolved it (links
// followed); nothing when it cannot be read or is no absolute path. As bytes,
// and decoded as file names are.
std::optional<QByteArray> realPathBytesOf(int fd);
std::optional<QString> realPathOf(int fd);

// A file or folder refused for a client (to run, to lie on its PATH, to work
// in) is worth knowing once, with the reason: a user whose /usr/local/bin is
// group-writable would otherwise lose a client without a word. Logged at info
// level, once per path and reason for the life of the process.
void logRefusalOnce(const QString& what, const QString& path, const QString& reason);

} // namespace meterix
