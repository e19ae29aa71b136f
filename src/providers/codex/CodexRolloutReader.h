#pragma once

#include "core/Clock.h"
#include "core/QuotaLabel.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace meterix {

// Reads the rate-limit state the Codex client writes into its session rollouts
// (JSON Lines under <Codex home>/sessions, flat or in year/month/day folders,
// and those the client has moved to <Codex home>/archived_sessions). Nothing is
// remembered between calls and nothing is ever written. Every read is bounded:
// at most 30 day folders are listed per folder tree, 12 files opened, 1 MiB read
// from each end of a file, and the search stops once no older file can hold a
// newer event. The functions block on the file system: call them off the GUI
// thread. Any thread may call them at once.
//
// Each token-count line reports one allowance (its "rate_limits" object's own
// "limit_id"): "codex" is the account's own (older clients name none), other ids
// are separate allowances of single models, often written just after the
// account's line. The account's figures come from its own lines only; the other
// allowances seen in the files read are kept beside them, the newest line of
// each and at most kAllowanceLimit of them, the most recently reported.
class CodexRolloutReader {
public:
    static constexpr int kCandidateLimit = 12;
    static constexpr int kDayFolderLimit = 30;
    static constexpr int64_t kTailBytes = 1024 * 1024;
    static constexpr int64_t kHeadChunkBytes = 64 * 1024;
    static constexpr int64_t kHeadBytes = 1024 * 1024;
    // A home reports a handful of allowances; a file naming thousands is not a
    // client's, and every one kept costs a line on the card.
    static constexpr qsizetype kAllowanceLimit = 32;
    // How far ahead of the reading clock a stamp may lie and still be taken at
    // its word: a line written while the reading runs carries a stamp a moment
    // after the `now` it is read with. Beyond this, the clock that wrote it ran
    // ahead of the one that reads it.
    static constexpr int64_t kAheadToleranceSeconds = 60;

    struct RateWindow {
        double remaining = 100;                // percent still free, 0...100
        std::optional<int64_t> windowMinutes;  // as reported
        std::optional<QDateTime> resetsAt;
        bool operator==(const RateWindow&) const = default;
    };

    // What one token-count line reports, for whichever allowance it names.
    struct RateLimits {
        std::optional<RateWindow> primary;
        std::optional<RateWindow> secondary;
        std::optional<QString> planType;
        std::optional<double> creditBalance;
        bool hasUnlimitedCredits = false;
        QDateTime capturedAt;
        std::optional<QDateTime> sessionStartedAt;
        // The allowance the line reported: none or "codex" is the account's own.
        std::optional<QString> limitId;
        std::optional<QString> limitName;
        // The line was stamped (or, unstamped, its file last written) further
        // ahead of now than the tolerance: a clock that ran ahead wrote it, so
        // how old it really is cannot be told, and capturedAt is only now.
        bool aheadOfClock = false;

        bool isAccountLimit() const;
        // "limit_name", else the id.
        QString displayName() const;
        // When the reading was taken, as far as can be told: its own stamp,
        // unless that lies ahead of the clock; then the latest start of its
        // windows (reset less length), which the service set, not the clock
        // that ran ahead. Without one it cannot be placed at all.
        QDateTime placedAt(const QDateTime& now) const;
        bool operator==(const RateLimits&) const = default;
    };

    // What a home (or one rollout) holds: the account's newest line and the
    // newest line of each other allowance, ordered by id.
    struct HomeReading {
        RateLimits account;
        QList<RateLimits> allowances;
        bool operator==(const HomeReading&) const = default;
    };

    struct Candidate {
        QString url;        // the file's path
        QDateTime modified; // the distant past when unknown
        bool operator==(const Candidate&) const = default;
    };

    // The account's newest rate limits in a Codex home with the other
    // allowances seen on the way, or nothing. The clock is read only for windows
    // that give their reset as seconds from the moment of reading.
    //
    // A file last written after now (while the clock ran ahead) is taken as
    // written now. A reading ahead of the clock ranks by the latest start of
    // its windows, the one time in it that clock did not set, and never ends
    // the search early.
    static std::optional<HomeReading> rateLimits(const QString& codexHome, const QDateTime& now,
                                                 const Clock& clock = Clock::system());

    // The rollout files of a home, live and archived, newest first, at most
    // limit of them.
    static QList<Candidate> rolloutCandidates(const QString& codexHome, int limit);

    // When the rollout began: the timestamp of its "session_meta" line within
    // the first mebibyte, or nothing.
    static std::optional<QDateTime> sessionStart(const QString& path);

    // One parsed event line to rate limits (of whichever allowance it reports).
    static std::optional<RateLimits> rateLimits(const QJsonObject& event, const QDateTime& now,
                                                const std::optional<QDateTime>& sessionStartedAt,
                                                const Clock& clock = Clock::system());

    // A week in minutes: a window this long or longer is the weekly one.
    static constexpr int64_t kWeekMinutes = 10080;

    // A window by its length in minutes ("5-hour limit", "1-week limit" when
    // drawn in English).
    static QuotaLabel windowLabel(int64_t minutes);

    // The distant past that stands for an unknown modification date.
    static QDateTime distantPast();

private:
    // What one rollout's tail holds: the account's newest line and the newest
    // line of every other allowance.
    struct RolloutReading {
        std::optional<RateLimits> account;
        QList<RateLimits> allowances; // newest last-written first
    };
    // writtenAhead: the file was last written further ahead of now than the
    // tolerance, which makes its unstamped lines ahead of the clock too.
    static RolloutReading readRollout(const QString& path, const QDateTime& now, const Clock& clock,
                                      bool writtenAhead);
    static QList<Candidate> rolloutsDirectlyIn(const QString& folder);
    // The rollouts directly in a folder and in its year/month/day folders.
    static QList<Candidate> rolloutsUnder(const QString& folder);
    static QStringList descendingSubdirectories(const QString& folder);
    // The whole lines among the file's last `bytes` bytes, as bytes: a line cut
    // by the start of the window is dropped before anything is decoded, so a cut
    // through a multi-byte character costs that one line only. Nothing when the
    // file cannot be read.
    static std::optional<QByteArray> tail(const QString& path, int64_t bytes);
    static std::optional<QDateTime> sessionStartInLine(QByteArrayView line);
    static std::optional<RateWindow> window(const QJsonObject& container, QLatin1StringView key,
                                            const Clock& clock);
};

} // namespace meterix
