#pragma once

// Stand-ins for the cat engine's random source, overlay, bar and feedback.

#include "companion/CatBarLink.h"
#include "companion/CatOverlay.h"
#include "companion/CatRandomSource.h"
#include "design/FeedbackSink.h"
#include "design/SoundEffectsEngine.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace meterix::test {

// Draws from scripts; an exhausted roll or coin script fails the test, an
// exhausted wait script repeats its default.
class ScriptedRandom final : public CatRandomSource {
  public:
    std::deque<int> rolls;
    std::deque<double> waits;
    std::deque<bool> coins;
    double defaultWait = 1e9; // never due unless a test says so
    std::vector<std::pair<double, double>> waitIntervals;

    int roll() override {
        if (rolls.empty()) {
            ADD_FAILURE() << "unscripted roll";
            return 0;
        }
        const int r = rolls.front();
        rolls.pop_front();
        return r;
    }
    double wait(double low, double high) override {
        waitIntervals.emplace_back(low, high);
        if (waits.empty()) return defaultWait;
        const double w = waits.front();
        waits.pop_front();
        return w;
    }
    bool coin() override {
        if (coins.empty()) {
            ADD_FAILURE() << "unscripted coin";
            return false;
        }
        const bool c = coins.front();
        coins.pop_front();
        return c;
    }
};

class RecordingOverlay final : public CatOverlay {
  public:
    struct Call {
        enum Kind { start, update, frame, end } kind;
        QPointF point;
        double dx = 0;
        bool facingLeft = false;
        CatSprite sprite = CatSprite::walk1;
    };
    std::vector<Call> calls;
    std::function<void()> pendingCompletion;
    bool runCompletionAtOnce = false;

    void startDrag(QPointF p, bool left, CatSprite s) override {
        calls.push_back({Call::start, p, 0, left, s});
    }
    void updateDrag(QPointF p, double dx) override { calls.push_back({Call::update, p, dx}); }
    void updateFrame(CatSprite s) override { calls.push_back({Call::frame, {}, 0, false, s}); }
    void endDrag(QPointF target, std::function<void()> completion) override {
        calls.push_back({Call::end, target});
        if (runCompletionAtOnce) {
            if (completion) completion();
        } else {
            pendingCompletion = std::move(completion);
        }
    }
    size_t count(Call::Kind k) const {
        return size_t(std::count_if(calls.begin(), calls.end(), [k](const Call& c) { return c.kind == k; }));
    }
};

class FakeBar final : public CatBarLink {
  public:
    std::optional<QPointF> layerOrigin;
    bool catDragging = false;
    std::optional<QPointF> landingPoint(double x) const override {
        if (!layerOrigin) return std::nullopt;
        return *layerOrigin + QPointF(x + 16, 12);
    }
    void setCatDragging(bool d) override { catDragging = d; }
};

class RecordingSink final : public FeedbackSink {
  public:
    void playSound(SystemSound::Event e, double) override { sounds.push_back(e); }
    std::vector<SystemSound::Event> sounds;
};

// Puts a recorder behind the shared sound engine for one test.
class FeedbackRecorder {
  public:
    explicit FeedbackRecorder(bool soundOn) : sink(std::make_shared<RecordingSink>()) {
        previous_ = SoundEffectsEngine::shared().setSink(sink);
        wasOn_ = SoundEffectsEngine::shared().isSoundEnabled();
        SoundEffectsEngine::shared().setSoundEnabled(soundOn);
    }
    ~FeedbackRecorder() {
        SoundEffectsEngine::shared().setSink(previous_);
        SoundEffectsEngine::shared().setSoundEnabled(wasOn_);
    }
    std::shared_ptr<RecordingSink> sink;

  private:
    std::shared_ptr<FeedbackSink> previous_;
    bool wasOn_ = true;
};

} // namespace meterix::test
