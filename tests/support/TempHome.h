#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

namespace meterix::test {

// A throw-away folder to lay out fixture files in (another tool's home, say).
class TempHome {
  public:
    TempHome();
    QString path() const { return dir_.path(); }
    // Path of a file or folder below the root.
    QString file(const QString& relative) const;
    // Writes a file (making its folders), returns its path.
    QString write(const QString& relative, const QByteArray& contents) const;
    QString mkdir(const QString& relative) const;
    // A named pipe (FIFO) at the path; opening it for reading would block.
    QString makeFifo(const QString& relative) const;
    // A sparse file of the given size: large on paper, no disk used.
    QString sparseFile(const QString& relative, qint64 size) const;
    // Writes an executable shell script (a "#!/bin/sh" line is put first).
    QString writeScript(const QString& relative, const QByteArray& body) const;

    // Modification time in nanoseconds since the epoch, and setting it exactly
    // (so a test can rewrite a file and put its time back).
    static qint64 modifiedNs(const QString& path);
    static void setModifiedNs(const QString& path, qint64 ns);

  private:
    QTemporaryDir dir_;
};

} // namespace meterix::test
