#pragma once

#include <QByteArray>
#include <QFile>

#include <cstring>

// A line of /proc/self/status in KiB ("VmRSS", "VmHWM"), or -1.
inline qint64 statusKiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field) && line.size() > qsizetype(strlen(field)) &&
            line[qsizetype(strlen(field))] == ':')
            return line.mid(qsizetype(strlen(field)) + 1).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Sets the peak resident memory back to the current one (Linux 4.0 and later).
inline bool resetPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}
