#include "core/FileSearch.h"

#include "core/SafeFile.h"

#include <algorithm>

namespace meterix {

std::optional<int64_t> findInRegularFile(const QString& path, const QByteArray& needle, int64_t limit,
                                         int64_t chunkSize) {
    if (needle.isEmpty() || limit <= 0) return std::nullopt;
    chunkSize = std::max<int64_t>(chunkSize, needle.size());
    // The tail of the previous chunk is searched again with the next one, so a
    // needle cut in two by a chunk boundary is still found.
    const int64_t overlap = needle.size() - 1;
    QByteArray window;
    int64_t windowStart = 0;
    int64_t nextOffset = 0;
    while (nextOffset < limit) {
        const std::optional<QByteArray> chunk =
            readRegularFileRange(path, nextOffset, std::min(chunkSize, limit - nextOffset));
        if (!chunk) return std::nullopt;
        if (chunk->isEmpty()) break;
        window += *chunk;
        const qsizetype found = window.indexOf(needle);
        if (found >= 0 && windowStart + found + needle.size() <= limit) return windowStart + found;
        nextOffset += chunk->size();
        const qsizetype keep = std::min<qsizetype>(overlap, window.size());
        windowStart += window.size() - keep;
        window = window.right(keep);
    }
    return std::nullopt;
}

} // namespace meterix
