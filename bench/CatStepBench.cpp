// One frame tick of the cat on the bar's real window: a walking step (a new
// frame, then the glide to the next place in the steps of the view's clock,
// each moving the cat and its shadow and giving the window a new shape) and a
// grooming tick (a new frame in place). Run under xvfb-run for the X11 path
// (shaped window, pixels sent to the server), or offscreen for the painting
// alone. Reports the GUI thread's CPU time per tick, the event loop's turns
// included; the cat's own timers stay stopped, the benchmark ticks it and
// tells its clock the time.
//
// With --walk it runs no benchmark: the same bar with a cat that walks for as
// long as the program runs, on its own timers (bench/cat-idle.sh reads its
// CPU time beside the reference window's). --providers <n> gives the bar n
// segments (3 unless told), for the walk and the benchmark alike: the walk on
// the widest bar costs what it costs on the narrow one.
#include "companion/CatAnimatedValue.h"
#include "companion/CatRandomSource.h"
#include "companion/PixelCatEngine.h"
#include "companion/PixelCatLoops.h"
#include "companion/PixelCatOverlayController.h"
#include "companion/PixelCatOverlayWindow.h"
#include "companion/PixelCatView.h"
#include "core/Localization.h"
#include "core/MeterixPreferences.h"
#include "design/SoundEffectsEngine.h"
#include "platform/ui/Appearance.h"
#include "core/TimerSource.h"
#include "shell/FloatingPanel.h"
#include "shell/MultiProviderBarView.h"
#include "support/Readings.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>

#include "support/CpuTime.h"


using namespace meterix;

namespace {

// Keeps walking at every border, never ends an action by itself.
class SteadyRandom final : public CatRandomSource {
  public:
    int roll() override { return 0; }
    double wait(double, double high) override { return high * 1e6; }
    bool coin() override { return false; }
};

struct Scene {
    QTemporaryDir dir;
    std::shared_ptr<QSettings> settings =
        std::make_shared<QSettings>(dir.filePath(QStringLiteral("p.conf")), QSettings::IniFormat);
    MeterixPreferences prefs{settings};
    QtTimerSource timers;
    SteadyRandom random;
    // The carry overlay over the real screens, as the app builds it.
    PixelCatOverlayController overlay{timers, PixelCatOverlayController::applicationScreens,
                                      [this](PixelCatOverlayController& c) {
                                          return std::make_unique<PixelCatOverlayWindow>(c, prefs);
                                      },
                                      SoundEffectsEngine::shared()};
    MultiProviderBarView* bar = nullptr;
    std::unique_ptr<FloatingPanel> panel;
    PixelCatView* cat = nullptr;
    PixelCatEngine* engine = nullptr; // the cat's
    // The benchmark's time, when it steps the cat's moves itself.
    qint64 now = 0;

    // stepped: the benchmark tells the cat's moves the time; else they keep
    // their own.
    Scene(bool stepped, int providers) {
        prefs.setPixelCatEnabled(true);
        bar = new MultiProviderBarView(
            prefs, nullptr, BarServices{Appearance::shared(), Localization::shared()});
        MultiProviderBarView::State s;
        using P = AIProviderType;
        const QList<P> all = allProviderTypes();
        for (int i = 0; i < std::clamp(providers, 1, int(all.size())); ++i) {
            s.activeProviders.append(all[i]);
            s.snapshots.insert(all[i], test::measuredReading(all[i], 90.0 - 7 * i, QDateTime::currentDateTimeUtc()));
        }
        bar->setState(s);
        CatMotion motion;
        if (stepped) motion.time = [this] { return now; };
        bar->setCatViewFactory([this, motion](MultiProviderBarView& b) -> QWidget* {
            auto made = std::make_unique<PixelCatEngine>(PixelCatEngine::Dependencies{
                &random, &timers, &overlay, &SoundEffectsEngine::shared()});
            engine = made.get();
            cat = new PixelCatView(std::move(made), prefs, Localization::shared(), {}, &b, motion);
            QObject::connect(&b, &MultiProviderBarView::capsuleRectChanged, cat, &PixelCatView::placeOver);
            QObject::connect(cat, &PixelCatView::paintedRegionChanged, &b,
                             &MultiProviderBarView::setCatRegion);
            cat->placeOver(b.capsuleRect());
            b.setCatRegion(cat->paintedRegion());
            return cat;
        });
        panel = std::make_unique<FloatingPanel>(QRectF(QPointF(200, 200), bar->contentSize()), bar);
        QObject::connect(bar, &MultiProviderBarView::solidRegionChanged, panel.get(),
                         &FloatingPanel::setSolidRegion);
        panel->setSolidRegion(bar->solidRegion());
        panel->reveal();
        for (int i = 0; i < 50; ++i)
            QApplication::processEvents();
    }
};

Scene* gScene = nullptr;

void tick(benchmark::State& state, CatAction action) {
    PixelCatView* cat = gScene->cat;
    if (!cat) {
        state.SkipWithError("no cat on the bar");
        return;
    }
    gScene->engine->setApplicationVisible(false); // the benchmark ticks the cat
    gScene->engine->setAction(action);
    CatAnimationClock& clock = *cat->findChild<CatAnimationClock*>();
    qint64& now = gScene->now;
    const qint64 tickMs = std::lround(PixelCatEngine::frameInterval * 1000);
    QApplication::processEvents();
    double cpu = 0;
    for (auto _ : state) {
        const double start = threadCpuSeconds();
        const qint64 tickAt = now;
        cat->findChild<PixelCatLoops*>()->frameTick();
        QApplication::processEvents(); // the turn of the loop that sends the pixels
        // The glide's steps until the next tick.
        for (now = tickAt + clock.interval().count(); now < tickAt + tickMs && clock.isRunning();
             now += clock.interval().count()) {
            clock.step();
            QApplication::processEvents();
        }
        now = tickAt + tickMs;
        cpu += threadCpuSeconds() - start;
    }
    state.counters["gui_cpu_us"] = benchmark::Counter(cpu * 1e6 / double(state.iterations()));
}

void BM_WalkingStep(benchmark::State& state) {
    tick(state, CatAction::walking);
}
void BM_GroomingTick(benchmark::State& state) {
    tick(state, CatAction::grooming);
}
BENCHMARK(BM_WalkingStep)->Iterations(3000);
BENCHMARK(BM_GroomingTick)->Iterations(3000);

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1"); // as the app
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--providers"));
    const int providers = at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : 3;
    if (args.contains(QStringLiteral("--walk"))) {
        Scene scene(false, providers); // its cat walks on its own timers once the window is shown
        return scene.cat ? app.exec() : 1;
    }
    benchmark::Initialize(&argc, argv);
    {
        Scene scene(true, providers); // gone before the application
        gScene = &scene;
        benchmark::RunSpecifiedBenchmarks();
        gScene = nullptr;
    }
    benchmark::Shutdown();
    return 0;
}
