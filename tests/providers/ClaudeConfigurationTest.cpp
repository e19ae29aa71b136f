// The Claude Code adapter on a configuration as large as long-time users have.
#include "providers/ClaudeCodeAdapter.h"

#include "support/ClaudeConfiguration.h"
#include "support/FakeClock.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace meterix::test {
namespace {

TEST(ClaudeConfiguration, TheAdapterReadsTheCachedReadingOfA20MegabyteConfiguration) {
    TempHome home;
    FakeClock clock;
    ProbeGate gate(clock);
    QProcessEnvironment vars;
    vars.insert(QStringLiteral("PATH"), QStringLiteral("/nonexistent"));
    const HostEnvironment host = HostEnvironment::underHome(home.path(), vars);
    CLIProcessRunner runner(host);
    ClaudeCodeAdapter adapter(host, runner, gate, clock);
    const QString path = home.file(QStringLiteral(".claude.json"));
    const qint64 takenMs = clock.now().toMSecsSinceEpoch() - 60000;

    // The client rewrites its file with each new reading; each is read anew.
    for (const int used : {30, 45, 8}) {
        ASSERT_TRUE(writeClaudeConfiguration(path, 19 * 1000 * 1000, claudeAccountMembers("u-1", takenMs, used)));
        const QList<UsageSnapshot> list = adapter.fetchUsagePerAccount(false);
        ASSERT_EQ(list.size(), 1) << used;
        EXPECT_EQ(list[0].strategyUsed, FetchStrategy::localFileCache) << used;
        EXPECT_EQ(list[0].hourlyRemainingPercentage, 100 - used);
        EXPECT_EQ(list[0].hourlyResetCountdown, 3 * 3600.0);
        EXPECT_EQ(list[0].weeklyRemainingPercentage, 40);
        EXPECT_EQ(list[0].accountID, QStringLiteral("u-1"));
        EXPECT_EQ(list[0].accountEmail, QStringLiteral("dev@example.com"));
        EXPECT_EQ(list[0].planName, QStringLiteral("Claude Max"));
    }
}

} // namespace
} // namespace meterix::test
