#pragma once

#include "core/AIProviderType.h"
#include "core/Clock.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

namespace meterix {

class ProviderManager;

// What a refresh button says once pressed, where it was pressed: "Refreshing…"
// until the fetch it started has ended; or, when the manager says nothing can
// be read anew yet (the last fetch's cooldown, the probe's floor), from when it
// can, for a few seconds. Nothing while idle: the button keeps its own title.
class RefreshFeedback : public QObject {
  public:
    static constexpr int waitShownMs = 4000;

    // changed runs after every change of what the button says; brief for a
    // button too narrow for the whole sentence ("Again in 4 min").
    RefreshFeedback(const Clock& clock, std::function<void()> changed, bool brief = false,
                    QObject* parent = nullptr);

    void press(ProviderManager* manager, AIProviderType provider);
    std::optional<QString> caption() const;
    bool isReading() const { return state_ == State::reading; }

    // "Can read again in 4 min" (whole minutes, rounded up), or in seconds
    // under a minute.
    static QString waitText(const QDateTime& until, const QDateTime& now, bool brief = false);

  private:
    enum class State { idle, reading, waiting };
    void set(State state);

    const Clock& clock_;
    std::function<void()> changed_;
    bool brief_ = false;
    State state_ = State::idle;
    QDateTime until_;
    QTimer waitShown_;
};

} // namespace meterix
