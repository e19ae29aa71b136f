#pragma once

#include "core/AIProviderType.h"
#include "core/ActivityEvaluationResult.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>
#include <optional>

namespace meterix {

// How one provider's file-system activity is told apart from housekeeping.
// Every list is matched by plain, case-sensitive substring containment.
struct ProviderFilterRule {
    // Given the changed path and the file's last bytes (absent when unreadable);
    // an answer overrides the keyword lists, no answer lets them decide.
    using CustomEvaluator = std::function<std::optional<ActivityEvaluationResult>(
        const QString& path, const std::optional<QString>& tail)>;

    AIProviderType provider{};
    // Relative to the home folder, or absolute when beginning with "/".
    QStringList relativeRootPaths;
    QStringList pathBlacklist;
    // Empty admits every path.
    QStringList pathWhitelist;
    QStringList contentBlacklistKeywords;
    QStringList contentWhitelistKeywords;
    double burstWindow = 2.0; // seconds
    int burstThreshold = 2;   // candidate events within the window
    CustomEvaluator customEvaluator = nullptr;
};

// A rule's words from plain literals.
inline QStringList activityWords(std::initializer_list<const char*> items) {
    QStringList out;
    out.reserve(static_cast<qsizetype>(items.size()));
    for (const char* item : items)
        out.append(QString::fromUtf8(item));
    return out;
}

} // namespace meterix
