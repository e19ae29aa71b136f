#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace meterix {

// The byte offset of the first occurrence of needle in a regular file, looked
// for from the start in chunks through the safe reader, so a large log is never
// held in memory whole. Only the first `limit` bytes are searched. Nothing when
// the needle is not there (within the limit) or the file cannot be read safely.
// Blocking (file system): not for the GUI thread.
std::optional<int64_t> findInRegularFile(const QString& path, const QByteArray& needle, int64_t limit,
                                         int64_t chunkSize = 256 * 1024);

} // namespace meterix
