#pragma once

#include <QString>

namespace meterix {

// What the activity filter made of one changed path, with the reason it gives
// in the watcher's log.
class ActivityEvaluationResult {
  public:
    enum class Kind { ignored, immediateStreaming, candidateBurst };

    static ActivityEvaluationResult ignored(QString reason) { return {Kind::ignored, std::move(reason)}; }
    static ActivityEvaluationResult immediateStreaming(QString reason) {
        return {Kind::immediateStreaming, std::move(reason)};
    }
    static ActivityEvaluationResult candidateBurst(QString reason) {
        return {Kind::candidateBurst, std::move(reason)};
    }

    Kind kind() const { return kind_; }
    const QString& reason() const { return reason_; }

    bool operator==(const ActivityEvaluationResult&) const = default;

  private:
    ActivityEvaluationResult(Kind kind, QString reason) : kind_(kind), reason_(std::move(reason)) {}

    Kind kind_;
    QString reason_;
};

} // namespace meterix
