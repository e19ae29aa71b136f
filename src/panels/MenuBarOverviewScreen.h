#pragma once

#include "core/UsageTier.h"
#include "refresh/PresentedState.h"
#include "panels/MenuScreenContext.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <map>
#include <optional>

class QVBoxLayout;

namespace meterix {

class CapsuleBadge;
class MenuCommandRow;
class MenuPlateRow;

// The panel's first screen: every active provider as a row with a small ring,
// its name, a one-line subtitle and its state (working, app open, remaining
// percentage), each leading to the provider's detail screen; an empty state when
// no provider is active; and the commands refresh all, settings, about and quit.
// Everything shown is derived from the published state; rows are kept and
// updated in place while the active providers stay the same, so figures roll.
class MenuBarOverviewScreen : public QWidget {
    Q_OBJECT

  public:
    explicit MenuBarOverviewScreen(MenuScreenContext context, QWidget* parent = nullptr);
    ~MenuBarOverviewScreen() override;

    // One provider's row, derived from the state (pure).
    struct RowModel {
        enum class Badge { none, working, appOpen };
        AIProviderType provider{};
        bool unavailable = true; // no reading, a simulated one, or a figure that is not a number
        double percentage = 0;   // the reading's unrounded figure (0 without one)
        UsageTier tier = UsageTier::critical;
        QString title;
        QString subtitle;
        double ringPercentage = 0; // the ring's fill: 0 when unavailable, else clamped to 0...100
        std::optional<int> figure; // the digits; nothing shows "---"
        Badge badge = Badge::none;
        QString accessibilityLabel;
        QString accessibilityHint;
    };
    static RowModel rowModel(AIProviderType provider, const PresentedState& state);
    static inline const QString standardPlan = QStringLiteral("Standard Plan");
    static constexpr double separatorInset = 47;
    static constexpr double sectionSpacing = 14;

    const PresentedState& state() const { return state_; }
    void setState(PresentedState state);


  private:
    struct ProviderRowViews;
    void rebuildProviderSection();
    void updateRows();
    void updateCommands();
    QWidget* buildEmptyState();
    QWidget* buildCommandSection();
    void refreshAll();

    MenuScreenContext context_;
    PresentedState state_;
    QVBoxLayout* column_;
    QPointer<QWidget> providerSection_;
    QPointer<QWidget> emptyState_;
    std::map<AIProviderType, ProviderRowViews*> rows_;
    QList<AIProviderType> builtFor_;
    MenuCommandRow* refreshRow_ = nullptr;
    MenuCommandRow* settingsRow_ = nullptr;
    MenuCommandRow* aboutRow_ = nullptr;
    MenuCommandRow* quitRow_ = nullptr;
};

} // namespace meterix
