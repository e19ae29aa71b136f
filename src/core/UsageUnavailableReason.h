#pragma once

#include "core/AIProviderType.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace meterix {

// Why a snapshot has no figures.
enum class UsageUnavailableReason {
    notConfigured,
    notMeasured,
    authenticationFailed,
    rateLimited,
    networkFailure,
    malformedResponse,
    providerError,
    // The key was accepted but lacks a permission the usage read needs.
    missingPermission,
    // Signed in, but with an API key: usage is billed by token and the plan's
    // windows do not apply, so there is no window figure to read.
    signedInWithAPIKey,
    // The profile's account changed; the figures on disk are the previous
    // account's until the new one's first reading.
    heldBackAfterSwitch,
    // Signed in, and nothing of this account has been recorded to read yet.
    awaitingFirstReading,
    // The tool's command-line client is not installed where it is looked for.
    clientNotFound,
};

// What an adapter looked for and did not find, in no language: the views word
// their guidance from it when they draw. Paths under the home folder are
// written from "~".
struct SetupLookup {
    QStringList variables; // environment variables, in the order they are consulted
    QStringList files;     // files, in the order they are read
    QString address;       // the server that was asked
    bool isEmpty() const { return variables.isEmpty() && files.isEmpty() && address.isEmpty(); }
    bool operator==(const SetupLookup&) const = default;
};

QString rawValue(UsageUnavailableReason r);
std::optional<UsageUnavailableReason> unavailableReasonFromRawValue(QStringView raw);
// Whether a later refresh may clear it by itself.
bool isTransient(UsageUnavailableReason r);
// Whether an account is signed in although it gave no figure.
bool meansSignedIn(UsageUnavailableReason r);
// The short label, in the language of this moment: the one wording of the
// reason, which every view that names it uses.
QString displayText(UsageUnavailableReason r);

struct UsageUnavailableNotice {
    QString header;
    QString title;
    QString detail;
    bool isFault = true;
    bool operator==(const UsageUnavailableNotice&) const = default;
};
// The guidance block of the detail card, in the language of this moment.
UsageUnavailableNotice notice(UsageUnavailableReason r);
// The guidance for what this provider actually lacks: a keyed provider names
// its variables and key files, a local server the address it asked and how to
// start it, a command-line tool whether its client was found, a tool that is
// only detected says so. The one mapping every view that explains a missing
// figure uses; the reason's own notice where the provider adds nothing.
UsageUnavailableNotice notice(UsageUnavailableReason r, AIProviderType provider, const SetupLookup& lookup);

// The not-set-up guidance a provider's descriptor picks (nothing: the
// reason's own); a room words its own where none of these fits.
struct ProviderDescriptor;
// A keyed provider names its variables and key files.
std::optional<UsageUnavailableNotice> keyMissingNotice(const ProviderDescriptor& provider, const SetupLookup& lookup);
// A command-line tool says how to sign in with its client.
std::optional<UsageUnavailableNotice> notSignedInNotice(const ProviderDescriptor& provider, const SetupLookup& lookup);
// A tool that is only detected says so, without the warning sign.
std::optional<UsageUnavailableNotice> notDetectedNotice(const ProviderDescriptor& provider, const SetupLookup& lookup);
// "A", "A or B", "A, B or C" in the language of this moment.
QString alternativesText(const QStringList& items);

} // namespace meterix
