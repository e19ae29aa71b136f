#pragma once

#include "core/AIProviderType.h"
#include "core/L10n.h"
#include "core/UsageSnapshot.h"

#include <QString>

namespace meterix {

// The words that adapters put into readings (quota names and kinds, pace notes,
// plan names) are kept in one stored form, whatever the language of the moment,
// and shown in the language resolved when they are drawn. The stored form is the
// English text of the word's case, which is also what readings stored before held;
// a reading made while Korean was on holds the Korean text, which is recognised
// just the same.

// The stored form of a word.
QString storedWording(const L10n& word);

// A stored word as the user sees it now: a known word, alone or among parts
// joined by " · ", in the resolved language, with the values it carries; any
// other text (a model's or a plan's own name) as it stands.
QString shownWording(const QString& stored);
std::optional<QString> shownWording(const std::optional<QString>& stored);

// A quota line with its name, kind and pace text shown.
ModelQuotaItem shownQuotaItem(const ModelQuotaItem& item);

// How a figure was read, in plain words: from local files, by a command-line
// probe (or the local service), with an API key (or a GitHub token), or not at
// all. The stored raw value of the strategy is not a text for the user.
QString readingSourceText(FetchStrategy strategy, AIProviderType provider);

} // namespace meterix
