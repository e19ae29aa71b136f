#pragma once

#include <QtGlobal>

#include <functional>

namespace meterix {

// Qt's X11 platform ends the process with exit(1) when its connection to the X
// server breaks (the server went away or dropped the client), right after one
// warning: the application's quit sequence never runs, so the last readings
// stay unsaved and the single-instance socket and lock stay behind. The guard
// watches the messages for that moment. The first warning (or worse) given on
// the GUI thread while the connection is broken runs the quit sequence instead,
// once, and ends the process with exitStatus; that warning is not shown. Every
// other message goes to the handler installed before the guard.
class DisplayLossGuard {
public:
    // The status the app ends with when it loses its display.
    static constexpr int exitStatus = 0;

    using Ending = std::function<void(int status)>;

    // connectionBroken is asked only for warnings and worse on the GUI thread;
    // end defaults to ending the process at once (no static destruction: the
    // application object is still alive on main's stack).
    static void install(std::function<bool()> connectionBroken, std::function<void()> quitSequence,
                        Ending end = {});

    // Whether a message marks the loss of the display.
    static bool marksLoss(QtMsgType type, bool onGuiThread, bool connectionBroken);
};

} // namespace meterix
