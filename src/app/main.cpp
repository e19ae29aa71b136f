// The composition root: the only place that builds the real objects and wires
// the layers together. The app is a tray utility: no main window, and closing
// a window never quits it.
#include "accounts/AccountIdentityLedger.h"
#include "accounts/AccountRegistry.h"
#include "accounts/AccountUsageStore.h"
#include "core/Localization.h"
#include "core/MeterixPreferences.h"
#include "core/Settings.h"
#include "platform/LidSensor.h"
#include "platform/PowerMonitor.h"
#include "platform/RunningApplications.h"
#include "platform/ui/XInputMouseMonitor.h"
#include "refresh/AIActivityRuleRegistry.h"
#include "refresh/DefaultAdapters.h"
#include "refresh/FSEventsWatcher.h"
#include "refresh/ProviderManager.h"
#include "shell/AppDelegate.h"
#include "shell/FloatingPanel.h"
#include "shell/FloatingPanelController.h"
#include "shell/MultiProviderBarView.h"

#include <QApplication>
#include <QDateTime>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

using namespace meterix;

namespace {

// How long quitting waits for fetches still running (a CLI probe can take 20 s).
constexpr int kShutdownWaitMs = 3000;

int quitPipe[2] = {-1, -1};

// SIGTERM and SIGINT quit through the event loop, so the quit sequence (stop
// fetches, save the last readings) runs as it does for a normal quit.
void quitOnTerminationSignals(QApplication& app) {
    if (::pipe2(quitPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(quitPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [notifier] {
        notifier->setEnabled(false);
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = [](int) {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(quitPipe[1], &byte, 1);
    };
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

// A handful of threads allocate now and then (fetches, the watcher, the
// stores); glibc would give each its own arena of mostly idle pages. Two are
// plenty for an app this size and keep its resident memory flat. Set before
// any thread starts.
void boundMallocArenas() {
    if (qEnvironmentVariableIsEmpty("MALLOC_ARENA_MAX")) ::mallopt(M_ARENA_MAX, 2);
}

bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char** argv) {
    boundMallocArenas();
    if (!hasDisplay()) {
        std::fprintf(stderr, "meterix: no display to show the bar on (neither DISPLAY nor WAYLAND_DISPLAY is set)\n");
        return 2;
    }
    AppDelegate::preferX11UnderWayland();
    QApplication app(argc, argv);
    QApplication::setApplicationName(AppDelegate::applicationName);
    QGuiApplication::setDesktopFileName(QStringLiteral("meterix"));
    app.setQuitOnLastWindowClosed(false);
    quitOnTerminationSignals(app);

    MeterixPreferences& preferences = MeterixPreferences::shared();
    Localization::shared();
    AccountRegistry& registry = AccountRegistry::shared();
    AccountUsageStore& store = AccountUsageStore::shared();

    // Built once and kept for the life of the process: threads they own are
    // stopped by the quit sequence below, never by static destruction.
    auto* watcher = new FSEventsWatcher(AIActivityRuleRegistry::shared());
    auto* power = new PowerMonitor(&app);
    auto* lid = new LidSensor(&app);
    ProviderManager::Dependencies deps;
    deps.adapters = defaultAdapters();
    deps.accountRegistry = &registry;
    deps.usageStore = &store;
    deps.preferences = &preferences;
    deps.watcher = watcher;
    deps.ruleRegistry = &AIActivityRuleRegistry::shared();
    deps.runningApplications = &RunningApplications::shared();
    deps.powerMonitor = power;
    deps.isLidClosed = [lid] { return lid->isLidClosed(); };
    deps.isDocked = [lid] { return lid->isDocked(); };
    auto* manager = new ProviderManager(std::move(deps), true);
    ProviderManager::setShared(manager);
    AppLanguageController::setRefreshAllHook([manager] { manager->refreshAllForNewLanguage(); });

    FloatingPanelController& bar = FloatingPanelController::shared();
    bar.setCardHooks([manager] { return manager->selectedProvider().has_value(); },
                     [manager] { manager->setSelectedProvider(std::nullopt); });
    bar.setGlobalMouseMonitor(XInputMouseMonitor::create());
    QObject::connect(manager, &ProviderManager::selectedProviderChanged, &bar,
                     &FloatingPanelController::cardStateChanged);

    const bool traceStartUp = qEnvironmentVariableIsSet("METERIX_TRACE_STARTUP");
    bar.setPanelFactory([&preferences, &bar, manager, traceStartUp](const QRectF& frame) {
        auto* content = new MultiProviderBarView(preferences, &bar);
        auto panel = std::make_unique<FloatingPanel>(frame, content);
        QObject::connect(content, &MultiProviderBarView::contentSizeChanged, &bar,
                         &FloatingPanelController::updateContentSize);
        QObject::connect(content, &MultiProviderBarView::solidRegionChanged, panel.get(),
                         &FloatingPanel::setSolidRegion);
        if (traceStartUp) {
            QObject::connect(panel.get(), &FloatingPanel::firstPainted, [] {
                std::fprintf(stderr, "meterix: first paint at %lld ms since the epoch\n",
                             static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
                std::fflush(stderr);
            });
        }
        content->observe(*manager);
        panel->setSolidRegion(content->solidRegion());
        // The first size report, once the controller holds the window.
        QMetaObject::invokeMethod(content, &MultiProviderBarView::reportContentSize, Qt::QueuedConnection);
        return panel;
    });

    AppDelegate delegate(bar, appSettings());
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);

    QObject::connect(&app, &QCoreApplication::aboutToQuit, [manager, &store] {
        manager->shutdown(kShutdownWaitMs);
        AccountIdentityLedger::shared().shutdown();
        store.flush();
    });
    return app.exec();
}
