#pragma once

#include "core/AIProviderType.h"

#include <QString>

namespace meterix {

// One account folder of one provider: a change inside path belongs to that
// account. The account registry produces these; the activity watcher consumes
// them to attribute file-system activity.
struct ActivityPath {
    QString path;
    AIProviderType provider = AIProviderType::claudeCode;
    QString accountID;

    bool operator==(const ActivityPath&) const = default;
};

} // namespace meterix
