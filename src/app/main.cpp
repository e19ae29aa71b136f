// The composition root: the only place that builds the real objects and wires
// the layers together. The app is a tray utility: no main window, and closing
// a window never quits it.
#include "accounts/AccountIdentityLedger.h"
#include "accounts/AccountRegistry.h"
#include "accounts/AccountUsageStore.h"
#include "companion/PixelCatOverlayController.h"
#include "companion/PixelCatView.h"
#include "core/Localization.h"
#include "core/MeterixPreferences.h"
#include "core/Settings.h"
#include "panels/DetailGlassCardView.h"
#include "panels/MenuBarNavigator.h"
#include "panels/MenuBarPopoverView.h"
#include "platform/LidSensor.h"
#include "platform/PowerMonitor.h"
#include "platform/RunningApplications.h"
#include "platform/ui/Appearance.h"
#include "platform/ui/DisplayLossGuard.h"
#include "platform/ui/X11WindowTraits.h"
#include "platform/ui/XInputMouseMonitor.h"
#include "providers/DefaultProviders.h"
#include "providers/common/ProbeGate.h"
#include "refresh/AIActivityRuleRegistry.h"
#include "refresh/InotifyFolderWatcher.h"
#include "refresh/ProviderManager.h"
#include "shell/AppDelegate.h"
#include "shell/AppInstanceChannel.h"
#include "shell/CommandLine.h"
#include "shell/FloatingPanel.h"
#include "shell/FloatingPanelController.h"
#include "shell/MenuBarPanel.h"
#include "shell/MenuBarPanelController.h"
#include "shell/MultiProviderBarView.h"
#include "shell/QuitSignals.h"
#include "shell/ScreenPlacementEngine.h"

#include <QApplication>
#include <QCursor>
#include <QPointer>
#include <QDateTime>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <malloc.h>

using namespace meterix;

