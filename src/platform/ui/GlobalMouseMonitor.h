#pragma once

#include <QObject>

namespace meterix {

// Mouse presses anywhere on the desktop, in other applications' windows too:
// what closes the detail card when the user clicks elsewhere. Listening costs a
// wake-up per click on the whole desktop, so it is switched on only while
// someone needs it. GUI thread; mouseDown() is delivered there.
class GlobalMouseMonitor : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void setListening(bool listening) = 0;

Q_SIGNALS:
    // A button went down somewhere (left, right or other).
    void mouseDown();
};

} // namespace meterix
