#include "providers/OpenAI_CodexAdapter.h"

#include "accounts/AccountIdentityLedger.h"
#include "core/L10n.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "core/SafeConversions.h"
#include "core/SafeFile.h"

namespace meterix {

namespace {

constexpr qint64 kTotalTokens = 100000;

// Seconds until the reset when it is still ahead.
std::optional<double> countdown(const std::optional<QDateTime>& resetsAt, const QDateTime& now) {
    if (!resetsAt) return std::nullopt;
    const double seconds = secondsBetween(now, *resetsAt);
    if (seconds > 0) return seconds;
    return std::nullopt;
}

std::optional<QString> labelOf(const std::optional<CodexRolloutReader::RateWindow>& window) {
    if (!window || !window->windowMinutes) return std::nullopt;
    return CodexRolloutReader::windowLabel(*window->windowMinutes);
}

ModelQuotaItem windowItem(const CodexRolloutReader::RateWindow& window, const QString& fallbackName,
                          const QDateTime& now) {
    const QString name = labelOf(window).value_or(fallbackName);
    return ModelQuotaItem(name, clampPercentage(window.remaining), name, countdown(window.resetsAt, now),
                          window.resetsAt);
}

} // namespace

OpenAI_CodexAdapter::OpenAI_CodexAdapter(AccountIdentityLedger& identityLedger,
                                         CodexAccountResolver::Environment environment, const Clock& clock)
    : environment_(std::move(environment)), identityLedger_(identityLedger), clock_(clock) {}

bool OpenAI_CodexAdapter::checkAvailability() {
    const bool available = !CodexAccountResolver::profiles(environment_).isEmpty() ||
                           exists(joinPath(environment_.homeFolder, QStringLiteral(".codex")));
    detected_.set(available);
    return available;
}

UsageSnapshot OpenAI_CodexAdapter::fetchUsage(bool) {
    const auto profiles = CodexAccountResolver::profiles(environment_);
    if (profiles.isEmpty()) return unknownSnapshot(std::nullopt);
    return snapshot(profiles.first(), clock_.now());
}

QList<UsageSnapshot> OpenAI_CodexAdapter::fetchUsagePerAccount(bool) {
    const auto profiles = CodexAccountResolver::profiles(environment_);
    if (profiles.isEmpty()) return {fetchUsage(false)};
    QList<UsageSnapshot> snapshots;
    for (const Profile& profile : profiles) snapshots.append(snapshot(profile, clock_.now()));
    return snapshots;
}

std::optional<OpenAI_CodexAdapter::Account> OpenAI_CodexAdapter::account(const Profile& profile) {
    const auto claims = CodexAccountResolver::identityClaims(profile.authPath);
    if (!claims) return std::nullopt;
    return Account{claims->accountID ? claims->accountID : claims->email, claims->email,
                   CodexAccountResolver::planName(claims->planType)};
}

std::optional<QDateTime> OpenAI_CodexAdapter::credentialWrittenAt(const Profile& profile) {
    const auto info = regularFileInfo(profile.authPath);
    if (!info) return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(info->modifiedNs / 1000000, Qt::UTC);
}

UsageSnapshot OpenAI_CodexAdapter::snapshot(const Profile& profile, const QDateTime& now) {
    const auto signedIn = account(profile);
    const auto limits = CodexRolloutReader::rateLimits(profile.homeDirectory, now, clock_);
    if (!limits) return unknownSnapshot(signedIn);
    // A rollout without a start line cannot be placed before or after a switch.
    if (!limits->sessionStartedAt) return unknownSnapshot(signedIn);
    if (!signedIn || !signedIn->accountID || signedIn->accountID->isEmpty())
        return snapshot(*limits, signedIn, now);
    const auto boundary = identityLedger_.attributionBoundary(AIProviderType::openAICodex, profile.homeDirectory,
                                                              *signedIn->accountID, credentialWrittenAt(profile), now);
    if (!boundary || *limits->sessionStartedAt >= *boundary) return snapshot(*limits, signedIn, now);
    // The newest rate limits come from a session of the previous account.
    return unknownSnapshot(signedIn);
}

std::optional<ModelQuotaItem> OpenAI_CodexAdapter::creditItem(const RateLimits& limits) {
    const QString name = L10n::codexCredits().text();
    const QString type = QStringLiteral("Credits");
    if (limits.hasUnlimitedCredits) return ModelQuotaItem(name, 100, type, std::nullopt, std::nullopt, L10n::unlimited().text());
    if (!limits.creditBalance) return std::nullopt;
    // A balance beyond any integer cannot be written; the item is left out
    // rather than showing a made-up figure.
    const auto whole = truncatedInt64(*limits.creditBalance);
    if (!whole) return std::nullopt;
    return ModelQuotaItem(name, *limits.creditBalance > 0 ? 100 : 0, type, std::nullopt, std::nullopt,
                          L10n::codexBalance(*whole).text());
}

UsageSnapshot OpenAI_CodexAdapter::snapshot(const RateLimits& limits, const std::optional<Account>& account,
                                            const QDateTime& now) {
    QList<ModelQuotaItem> items;
    if (limits.primary) items.append(windowItem(*limits.primary, L10n::codexPrimaryLimit().text(), now));
    if (limits.secondary) items.append(windowItem(*limits.secondary, L10n::codexSecondaryLimit().text(), now));
    if (auto credit = creditItem(limits)) items.append(std::move(*credit));

    auto planName = CodexAccountResolver::planName(limits.planType);
    if (!planName && account) planName = account->planName;

    UsageSnapshot::Fields f;
    f.provider = AIProviderType::openAICodex;
    f.hourlyRemainingPercentage = limits.primary ? clampPercentage(limits.primary->remaining) : 100;
    f.hourlyResetCountdown = limits.primary ? countdown(limits.primary->resetsAt, now) : std::nullopt;
    if (limits.secondary) {
        f.weeklyRemainingPercentage = clampPercentage(limits.secondary->remaining);
        f.weeklyResetCountdown = countdown(limits.secondary->resetsAt, now);
        f.weeklyResetAt = limits.secondary->resetsAt;
    }
    f.modelQuotas = items;
    f.accountEmail = account ? account->email : std::nullopt;
    f.planName = planName;
    f.usedTokens = 0;
    f.totalTokens = kTotalTokens;
    f.lastUpdated = limits.capturedAt;
    f.strategyUsed = FetchStrategy::localFileCache;
    f.accountID = account ? account->accountID : std::nullopt;
    f.sourceID = QString::fromLatin1(kSourceID);
    f.capturedAt = limits.capturedAt;
    f.hourlyQuotaName = labelOf(limits.primary);
    f.hourlyResetAt = limits.primary ? limits.primary->resetsAt : std::nullopt;
    return UsageSnapshot(f);
}

UsageSnapshot OpenAI_CodexAdapter::unknownSnapshot(const std::optional<Account>& account) const {
    const QDateTime now = clock_.now();
    UsageSnapshot::Fields f;
    f.provider = AIProviderType::openAICodex;
    f.hourlyRemainingPercentage = 0;
    f.accountEmail = account ? account->email : std::nullopt;
    f.planName = account ? account->planName : std::nullopt;
    f.usedTokens = 0;
    f.totalTokens = kTotalTokens;
    f.lastUpdated = now;
    f.strategyUsed = FetchStrategy::simulated;
    f.accountID = account ? account->accountID : std::nullopt;
    f.sourceID = QString::fromLatin1(kSourceID);
    f.capturedAt = now;
    return UsageSnapshot(f);
}

bool OpenAI_CodexAdapter::hasReadableUsage(const QString& codexHome) {
    return CodexRolloutReader::rateLimits(codexHome, Clock::system().now()).has_value();
}

} // namespace meterix
