#include "companion/PixelCatLoops.h"

#include "companion/PixelCatEngine.h"

#include <cmath>

namespace meterix {

PixelCatLoops::PixelCatLoops(PixelCatEngine& engine, QObject* parent) : QObject(parent), engine_(engine) {
    for (QTimer* t : {&frameTimer_, &behaviourTimer_})
        t->setTimerType(Qt::PreciseTimer);
    frameTimer_.setInterval(int(std::lround(PixelCatEngine::frameInterval * 1000)));
    behaviourTimer_.setInterval(int(std::lround(PixelCatEngine::behaviourInterval * 1000)));
    connect(&frameTimer_, &QTimer::timeout, this, &PixelCatLoops::frameTick);
    connect(&behaviourTimer_, &QTimer::timeout, this, &PixelCatLoops::behaviourTick);
    engine_.setLoopSwitch([this](bool run) { setRunning(run); });
}

PixelCatLoops::~PixelCatLoops() {
    engine_.setLoopSwitch({});
}

void PixelCatLoops::frameTick() {
    ticking_ = true;
    engine_.tickFrame();
    ticking_ = false;
    Q_EMIT ticked();
}

void PixelCatLoops::behaviourTick() {
    ticking_ = true;
    engine_.tickAI();
    ticking_ = false;
    Q_EMIT ticked();
}

void PixelCatLoops::setRunning(bool run) {
    if (run == isRunning()) return;
    if (run) {
        frameTimer_.start();
        behaviourTimer_.start();
    } else {
        frameTimer_.stop();
        behaviourTimer_.stop();
    }
}

} // namespace meterix
