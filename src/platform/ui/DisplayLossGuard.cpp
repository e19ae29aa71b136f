#include "platform/ui/DisplayLossGuard.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <unistd.h>

namespace meterix {

namespace {

struct Guard {
    std::function<bool()> connectionBroken;
    std::function<void()> quitSequence;
    DisplayLossGuard::Ending end;
    QtMessageHandler previous = nullptr;
    bool installed = false;
    bool handling = false;
};

Guard& guard() {
    static Guard* g = new Guard; // used by the message handler until the process ends
    return *g;
}

bool onGuiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void passOn(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (QtMessageHandler previous = guard().previous) previous(type, context, message);
}

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    Guard& g = guard();
    // The connection is asked only for a warning or worse on the GUI thread:
    // messages come from every thread, and neither the X11 connection lookup
    // nor `handling` is made to be read from another one.
    const bool gui = onGuiThread();
    const bool loss = DisplayLossGuard::marksLoss(type, gui, true) && !g.handling && g.connectionBroken &&
                      g.connectionBroken();
    if (!loss) return passOn(type, context, message);
    g.handling = true; // once
    std::fprintf(stderr, "meterix: the connection to the display was lost; saving and quitting\n");
    std::fflush(stderr);
    if (g.quitSequence) g.quitSequence();
    std::fflush(nullptr);
    if (g.end) g.end(DisplayLossGuard::exitStatus);
    else ::_exit(DisplayLossGuard::exitStatus);
}

} // namespace

void DisplayLossGuard::install(std::function<bool()> connectionBroken, std::function<void()> quitSequence,
                               Ending end) {
    Guard& g = guard();
    g.connectionBroken = std::move(connectionBroken);
    g.quitSequence = std::move(quitSequence);
    g.end = std::move(end);
    g.handling = false;
    if (g.installed) return;
    g.previous = qInstallMessageHandler(handleMessage);
    g.installed = true;
}

bool DisplayLossGuard::marksLoss(QtMsgType type, bool onGuiThread, bool connectionBroken) {
    const bool serious = type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg;
    return serious && onGuiThread && connectionBroken;
}

} // namespace meterix
