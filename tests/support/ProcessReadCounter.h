#pragma once

#include <QByteArray>
#include <QFile>

namespace meterix::test {

// Bytes this process has read through read(2) and its kin so far (rchar of
// /proc/self/io), or -1 where the kernel does not say. Used to show that a
// reader stays within its byte bounds on files far larger than them.
inline qint64 bytesReadByProcess() {
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("rchar:")) return line.mid(6).trimmed().toLongLong();
    return -1;
}

} // namespace meterix::test
