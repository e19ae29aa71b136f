#pragma once

#include <QString>
#include <QStringList>

namespace meterix::test {

// Collects the messages written to one logging category while it lives (and
// keeps them off the test output).
class LogCapture {
  public:
    explicit LogCapture(const char* category);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList messages() const;
    bool contains(const QString& text) const;
    void clear();
};

} // namespace meterix::test
