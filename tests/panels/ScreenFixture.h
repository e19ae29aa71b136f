#pragma once

// A small world for the panel's screens: settings on a temporary file, an
// account registry fed by scripted resolvers, a usage store, and a provider
// manager over scripted adapters, none of them watching or polling.

#include "accounts/AccountRegistry.h"
#include "accounts/AccountUsageStore.h"
#include "core/AIProviderAdapter.h"
#include "core/Localization.h"
#include "core/Locked.h"
#include "core/MeterixPreferences.h"
#include "panels/MenuBarNavigator.h"
#include "panels/MenuScreenContext.h"
#include "platform/RunningApplications.h"
#include "providers/DefaultProviders.h"
#include "providers/common/ProbeGate.h"
#include "refresh/ProviderManager.h"

#include "support/gui/ScreenContextOfTests.h"
#include "support/FakeClock.h"
#include "support/FetchGate.h"
#include "support/TempHome.h"
#include "support/WaitUntil.h"

#include <QHash>
#include <QSettings>

#include <atomic>
#include <memory>

namespace meterix::test {

class ScriptedAdapter final : public AIProviderAdapter {
  public:
    ScriptedAdapter(AIProviderType type, bool detected) : type_(type), detected_(detected) {}
    AIProviderType type() const override { return type_; }
    bool isDetected() const override { return detected_; }
    bool checkAvailability() override { return detected_; }
    UsageSnapshot fetchUsage(bool) override {
        ++fetches;
        gate_.passThrough();
        return UsageSnapshot::simulatedFallback(type_);
    }
    std::atomic<int> fetches{0};

    // While held, a fetch waits (its refresh stays under way) until released.
    void hold() { gate_.hold(); }
    void release() { gate_.release(); }

  private:
    AIProviderType type_;
    bool detected_;
    test::FetchGate gate_;
};

class ScriptedResolver final : public AccountResolver {
  public:
    explicit ScriptedResolver(AIProviderType provider) : provider_(provider) {}
    AIProviderType provider() const override { return provider_; }
    QString primarySourceID() const override { return QStringLiteral("cli"); }
    QList<AccountIdentity> resolveAccounts() override { return identities.get(); }
    Locked<QList<AccountIdentity>> identities;

  private:
    AIProviderType provider_;
};

struct ScreenFixture {
    explicit ScreenFixture(QList<AIProviderType> active = {AIProviderType::claudeCode},
                           QList<AIProviderType> detected = {AIProviderType::claudeCode,
                                                             AIProviderType::cursor},
                           AIProviderType accountProvider = AIProviderType::claudeCode) {
        settings = std::make_shared<QSettings>(home.file(QStringLiteral("prefs.conf")), QSettings::IniFormat);
        preferences = std::make_unique<MeterixPreferences>(settings);
        preferences->setEnabledProviders(active);
        localization =
            std::make_unique<Localization>(settings, [] { return QStringList{QStringLiteral("en-US")}; });
        resolver = std::make_shared<ScriptedResolver>(accountProvider);
        registry =
            std::make_unique<AccountRegistry>(AccountRegistry::ResolverList{resolver}, *preferences, clock);
        store = std::make_unique<AccountUsageStore>(home.file(QStringLiteral("usage.json")), clock);
        running = std::make_unique<RunningApplications>(desktopAppsOf(providerDescriptors()), home.mkdir(QStringLiteral("proc")));
        ProviderManager::Dependencies d;
        for (AIProviderType p : allProviderTypes()) {
            auto adapter = std::make_shared<ScriptedAdapter>(p, detected.contains(p));
            adapters.insert(p, adapter);
            d.adapters.append(std::move(adapter));
        }
        d.accountRegistry = registry.get();
        d.usageStore = store.get();
        d.preferences = preferences.get();
        d.runningApplications = running.get();
        d.clock = &clock;
        d.probeGate = &probeGate;
        d.home = home.path();
        manager = std::make_unique<ProviderManager>(std::move(d), false);
    }
    ~ScreenFixture() {
        for (const auto& adapter : std::as_const(adapters))
            adapter->release();
        manager->shutdown(2000);
    }

    MenuScreenContext context() {
        MenuScreenContext c;
        c.manager = manager.get();
        c.preferences = preferences.get();
        c.accounts = registry.get();
        c.navigator = &navigator;
        c.clock = &clock;
        return test::withLook(c);
    }

    // One account found by the resolver at a source.
    void addAccount(const QString& id, const QString& email, AccountSource source, bool readable = true) {
        AccountIdentity a;
        a.id = id;
        a.provider = resolver->provider();
        a.source = std::move(source);
        a.email = email;
        a.usageReadable = readable;
        a.lastSeenAt = clock.now();
        resolver->identities.withValue([&](QList<AccountIdentity>& list) { list.append(a); });
    }

    // A process of ours whose first argument names a desktop app.
    void startProcess(const QString& pid, const QByteArray& argv0) {
        home.write(QStringLiteral("proc/") + pid + QStringLiteral("/cmdline"), argv0 + '\0');
        running->rescan();
    }

    // Runs a full scan to its end.
    bool scan() {
        bool done = false;
        registry->refreshAccounts(std::nullopt, [&] { done = true; });
        return waitUntil([&] { return done; });
    }

    TempHome home;
    FakeClock clock;
    ProbeGate probeGate{clock};
    std::shared_ptr<QSettings> settings;
    std::unique_ptr<MeterixPreferences> preferences;
    std::unique_ptr<Localization> localization;
    std::shared_ptr<ScriptedResolver> resolver;
    std::unique_ptr<AccountRegistry> registry;
    std::unique_ptr<AccountUsageStore> store;
    std::unique_ptr<RunningApplications> running;
    std::unique_ptr<ProviderManager> manager;
    QHash<AIProviderType, std::shared_ptr<ScriptedAdapter>> adapters; // the manager's, by provider
    MenuBarNavigator navigator;
};

} // namespace meterix::test
