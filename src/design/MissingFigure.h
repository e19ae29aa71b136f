#pragma once

#include "core/UsageSnapshot.h"
#include "core/UsageTier.h"
#include "core/UsageUnavailableReason.h"

#include <QDateTime>
#include <QHash>

#include <QColor>
#include <QList>

#include <optional>

namespace meterix {

// Why a reading shows no figure, the one answer every view of it gives: nothing
// for a reading with a figure; the reason a reading without one carries (not
// configured when it names none); an unreadable response for a measured
// figure that is not a number.
std::optional<UsageUnavailableReason> missingFigureReason(const UsageSnapshot& reading);

// Whether the reading tells of a connection: it has a figure, or an account is
// signed in that gave none (with an API key, or not read yet). A tool merely
// installed, or a key whose request failed, is not connected.
bool countsAsConnected(const UsageSnapshot& reading);

// The provider's tile beside a reading without a figure: grey, for it has no
// tier. Resolved against the current appearance.
QList<QColor> missingFigureTileColors();

// The tier the bar's and the panel's glass take: that of the lowest figure the
// active providers show at `now` (a short window that has reset since shows
// none). Nothing when no reading shows a figure: a home where nothing was read
// is not "abundant".
std::optional<UsageTier> ambientTier(const QList<AIProviderType>& activeProviders,
                                     const QHash<AIProviderType, UsageSnapshot>& readings, const QDateTime& now);
// The glass's tint for an ambient tier: neutral without one.
QColor ambientTint(const std::optional<UsageTier>& tier);

} // namespace meterix
