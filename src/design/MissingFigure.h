#pragma once

#include "core/UsageSnapshot.h"
#include "core/UsageUnavailableReason.h"

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

} // namespace meterix
