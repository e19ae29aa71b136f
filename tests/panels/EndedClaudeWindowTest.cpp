// Claude Code's cached reading keeps its windows' figures after they reset; the
// card, the bar segment and the provider screen withhold a window whose reset
// has passed since the reading, as they do for any provider.
#include "panels/AccountRow.h"
#include "panels/DetailGlassCardView.h"
#include "panels/MenuBarProviderDetailScreen.h"
#include "panels/ModelQuotaCompactRow.h"
#include "panels/QuotaHeroView.h"
#include "panels/QuotaMeterRow.h"
#include "providers/claude/ClaudeCodeAdapter.h"
#include "shell/ProviderSegmentView.h"

#include "ScreenFixture.h"
#include "support/gui/ScreenParts.h"
#include "support/Speaking.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace meterix {
namespace {

// The client's cached reading, taken at the fixture clock's start (12:00 UTC on
// 15 January 2026): 8 % of the session left until 14:00, 39 % of the week until
// 09:00 on the 18th, with the named limits current clients write.
const QByteArray kConfiguration = R"({
  "oauthAccount": {"accountUuid": "5f0c2d1e-8a7b-4c3d-9e2f-1a0b9c8d7e6f", "emailAddress": "dev@example.com",
                   "organizationType": "claude_max"},
  "cachedUsageUtilization": {"accountUuid": "5f0c2d1e-8a7b-4c3d-9e2f-1a0b9c8d7e6f", "fetchedAtMs": 1768478400000,
    "utilization": {"five_hour": {"utilization": 92.0, "resets_at": "2026-01-15T14:00:00.412958+00:00"},
      "seven_day": {"utilization": 61.0, "resets_at": "2026-01-18T09:00:00.412981+00:00"}, "seven_day_opus": null,
      "limits": [{"kind": "session", "group": "session", "percent": 92, "severity": "critical", "is_active": true,
                  "resets_at": "2026-01-15T14:00:00.412958+00:00", "scope": null},
                 {"kind": "weekly_all", "group": "weekly", "percent": 61, "is_active": false,
                  "resets_at": "2026-01-18T09:00:00.412981+00:00", "scope": null}]}}
})";

class EndedClaudeWindow : public ::testing::Test {
  protected:
    void SetUp() override { test::speak(ResolvedLanguage::english); }
    void TearDown() override { test::speak(); }
};

TEST_F(EndedClaudeWindow, CardBarAndProviderScreenWithholdAWindowThatResetSinceTheReading) {
    constexpr double hour = 3600;
    constexpr double day = 86400;
    const struct Row {
        const char* what;
        double readAfter;  // seconds after the client's reading that the configuration is read
        double shownAfter; // seconds after it that the views show it
        bool sessionEnded;
        bool weekEnded;
    } rows[] = {
        {"read and shown at once", 60, 60, false, false},
        {"shown at the session's reset", 60, 2 * hour, true, false},
        {"shown after the session's reset", 60, 2 * hour + 1, true, false},
        {"read after the session's reset", 3 * hour, 3 * hour, true, false},
        {"read after the week's reset", 3 * day, 3 * day, true, true},
        {"a week-old reading", 8 * day, 8 * day, true, true},
    };
    const QJsonObject config = QJsonDocument::fromJson(kConfiguration).object();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        test::ScreenFixture f;
        const QDateTime taken = f.clock.now();
        const auto reading = ClaudeCodeAdapter::snapshot(config, taken.addSecs(qint64(row.readAfter)));
        ASSERT_TRUE(reading);
        ASSERT_EQ(reading->modelQuotas.size(), 2);
        f.clock.set(taken.addSecs(qint64(row.shownAfter)));
        const QDateTime now = f.clock.now();

        // The bar's segment.
        EXPECT_EQ(ProviderSegmentView::isWithheld(*reading, now), row.sessionEnded);

        // The detail card: the ring, the week and the per-limit lines.
        const auto card = DetailGlassCardView::display(*reading, {}, f.clock);
        const auto hero = QuotaHeroView::display(card.hero);
        EXPECT_EQ(hero.withheld, row.sessionEnded);
        EXPECT_EQ(hero.figure, row.sessionEnded ? std::nullopt : std::optional<qint64>(8));
        ASSERT_TRUE(card.weekly);
        EXPECT_EQ(card.weekly->ended, row.weekEnded);
        EXPECT_EQ(card.weekly->figure, row.weekEnded ? std::nullopt : std::optional<int64_t>(39));
        ASSERT_EQ(card.models.size(), 2);
        EXPECT_EQ(ModelQuotaCompactRow::display(card.models[0]).percentText,
                  row.sessionEnded ? QStringLiteral("---") : QStringLiteral("8%"));
        EXPECT_EQ(ModelQuotaCompactRow::display(card.models[1]).percentText,
                  row.weekEnded ? QStringLiteral("---") : QStringLiteral("39%"));

        // The provider screen: its ring, its quota lines and the account's row.
        f.addAccount(*reading->accountID, *reading->accountEmail,
                     AccountSource{QStringLiteral("claude.cli"), AccountSourceKind::cli,
                                   QStringLiteral("Claude Code"), std::nullopt});
        ASSERT_TRUE(f.scan());
        f.manager->apply({*reading}, AIProviderType::claudeCode);
        MenuBarProviderDetailScreen screen(f.context(), AIProviderType::claudeCode);
        screen.resize(312, screen.heightForWidth(312));
        EXPECT_EQ(test::part<QuotaHeroView>(screen, QStringLiteral("hero"))->shown().withheld, row.sessionEnded);
        ASSERT_TRUE(test::part(screen, QStringLiteral("quotaSection")));
        const auto lines = test::part(screen, QStringLiteral("quotaSection"))->findChildren<QuotaMeterRow*>();
        ASSERT_EQ(lines.size(), 2);
        EXPECT_EQ(lines[0]->shown().value == QuotaMeterRow::Value::withheld, row.sessionEnded);
        EXPECT_EQ(lines[1]->shown().value == QuotaMeterRow::Value::withheld, row.weekEnded);
        ASSERT_TRUE(test::part(screen, QStringLiteral("accountsSection")));
        const auto accounts = test::part(screen, QStringLiteral("accountsSection"))->findChildren<AccountRow*>();
        ASSERT_EQ(accounts.size(), 1);
        EXPECT_EQ(accounts[0]->model().remainingPercentage,
                  row.sessionEnded ? std::nullopt : std::optional<double>(8));
    }
}

} // namespace
} // namespace meterix
