#include "shell/PanelReveal.h"

#include "shell/FloatingPanelSurface.h"

#include <cmath>

namespace meterix {

namespace {

PanelReveal::TimePoint after(PanelReveal::TimePoint t, double seconds) {
    return t + std::chrono::milliseconds(std::llround(seconds * 1000));
}

} // namespace

PanelReveal::PanelReveal(PanelWindow& window, TimerSource& timers, const Clock& clock, std::function<void()> revealed)
    : window_(window), timers_(timers), clock_(clock), revealed_(std::move(revealed)) {}

PanelReveal::~PanelReveal() {
    if (token_) timers_.cancel(token_);
}

PanelReveal::TimePoint PanelReveal::revealTime(TimePoint now, TimePoint deadline) {
    return std::min(after(now, settleDelay), deadline);
}

void PanelReveal::showRequested() { arm(deadline()); }

void PanelReveal::contentReported() { arm(revealTime(clock_.monotonicNow(), deadline())); }

PanelReveal::TimePoint PanelReveal::deadline() {
    if (!deadline_) deadline_ = after(clock_.monotonicNow(), hardDeadline);
    return *deadline_;
}

void PanelReveal::arm(TimePoint at) {
    if (!window_.surface || window_.surface->isRevealed()) return;
    if (token_) timers_.cancel(token_);
    at_ = at;
    const auto delay = std::chrono::ceil<std::chrono::milliseconds>(at - clock_.monotonicNow());
    token_ = timers_.start(delay, [this] {
        token_ = 0;
        reveal();
    });
}

void PanelReveal::reveal() {
    if (token_) timers_.cancel(token_);
    token_ = 0;
    at_.reset();
    deadline_.reset();
    if (window_.surface && !window_.surface->isRevealed()) {
        window_.surface->reveal();
        if (revealed_) revealed_();
    }
}

} // namespace meterix
