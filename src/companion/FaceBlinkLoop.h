#pragma once

#include "core/TimerSource.h"

#include <functional>

namespace meterix {

class CatRandomSource;

// A face's blinking: wait a time drawn from [4, 7] s, close the eyes, open them
// 0.12 s later, and again, until stopped. So a face never blinks sooner than
// 4 s after it appeared or after its previous blink.
class FaceBlinkLoop {
  public:
    static constexpr double minimumWait = 4;
    static constexpr double maximumWait = 7;
    static constexpr double blinkLength = 0.12;

    FaceBlinkLoop(TimerSource& timers, CatRandomSource& random, std::function<void(bool blinking)> onChange);
    ~FaceBlinkLoop();
    FaceBlinkLoop(const FaceBlinkLoop&) = delete;
    FaceBlinkLoop& operator=(const FaceBlinkLoop&) = delete;

    void start();
    void stop();
    bool isRunning() const { return pending_ != 0; }
    bool isBlinking() const { return blinking_; }

  private:
    void waitForNext();
    void set(bool blinking);

    TimerSource& timers_;
    CatRandomSource& random_;
    std::function<void(bool)> onChange_;
    TimerSource::Id pending_ = 0;
    bool blinking_ = false;
};

} // namespace meterix
