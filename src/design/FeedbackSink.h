#pragma once

#include "platform/ui/SystemSound.h"

namespace meterix {

// Where the sound engine's output goes: the platform in the app, a
// recorder in tests.
class FeedbackSink {
public:
    virtual ~FeedbackSink() = default;
    virtual void playSound(SystemSound::Event event, double volume) = 0;
};

// The desktop's sound service, as the composition root hands it to the engine.
class SystemSoundSink final : public FeedbackSink {
public:
    explicit SystemSoundSink(SystemSound& sound) : sound_(sound) {}
    void playSound(SystemSound::Event event, double volume) override { sound_.play(event, volume); }

private:
    SystemSound& sound_;
};

} // namespace meterix
