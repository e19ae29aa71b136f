// Under a real X server: a reshape made through X11WindowTraits::withoutExposures
// brings no exposure of what it uncovers, while a plain reshape does, and once
// it is done the window hears of exposures from anything else again (another
// window moving off it). Exits 0 when all three hold.
#include "platform/ui/X11WindowTraits.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QRegion>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdio>
#include <functional>

using meterix::X11WindowTraits;

namespace {

// What the window is told to repaint, as an exposure or as a paint event
// (Qt may turn one into the other).
struct Exposures : QObject {
    QRegion region;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) region += static_cast<QPaintEvent*>(e)->region();
        QT_WARNING_PUSH
        QT_WARNING_DISABLE_DEPRECATED
        if (e->type() == QEvent::Expose) region += static_cast<QExposeEvent*>(e)->region();
        QT_WARNING_POP
        return false;
    }
};

// Runs the event loop until done() holds; false when it never does (a
// deadline for a broken run, not a wait for time to pass).
bool until(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 60000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

int fail(const char* what) {
    std::fprintf(stderr, "FAIL: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    auto* x11 = app.nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !X11WindowTraits::isAvailable()) return fail("no X server");
    // Requests wait in the connection's buffer until something sends them.
    const auto send = [x11] { xcb_flush(x11->connection()); };

    QWindow window;
    window.setFlags(Qt::FramelessWindowHint);
    window.setGeometry(100, 100, 240, 100);
    window.setMask(QRegion(0, 0, 40, 100));
    Exposures exposures;
    window.installEventFilter(&exposures);
    window.show();
    if (!until([&] { return window.isExposed() && !exposures.region.isEmpty(); })) return fail("never shown");

    // Grown quietly by A, then plainly by B: B's exposure comes, A's never
    // does (the server sends them in the order of the requests).
    const QRegion a(40, 0, 80, 100);
    const QRegion b(120, 0, 120, 100);
    exposures.region = QRegion();
    X11WindowTraits::withoutExposures(&window, [&] { window.setMask(QRegion(0, 0, 120, 100)); });
    window.setMask(QRegion(0, 0, 240, 100));
    send();
    if (!until([&] { return exposures.region.intersects(b); }))
        return fail("a plain reshape brought no exposure");
    if (exposures.region.intersects(a)) return fail("the quiet reshape brought an exposure");

    // A window over part of A, then gone: that exposure is still heard of.
    QWindow cover;
    cover.setFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    cover.setGeometry(window.x() + 50, window.y() + 10, 40, 40);
    cover.show();
    if (!until([&] { return cover.isExposed(); })) return fail("the covering window never showed");
    exposures.region = QRegion();
    cover.hide();
    send();
    if (!until([&] { return exposures.region.intersects(a); }))
        return fail("an exposure after the quiet reshape was not heard of");

    std::printf("PASS: a quiet reshape brings no exposure; others still arrive\n");
    return 0;
}
