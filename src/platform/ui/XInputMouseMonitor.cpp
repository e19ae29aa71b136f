#include "platform/ui/XInputMouseMonitor.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPointer>
#include <QWindow>

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace meterix {

XInputMouseMonitor::XInputMouseMonitor(xcb_connection_t* connection, uint32_t root, uint8_t opcode, int wakeRead,
                                       int wakeWrite)
    : connection_(connection), root_(root), opcode_(opcode), wakeRead_(wakeRead), wakeWrite_(wakeWrite) {
    reader_ = std::thread([this] { readLoop(); });
}

XInputMouseMonitor::~XInputMouseMonitor() {
    stopping_ = true;
    const char byte = 1;
    while (::write(wakeWrite_, &byte, 1) < 0 && errno == EINTR) {
    }
    reader_.join();
    xcb_disconnect(connection_);
    ::close(wakeRead_);
    ::close(wakeWrite_);
}

std::unique_ptr<XInputMouseMonitor> XInputMouseMonitor::create() {
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (!c || xcb_connection_has_error(c)) {
        if (c) xcb_disconnect(c);
        return nullptr;
    }
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_input_id);
    xcb_input_xi_query_version_reply_t* version =
        ext && ext->present ? xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr)
                            : nullptr;
    const bool hasXI2 = version && version->major_version >= 2;
    std::free(version);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    int pipeFds[2];
    if (!hasXI2 || !it.rem || ::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        xcb_disconnect(c);
        return nullptr;
    }
    return std::unique_ptr<XInputMouseMonitor>(
        new XInputMouseMonitor(c, it.data->root, ext->major_opcode, pipeFds[0], pipeFds[1]));
}

bool XInputMouseMonitor::isPressButton(uint32_t button) { return button != 0 && (button < 4 || button > 7); }

void XInputMouseMonitor::setListening(bool listening) {
    if (listening == listening_) return;
    listening_ = listening;
    struct {
        xcb_input_event_mask_t head;
        uint32_t mask;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, listening ? uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS) : 0u};
    // xcb serialises requests from any thread, so the reader may be polling meanwhile.
    xcb_input_xi_select_events(connection_, root_, 1, &selection.head);
    xcb_flush(connection_);
}

void XInputMouseMonitor::readLoop() {
    const int xfd = xcb_get_file_descriptor(connection_);
    while (!stopping_) {
        pollfd fds[2] = {{xfd, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (stopping_ || (fds[1].revents & POLLIN)) return;
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            if ((event->response_type & 0x7f) == XCB_GE_GENERIC) {
                const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
                if (ge->extension == opcode_ && ge->event_type == XCB_INPUT_RAW_BUTTON_PRESS) {
                    const auto* press = reinterpret_cast<const xcb_input_raw_button_press_event_t*>(event);
                    if (isPressButton(press->detail))
                        QMetaObject::invokeMethod(this, &XInputMouseMonitor::deliverPress, Qt::QueuedConnection);
                }
            }
            std::free(event);
        }
        if (xcb_connection_has_error(connection_)) return; // the server went away
    }
}

void XInputMouseMonitor::deliverPress() {
    if (!listening_) return;
    // Our own windows see their presses through the application's event filter.
    if (QGuiApplication::topLevelAt(QCursor::pos())) return;
    Q_EMIT mouseDown();
}

} // namespace meterix
