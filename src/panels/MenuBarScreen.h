#pragma once

#include "core/AIProviderType.h"

#include <QString>

#include <optional>

namespace meterix {

// The screens of the status-item panel. The overview is the root; the others
// lie one step deeper. A provider's detail screen names its provider, and the
// detail screens of two providers are different screens.
class MenuBarScreen {
  public:
    enum class Kind { providerDetail, overview, settings, about };

    // The overview.
    MenuBarScreen() = default;

    static MenuBarScreen providerDetail(AIProviderType provider) {
        return MenuBarScreen(Kind::providerDetail, provider);
    }
    static MenuBarScreen overview() { return MenuBarScreen(Kind::overview, std::nullopt); }
    static MenuBarScreen settings() { return MenuBarScreen(Kind::settings, std::nullopt); }
    static MenuBarScreen about() { return MenuBarScreen(Kind::about, std::nullopt); }

    Kind kind() const { return kind_; }
    // The provider of a detail screen; nothing for the others.
    std::optional<AIProviderType> provider() const { return provider_; }
    bool isOverview() const { return kind_ == Kind::overview; }

    bool operator==(const MenuBarScreen&) const = default;

    // For logs and test output: "overview", "providerDetail(<raw value>)", ...
    QString debugName() const;

  private:
    MenuBarScreen(Kind kind, std::optional<AIProviderType> provider) : kind_(kind), provider_(provider) {}

    Kind kind_ = Kind::overview;
    std::optional<AIProviderType> provider_;
};

} // namespace meterix
