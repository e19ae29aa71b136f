#include "providers/codex/OpenAI_CodexAdapter.h"

#include "accounts/AccountIdentityLedger.h"
#include "core/L10n.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "core/QuotaLabel.h"
#include "core/SafeConversions.h"
#include "core/SafeFile.h"

#include <cmath>

namespace meterix {

namespace {

constexpr qint64 kTotalTokens = 100000;

using RateWindow = CodexRolloutReader::RateWindow;

// A window and the slot of the line it came in, which names it when it gives
// no length.
struct SlottedWindow {
    RateWindow window;
    bool primarySlot = true;

    std::optional<QuotaLabel> label() const {
        if (!window.windowMinutes) return std::nullopt;
        return CodexRolloutReader::windowLabel(*window.windowMinutes);
    }
    QuotaLabel name() const {
        if (auto text = label()) return *text;
        return primarySlot ? QuotaKind::primaryLimit : QuotaKind::secondaryLimit;
    }
    // A window without a length is what its slot says.
    bool isWeekOrLonger() const {
        return window.windowMinutes ? *window.windowMinutes >= CodexRolloutReader::kWeekMinutes : !primarySlot;
    }
};

// The two windows of a line by their length rather than their slot: plans
// differ in which windows they have, and a week-long window is the weekly
// figure whichever slot it came in. Two windows of one kind keep their slots.
struct Windows {
    std::optional<SlottedWindow> shorter;
    std::optional<SlottedWindow> longer;

