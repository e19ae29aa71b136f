#include "design/SoundEffectsEngine.h"

#include "core/SoundSwitch.h"

namespace meterix {

namespace {

class SilentSink final : public FeedbackSink {
public:
    void playSound(SystemSound::Event, double) override {}
};

std::shared_ptr<FeedbackSink> silentSink() {
    static const std::shared_ptr<FeedbackSink> sink = std::make_shared<SilentSink>();
    return sink;
}

} // namespace

SoundEffectsEngine::SoundEffectsEngine() : sink_(silentSink()) {}

SoundEffectsEngine& SoundEffectsEngine::shared() {
    static SoundEffectsEngine* engine = new SoundEffectsEngine(); // lives as long as the process
    return *engine;
}

bool SoundEffectsEngine::isSoundEnabled() const { return soundSwitch().load(); }

void SoundEffectsEngine::setSoundEnabled(bool enabled) { soundSwitch().store(enabled); }

void SoundEffectsEngine::playSnapSound() {
    if (!isSoundEnabled()) return;
    sink_->playSound(SystemSound::Event::snap, snapVolume);
}

std::shared_ptr<FeedbackSink> SoundEffectsEngine::setSink(std::shared_ptr<FeedbackSink> sink) {
    std::shared_ptr<FeedbackSink> previous = std::move(sink_);
    sink_ = sink ? std::move(sink) : silentSink();
    return previous;
}

} // namespace meterix
