#include "app/AppComposition.h"

#include "accounts/AccountIdentityLedger.h"
#include "accounts/AccountRegistry.h"
#include "accounts/AccountUsageStore.h"
#include "companion/PixelCatOverlayController.h"
#include "companion/PixelCatOverlayWindow.h"
#include "companion/PixelCatView.h"
#include "core/CurlTransport.h"
#include "core/Localization.h"
#include "core/MeterixLog.h"
#include "core/MeterixPreferences.h"
#include "core/Settings.h"
#include "panels/DetailGlassCardView.h"
#include "panels/MenuBarNavigator.h"
#include "panels/MenuBarPopoverView.h"
#include "platform/LidSensor.h"
#include "platform/PowerMonitor.h"
#include "platform/RunningApplications.h"
#include "platform/DispatchQueue.h"
#include "platform/process/CLIProcessRunner.h"
#include "design/SoundEffectsEngine.h"
#include "platform/ui/Appearance.h"
#include "platform/ui/DisplayLossGuard.h"
#include "platform/ui/SystemSound.h"
#include "platform/ui/X11WindowTraits.h"
#include "platform/ui/XInputMouseMonitor.h"
#include "providers/DefaultProviders.h"
#include "providers/common/ProbeGate.h"
#include "refresh/AIActivityRuleRegistry.h"
#include "refresh/InotifyFolderWatcher.h"
#include "refresh/ProviderManager.h"
#include "core/TimerSource.h"
#include "shell/AppDelegate.h"
#include "shell/AppInstanceChannel.h"
#include "shell/BarSelection.h"
#include "shell/FloatingPanel.h"
#include "shell/FloatingPanelController.h"
#include "shell/MenuBarPanel.h"
#include "shell/MenuBarPanelController.h"
#include "shell/MultiProviderBarView.h"
#include "shell/ScreenPlacementEngine.h"

#include <QApplication>
#include <QCursor>
#include <QDateTime>
#include <QPointer>
#include <QTimer>

#include <cstdio>
#include <malloc.h>
#include <memory>
#include <unistd.h>

