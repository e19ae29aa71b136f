#pragma once

#include "core/Localization.h"
#include "core/UsageSnapshot.h"
#include "refresh/PresentedState.h"
#include "platform/ui/Appearance.h"
#include "design/TextView.h"
#include "panels/MenuBarPopoverView.h"
#include "panels/MenuBarScreen.h"
#include "panels/MenuScreenStack.h"

#include "support/FakeClock.h"
#include "support/Speaking.h"
#include "support/gui/Looks.h"

#include <cmath>

#include <gtest/gtest.h>

namespace meterix::test {

// Readings and states for the panel's views, in a fixed light English setting.
class PanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::showLook(Appearance::Scheme::light);
        test::speak(ResolvedLanguage::english);
    }
    void TearDown() override {
        test::showLook(std::nullopt);
        test::speak();
    }

    // A measured reading; its figure is set on the record, unclamped, as a
    // decoded store may hold it.
    UsageSnapshot measured(AIProviderType p, double percent,
                           std::optional<QString> plan = std::nullopt) const {
        UsageSnapshot::Fields f;
        f.provider = p;
        f.planName = std::move(plan);
        f.lastUpdated = clock_.now();
        f.strategyUsed = FetchStrategy::cliStatusProbe;
        UsageSnapshot s(f);
        s.headlineRemainingPercentage = percent;
        return s;
    }
    UsageSnapshot simulated(AIProviderType p, std::optional<UsageUnavailableReason> reason,
                            std::optional<QString> plan = std::nullopt) const {
        UsageSnapshot s = UsageSnapshot::simulatedFallback(p, clock_.now());
        s.unavailableReason = reason;
        s.planName = std::move(plan);
        return s;
    }
    static PresentedState stateOf(QList<AIProviderType> active, QList<UsageSnapshot> readings) {
        PresentedState s;
        s.activeProviders = std::move(active);
        for (const UsageSnapshot& r : readings)
            s.snapshots.insert(r.provider, r);
        return s;
    }
    // The panel as a user with three tools sees it: Claude Code measured and
    // working, Codex measured with its app open, Cursor not connected.
    PresentedState fixtureState() const {
        PresentedState s =
            stateOf({AIProviderType::claudeCode, AIProviderType::openAICodex, AIProviderType::cursor},
                    {measured(AIProviderType::claudeCode, 70, QStringLiteral("Max")),
                     measured(AIProviderType::openAICodex, 32.4, QStringLiteral("Plus")),
                     simulated(AIProviderType::cursor, UsageUnavailableReason::notConfigured)});
        s.activeInUseProviders = {AIProviderType::claudeCode};
        s.appRunningProviders = {AIProviderType::openAICodex};
        return s;
    }

    FakeClock clock_;
};

// For test output: "overview", "providerDetail(claude)", ...
inline QString screenName(const MenuBarScreen& screen) {
    switch (screen.kind()) {
    case MenuBarScreen::Kind::providerDetail:
        return QStringLiteral("providerDetail(%1)").arg(screen.provider() ? rawValue(*screen.provider()) : QString());
    case MenuBarScreen::Kind::overview:
        return QStringLiteral("overview");
    case MenuBarScreen::Kind::settings:
        return QStringLiteral("settings");
    case MenuBarScreen::Kind::about:
        return QStringLiteral("about");
    }
    return QString();
}

// The panel's parts by their object names.
inline MenuScreenStack* stackOf(const MenuBarPopoverView& view) {
    return view.findChild<MenuScreenStack*>(QStringLiteral("screenStack"));
}
inline QString summaryOf(const MenuBarPopoverView& view) {
    return view.findChild<TextView*>(QStringLiteral("summary"))->text();
}
// The scrolling area has sprung to the shown screen's height with its insets.
inline bool settled(const MenuBarPopoverView& view) {
    return view.scrollHeight() > 1 && view.scrollHeight() == std::round(stackOf(view)->measuredHeight() + 20);
}

} // namespace meterix::test
