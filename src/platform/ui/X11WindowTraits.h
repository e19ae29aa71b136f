#pragma once

#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

class QWindow;

namespace meterix {

// The X11 window-manager hints a floating utility window needs beyond what Qt's
// window flags give it: shown on every workspace (_NET_WM_DESKTOP 0xFFFFFFFF
// and the sticky state), kept out of taskbars and pagers, kept above. Set on
// the window before it is first mapped, so the window manager reads them when
// it manages the window; Qt merges its own states into the same property.
// Everything here does nothing (and answers nothing) off the xcb platform.
class X11WindowTraits {
public:
    // Whether the application runs on an X server.
    static bool isAvailable();
    // Whether the application's connection to its X server has broken (the
    // server went away); false off X11.
    static bool connectionBroken();

    // Creates the native window if needed and sets the hints. Call before show().
    static void applyFloatingTraits(QWindow* window);

    // Whether a compositing manager runs on the default screen: without one,
    // translucent pixels show black and windows must be shaped instead.
    static bool compositorRunning();

    // Runs change (a reshape of the window) without asking for the exposures
    // it brings, for a caller that repaints the parts it uncovers right after:
    // each exposure would otherwise cost a round of the event loop and another
    // flush of pixels already on their way. Exposures from anything else (a
    // window moving off this one) still arrive. Off X11, simply runs change.
    static void withoutExposures(QWindow* window, const std::function<void()>& change);

    static constexpr uint32_t allDesktops = 0xFFFFFFFF;
};

} // namespace meterix
