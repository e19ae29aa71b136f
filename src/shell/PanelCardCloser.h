#pragma once

#include <functional>
#include <memory>

namespace meterix {

class FloatingPanelSurface;
class GlobalMouseMonitor;

// Closes the bar's detail card when the user is done with it: a press
// anywhere outside the app (heard only while a card is open) or Escape. While
// a card is open the bar's window takes the keys. GUI thread.
class PanelCardCloser {
public:
    PanelCardCloser();
    ~PanelCardCloser();
    PanelCardCloser(const PanelCardCloser&) = delete;
    PanelCardCloser& operator=(const PanelCardCloser&) = delete;

    // How the card is seen and closed (the selected provider).
    void setHooks(std::function<bool()> isCardOpen, std::function<void()> closeCard);
    // Raw presses anywhere on the desktop.
    void setMonitor(std::unique_ptr<GlobalMouseMonitor> monitor);

    bool isCardOpen() const { return isCardOpen_ && isCardOpen_(); }
    void closeIfOpen();
    // The card opened or closed: the monitor listens and the window takes the
    // keys only while it is open.
    void follow(FloatingPanelSurface* window);

private:
    std::function<bool()> isCardOpen_;
    std::function<void()> closeCard_;
    std::unique_ptr<GlobalMouseMonitor> monitor_;
    bool takesKeyboard_ = false;
};

} // namespace meterix