namespace {

// How long quitting waits for fetches still running (a CLI probe can take 20 s).
constexpr int kShutdownWaitMs = 3000;

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

// Freed heap pages between blocks still in use stay resident until the heap
// is trimmed (glibc trims only its top), so each poll would leave a few more
// behind. Once a refresh is over and its adapter threads have ended (their
// caches freed with them), the free pages go back to the system: the app at
// rest stays flat.
void trimHeapAfterRefreshes(ProviderManager& manager, std::chrono::milliseconds threadsEnded) {
    auto* trim = new QTimer(&manager);
    trim->setSingleShot(true);
    trim->setInterval(threadsEnded + std::chrono::seconds(1));
    QObject::connect(trim, &QTimer::timeout, [] { ::malloc_trim(0); });
    auto wasRefreshing = std::make_shared<bool>(manager.isRefreshing());
    QObject::connect(&manager, &ProviderManager::changed, trim, [&manager, trim, wasRefreshing] {
        if (manager.isRefreshing() == *wasRefreshing) return;
        *wasRefreshing = manager.isRefreshing();
        if (!*wasRefreshing) trim->start();
    });
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

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    if (const CommandLine command = CommandLine::parse(arguments, QStringLiteral(METERIX_VERSION));
        command.action != CommandLine::Action::run) {
        std::fputs(qPrintable(command.text), command.action == CommandLine::Action::error ? stderr : stdout);
        return command.exitCode;
    }
    boundMallocArenas();
    if (!hasDisplay()) {
        std::fprintf(stderr,
                     "meterix: no display to show the bar on (neither DISPLAY nor WAYLAND_DISPLAY is set)\n");
        return 2;
    }
    AppDelegate::preferX11UnderWayland();
    preferPlainImageRequests();
    QApplication app(argc, argv);
    QApplication::setApplicationName(AppDelegate::applicationName);
    QApplication::setApplicationVersion(QStringLiteral(METERIX_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("meterix"));
    app.setQuitOnLastWindowClosed(false);

    // One Meterix per user. A second start stands in for the status item where
    // there is no tray: it opens or closes the running one's panel and ends.
    std::unique_ptr<AppInstanceChannel> instance =
        AppInstanceChannel::claim(AppInstanceChannel::runtimeFolder());
    if (instance->role() == AppInstanceChannel::Role::secondary) return 0;
    if (instance->role() == AppInstanceChannel::Role::unanswered) {
        std::fprintf(stderr, "meterix: another Meterix is running but did not answer on %s\n",
                     qPrintable(instance->socketPath()));
        return 1;
    }
    if (instance->role() == AppInstanceChannel::Role::failed)
        std::fprintf(stderr, "meterix: could not claim %s; running without the single-instance channel\n",
                     qPrintable(instance->socketPath()));
    // Kill, Ctrl+C, Ctrl+\ and a closed terminal quit through the event loop,
    // so the quit sequence (stop fetches, save the last readings) runs as it
    // does for the Quit command.
    QuitSignals quitSignals([](int) { QCoreApplication::quit(); });

    MeterixPreferences& preferences = MeterixPreferences::shared();
    Localization::shared();
    // The desktop's look is asked for before anything is drawn, so a dark
    // desktop never sees a light first frame.
    Appearance::shared();
    // Never destroyed: resolver jobs may still be running when the process ends.
    AccountRegistry& registry = *new AccountRegistry(defaultAccountResolvers(), preferences);
    // Lives for the whole process. METERIX_STORE_WRITE_DELAY_MS sets how long
    // it gathers readings before it writes them (the end-to-end tests set an
    // hour, so that what is on disk after a quit was written by the quit).
    AccountUsageStore& store = *new AccountUsageStore(
        std::nullopt, Clock::system(), AccountUsageStore::writeDelayFrom(qgetenv("METERIX_STORE_WRITE_DELAY_MS")));

    // Built once and kept for the life of the process: threads they own are
    // stopped by the quit sequence below, never by static destruction.
    auto* watcher = new InotifyFolderWatcher(AIActivityRuleRegistry::shared());
    auto* power = new PowerMonitor(&app);
    auto* lid = new LidSensor(&app);
    ProviderManager::Dependencies deps;
    deps.adapters = defaultAdapters();
    deps.accountRegistry = &registry;
    deps.usageStore = &store;
    deps.preferences = &preferences;
    deps.watcher = watcher;
    deps.probeGate = &ProbeGate::shared();
    deps.ruleRegistry = &AIActivityRuleRegistry::shared();
    deps.runningApplications = &RunningApplications::shared();
    deps.powerMonitor = power;
    deps.isLidClosed = [lid] { return lid->isLidClosed(); };
    deps.isDocked = [lid] { return lid->isDocked(); };
    const auto poolThreadExpiry = deps.poolThreadExpiry;
    auto* manager = new ProviderManager(std::move(deps), true);
    ProviderManager::setShared(manager);
    trimHeapAfterRefreshes(*manager, poolThreadExpiry);
    AppLanguageController::setRefreshAllHook([manager] { manager->refreshAllForNewLanguage(); });

    FloatingPanelController& bar = FloatingPanelController::shared();
    bar.setCardHooks([manager] { return manager->selectedProvider().has_value(); },
                     [manager] { manager->setSelectedProvider(std::nullopt); });
    bar.setGlobalMouseMonitor(XInputMouseMonitor::create());
    QObject::connect(manager, &ProviderManager::changed, &bar, &FloatingPanelController::cardStateChanged);

    // The cat on the bar: its tap follow-ups run on their own timers, its carry
    // goes through the screen-wide overlay, and it tells the bar's window while
    // the pointer is on it or it is carried, so bar drags stay out of its way.
    auto* catTimers = new QtTimerSource(&app);
    auto catFactory = [&preferences, &bar, catTimers](MultiProviderBarView& content) -> QWidget* {
        QPointer<FloatingPanelController> controller(&bar);
        PixelCatView::Hooks hooks;
        hooks.setCatDragging = [controller](bool d) { if (controller) controller->setCatDragging(d); };
        hooks.setHoveringCat = [controller](bool h) { if (controller) controller->setHoveringCat(h); };
        auto* cat = new PixelCatView(preferences, PixelCatOverlayController::shared(), *catTimers,
                                     std::move(hooks), &content);
        QObject::connect(&content, &MultiProviderBarView::capsuleRectChanged, cat, &PixelCatView::placeOver);
        QObject::connect(&content, &MultiProviderBarView::barHoveredChanged, cat, &PixelCatView::setBarHovered);
        QObject::connect(cat, &PixelCatView::paintedRegionChanged, &content, &MultiProviderBarView::setCatRegion);
        cat->placeOver(content.capsuleRect());
        cat->setBarHovered(content.isBarHovered());
        content.setCatRegion(cat->paintedRegion());
        return cat;
    };

    const bool traceStartUp = qEnvironmentVariableIsSet("METERIX_TRACE_STARTUP");
    bar.setPanelFactory([&preferences, &bar, manager, traceStartUp, catFactory](const QRectF& frame) {
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
        // The card slot: the shell knows only the factory, the card only the manager.
        content->setCardFactory([manager](const UsageSnapshot& snapshot, std::function<void()> onClose) {
            auto* card = new DetailGlassCardView(snapshot, std::move(onClose));
            card->observe(*manager);
            QPointer<DetailGlassCardView> guard(card);
            return MultiProviderBarView::Card{card, [guard](const UsageSnapshot& newer) {
                                                  if (guard) guard->setSnapshot(newer);
                                              }};
        });
        content->observe(*manager);
        content->setCatViewFactory(catFactory);
        panel->setSolidRegion(content->solidRegion());
        // The first size report, once the controller holds the window.
        QMetaObject::invokeMethod(content, &MultiProviderBarView::reportContentSize, Qt::QueuedConnection);
        return panel;
    });

    AppDelegate delegate(bar, appSettings());

    // The status-item panel: its window and controller in the shell, its content
    // (the popover and its screens) from the panels.
    auto* panelTimers = new QtTimerSource(&app);
    auto* panelController = new MenuBarPanelController(ScreenPlacementEngine::shared(), *panelTimers);
    MenuBarNavigator& navigator = MenuBarNavigator::shared();
    MenuScreenContext screens;
    screens.manager = manager;
    screens.preferences = &preferences;
    screens.accounts = &registry;
    screens.navigator = &navigator;
    screens.quit = [] { QCoreApplication::quit(); };
    panelController->setPanelFactory([panelController, screens](const QRectF& frame) {
        auto* content = new MenuBarPopoverView(screens);
        auto panel = std::make_unique<MenuBarPanel>(frame, content, MenuBarPanelController::cardMargin,
                                                    MenuBarPopoverView::cornerRadius);
        QObject::connect(content, &MenuBarPopoverView::contentSizeChanged, panelController,
                         &MenuBarPanelController::updateContentSize);
        QObject::connect(panel.get(), &MenuBarPanel::contentHeightLimitChanged, content,
                         &MenuBarPopoverView::setHeightLimit);
        // Queued: the language is chosen by a click inside the screen being rebuilt.
        QObject::connect(&Localization::shared(), &Localization::preferenceChanged, content,
                         &MenuBarPopoverView::rebuildTexts, Qt::QueuedConnection);
        content->reportContentSize();
        return panel;
    });
    MenuBarPanelController::Hooks panelHooks;
    panelHooks.resetNavigation = [&navigator] { navigator.reset(); };
    panelHooks.openSettings = [&navigator] { navigator.push(MenuBarScreen::settings()); };
    panelHooks.refreshAll = [manager] { manager->refreshAll(true); };
    panelHooks.refreshOnOpen = [manager] {
        manager->refreshOnDemand(manager->activeProviders(), ProviderManager::RefreshTrigger::userAction);
    };
    panelHooks.quit = [] { QCoreApplication::quit(); };
    panelHooks.statusItemFrame = [&delegate] {
        return delegate.statusItem() ? QRectF(delegate.statusItem()->geometry()) : QRectF();
    };
    panelHooks.pointer = [] { return QPointF(QCursor::pos()); };
    panelController->setHooks(std::move(panelHooks));
    panelController->setGlobalMouseMonitor(XInputMouseMonitor::create());
    auto toggleAtStatusItem = [&delegate, panelController] {
        panelController->toggle(delegate.statusItem() ? QRectF(delegate.statusItem()->geometry()) : QRectF());
    };
    delegate.setStatusMenuToggle(toggleAtStatusItem);
    // A second start opens the panel where a click on the status item would.
    QObject::connect(instance.get(), &AppInstanceChannel::toggleRequested, panelController, toggleAtStatusItem);

    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);

    // Settings are written as they change; the readings wait in the store.
    auto quitSequence = [manager, &store] {
        manager->shutdown(kShutdownWaitMs);
        AccountIdentityLedger::shared().shutdown();
        store.flush();
    };
    QObject::connect(&app, &QCoreApplication::aboutToQuit, quitSequence);
    // Losing the display quits as a normal quit does, and gives the
    // single-instance socket and lock back, instead of Qt's exit(1).
    DisplayLossGuard::install(&X11WindowTraits::connectionBroken, [quitSequence, &instance] {
        quitSequence();
        instance.reset();
    });
    return app.exec();
}
