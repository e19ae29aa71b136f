#pragma once

#include "core/AIProviderAdapter.h"
#include "core/AIProviderType.h"
#include "core/EnvironmentLookup.h"
#include "core/HostEnvironment.h"
#include "core/L10n.h"
#include "core/PlatformPaths.h"
#include "core/ProviderFilterRule.h"
#include "core/UsageSnapshot.h"
#include "core/UsageUnavailableReason.h"

#include <QList>
#include <QStringList>

#include <memory>
#include <optional>

namespace meterix {

class AccountIdentityLedger;
class AccountResolver;
class CLIProcessRunner;
class Clock;
class ProbeGate;
class UsageTransport;

// What a descriptor's factories build with: the composition root fills it
// with the process's services, tests with their own.
struct ProviderServices {
    HostEnvironment host;
    EnvironmentLookup environment; // read when asked, where the host's variables are a copy
    UsageTransport* transport = nullptr;
    CLIProcessRunner* runner = nullptr;
    ProbeGate* probeGate = nullptr;
    AccountIdentityLedger* identityLedger = nullptr;
    const Clock* clock = nullptr;
};

// A desktop application an account can be seen through: the identifier the
// account sources carry and what its processes are called on Linux (none for
// an application without a Linux build).
struct DesktopApp {
    QString bundleIdentifier;
    QStringList executables;
};

// The wording of how a reading of the provider was read, where it is not the
// strategy's own (readingSourceText).
struct ReadingSourceWords {
    FetchStrategy strategy = FetchStrategy::cliStatusProbe;
    L10n (*words)() = nullptr;
};

// Everything the app knows of one provider outside its room: each room
// defines one (src/providers/<vendor>/<Vendor>Provider.cpp) and
// core/ProviderList.inc lists them.
struct ProviderDescriptor {
    AIProviderType type{};
    // The catalogue row: the persisted name, the names (from the room's text
    // table), the symbol, the status page (nullptr: a shared fallback) and the
    // account dashboard (nullptr: none).
    const char* rawValue = "";
    L10n (*displayName)() = nullptr;
    L10n (*shortName)() = nullptr;
    const char* symbol = "";
    const char* statusPage = nullptr;
    const char* dashboard = nullptr;
    // On the bar until the user chose.
    bool onByDefault = false;

    std::shared_ptr<AIProviderAdapter> (*makeAdapter)(const ProviderServices&) = nullptr;
    // Where the provider has accounts of its own.
    std::shared_ptr<AccountResolver> (*makeAccountResolver)(const ProviderServices&) = nullptr;
    // Where its tool writes files worth watching.
    ProviderFilterRule (*activityRule)(const HostEnvironment&) = nullptr;

    // The command-line client (what its probes run and the guidance names),
    // the prefix of its probes' keys ("<prefix>:..." at the ProbeGate), and
    // the variables of its own it is started with.
    const char* clientCommand = nullptr;
    const char* probeKeyPrefix = nullptr;
    QStringList clientVariablePrefixes;
    // Where it installs on Linux, and the desktop apps its accounts name.
    QList<InstallPlace> installs;
    QList<DesktopApp> desktopApps;
    // Its profile folders under the home (".name", ".name-work", ...), watched
    // for activity beside the default one.
    const char* profileFolderPrefix = nullptr;
    std::optional<ReadingSourceWords> readingSource;
    // A reading that names no account is not filed under the one the
    // registry would attribute it to.
    bool filesOnlyNamedReadings = false;
    // What its guidance says when it is not set up (UsageUnavailableReason's
    // setup notices); nothing leaves the reason's own.
    std::optional<UsageUnavailableNotice> (*setupNotice)(const ProviderDescriptor&, const SetupLookup&) =
        [](const ProviderDescriptor& p, const SetupLookup& lookup) { return keyMissingNotice(p, lookup); };
    // The words of its own that its readings' labels name (QuotaLabel's
    // providerWord), by word; nothing for a word it does not know.
    std::optional<L10n> (*labelWord)(QStringView word) = nullptr;
    // Every pair of its own text table, for the sweeps over all texts.
    QList<L10nPair> (*texts)() = nullptr;
};

// The process's descriptors, by type: installed once, before anything asks
// for a provider's names, by the composition root (and the test mains) from
// providers/DefaultProviders.h; read-only afterwards, from any thread.
namespace ProviderCatalogue {
void install(const QList<const ProviderDescriptor*>& descriptors);
const ProviderDescriptor& of(AIProviderType type);
// In catalogue order.
const QList<const ProviderDescriptor*>& all();
} // namespace ProviderCatalogue

} // namespace meterix
