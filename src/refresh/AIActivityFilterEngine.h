#pragma once

#include "core/AIProviderType.h"
#include "core/Clock.h"
#include "refresh/AIActivityRuleRegistry.h"
#include "refresh/ActivityEvaluationResult.h"

#include <QHash>
#include <QList>
#include <QString>

#include <chrono>
#include <cstdint>
#include <optional>

namespace meterix {

// Decides whether a changed file shows an AI tool at work: path rules first,
// then keywords in the file's last bytes, then a small burst of candidate
// events within the rule's window. Keeps per-provider burst state without a
// lock: one engine belongs to one serial queue (the watcher's).
class AIActivityFilterEngine {
  public:
    struct BurstDecision {
        bool dispatch = false;
        QString reason;
    };

    static constexpr int64_t kTailBytes = 2048;
    // For providers without a rule.
    static constexpr double kDefaultBurstWindow = 2.5;
    static constexpr int kDefaultBurstThreshold = 2;

    // Burst windows are measured on clock's monotonic time, so a wall-clock
    // step neither ages events out early nor keeps them for ever.
    explicit AIActivityFilterEngine(const AIActivityRuleRegistry& registry,
                                    const Clock& clock = Clock::system());

    ActivityEvaluationResult evaluateEvent(const QString& eventPath, AIProviderType provider) const;
    // True when the provider is to be reported as active now.
    BurstDecision shouldDispatchBurst(AIProviderType provider, const QString& eventPath);

  private:
    // The file's last maxBytes as UTF-8 text, less a character cut by the
    // window's start; absent for anything but a non-empty regular file whose
    // window then decodes cleanly.
    static std::optional<QString> readTail(const QString& path, int64_t maxBytes);

    const AIActivityRuleRegistry& registry_;
    const Clock& clock_;
    QHash<AIProviderType, QList<std::chrono::steady_clock::time_point>> recentEventTimestamps_;
};

} // namespace meterix
