#include "support/WaitUntil.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace meterix::test {

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) return condition();
        // Spin the loop briefly: queued calls run, and other threads' progress
        // is seen at the next check.
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

} // namespace meterix::test
