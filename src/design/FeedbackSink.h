#pragma once

#include "platform/ui/Haptics.h"
#include "platform/ui/SystemSound.h"

namespace meterix {

// Where the sound-and-haptics engine's output goes: the platform in the app, a
// recorder in tests.
class FeedbackSink {
public:
    virtual ~FeedbackSink() = default;
    virtual void performHaptic(Haptics::Pattern pattern) = 0;
    virtual void playSound(SystemSound::Event event, double volume) = 0;
};

} // namespace meterix
