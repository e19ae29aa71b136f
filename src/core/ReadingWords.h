#pragma once

#include "core/AIProviderType.h"
#include "core/L10n.h"
#include "core/UsageSnapshot.h"

#include <QString>

namespace meterix {

// How a figure was read, in plain words: from local files, by a command-line
// probe (or the local service), with an API key (or a GitHub token), or not at
// all. The stored raw value of the strategy is not a text for the user.
QString readingSourceText(FetchStrategy strategy, AIProviderType provider);

} // namespace meterix
