#pragma once

#include <QString>

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

// The mood a remaining percentage puts the companion in.
enum class CharacterState { energetic, focused, tired, sleeping, celebrating };
CharacterState characterStateFrom(double percentage);

} // namespace meterix
