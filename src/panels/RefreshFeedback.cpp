#include "panels/RefreshFeedback.h"

#include "core/L10n.h"
#include "refresh/ProviderManager.h"

#include <cmath>

namespace meterix {

RefreshFeedback::RefreshFeedback(const Clock& clock, std::function<void()> changed, bool brief, QObject* parent)
    : QObject(parent), clock_(clock), changed_(std::move(changed)), brief_(brief) {
    waitShown_.setSingleShot(true);
    waitShown_.setInterval(waitShownMs);
    connect(&waitShown_, &QTimer::timeout, this, [this] {
        if (state_ == State::waiting) set(State::idle);
    });
}

void RefreshFeedback::press(ProviderManager* manager, AIProviderType provider) {
    if (!manager || state_ == State::reading) return;
    if (const auto wait = manager->readWait(provider)) {
        until_ = wait->until;
        set(State::waiting);
        waitShown_.start();
        return;
    }
    set(State::reading);
    QPointer<RefreshFeedback> self(this);
    manager->refreshByUser(provider, [self] {
        if (self && self->state_ == State::reading) self->set(State::idle);
    });
}

std::optional<QString> RefreshFeedback::caption() const {
    switch (state_) {
    case State::idle:
        return std::nullopt;
    case State::reading:
        return L10n::refreshing().text();
    case State::waiting:
        return waitText(until_, clock_.now(), brief_);
    }
    return std::nullopt;
}

QString RefreshFeedback::waitText(const QDateTime& until, const QDateTime& now, bool brief) {
    const double seconds = std::max(1.0, std::ceil(double(now.msecsTo(until)) / 1000));
    if (seconds < 60)
        return (brief ? L10n::againInSeconds(qint64(seconds)) : L10n::readAgainInSeconds(qint64(seconds))).text();
    const auto minutes = qint64(std::ceil(seconds / 60));
    return (brief ? L10n::againInMinutes(minutes) : L10n::readAgainInMinutes(minutes)).text();
}

void RefreshFeedback::set(State state) {
    if (state == state_) return;
    state_ = state;
    if (changed_) changed_();
}

} // namespace meterix
