#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

namespace meterix::test {

// Polls condition until it holds or the deadline passes; true when it held.
// For effects that happen in another process (a signal being delivered), never
// as a stand-in for waiting on our own code.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

// True when no process with this id runs any more (gone, or a zombie waiting to
// be reaped by whoever inherited it).
bool processIsGone(qint64 pid);

// The number in a file a fake client wrote (its own pid, say); -1 when unreadable.
qint64 readPidFile(const QString& path);

} // namespace meterix::test
