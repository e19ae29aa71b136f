#pragma once

#include "core/AIProviderType.h"
#include "core/HostEnvironment.h"
#include "core/Locked.h"
#include "core/ProviderDescriptor.h"
#include "core/ProviderFilterRule.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

namespace meterix {

// The activity rules of the AI tools and the lists every rule shares. Usable
// from any thread: each call holds the lock for its whole read or write and
// hands out copies.
class AIActivityRuleRegistry {
  public:
    // The process-wide registry, created on first use and never destroyed.
    static AIActivityRuleRegistry& shared();

    // The rules of the catalogue's providers that have one, in its order, on
    // this user's home.
    AIActivityRuleRegistry();
    // The rules of the given providers for another home (tests lay one out in
    // a temporary folder).
    explicit AIActivityRuleRegistry(const HostEnvironment& host,
                                    const QList<const ProviderDescriptor*>& providers = ProviderCatalogue::all());

    AIActivityRuleRegistry(const AIActivityRuleRegistry&) = delete;
    AIActivityRuleRegistry& operator=(const AIActivityRuleRegistry&) = delete;

    std::optional<ProviderFilterRule> rule(AIProviderType provider) const;
    // In registration order.
    QList<ProviderFilterRule> allRules() const;
    // Lower case, without the dot.
    QSet<QString> globalBlacklistedExtensions() const;
    QStringList globalBlacklistedSubpaths() const;

    // Applies mutation to the provider's rule under the lock; nothing when the
    // provider has no rule. mutation must not call back into the registry.
    void updateRule(AIProviderType provider, const std::function<void(ProviderFilterRule&)>& mutation);

    // Grows with every change of the rules, so a reader can keep its copies
    // and fetch them again only when it moved.
    uint64_t version() const { return version_.load(std::memory_order_acquire); }

  private:
    struct Rules {
        QSet<QString> globalBlacklistedExtensions;
        QStringList globalBlacklistedSubpaths;
        QList<ProviderFilterRule> rules;
    };

    void registerRule(ProviderFilterRule rule);

    mutable Locked<Rules> state_;
    std::atomic<uint64_t> version_{0};
};

} // namespace meterix
