#pragma once

#include <QObject>
#include <QTimer>

namespace meterix {

class PixelCatEngine;

// The cat's two ticks, the frame tick (0.12 s) and the behaviour tick (1 s),
// on one timer: the behaviour tick rides on the frame tick nearest each whole
// second of frame time (never more than half a frame off, a second apart on
// average), so a shown cat wakes the process eight times a second, not nine.
// The timer runs only when the engine's loop rule says so (the cat shown, its
// window exposed); a hidden cat wakes nothing. Each tick is told once all of
// its changes are out, so a view can draw them together.
class PixelCatLoops : public QObject {
    Q_OBJECT

  public:
    explicit PixelCatLoops(PixelCatEngine& engine, QObject* parent = nullptr);
    ~PixelCatLoops() override;

    bool isRunning() const { return timer_.isActive(); }
    // Within a tick: the engine's changes that arrive now belong to it.
    bool isTicking() const { return ticking_; }

    // What the timer runs: a frame tick, with the behaviour tick before it
    // when one is due.
    void frameTick();

  Q_SIGNALS:
    // A tick's changes are all out.
    void ticked();

  private:
    void setRunning(bool run);

    PixelCatEngine& engine_;
    QTimer timer_;
    int frameMs_;
    int behaviourMs_;
    int behaviourDueMs_ = 0; // frame time left until the next behaviour tick
    bool ticking_ = false;
};

} // namespace meterix
