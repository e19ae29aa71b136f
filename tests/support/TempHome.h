#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

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

  private:
    QTemporaryDir dir_;
};

} // namespace meterix::test
