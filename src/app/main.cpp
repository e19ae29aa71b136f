// The program's entry: what must be settled before the application object
// exists (the command line, the allocator, the display), then the one instance
// per user, then the composition root (app/AppComposition) that builds the
// real objects and wires the layers together. The app is a tray utility: no
// main window, and closing a window never quits it.
#include "app/AppComposition.h"
#include "shell/AppDelegate.h"
#include "shell/AppInstanceChannel.h"
#include "shell/CommandLine.h"
#include "shell/QuitSignals.h"

#include <QApplication>

#include <cstdio>
#include <malloc.h>
#include <memory>
#include <optional>

using namespace meterix;

namespace {

// A handful of threads allocate now and then (fetches, the watcher, the
// stores); glibc would give each its own arena of mostly idle pages. Two are
// plenty for an app this size and keep its resident memory flat. Large blocks
// (images, a file read whole) always come from the system and go back to it
// when freed: glibc would otherwise raise its threshold after the first such
// block is freed and serve the next ones from the heap, where a freed image
// stays resident. Set before any thread starts.
void boundMallocArenas() {
    if (qEnvironmentVariableIsEmpty("MALLOC_ARENA_MAX")) ::mallopt(M_ARENA_MAX, 2);
    if (qEnvironmentVariableIsEmpty("MALLOC_MMAP_THRESHOLD_")) ::mallopt(M_MMAP_THRESHOLD, 128 * 1024);
}

// The bar repaints a few small rectangles many times a second (the cat's cells
// and the strip of capsule under its shadow). Over shared memory, Qt must wait
// for the X server to finish reading the last frame before it paints over the
// same pixels again: a round trip to the server on every frame, which costs
// more than sending these few pixels along with the request. Every window of
// the app is small, so plain image requests are the cheaper way throughout.
// Set before the QApplication connects to the display; a user's own setting
// stands.
void preferPlainImageRequests() {
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
}

bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// What the command line asks for, when it is anything but running the app:
// the exit code of printing it.
std::optional<int> answerCommandLine(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine command = CommandLine::parse(arguments, QStringLiteral(METERIX_VERSION));
    if (command.action == CommandLine::Action::run) return std::nullopt;
    std::fputs(qPrintable(command.text), command.action == CommandLine::Action::error ? stderr : stdout);
    return command.exitCode;
}

void nameApplication(QApplication& app) {
    QApplication::setApplicationName(AppDelegate::applicationName);
    QApplication::setApplicationVersion(QStringLiteral(METERIX_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("meterix"));
    app.setQuitOnLastWindowClosed(false);
}

// One Meterix per user. A second start stands in for the status item where
// there is no tray: it opens or closes the running one's panel and ends.
// Returns the exit code when this process is not the one to run.
std::optional<int> claimInstance(std::unique_ptr<AppInstanceChannel>& instance) {
    instance = AppInstanceChannel::claim(AppInstanceChannel::runtimeFolder());
    switch (instance->role()) {
    case AppInstanceChannel::Role::secondary:
        return 0;
    case AppInstanceChannel::Role::unanswered:
        std::fprintf(stderr, "meterix: another Meterix is running but did not answer on %s\n",
                     qPrintable(instance->socketPath()));
        return 1;
    case AppInstanceChannel::Role::failed:
        // It cannot reach a running one either, so it runs alone: a bar too
        // many is better than none.
        std::fprintf(stderr, "meterix: %s; running without the single-instance channel\n",
                     qPrintable(instance->failure()));
        return std::nullopt;
    case AppInstanceChannel::Role::primary:
        break;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> answered = answerCommandLine(argc, argv)) return *answered;
    boundMallocArenas();
    if (!hasDisplay()) {
        std::fprintf(stderr,
                     "meterix: no display to show the bar on (neither DISPLAY nor WAYLAND_DISPLAY is set)\n");
        return 2;
    }
    AppDelegate::preferX11UnderWayland();
    preferPlainImageRequests();
    QApplication app(argc, argv);
    nameApplication(app);
    std::unique_ptr<AppInstanceChannel> instance;
    if (const std::optional<int> exitCode = claimInstance(instance)) return *exitCode;
    // Kill, Ctrl+C, Ctrl+\ and a closed terminal quit through the event loop,
    // so the quit sequence (stop fetches, save the last readings) runs as it
    // does for the Quit command.
    QuitSignals quitSignals([](int) { QCoreApplication::quit(); });
    AppComposition composition(app, instance);
    composition.launchWhenRunning();
    return app.exec();
}
