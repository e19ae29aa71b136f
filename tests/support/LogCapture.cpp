#include "support/LogCapture.h"

#include "core/Locked.h"

#include <QLoggingCategory>

namespace meterix::test {

namespace {

struct Capture {
    QByteArray category;
    QList<LogCapture::Message> messages;
    QtMessageHandler previous = nullptr;
};

Locked<Capture>& box() {
    static Locked<Capture> capture;
    return capture;
}

void handler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    box().withValue([&](Capture& c) {
        if (context.category && c.category == context.category) c.messages.append({type, text});
    });
}

} // namespace

LogCapture::LogCapture(const char* category) {
    box().withValue([&](Capture& c) {
        c.category = category;
        c.messages.clear();
    });
    QLoggingCategory::setFilterRules(QStringLiteral("%1.debug=true").arg(QString::fromLatin1(category)));
    const QtMessageHandler previous = qInstallMessageHandler(handler);
    box().withValue([&](Capture& c) { c.previous = previous; });
}

LogCapture::~LogCapture() {
    const QtMessageHandler previous = box().withValue([](Capture& c) { return c.previous; });
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
}

QList<LogCapture::Message> LogCapture::messages() const {
    return box().withValue([](Capture& c) { return c.messages; });
}

QStringList LogCapture::texts() const {
    QStringList out;
    for (const Message& m : messages()) out.append(m.text);
    return out;
}

bool LogCapture::contains(const QString& text) const { return texts().contains(text); }

int LogCapture::count(const QString& fragment) const {
    int n = 0;
    for (const QString& t : texts())
        if (t.contains(fragment)) ++n;
    return n;
}

} // namespace meterix::test
