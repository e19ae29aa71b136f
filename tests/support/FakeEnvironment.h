#pragma once

#include "core/EnvironmentLookup.h"
#include "core/Locked.h"

#include <QHash>

#include <memory>

namespace meterix::test {

// An environment of its own for one test; lookups made from it see later changes.
class FakeEnvironment {
public:
    FakeEnvironment() = default;
    FakeEnvironment(std::initializer_list<std::pair<QString, QString>> values) {
        for (const auto& [name, value] : values) set(name, value);
    }

    void set(const QString& name, const QString& value) {
        values_->withValue([&](QHash<QString, QString>& v) { v.insert(name, value); });
    }
    void unset(const QString& name) {
        values_->withValue([&](QHash<QString, QString>& v) { v.remove(name); });
    }

    EnvironmentLookup lookup() const {
        return [values = values_](const QString& name) -> std::optional<QString> {
            return values->withValue([&](QHash<QString, QString>& v) -> std::optional<QString> {
                const auto it = v.constFind(name);
                if (it == v.constEnd()) return std::nullopt;
                return *it;
            });
        };
    }

private:
    std::shared_ptr<Locked<QHash<QString, QString>>> values_ = std::make_shared<Locked<QHash<QString, QString>>>();
};

} // namespace meterix::test
