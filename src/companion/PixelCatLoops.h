#pragma once

#include <QObject>
#include <QTimer>

namespace meterix {

class PixelCatEngine;

// The cat's two timers, the frame tick (0.12 s) and the behaviour tick (1 s).
// They run only when the engine's loop rule says so (the cat shown, its window
// exposed); a hidden cat wakes nothing. Each tick is told once all of its
// changes are out, so a view can draw them together.
class PixelCatLoops : public QObject {
    Q_OBJECT

  public:
    explicit PixelCatLoops(PixelCatEngine& engine, QObject* parent = nullptr);
    ~PixelCatLoops() override;

    bool isRunning() const { return frameTimer_.isActive(); }
    const QTimer& frameTimer() const { return frameTimer_; }
    const QTimer& behaviourTimer() const { return behaviourTimer_; }
    // Within a tick: the engine's changes that arrive now belong to it.
    bool isTicking() const { return ticking_; }

    // What the timers run.
    void frameTick();
    void behaviourTick();

  Q_SIGNALS:
    // A tick's changes are all out.
    void ticked();

  private:
    void setRunning(bool run);

    PixelCatEngine& engine_;
    QTimer frameTimer_;
    QTimer behaviourTimer_;
    bool ticking_ = false;
};

} // namespace meterix
