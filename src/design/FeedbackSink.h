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

} // namespace meterix
