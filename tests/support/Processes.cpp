#include "support/Processes.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

namespace meterix::test {

bool processIsGone(qint64 pid) {
    if (pid <= 0) return true;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return true;
    const QByteArray line = stat.readAll();
    // "pid (comm) S ...": the state follows the last ")".
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0 || close + 2 >= line.size()) return true;
    const char state = line.at(close + 2);
    return state == 'Z' || state == 'X';
}

qint64 readPidFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    bool ok = false;
    const qint64 pid = f.readAll().trimmed().toLongLong(&ok);
    return ok ? pid : -1;
}

} // namespace meterix::test
