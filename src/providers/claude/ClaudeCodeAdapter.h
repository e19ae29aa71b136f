#pragma once

#include "core/AIProviderAdapter.h"
#include "core/Clock.h"
#include "core/HostEnvironment.h"
#include "core/Locked.h"
#include "core/UsageSnapshot.h"
#include "platform/process/CLIProcessRunner.h"
#include "providers/claude/ClaudeAccountResolver.h"
#include "providers/claude/ClaudeProbeFolder.h"
#include "providers/common/ProbeGate.h"

#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QTimeZone>

#include <optional>

namespace meterix {

// Usage of the Claude Code command-line client, one snapshot per CLI profile.
// Each profile's ".claude.json" caches the client's own last usage reading; that
// reading is used while it is younger than 900 s. Otherwise the client itself is
// run ("claude --strict-mcp-config -p /usage") under the probe gate, at most once
// per 300 s per profile, and its printed text is parsed. Every failure ends in a
// snapshot (the older cached reading, the last one, or one without figures).
//
// checkAvailability and the fetches block (files, a child process of up to 20 s
// per profile): call them on the adapter pool, never on the GUI thread.
class ClaudeCodeAdapter final : public AIProviderAdapter {
  public:
    // The probe's working folder (under the data home). The client names its
    // transcript folder after it, and the activity watcher ignores paths with it.
    static inline const QString probeWorkingDirectoryName = QString::fromLatin1(kClaudeProbeFolderName);
    static constexpr double kFreshnessSeconds = 900;
    static constexpr double kProbeFloorSeconds = 300;
    static constexpr double kProbeTimeoutSeconds = 20;
    static constexpr int kTranscriptsKept = 5;

    // The account a configuration is signed in with.
    struct ConfigIdentity {
        std::optional<QString> accountID;
        std::optional<QString> email;
        std::optional<QString> planName;
        bool operator==(const ConfigIdentity&) const = default;
    };

    // One usage window: what is left and when it resets. The reset moment is
    // kept even when it has passed, so a reading older than its window is shown
    // as ended rather than as current.
    struct QuotaWindow {
        double remainingPercentage = 100;
        std::optional<double> resetCountdown;
        std::optional<QDateTime> resetAt;
        bool operator==(const QuotaWindow&) const = default;
    };

    struct Options {
        double probeTimeoutSeconds = kProbeTimeoutSeconds;
    };

    // The app's adapter: the running process's home and environment, the shared
    // runner and gate, the system clock.
    ClaudeCodeAdapter(HostEnvironment host, CLIProcessRunner& runner, ProbeGate& gate, const Clock& clock);
    ClaudeCodeAdapter(HostEnvironment host, CLIProcessRunner& runner, ProbeGate& gate, const Clock& clock,
                      Options options);

    AIProviderType type() const override { return AIProviderType::claudeCode; }
    bool isDetected() const override { return detected_.get(); }
    bool checkAvailability() override;
    // forceSync changes nothing: neither the freshness nor the probe floor is bypassed.
    UsageSnapshot fetchUsage(bool forceSync) override;
    QList<UsageSnapshot> fetchUsagePerAccount(bool forceSync) override;
    using AIProviderAdapter::fetchUsage;

    // --- The cached reading in a configuration (pure; safe on any thread).

    // The configuration's cached usage as a snapshot; nothing when it holds no
    // reading or one of another account. Countdowns are measured from now.
    static std::optional<UsageSnapshot> snapshot(const QJsonObject& config);
    static std::optional<UsageSnapshot> snapshot(const QJsonObject& config, const QDateTime& now);
    static ConfigIdentity identity(const QJsonObject& config);
    // A window's reset moment: an RFC 3339 date-time (fractions ignored), or a
    // number of seconds since 1970 as the client's status line gives it.
    static std::optional<QDateTime> resetMoment(const QJsonValue& value);
    // Seconds from now until that moment; nothing unless it lies ahead.
    static std::optional<double> countdown(const QJsonValue& value, const QDateTime& now);
    // A {"utilization", "resets_at"} object.
    static std::optional<QuotaWindow> window(const QJsonValue& value, const QDateTime& now);

    // --- The client's printed usage (pure; safe on any thread).

    // Nothing unless the text has a session figure. Two layouts are read: one
    // line per limit ("Current session: 37% used · resets Jan 5 at 3:00pm"), and
    // the usage screen's blocks (a "Current week (Fable)" label line, a line with
    // "15% used", then a "Resets ..." line, other lines between ignored). Besides
    // the session and all models, every "Current week (<model>)" gives a line
    // named with its model: Opus and Sonnet first, then the others in text order.
    // Reset phrases without a known zone are read in systemZone. At most
    // kMaxModelLines models besides Opus and Sonnet: more than any account has.
    static constexpr int kMaxModelLines = 16;
    static std::optional<UsageSnapshot>
    parseClaudeUsageOutput(const QString& text, const QDateTime& now,
                           const QTimeZone& systemZone = QTimeZone::systemTimeZone());
    // The first match of pattern (case-insensitive): group 1 the whole percentage
    // used, group 2 the rest of the line with the reset phrase.
    static std::optional<QuotaWindow> usageLine(const QString& text, const QString& pattern,
                                                const QDateTime& now,
                                                const QTimeZone& systemZone = QTimeZone::systemTimeZone());
    // "resets Jan 5 at 3:00pm (Europe/Paris)", "resets Oct 5, 10pm": seconds until
    // then, taking next year's date when this year's lies more than a day back.
    // "Resets 10:39pm (America/Los_Angeles)": the next time that clock shows it.
    // The zone is taken when the system's zone database holds the name.
    static std::optional<double> resetCountdown(const QString& phrase, const QDateTime& now,
                                                const QTimeZone& systemZone = QTimeZone::systemTimeZone());

    // A model's name from another tool as a quota line may show it (shownWord):
    // white space collapsed, cut to what a screen can show, nothing unprintable;
    // nothing when that leaves no name.
    static std::optional<QString> modelWord(const QString& raw);

    // --- The probe's working folder and its transcripts.

    // Made owner-only when missing; nothing when it is refused or cannot be
    // made (then no probe runs). Its real path.
    std::optional<QString> probeWorkingDirectory() const;
    // Its transcripts are pruned after each run (ClaudeTranscriptPruning).

  private:
    using Profile = ClaudeAccountResolver::Profile;

    // The profile's reading from its configuration as already read, else probed.
    std::optional<UsageSnapshot> usage(const Profile& profile, const std::optional<QJsonObject>& config);
    std::optional<UsageSnapshot> probe(const Profile& profile, const std::optional<ConfigIdentity>& identity);
    std::optional<QString> runProbe(const EnvironmentOverrides& environment);
    // The configuration folder a client run with these overrides uses.
    QString configFolder(const EnvironmentOverrides& environment) const;
    UsageSnapshot unknownSnapshot(const std::optional<ConfigIdentity>& identity) const;
    // Whether Claude Code is installed: apart from a client that is merely not signed in.
    bool isClientFound() const;
    bool isFresh(const UsageSnapshot& snapshot) const;

    HostEnvironment host_;
    CLIProcessRunner& runner_;
    ProbeGate& gate_;
    const Clock& clock_;
    Options options_;
    Locked<bool> detected_{false};
    Locked<std::optional<UsageSnapshot>> cachedSnapshot_;
};

} // namespace meterix
