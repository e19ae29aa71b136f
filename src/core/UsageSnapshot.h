#pragma once

#include "core/AIProviderType.h"
#include "core/QuotaLabel.h"
#include "core/UsageTier.h"
#include "core/UsageUnavailableReason.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace meterix {

// How the figures of a snapshot were read.
enum class FetchStrategy { oauthKeychain, cliStatusProbe, localFileCache, simulated };
QString rawValue(FetchStrategy s);
std::optional<FetchStrategy> fetchStrategyFromRawValue(QStringView raw);

// One named quota line of a snapshot.
struct ModelQuotaItem {
    QuotaLabel name;
    double remainingPercentage = 100;
    QuotaLabel quotaType;
    // Kept as a moment: the countdown to it is worked out when drawn.
    std::optional<QDateTime> resetAt;
    std::optional<QuotaLabel> paceText;
    std::optional<double> paceMarkerPercentage; // kept as given; views clamp when drawing

    ModelQuotaItem() = default;
    // Clamps remainingPercentage into 0...100 (NaN gives 100); the rest is kept.
    ModelQuotaItem(QuotaLabel name, double remainingPercentage, QuotaLabel quotaType,
                   std::optional<QDateTime> resetAt = std::nullopt,
                   std::optional<QuotaLabel> paceText = std::nullopt,
                   std::optional<double> paceMarkerPercentage = std::nullopt);

    QString id() const { return name.key(); }
    bool isWindowElapsed(const QDateTime& now) const;

    QJsonObject toJson() const;
    // Strict: a missing required key or a present value of the wrong type fails.
    // A countdown stored by the previous version, without a moment, counts from
    // capturedAt, the time of the reading it belongs to.
    static std::optional<ModelQuotaItem> fromJson(const QJsonObject& o, const QDateTime& capturedAt);

    bool operator==(const ModelQuotaItem&) const = default;
};

// One reading of one provider (and account).
struct UsageSnapshot {
    // What a snapshot is made from, in the order adapters name them.
    struct Fields {
        AIProviderType provider{};
        double headlineRemainingPercentage = 0;
        std::optional<double> weeklyRemainingPercentage;
        QList<ModelQuotaItem> modelQuotas;
        std::optional<QString> accountEmail;
        std::optional<QuotaLabel> planName;
        qint64 usedTokens = 0;
        qint64 totalTokens = 0;
        QDateTime lastUpdated;
        FetchStrategy strategyUsed = FetchStrategy::simulated;
        std::optional<QString> accountID;
        std::optional<QString> sourceID;
        std::optional<QDateTime> capturedAt; // lastUpdated when absent
        std::optional<UsageUnavailableReason> unavailableReason;
        std::optional<QuotaLabel> headlineQuotaName;
        std::optional<QDateTime> headlineResetAt;
        std::optional<QDateTime> weeklyResetAt;
        std::optional<QString> credentialFingerprint;
        SetupLookup setupLookup;
    };

    AIProviderType provider{};
    std::optional<QString> accountEmail;
    std::optional<QuotaLabel> planName;
    std::optional<QString> accountID;
    std::optional<QString> sourceID;
    QDateTime capturedAt;
    std::optional<QString> fetchError;
    double headlineRemainingPercentage = 0;
    std::optional<QuotaLabel> headlineQuotaName;
    // Resets are kept as moments; views work the countdowns out when drawing.
    std::optional<QDateTime> headlineResetAt;
    std::optional<double> weeklyRemainingPercentage;
    std::optional<QDateTime> weeklyResetAt;
    QList<ModelQuotaItem> modelQuotas;
    qint64 usedTokens = 0;
    qint64 totalTokens = 0;
    QDateTime lastUpdated;
    FetchStrategy strategyUsed = FetchStrategy::simulated;
    std::optional<UsageUnavailableReason> unavailableReason;
    std::optional<QString> credentialFingerprint;
    // What a reading without figures looked for (its key's places, the server it
    // asked). Kept in memory only: readings without figures are never stored.
    SetupLookup setupLookup;

    UsageSnapshot() = default;
    // Clamps both percentages into 0...100 (NaN gives 100); fetchError starts absent.
    explicit UsageSnapshot(const Fields& f);

    static constexpr double stalenessThreshold = 900;

    double remainingPercentage() const { return headlineRemainingPercentage; }
    bool isSimulated() const { return strategyUsed == FetchStrategy::simulated; }
    // A failed refresh, or captured more than 900 s before now.
    bool isStale(const QDateTime& now) const;
    bool isStale() const; // against the system clock
    bool isHeadlineWindowElapsed(const QDateTime& now) const;

    // The placeholder shown before anything was read.
    static UsageSnapshot simulatedFallback(AIProviderType provider, const QDateTime& now);
    static UsageSnapshot simulatedFallback(AIProviderType provider);
    // A snapshot without figures that says why.
    static UsageSnapshot unavailable(AIProviderType provider, UsageUnavailableReason reason,
                                     std::optional<QString> accountEmail = std::nullopt,
                                     std::optional<QuotaLabel> planName = std::nullopt,
                                     std::optional<QString> accountID = std::nullopt,
                                     std::optional<QString> sourceID = std::nullopt,
                                     std::optional<QDateTime> now = std::nullopt);

    // SHA-256 of the UTF-8 bytes, 64 lower-case hex digits.
    static QString fingerprint(const QString& text);

    // Field names as keys, dates as whole-second ISO-8601 text, absent optionals
    // left out. The headline's keys keep the "hourly" names stored files carry.
    QJsonObject toJson() const;
    // Strict: a missing required key, a value of the wrong type or an unknown raw
    // value fails the whole snapshot. Nothing is clamped. A reset stored by the
    // previous version as a countdown only loads as its moment: capturedAt plus
    // the countdown.
    static std::optional<UsageSnapshot> fromJson(const QJsonObject& o);

    bool operator==(const UsageSnapshot&) const = default;
};

} // namespace meterix
