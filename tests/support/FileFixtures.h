#pragma once

#include "support/TempHome.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace meterix::test {

// Files that other tools' folders may hold and that readers must survive, and
// small executables standing in for command-line clients.

// A named pipe (FIFO); opening it for reading would block.
QString makeFifo(const TempHome& home, const QString& relative);
// A sparse file of the given size: large on paper, no disk used.
QString writeSparseFile(const TempHome& home, const QString& relative, qint64 size);
// An executable shell script ("#!/bin/sh" is put first).
QString writeScript(const TempHome& home, const QString& relative, const QByteArray& body);

// Modification time in nanoseconds since the epoch, and setting it exactly, so
// a test can rewrite a file and put its time back.
qint64 modifiedNs(const QString& path);
void setModifiedNs(const QString& path, qint64 ns);

} // namespace meterix::test
