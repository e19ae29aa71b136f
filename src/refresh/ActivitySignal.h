#pragma once

#include "core/AIProviderType.h"

#include <QHashFunctions>
#include <QString>

#include <optional>

namespace meterix {

// One qualified activity event: a provider at work, in the account whose folder
// holds the changed file (absent when no account folder matched).
struct ActivitySignal {
    AIProviderType provider{};
    std::optional<QString> accountID;

    bool operator==(const ActivitySignal&) const = default;
};

inline size_t qHash(const ActivitySignal& s, size_t seed = 0) noexcept {
    return qHashMulti(seed, static_cast<int>(s.provider), s.accountID.has_value(),
                      s.accountID.value_or(QString()));
}

} // namespace meterix
