#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

namespace meterix::test {

// Records the messages of one logging category (from any thread) while it
// exists, with debug messages of that category switched on.
class LogCapture {
public:
    struct Message {
        QtMsgType type;
        QString text;
    };

    explicit LogCapture(const char* category);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QList<Message> messages() const;
    QStringList texts() const;
    bool contains(const QString& text) const;
    // Messages that contain fragment.
    int count(const QString& fragment) const;
};

} // namespace meterix::test
