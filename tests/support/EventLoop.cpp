#include "support/EventLoop.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace meterix::test {

bool spinEventLoopUntil(const std::function<bool()>& condition, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        // Wakes for any posted event; the timer only bounds one round.
        QEventLoop loop;
        QTimer::singleShot(1, &loop, &QEventLoop::quit);
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace meterix::test
