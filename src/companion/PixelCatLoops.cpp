#include "companion/PixelCatLoops.h"

#include "companion/PixelCatEngine.h"

#include <cmath>

namespace meterix {

PixelCatLoops::PixelCatLoops(PixelCatEngine& engine, QObject* parent)
    : QObject(parent), engine_(engine), frameMs_(int(std::lround(PixelCatEngine::frameInterval * 1000))),
      behaviourMs_(int(std::lround(PixelCatEngine::behaviourInterval * 1000))) {
    timer_.setParent(this);
    timer_.setObjectName(QStringLiteral("catFrameTimer"));
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(frameMs_);
    connect(&timer_, &QTimer::timeout, this, &PixelCatLoops::frameTick);
    engine_.setLoopSwitch([this](bool run) { setRunning(run); });
}

PixelCatLoops::~PixelCatLoops() {
    engine_.setLoopSwitch({});
}

void PixelCatLoops::frameTick() {
    ticking_ = true;
    // Whole milliseconds: the ticks fall on the same frames every time round.
    behaviourDueMs_ -= frameMs_;
    if (behaviourDueMs_ <= frameMs_ / 2) {
        behaviourDueMs_ += behaviourMs_;
        engine_.tickAI();
    }
    engine_.tickFrame();
    ticking_ = false;
    Q_EMIT ticked();
}

void PixelCatLoops::setRunning(bool run) {
    if (run == isRunning()) return;
    if (run) {
        behaviourDueMs_ = behaviourMs_;
        timer_.start();
    } else {
        timer_.stop();
    }
}

} // namespace meterix
