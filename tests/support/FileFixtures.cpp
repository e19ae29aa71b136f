#include "support/FileFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace meterix::test {

QString makeFifo(const TempHome& home, const QString& relative) {
    const QString path = home.file(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    ::mkfifo(path.toLocal8Bit().constData(), 0600);
    return path;
}

QString writeSparseFile(const TempHome& home, const QString& relative, qint64 size) {
    const QString path = home.write(relative, QByteArray("{"));
    QFile f(path);
    if (f.open(QIODevice::ReadWrite)) f.resize(size);
    return path;
}

QString writeScript(const TempHome& home, const QString& relative, const QByteArray& body) {
    const QString path = home.write(relative, QByteArray("#!/bin/sh\n") + body);
    ::chmod(path.toLocal8Bit().constData(), 0755);
    return path;
}

qint64 modifiedNs(const QString& path) {
    struct stat st {};
    if (::stat(path.toLocal8Bit().constData(), &st) != 0) return -1;
    return static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

void setModifiedNs(const QString& path, qint64 ns) {
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(ns / 1000000000LL);
    times[1].tv_nsec = static_cast<long>(ns % 1000000000LL);
    ::utimensat(AT_FDCWD, path.toLocal8Bit().constData(), times, 0);
}

} // namespace meterix::test
