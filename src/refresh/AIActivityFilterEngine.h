#pragma once

#include "core/AIProviderType.h"
#include "core/ActivityEvaluationResult.h"
#include "core/Clock.h"
#include "refresh/AIActivityRuleRegistry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

namespace meterix {

// Decides whether a changed file shows an AI tool at work: path rules first,
// then keywords in the file's last bytes, then a small burst of candidate
// events within the rule's window. Keeps per-provider burst state without a
// lock: one engine belongs to one serial queue (the watcher's).
class AIActivityFilterEngine {
  public:
    // Why a path was decided the way it was, kept as parts: the text is only
    // wanted by the debug log, so it is put together only when asked for.
    class Verdict {
      public:
        enum class Why {
            globalExtension,
            globalSubpath,
            noRule,
            providerBlacklist,
            notWhitelisted,
            contentBlacklist,
            contentWhitelist,
            defaultCandidate,
            pathCandidate,
            custom,
        };
        ActivityEvaluationResult::Kind kind = ActivityEvaluationResult::Kind::ignored;
        Why why = Why::noRule;
        AIProviderType provider{};
        QString detail; // the fragment, keyword or extension matched; a custom answer's reason
        QString reasonText() const;
        ActivityEvaluationResult result() const;
    };

    class BurstDecision {
      public:
        bool dispatch = false;
        QString reason() const;
        // What the rule made of the event itself, burst aside.
        ActivityEvaluationResult result() const;

      private:
        friend class AIActivityFilterEngine;
        enum class Burst { none, accumulating, qualified };
        Verdict verdict_;
        Burst burst_ = Burst::none;
        qsizetype count_ = 0;
        int threshold_ = 0;
        double window_ = 0;
    };

    static constexpr int64_t kTailBytes = 2048;
    // For providers without a rule.
    static constexpr double kDefaultBurstWindow = 2.5;
    static constexpr int kDefaultBurstThreshold = 2;

    // Burst windows are measured on clock's monotonic time, so a wall-clock
    // step neither ages events out early nor keeps them for ever.
    explicit AIActivityFilterEngine(const AIActivityRuleRegistry& registry,
                                    const Clock& clock = Clock::system());
    ~AIActivityFilterEngine();
    AIActivityFilterEngine(const AIActivityFilterEngine&) = delete;
    AIActivityFilterEngine& operator=(const AIActivityFilterEngine&) = delete;

    // The last bytes of one changed file as text, read when first asked for:
    // every rule that looks at the path in one batch shares one read.
    class Tail {
      public:
        explicit Tail(const QString& path) : path_(path) {}
        // The window's bytes, valid UTF-8 (keywords are matched on these).
        const std::optional<QByteArray>& bytes();
        // The same as text, for rules that need it.
        const std::optional<QString>& text();

      private:
        const QString& path_;
        bool read_ = false;
        bool decoded_ = false;
        std::optional<QByteArray> bytes_;
        std::optional<QString> text_;
    };

    // True when the provider is to be reported as active now. tail: the
    // path's tail, shared with other evaluations of the same path.
    BurstDecision shouldDispatchBurst(AIProviderType provider, const QString& eventPath);
    BurstDecision shouldDispatchBurst(AIProviderType provider, const QString& eventPath, Tail& tail);

  private:
    struct Compiled;
    struct CompiledRule;
    // The registry's rules as of its current version, fetched again only when
    // it changed (the rules hardly ever change; events come by the thousand).
    const Compiled& compiled() const;
    // The rule (looked up once per event by the caller) applied to the path.
    Verdict evaluate(const QString& eventPath, AIProviderType provider, const CompiledRule* rule,
                     Tail& tail) const;
    // The file's last maxBytes, less a character cut by the window's start
    // and one cut by the file's end; absent for anything but a non-empty
    // regular file whose window then is valid UTF-8.
    static std::optional<QByteArray> readTail(const QString& path, int64_t maxBytes);
    // The first fragment the UTF-8 text holds (for valid UTF-8, the same
    // answer as on the decoded text, without decoding it).
    const QString* firstContainedIn(const QStringList& fragments, QByteArrayView utf8) const;

    const AIActivityRuleRegistry& registry_;
    const Clock& clock_;
    // Every fragment and keyword seen, in UTF-8 (the rules hold a few dozen).
    mutable QHash<QString, QByteArray> utf8_;
    mutable std::unique_ptr<Compiled> compiled_;
    QHash<AIProviderType, QList<std::chrono::steady_clock::time_point>> recentEventTimestamps_;
};

} // namespace meterix
