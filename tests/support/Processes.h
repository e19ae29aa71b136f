#pragma once

#include "support/WaitUntil.h"

#include <QString>
#include <QtGlobal>

#include <functional>

namespace meterix::test {

// True when no process with this id runs any more (gone, or a zombie waiting to
// be reaped by whoever inherited it).
bool processIsGone(qint64 pid);

// The number in a file a fake client wrote (its own pid, say); -1 when unreadable.
qint64 readPidFile(const QString& path);

} // namespace meterix::test
