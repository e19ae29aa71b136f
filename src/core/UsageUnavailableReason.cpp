#include "core/UsageUnavailableReason.h"

#include "core/L10n.h"
#include "core/ProviderDescriptor.h"

#include <QList>

namespace meterix {

namespace {

struct Texts {
    UsageUnavailableReason reason;
    const char* raw;
    L10n (*label)();
    L10n (*header)();
    L10n (*title)();
    L10n (*detail)();
};

const Texts kTexts[] = {
    {UsageUnavailableReason::notConfigured, "notConfigured", &L10n::notConnected,
     &L10n::guidanceHeaderConnection, &L10n::guidanceTitleNotConfigured, &L10n::guidanceDetailNotConfigured},
    {UsageUnavailableReason::notMeasured, "notMeasured", &L10n::usageNotMeasured,
     &L10n::guidanceHeaderMeasurement, &L10n::guidanceTitleNotMeasured, &L10n::guidanceDetailNotMeasured},
    {UsageUnavailableReason::authenticationFailed, "authenticationFailed", &L10n::authenticationFailed,
     &L10n::guidanceHeaderAuthentication, &L10n::guidanceTitleAuthFailed, &L10n::guidanceDetailAuthFailed},
    {UsageUnavailableReason::rateLimited, "rateLimited", &L10n::rateLimited, &L10n::guidanceHeaderRateLimit,
     &L10n::guidanceTitleRateLimited, &L10n::guidanceDetailRateLimited},
    {UsageUnavailableReason::networkFailure, "networkFailure", &L10n::networkError,
     &L10n::guidanceHeaderNetwork, &L10n::guidanceTitleNetwork, &L10n::guidanceDetailNetwork},
    {UsageUnavailableReason::malformedResponse, "malformedResponse", &L10n::malformedResponse,
     &L10n::guidanceHeaderResponse, &L10n::guidanceTitleMalformed, &L10n::guidanceDetailMalformed},
    {UsageUnavailableReason::providerError, "providerError", &L10n::providerError,
     &L10n::guidanceHeaderProvider, &L10n::guidanceTitleProviderError, &L10n::guidanceDetailProviderError},
    {UsageUnavailableReason::missingPermission, "missingPermission", &L10n::permissionMissing,
     &L10n::guidanceHeaderPermission, &L10n::guidanceTitlePermissionMissing,
     &L10n::guidanceDetailPermissionMissing},
    {UsageUnavailableReason::signedInWithAPIKey, "signedInWithAPIKey", &L10n::signedInWithAPIKey,
     &L10n::guidanceHeaderSignIn, &L10n::guidanceTitleAPIKey, &L10n::guidanceDetailAPIKey},
    {UsageUnavailableReason::heldBackAfterSwitch, "heldBackAfterSwitch", &L10n::heldBackAfterSwitch,
     &L10n::guidanceHeaderAccountSwitch, &L10n::guidanceTitleHeldBack, &L10n::guidanceDetailHeldBack},
    {UsageUnavailableReason::awaitingFirstReading, "awaitingFirstReading", &L10n::awaitingFirstReading,
     &L10n::guidanceHeaderReadings, &L10n::guidanceTitleNothingRecorded, &L10n::guidanceDetailNothingRecorded},
    {UsageUnavailableReason::clientNotFound, "clientNotFound", &L10n::clientNotInstalled, &L10n::guidanceHeaderClient,
     &L10n::guidanceTitleNotConfigured, &L10n::guidanceDetailNotConfigured},
};

const Texts& texts(UsageUnavailableReason r) {
    return kTexts[static_cast<int>(r)];
}

} // namespace

QString rawValue(UsageUnavailableReason r) {
    return QString::fromLatin1(texts(r).raw);
}

std::optional<UsageUnavailableReason> unavailableReasonFromRawValue(QStringView raw) {
    for (const Texts& t : kTexts)
        if (raw == QLatin1StringView(t.raw)) return t.reason;
    return std::nullopt;
}

bool isTransient(UsageUnavailableReason r) {
    // An API-key sign-in stays one until the user signs in otherwise.
    return r != UsageUnavailableReason::notConfigured && r != UsageUnavailableReason::notMeasured &&
           r != UsageUnavailableReason::signedInWithAPIKey;
}

bool meansSignedIn(UsageUnavailableReason r) {
    return r == UsageUnavailableReason::signedInWithAPIKey || r == UsageUnavailableReason::heldBackAfterSwitch ||
           r == UsageUnavailableReason::awaitingFirstReading;
}

QString displayText(UsageUnavailableReason r) {
    return texts(r).label().text();
}

UsageUnavailableNotice notice(UsageUnavailableReason r) {
    const Texts& t = texts(r);
    // Nothing is wrong where the tool reports no figure or a signed-in account has
    // none yet: those say so without the warning sign.
    const bool fault = r != UsageUnavailableReason::notMeasured && !meansSignedIn(r);
    return {t.header().text(), t.title().text(), t.detail().text(), fault};
}

namespace {

UsageUnavailableNotice made(const L10n& header, const L10n& title, const L10n& detail, bool fault = true) {
    return {header.text(), title.text(), detail.text(), fault};
}

// The command the user runs to start or sign in to the tool.
QString clientCommand(const ProviderDescriptor& p) {
    return QString::fromLatin1(p.clientCommand ? p.clientCommand : p.rawValue);
}

} // namespace

QString alternativesText(const QStringList& items) {
    if (items.size() < 2) return items.value(0);
    return items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + L10n::listOr().text() + items.last();
}

std::optional<UsageUnavailableNotice> keyMissingNotice(const ProviderDescriptor&, const SetupLookup& lookup) {
    if (lookup.variables.isEmpty() || lookup.files.isEmpty()) return std::nullopt;
    return made(L10n::guidanceHeaderApiKey(), L10n::guidanceTitleKeyMissing(),
                L10n::guidanceDetailKeyMissing(alternativesText(lookup.variables), alternativesText(lookup.files)));
}

std::optional<UsageUnavailableNotice> notSignedInNotice(const ProviderDescriptor& p, const SetupLookup&) {
    return made(L10n::guidanceHeaderClient(), L10n::guidanceTitleNotSignedIn(),
                L10n::guidanceDetailNotSignedIn(displayName(p.type), clientCommand(p)));
}

std::optional<UsageUnavailableNotice> notDetectedNotice(const ProviderDescriptor&, const SetupLookup&) {
    // Nothing to set up: no key or sign-in gives it a figure.
    return made(L10n::guidanceHeaderDetection(), L10n::guidanceTitleNotDetected(), L10n::guidanceDetailNotDetected(),
                false);
}

UsageUnavailableNotice notice(UsageUnavailableReason r, AIProviderType provider, const SetupLookup& lookup) {
    const ProviderDescriptor& p = ProviderCatalogue::of(provider);
    if (r == UsageUnavailableReason::notConfigured && p.setupNotice)
        if (auto n = p.setupNotice(p, lookup)) return *n;
    if (r == UsageUnavailableReason::clientNotFound)
        return made(L10n::guidanceHeaderClient(), L10n::guidanceTitleClientNotFound(displayName(provider)),
                    L10n::guidanceDetailClientNotFound(clientCommand(p)));
    return notice(r);
}

} // namespace meterix
