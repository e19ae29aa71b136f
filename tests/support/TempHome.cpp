#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

} // namespace meterix::test