    Windows(const std::optional<RateWindow>& primary, const std::optional<RateWindow>& secondary) {
        std::optional<SlottedWindow> p, s;
        if (primary) p = SlottedWindow{*primary, true};
        if (secondary) s = SlottedWindow{*secondary, false};
        if (p && s) {
            const bool swapped = p->isWeekOrLonger() && !s->isWeekOrLonger();
            shorter = swapped ? s : p;
            longer = swapped ? p : s;
        } else if (const auto& only = p ? p : s) {
            (only->isWeekOrLonger() ? longer : shorter) = only;
        }
    }
    // The short window, else the only one there is.
    const std::optional<SlottedWindow>& headline() const { return shorter ? shorter : longer; }
    QList<SlottedWindow> inOrder() const {
        QList<SlottedWindow> all;
        if (shorter) all.append(*shorter);
        if (longer) all.append(*longer);
        return all;
    }
};

ModelQuotaItem windowItem(const SlottedWindow& slotted, const QuotaLabel& name) {
    const RateWindow& w = slotted.window;
    return ModelQuotaItem(name, clampPercentage(w.remaining), slotted.name(), w.resetsAt);
}

using RateLimits = CodexRolloutReader::RateLimits;

// A credit balance to the cent, as the service keeps it: "17.25", "42.90",
// "12". One beyond any integer cannot be written; the item is then left out
// rather than showing a made-up figure.
std::optional<QString> balanceText(double balance) {
    if (!truncatedInt64(balance)) return std::nullopt;
    const double cents = std::round(balance * 100);
    if (std::fmod(cents, 100) == 0) return QString::number(saturatingInt64(cents / 100));
    return QString::number(cents / 100, 'f', 2);
}

// An allowance whose every window has reset since its line says nothing about
// now.
bool hasEnded(const RateLimits& allowance, const QDateTime& now) {
    const auto ended = [&](const std::optional<RateWindow>& w) { return !w || (w->resetsAt && *w->resetsAt <= now); };
    return ended(allowance.primary) && ended(allowance.secondary);
}

// "GPT-5.3-Codex-Spark · 5-hour limit", one per window of each allowance that
// has not ended.
QList<ModelQuotaItem> allowanceItems(const QList<RateLimits>& allowances, const QDateTime& now) {
    QList<ModelQuotaItem> items;
    for (const auto& allowance : allowances) {
        if (hasEnded(allowance, now)) continue;
        for (const SlottedWindow& w : Windows(allowance.primary, allowance.secondary).inOrder())
            items.append(windowItem(w, w.name().withSubject(allowance.displayName())));
    }
    return items;
}

// Other allowances are credited like the account's own figures: never from a
// rollout without a start line, nor from one begun before the account switch.
OpenAI_CodexAdapter::HomeReading attributed(OpenAI_CodexAdapter::HomeReading reading,
                                            const std::optional<QDateTime>& boundary) {
    reading.allowances.removeIf([&](const RateLimits& line) {
        return !line.sessionStartedAt || (boundary && *line.sessionStartedAt < *boundary);
    });
    return reading;
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
    if (profiles.isEmpty()) return unknownSnapshot(std::nullopt, UsageUnavailableReason::notConfigured);
    return snapshot(profiles.first(), clock_.now());
}

QList<UsageSnapshot> OpenAI_CodexAdapter::fetchUsagePerAccount(bool) {
    const auto profiles = CodexAccountResolver::profiles(environment_);
    if (profiles.isEmpty()) return {fetchUsage(false)};
    QList<UsageSnapshot> snapshots;
    for (const Profile& profile : profiles) snapshots.append(snapshot(profile, clock_.now()));
    return snapshots;
}

std::optional<OpenAI_CodexAdapter::Account>
OpenAI_CodexAdapter::account(const std::optional<CodexAccountResolver::IdentityClaims>& claims) {
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
    const auto signIn = CodexAccountResolver::signIn(profile);
    const auto signedIn = account(signIn.claims);
    // Why there is nothing to show when no figure can be credited: an API-key
    // sign-in has no plan windows, a ChatGPT sign-in has not been read yet, and
    // only without either is nothing signed in.
    const UsageUnavailableReason nothingCredited = signIn.withAPIKey ? UsageUnavailableReason::signedInWithAPIKey
                                                   : signedIn ? UsageUnavailableReason::awaitingFirstReading
                                                              : UsageUnavailableReason::notConfigured;
    const auto reading = CodexRolloutReader::rateLimits(profile.homeDirectory, now, clock_);
    if (!reading) return unknownSnapshot(signedIn, nothingCredited);
    // A rollout without a start line cannot be placed before or after a switch.
    const auto& started = reading->account.sessionStartedAt;
    if (!started) return unknownSnapshot(signedIn, nothingCredited);
    // Signed in with an API key, which has no plan allowance of its own: the
    // credential file was written at the switch, and sessions begun before it
    // were the previous ChatGPT login's, whose figures are not this sign-in's.
    if (signIn.withAPIKey) {
        const auto switchedAt = credentialWrittenAt(profile);
        if (!switchedAt || *started < *switchedAt) return unknownSnapshot(std::nullopt, nothingCredited);
        return snapshot(attributed(*reading, switchedAt), std::nullopt, now);
    }
    if (!signedIn || !signedIn->accountID || signedIn->accountID->isEmpty())
        return snapshot(attributed(*reading, std::nullopt), signedIn, now);
    const auto boundary = identityLedger_.attributionBoundary(AIProviderType::openAICodex, profile.homeDirectory,
                                                              *signedIn->accountID, credentialWrittenAt(profile), now);
    if (!boundary || *started >= *boundary) return snapshot(attributed(*reading, boundary), signedIn, now);
    // The newest rate limits come from a session of the previous account.
    return unknownSnapshot(signedIn, UsageUnavailableReason::heldBackAfterSwitch);
}

std::optional<ModelQuotaItem> OpenAI_CodexAdapter::creditItem(const RateLimits& limits) {
    const QuotaLabel name = QuotaKind::credits;
    const QuotaLabel type = QuotaKind::credits;
    if (limits.hasUnlimitedCredits) return ModelQuotaItem(name, 100, type, std::nullopt, QuotaKind::unlimited);
    if (!limits.creditBalance) return std::nullopt;
    const auto amount = balanceText(*limits.creditBalance);
    if (!amount) return std::nullopt;
    return ModelQuotaItem(name, *limits.creditBalance > 0 ? 100 : 0, type, std::nullopt,
                          QuotaLabel(QuotaKind::balanceOf).withAmount(*amount));
}

UsageSnapshot OpenAI_CodexAdapter::snapshot(const HomeReading& reading, const std::optional<Account>& account,
                                            const QDateTime& now) {
    const RateLimits& limits = reading.account;
    const Windows windows(limits.primary, limits.secondary);
    QList<ModelQuotaItem> items;
    for (const SlottedWindow& w : windows.inOrder()) items.append(windowItem(w, w.name()));
    items.append(allowanceItems(reading.allowances, now));
    if (auto credit = creditItem(limits)) items.append(std::move(*credit));

    std::optional<QString> planName = CodexAccountResolver::planName(limits.planType);
    if (!planName && account) planName = account->planName;

    UsageSnapshot::Fields f;
    f.provider = AIProviderType::openAICodex;
    // Without a short window the headline is the long one: a plan with only a
    // weekly allowance is not at 100 % while that week runs out.
    const auto& headline = windows.headline();
    f.headlineRemainingPercentage = headline ? clampPercentage(headline->window.remaining) : 100;
    if (headline) {
        f.headlineQuotaName = headline->label();
        f.headlineResetAt = headline->window.resetsAt;
    }
    if (windows.longer) {
        f.weeklyRemainingPercentage = clampPercentage(windows.longer->window.remaining);
        f.weeklyResetAt = windows.longer->window.resetsAt;
    }
    f.modelQuotas = items;
    f.accountEmail = account ? account->email : std::nullopt;
    if (planName) f.planName = *planName;
    f.usedTokens = 0;
    f.totalTokens = kTotalTokens;
    f.lastUpdated = limits.capturedAt;
    f.strategyUsed = FetchStrategy::localFileCache;
    f.accountID = account ? account->accountID : std::nullopt;
    f.sourceID = QString::fromLatin1(kSourceID);
    f.capturedAt = limits.capturedAt;
    return UsageSnapshot(f);
}

UsageSnapshot OpenAI_CodexAdapter::unknownSnapshot(const std::optional<Account>& account,
                                                   UsageUnavailableReason reason) const {
    const QDateTime now = clock_.now();
    UsageSnapshot::Fields f;
    f.provider = AIProviderType::openAICodex;
    f.headlineRemainingPercentage = 0;
    f.accountEmail = account ? account->email : std::nullopt;
    if (account && account->planName) f.planName = *account->planName;
    f.usedTokens = 0;
    f.totalTokens = kTotalTokens;
    f.lastUpdated = now;
    f.strategyUsed = FetchStrategy::simulated;
    f.accountID = account ? account->accountID : std::nullopt;
    f.sourceID = QString::fromLatin1(kSourceID);
    f.capturedAt = now;
    f.unavailableReason = reason;
    return UsageSnapshot(f);
}

} // namespace meterix
