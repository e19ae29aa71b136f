#pragma once

#include "design/FeedbackSink.h"

#include <memory>

namespace meterix {

// The single gate for every sound. Its switch is the core sound
// switch that the preferences write, so the settings and the engine can never
// disagree; every operation reads it first and does nothing at all while it is
// off. GUI thread (the switch itself is atomic).
class SoundEffectsEngine {
public:
    static SoundEffectsEngine& shared();

    bool isSoundEnabled() const;
    void setSoundEnabled(bool enabled);

    // The short snap sound at volume 0.25.
    void playSnapSound();

    static constexpr double snapVolume = 0.25;

    // Replaces where output goes (nothing: silence, as until the composition
    // root hands the desktop's sound); returns the sink that was in use.
    std::shared_ptr<FeedbackSink> setSink(std::shared_ptr<FeedbackSink> sink);

private:
    SoundEffectsEngine();
    std::shared_ptr<FeedbackSink> sink_;
};

} // namespace meterix
