#pragma once

#include "core/JsonStreamReader.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>

namespace meterix::test {

// {"big":"xxx…","a":1} with a string of `stringBytes` bytes, made a piece at a
// time as the reader asks for it: a document of gigabytes without a file or the
// memory to hold it.
inline JsonStreamReader::Source documentWithALongString(int64_t stringBytes) {
    const QByteArray head = "{\"big\":\"", tail = "\",\"a\":1}";
    return [=, given = int64_t(0)](char* into, int64_t maxBytes) mutable -> int64_t {
        const int64_t headBytes = head.size(), total = headBytes + stringBytes + tail.size();
        int64_t n = 0;
        while (n < maxBytes && given < total) {
            if (given < headBytes) {
                into[n++] = head[qsizetype(given++)];
            } else if (given < headBytes + stringBytes) {
                const int64_t run = std::min(maxBytes - n, headBytes + stringBytes - given);
                std::memset(into + n, 'x', size_t(run));
                n += run;
                given += run;
            } else {
                into[n++] = tail[qsizetype(given++ - headBytes - stringBytes)];
            }
        }
        return n;
    };
}

} // namespace meterix::test
