#pragma once

#include "platform/ui/GlobalMouseMonitor.h"

#include <atomic>
#include <memory>
#include <thread>

struct xcb_connection_t;

namespace meterix {

// Mouse presses anywhere on an X display, from XInput 2 raw button events
// selected on the root window. Raw events reach us even while another client
// holds a grab, which plain button events would not. The events are read on a
// connection and thread of their own (Qt's connection stays untouched) and
// handed to the GUI thread; presses on the application's own windows and wheel
// turns (buttons 4 to 7) are dropped there. Raw events are selected only while
// listening, so an idle bar is not woken by every click on the desktop.
class XInputMouseMonitor final : public GlobalMouseMonitor {
    Q_OBJECT

public:
    ~XInputMouseMonitor() override;

    // A monitor on the display the application uses; nothing off X11, when the
    // server lacks XInput 2, or when no connection can be opened.
    static std::unique_ptr<XInputMouseMonitor> create();

    void setListening(bool listening) override;

    // Whether an X button number is a press (1 to 3, 8 and up) rather than a
    // wheel step.
    static bool isPressButton(uint32_t button);

private:
    XInputMouseMonitor(xcb_connection_t* connection, uint32_t root, uint8_t opcode, int wakeRead, int wakeWrite);
    void readLoop();
    void deliverPress();

    xcb_connection_t* connection_;
    uint32_t root_;
    uint8_t opcode_;
    int wakeRead_;
    int wakeWrite_;
    bool listening_ = false;
    std::atomic<bool> stopping_{false};
    std::thread reader_;
};

} // namespace meterix
