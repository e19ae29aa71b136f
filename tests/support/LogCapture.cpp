#include "support/LogCapture.h"

#include <QLoggingCategory>
#include <QtGlobal>

#include <cstring>
#include <mutex>

namespace meterix::test {

namespace {
std::mutex gMutex;
QStringList gMessages;
QByteArray gCategory;
QtMessageHandler gPrevious = nullptr;

void handler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    {
        std::lock_guard lock(gMutex);
        if (context.category && gCategory == context.category) {
            gMessages.append(message);
            return;
        }
    }
    if (gPrevious) gPrevious(type, context, message);
}
} // namespace

LogCapture::LogCapture(const char* category) {
    std::lock_guard lock(gMutex);
    gCategory = category;
    gMessages.clear();
    gPrevious = qInstallMessageHandler(handler);
    // Ordinary events are logged at debug level, which is off by default.
    QLoggingCategory::setFilterRules(QString::fromLatin1(category) + QStringLiteral(".debug=true"));
}

LogCapture::~LogCapture() {
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(gPrevious);
    std::lock_guard lock(gMutex);
    gCategory.clear();
    gMessages.clear();
}

QStringList LogCapture::messages() const {
    std::lock_guard lock(gMutex);
    return gMessages;
}

bool LogCapture::contains(const QString& text) const {
    return messages().contains(text);
}

void LogCapture::clear() {
    std::lock_guard lock(gMutex);
    gMessages.clear();
}

} // namespace meterix::test