namespace meterix {

namespace {

// How long quitting waits for fetches still running. Their readings would
// come back to an event loop that has ended, so nothing of theirs could be
// saved: the wait only lets a fetch about to end finish, so that the process
// can end the ordinary way. A fetch that takes longer (an HTTP request to a
// host that does not answer, a command-line probe) is not waited for.
constexpr int kFetchGraceMs = 150;

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

// The moment of the bar's first paint on stderr, for start-up measurements.
void traceFirstPaint(FloatingPanel& panel) {
    QObject::connect(&panel, &FloatingPanel::firstPainted, [] {
        std::fprintf(stderr, "meterix: first paint at %lld ms since the epoch\n",
                     static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
        std::fflush(stderr);
    });
}

// The card slot: the shell knows only the factory, the card only the manager
// and the look and language the bar follows.
MultiProviderBarView::CardFactory detailCards(ProviderManager* manager, const BarServices& services) {
    Appearance* appearance = &services.appearance;
    Localization* localization = &services.localization;
    return [manager, appearance, localization](const UsageSnapshot& snapshot, std::function<void()> onClose) {
        auto* card = new DetailGlassCardView(*appearance, *localization, snapshot, std::move(onClose));
        card->observe(*manager);
        QPointer<DetailGlassCardView> guard(card);
        return MultiProviderBarView::Card{card, [guard](const UsageSnapshot& newer) {
                                              if (guard) guard->setSnapshot(newer);
                                          }};
    };
}

QRectF statusItemFrame(const AppDelegate& delegate) {
    return delegate.statusItem() ? QRectF(delegate.statusItem()->geometry()) : QRectF();
}

} // namespace

AppComposition::AppComposition(QApplication& app, std::unique_ptr<AppInstanceChannel>& instance)
    : app_(app), instance_(instance) {
    startServices();
    startRefresh();
    composeFloatingBar();
    composeStatusPanel();
    connectStatusPanel();
    connectQuitPaths();
}

AppComposition::~AppComposition() = default;

void AppComposition::startServices() {
    MeterixLog::setShowsPrivateValues(MeterixLog::privateValuesAskedFor(qEnvironmentVariable("METERIX_LOG_PRIVATE")));
    // Before anything asks for a provider's names or rules.
    ProviderCatalogue::install(providerDescriptors());
    services_.preferences = &MeterixPreferences::shared();
    services_.localization = &Localization::shared();
    // The desktop's look is asked for before anything is drawn, so a dark
    // desktop never sees a light first frame.
    services_.appearance = &Appearance::makeShared(true);
    services_.sounds = &SoundEffectsEngine::shared();
    services_.sounds->setSink(std::make_shared<SystemSoundSink>(SystemSound::shared()));
    // Both windows are placed on the application's screens as they are now.
    // Never destroyed, as the windows placed by it.
    screens_ = new ScreenPlacementEngine(&ScreenPlacementEngine::systemScreens);
    // Never destroyed: resolver jobs may still be running when the process ends.
    services_.registry =
        new AccountRegistry(accountResolversOf(providerDescriptors(), defaultServices()), *services_.preferences);
    // Lives for the whole process. METERIX_STORE_WRITE_DELAY_MS sets how long
    // it gathers readings before it writes them (the end-to-end tests set an
    // hour, so that what is on disk after a quit was written by the quit).
    services_.store = new AccountUsageStore(std::nullopt, Clock::system(),
                                            AccountUsageStore::writeDelayFrom(qgetenv("METERIX_STORE_WRITE_DELAY_MS")));
}

void AppComposition::startRefresh() {
    auto* lid = new LidSensor(&app_);
    ProviderManager::Dependencies deps;
    deps.adapters = adaptersOf(providerDescriptors(), defaultServices());
    deps.accountRegistry = services_.registry;
    deps.usageStore = services_.store;
    deps.preferences = services_.preferences;
    // Both live for the whole process; the manager stops the watch when it quits.
    auto* watchQueue = new DispatchQueue(QStringLiteral("com.meterix.inotify"), DispatchQueue::Priority::utility);
    deps.watcher = new InotifyFolderWatcher(*watchQueue, AIActivityRuleRegistry::shared());
    deps.probeGate = &ProbeGate::shared();
    deps.ruleRegistry = &AIActivityRuleRegistry::shared();
    // Lives for the whole process, as the manager that asks it does.
    deps.runningApplications = new RunningApplications(desktopAppsOf(providerDescriptors()));
    deps.powerMonitor = new PowerMonitor(&app_);
    deps.isLidClosed = [lid] { return lid->isLidClosed(); };
    deps.isDocked = [lid] { return lid->isDocked(); };
    const auto poolThreadExpiry = deps.poolThreadExpiry;
    ProviderManager* manager = new ProviderManager(std::move(deps), true);
    services_.manager = manager;
    trimHeapAfterRefreshes(*manager, poolThreadExpiry);
}

void AppComposition::composeFloatingBar() {
    ProviderManager* manager = services_.manager;
    selection_ = new BarSelection([manager](AIProviderType p) { manager->providerSelected(p); }, &app_);
    BarSelection* selection = selection_;
    // Never destroyed, its timers with it: the window and its content live
    // until the process ends.
    bar_ = new FloatingPanelController(*screens_, *services_.preferences, *new QtTimerSource());
    bar_->setCardHooks([selection] { return selection->isCardOpen(); }, [selection] { selection->set(std::nullopt); });
    bar_->setGlobalMouseMonitor(XInputMouseMonitor::create());
    QObject::connect(selection, &BarSelection::changed, bar_, &FloatingPanelController::cardStateChanged);
    composeBarPanel();
    delegate_ = std::make_unique<AppDelegate>(*bar_, appSettings());
}

// The cat on the bar: its tap follow-ups run on their own timers, its carry
// goes through the screen-wide overlay, and it tells the bar's window while
// the pointer is on it or it is carried, so bar drags stay out of its way.
MultiProviderBarView::CatViewFactory AppComposition::catViews() {
    auto* timers = new QtTimerSource(&app_);
    MeterixPreferences* preferences = services_.preferences;
    Localization* localization = services_.localization;
    // The one overlay, on the application's screens and a real window. Never
    // destroyed: a cat still on the bar holds it until the process ends.
    auto* overlay = new PixelCatOverlayController(
        *timers, PixelCatOverlayController::applicationScreens,
        [preferences](PixelCatOverlayController& c) {
            return std::make_unique<PixelCatOverlayWindow>(c, *preferences);
        },
        *services_.sounds);
    FloatingPanelController* bar = bar_;
    SoundEffectsEngine* sounds = services_.sounds;
    return [timers, preferences, localization, sounds, overlay, bar](MultiProviderBarView& content) -> QWidget* {
        QPointer<FloatingPanelController> controller(bar);
        PixelCatView::Hooks hooks;
        hooks.setCatDragging = [controller](bool d) { if (controller) controller->setCatDragging(d); };
        hooks.setHoveringCat = [controller](bool h) { if (controller) controller->setHoveringCat(h); };
        auto engine = std::make_unique<PixelCatEngine>(
            PixelCatEngine::Dependencies{.scheduler = timers, .overlay = overlay, .feedback = sounds});
        auto* cat = new PixelCatView(std::move(engine), *preferences, *localization, std::move(hooks), &content);
        QObject::connect(&content, &MultiProviderBarView::capsuleRectChanged, cat, &PixelCatView::placeOver);
        QObject::connect(&content, &MultiProviderBarView::barHoveredChanged, cat, &PixelCatView::setBarHovered);
        QObject::connect(cat, &PixelCatView::paintedRegionChanged, &content, &MultiProviderBarView::setCatRegion);
        cat->placeOver(content.capsuleRect());
        cat->setBarHovered(content.isBarHovered());
        content.setCatRegion(cat->paintedRegion());
        return cat;
    };
}

BarServices AppComposition::barServices() const {
    return BarServices{*services_.appearance, *services_.localization};
}

void AppComposition::composeBarPanel() {
    const bool traceStartUp = qEnvironmentVariableIsSet("METERIX_TRACE_STARTUP");
    bar_->setPanelFactory([this, traceStartUp, catFactory = catViews()](const QRectF& frame) {
        auto* content = new MultiProviderBarView(*services_.preferences, bar_, barServices());
        auto panel = std::make_unique<FloatingPanel>(frame, content);
        QObject::connect(content, &MultiProviderBarView::contentSizeChanged, bar_,
                         &FloatingPanelController::updateContentSize);
        QObject::connect(content, &MultiProviderBarView::solidRegionChanged, panel.get(),
                         &FloatingPanel::setSolidRegion);
        if (traceStartUp) traceFirstPaint(*panel);
        content->setCardFactory(detailCards(services_.manager, barServices()));
        content->observe(*services_.manager);
        content->followSelection(*selection_);
        content->setCatViewFactory(catFactory);
        panel->setSolidRegion(content->solidRegion());
        // The first size report, once the controller holds the window.
        QMetaObject::invokeMethod(content, &MultiProviderBarView::reportContentSize, Qt::QueuedConnection);
        return panel;
    });
}

// The status-item panel: its window and controller in the shell, its content
// (the popover and its screens) from the panels.
void AppComposition::composeStatusPanel() {
    auto* panelTimers = new QtTimerSource(&app_);
    panelController_ = new MenuBarPanelController(*screens_, *panelTimers);
    navigator_ = new MenuBarNavigator(); // never destroyed, as the panel's screens it drives
    MenuScreenContext screens;
    screens.manager = services_.manager;
    screens.preferences = services_.preferences;
    screens.accounts = services_.registry;
    screens.navigator = navigator_;
    screens.quit = [] { QCoreApplication::quit(); };
    screens.appearance = services_.appearance;
    screens.localization = services_.localization;
    MenuBarPanelController* controller = panelController_;
    Localization* localization = services_.localization;
    panelController_->setPanelFactory([controller, localization, screens](const QRectF& frame) {
        auto* content = new MenuBarPopoverView(screens);
        auto panel = std::make_unique<MenuBarPanel>(frame, content, MenuBarPanelController::cardMargin,
                                                    MenuBarPopoverView::cornerRadius);
        QObject::connect(content, &MenuBarPopoverView::contentSizeChanged, controller,
                         &MenuBarPanelController::updateContentSize);
        QObject::connect(panel.get(), &MenuBarPanel::contentHeightLimitChanged, content,
                         &MenuBarPopoverView::setHeightLimit);
        // Queued: the language is chosen by a click inside the screen being rebuilt.
        QObject::connect(localization, &Localization::preferenceChanged, content, &MenuBarPopoverView::rebuildTexts,
                         Qt::QueuedConnection);
        content->reportContentSize();
        return panel;
    });
}

// What the panel asks of the rest of the app, and the two ways to open it: a
// click on the status item, and a second start where a click on the status
// item would.
void AppComposition::connectStatusPanel() {
    ProviderManager* manager = services_.manager;
    MenuBarNavigator* navigator = navigator_;
    AppDelegate* delegate = delegate_.get();
    MenuBarPanelController::Hooks hooks;
    hooks.resetNavigation = [navigator] { navigator->reset(); };
    hooks.openSettings = [navigator] { navigator->push(MenuBarScreen::settings()); };
    hooks.refreshAll = [manager] { manager->refreshAll(true); };
    hooks.refreshOnOpen = [manager] {
        manager->refreshOnDemand(manager->activeProviders(), ProviderManager::RefreshTrigger::userAction);
    };
    hooks.quit = [] { QCoreApplication::quit(); };
    hooks.statusItemFrame = [delegate] { return statusItemFrame(*delegate); };
    hooks.pointer = [] { return QPointF(QCursor::pos()); };
    panelController_->setHooks(std::move(hooks));
    panelController_->setGlobalMouseMonitor(XInputMouseMonitor::create());
    MenuBarPanelController* controller = panelController_;
    auto toggleAtStatusItem = [delegate, controller] { controller->toggle(statusItemFrame(*delegate)); };
    delegate_->setStatusMenuToggle(toggleAtStatusItem);
    QObject::connect(instance_.get(), &AppInstanceChannel::toggleRequested, panelController_, toggleAtStatusItem);
}

// Settings are written as they change; the readings wait in the store. Losing
// the display quits as a normal quit does, and gives the single-instance
// socket and lock back, instead of Qt's exit(1).
//
// Once the readings and settings are on disk, a fetch or an account scan still
// running on a pool's thread has nothing left to give, but would go on using
// what the end of main destroys: the process then ends at once, its channel
// given back first, instead of waiting for them.
void AppComposition::connectQuitPaths() {
    ProviderManager* manager = services_.manager;
    AccountUsageStore* store = services_.store;
    AccountRegistry* registry = services_.registry;
    auto quitSequence = [manager, store, registry] {
        // A fetch waiting on a probe's client or on a server then ends
        // within the grace.
        CLIProcessRunner::endRunningClients();
        CurlTransport::shared().cancelAll();
        const bool fetchesEnded = manager->shutdown(kFetchGraceMs);
        AccountIdentityLedger::shared().shutdown();
        store->flush();
        appSettings()->sync();
        return fetchesEnded && !registry->hasResolverRunning();
    };
    std::unique_ptr<AppInstanceChannel>& instance = instance_;
    QObject::connect(&app_, &QCoreApplication::aboutToQuit, [quitSequence, &instance] {
        if (quitSequence()) return;
        instance.reset();
        std::fflush(nullptr);
        ::_exit(0);
    });
    DisplayLossGuard::install(&X11WindowTraits::connectionBroken, [quitSequence, &instance] {
        quitSequence();
        instance.reset();
    });
}

void AppComposition::launchWhenRunning() {
    QTimer::singleShot(0, delegate_.get(), &AppDelegate::applicationDidFinishLaunching);
}

} // namespace meterix
