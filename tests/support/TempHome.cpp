#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace meterix::test {

TempHome::TempHome() = default;

QString TempHome::file(const QString& relative) const {
    return dir_.path() + QLatin1Char('/') + relative;
}

QString TempHome::write(const QString& relative, const QByteArray& contents) const {
    const QString path = file(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(contents);
    return path;
}

QString TempHome::mkdir(const QString& relative) const {
    const QString path = file(relative);
    QDir().mkpath(path);
    return path;
}

QString TempHome::makeFifo(const QString& relative) const {
    const QString path = file(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    ::mkfifo(path.toLocal8Bit().constData(), 0600);
    return path;
}

QString TempHome::sparseFile(const QString& relative, qint64 size) const {
    const QString path = write(relative, QByteArray("{"));
    QFile f(path);
    if (f.open(QIODevice::ReadWrite)) f.resize(size);
    return path;
}

QString TempHome::writeScript(const QString& relative, const QByteArray& body) const {
    const QString path = write(relative, QByteArray("#!/bin/sh\n") + body);
    ::chmod(path.toLocal8Bit().constData(), 0755);
    return path;
}

qint64 TempHome::modifiedNs(const QString& path) {
    struct stat st {};
    if (::stat(path.toLocal8Bit().constData(), &st) != 0) return -1;
    return static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

void TempHome::setModifiedNs(const QString& path, qint64 ns) {
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(ns / 1000000000LL);
    times[1].tv_nsec = static_cast<long>(ns % 1000000000LL);
    ::utimensat(AT_FDCWD, path.toLocal8Bit().constData(), times, 0);
}

} // namespace meterix::test
