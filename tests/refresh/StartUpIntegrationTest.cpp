// The whole refresh cycle with the fourteen production adapters over a fixture
// home: start-up scan, detection and the first choice of providers, a Claude
// Code reading filed to its account, and the usage store written.
#include "accounts/AccountRegistry.h"
#include "accounts/AccountUsageStore.h"
#include "core/JsonStoreFile.h"
#include "core/MeterixPreferences.h"
#include "core/Paths.h"
#include "providers/DefaultProviders.h"
#include "refresh/ProviderManager.h"
#include "support/LogCapture.h"
#include "support/WaitUntil.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

using namespace meterix;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

TEST(StartUpIntegration, ProductionAdaptersOverAFixtureHome) {
    // The test main points HOME and the XDG folders at a private folder.
    const QString home = homeFolder();
    const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
    writeFile(joinPath(home, QStringLiteral(".claude.json")),
              QStringLiteral(R"({"oauthAccount":{"accountUuid":"u-1","emailAddress":"dev@example.com",
                  "organizationType":"claude_max"},
                  "cachedUsageUtilization":{"accountUuid":"u-1","fetchedAtMs":%1,
                  "utilization":{"five_hour":{"utilization":30},"seven_day":{"utilization":60}}}})")
                  .arg(nowMs)
                  .toUtf8());
    QDir().mkpath(joinPath(home, QStringLiteral(".claude")));

    auto settings =
        std::make_shared<QSettings>(joinPath(home, QStringLiteral("it.conf")), QSettings::IniFormat);
    MeterixPreferences preferences(settings);
    AccountRegistry registry(accountResolversOf(providerDescriptors(), defaultServices()), preferences);
    AccountUsageStore store(joinPath(home, QStringLiteral("usage.json")));
    test::LogCapture log("com.meterix.provider");

    ProviderManager::Dependencies d;
    d.adapters = adaptersOf(providerDescriptors(), defaultServices());
    // One adapter per provider, in the catalogue's order.
    ASSERT_EQ(d.adapters.size(), allProviderTypes().size());
    for (int i = 0; i < d.adapters.size(); ++i)
        EXPECT_EQ(d.adapters[i]->type(), allProviderTypes()[i]);
    d.accountRegistry = &registry;
    d.usageStore = &store;
    d.preferences = &preferences;
    d.isLidClosed = [] { return false; };
    ProviderManager manager(std::move(d), true);
    bool started = false;
    QObject::connect(&manager, &ProviderManager::startUpFinished, [&] { started = true; });
    ASSERT_TRUE(test::waitUntil([&] { return started; }, 60000));

    // Only Claude Code is on this machine: it became the bar's one provider.
    EXPECT_TRUE(manager.detectedProviders().contains(AIProviderType::claudeCode));
    EXPECT_EQ(manager.activeProviders().first(), AIProviderType::claudeCode);
    EXPECT_TRUE(preferences.hasCustomizedProviders());
    EXPECT_TRUE(registry.lastScanDate().isValid());

    const UsageSnapshot shown = manager.snapshots().value(AIProviderType::claudeCode);
    EXPECT_EQ(shown.accountID, QStringLiteral("u-1"));
    EXPECT_EQ(shown.headlineRemainingPercentage, 70);
    EXPECT_EQ(shown.weeklyRemainingPercentage, 40);
    EXPECT_EQ(shown.strategyUsed, FetchStrategy::localFileCache);
    EXPECT_TRUE(manager.accountSnapshots().value(AIProviderType::claudeCode).contains(QStringLiteral("u-1")));
    EXPECT_TRUE(log.contains(QStringLiteral("Fetching usage for claude")));
    // Every other provider still shows its placeholder.
    EXPECT_TRUE(manager.snapshots().value(AIProviderType::groq).isSimulated());

    store.flush();
    const auto onDisk = JsonStoreFile(store.filePath()).load();
    ASSERT_TRUE(onDisk);
    EXPECT_TRUE(onDisk->contains(QStringLiteral("claude|u-1")));

    manager.shutdown(5000);
}
