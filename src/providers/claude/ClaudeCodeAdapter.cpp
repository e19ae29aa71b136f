#include "providers/claude/ClaudeCodeAdapter.h"

#include "core/Paths.h"
#include "core/SafeFile.h"
#include "platform/process/ClientTrust.h"
#include "providers/claude/ClaudeTranscriptPruning.h"
#include "providers/common/ProbeFolder.h"

#include <QDir>

namespace meterix {

namespace {

const QString kClaudeConfigDir = QStringLiteral("CLAUDE_CONFIG_DIR");
const QStringList kProbeArguments{QStringLiteral("--strict-mcp-config"), QStringLiteral("-p"),
                                  QStringLiteral("/usage")};

} // namespace

ClaudeCodeAdapter::ClaudeCodeAdapter(HostEnvironment host, CLIProcessRunner& runner, ProbeGate& gate,
                                     const Clock& clock)
    : ClaudeCodeAdapter(std::move(host), runner, gate, clock, Options{}) {}

ClaudeCodeAdapter::ClaudeCodeAdapter(HostEnvironment host, CLIProcessRunner& runner, ProbeGate& gate,
                                     const Clock& clock, Options options)
    : host_(std::move(host)), runner_(runner), gate_(gate), clock_(clock), options_(options) {}

bool ClaudeCodeAdapter::checkAvailability() {
    const bool found =
        exists(joinPath(host_.home, QStringLiteral(".claude"))) ||
        isExecutableFile(joinPath(host_.home, QStringLiteral(".local/bin/claude")));
    detected_.set(found);
    return found;
}

bool ClaudeCodeAdapter::isClientFound() const {
    // Its folder, its usual program file, or a "claude" the probe would start.
    return exists(joinPath(host_.home, QStringLiteral(".claude"))) ||
           isExecutableFile(joinPath(host_.home, QStringLiteral(".local/bin/claude"))) ||
           runner_.executablePath(QStringLiteral("claude")).has_value();
}

bool ClaudeCodeAdapter::isFresh(const UsageSnapshot& snapshot) const {
    return secondsBetween(snapshot.capturedAt, clock_.now()) < kFreshnessSeconds;
}

std::optional<UsageSnapshot> ClaudeCodeAdapter::usage(const Profile& profile,
                                                      const std::optional<QJsonObject>& config) {
    std::optional<UsageSnapshot> cached;
    if (config) cached = snapshot(*config, clock_.now());
    if (cached && isFresh(*cached)) return cached;
    std::optional<ConfigIdentity> who;
    if (config) who = identity(*config);
    if (auto probed = probe(profile, who)) return probed;
    return cached;
}

QList<UsageSnapshot> ClaudeCodeAdapter::fetchUsagePerAccount(bool forceSync) {
    QList<UsageSnapshot> snapshots;
    for (const Profile& profile : ClaudeAccountResolver::profiles(host_))
        if (auto s = usage(profile, ClaudeAccountResolver::configuration(profile))) snapshots.append(*s);
    if (!snapshots.isEmpty()) return snapshots;
    return {fetchUsage(forceSync)};
}

UsageSnapshot ClaudeCodeAdapter::fetchUsage(bool) {
    const QList<Profile> profiles = ClaudeAccountResolver::profiles(host_);
    if (!profiles.isEmpty()) {
        const Profile& first = profiles.front();
        // Read once: the profile's sign-in is looked up afresh on every read.
        const auto config = ClaudeAccountResolver::configuration(first);
        if (auto result = usage(first, config)) {
            cachedSnapshot_.set(result);
            return *result;
        }
        return cachedSnapshot_.get().value_or(
            unknownSnapshot(config ? std::optional(identity(*config)) : std::nullopt));
    }

    std::optional<QString> output;
    if (auto ticket = gate_.admit(QStringLiteral("claude:default"), kProbeFloorSeconds))
        output = runProbe({});
    if (output) {
        if (auto parsed = parseClaudeUsageOutput(*output, clock_.now())) {
            parsed->sourceID = QStringLiteral("claude.cli");
            cachedSnapshot_.set(parsed);
            return *parsed;
        }
    }
    return cachedSnapshot_.get().value_or(unknownSnapshot(std::nullopt));
}

std::optional<UsageSnapshot> ClaudeCodeAdapter::probe(const Profile& profile,
                                                      const std::optional<ConfigIdentity>& identity) {
    EnvironmentOverrides environment;
    // A configuration inside the profile's folder is found there by the client
    // only when pointed at that folder.
    if (profile.configPath == joinPath(profile.homeDirectory, lastPathComponent(profile.configPath)))
        environment.insert(kClaudeConfigDir, profile.homeDirectory);
    else
        // The app's own CLAUDE_CONFIG_DIR names another profile; inherited, it
        // would make the client report that account's usage under this identity.
        environment.insert(kClaudeConfigDir, std::nullopt);

    std::optional<QString> output;
    if (auto ticket = gate_.admit(QStringLiteral("claude:") + profile.configPath, kProbeFloorSeconds))
        output = runProbe(environment);
    if (!output) return std::nullopt;

    auto parsed = parseClaudeUsageOutput(*output, clock_.now());
    if (!parsed) return std::nullopt;
    if (identity) {
        parsed->accountEmail = identity->email;
        parsed->planName = identity->planName;
        parsed->accountID = identity->accountID;
    }
    parsed->sourceID = QStringLiteral("claude.cli");
    return parsed;
}

std::optional<QString> ClaudeCodeAdapter::runProbe(const EnvironmentOverrides& environment) {
    // Never in the folder the app was started from: the client would take that
    // project's settings (and the commands they name) and file its transcript
    // among the user's own sessions.
    const std::optional<QString> folder = probeWorkingDirectory();
    if (!folder) return std::nullopt;
    const auto output =
        runner_.run(QStringLiteral("claude"), kProbeArguments, options_.probeTimeoutSeconds, environment, folder);
    pruneClaudeProbeTranscripts(joinPath(configFolder(environment), QStringLiteral("projects")), *folder,
                                kTranscriptsKept);
    return output;
}

QString ClaudeCodeAdapter::configFolder(const EnvironmentOverrides& environment) const {
    // As the client picks it: its variable when set and not empty, else ~/.claude.
    const std::optional<QString> given = environment.contains(kClaudeConfigDir)
                                             ? environment.value(kClaudeConfigDir)
                                             : host_.variable(kClaudeConfigDir);
    if (given && !given->isEmpty()) return *given;
    return joinPath(host_.home, QStringLiteral(".claude"));
}

UsageSnapshot ClaudeCodeAdapter::unknownSnapshot(const std::optional<ConfigIdentity>& identity) const {
    const QDateTime now = clock_.now();
    UsageSnapshot::Fields f;
    f.provider = AIProviderType::claudeCode;
    f.headlineRemainingPercentage = 0;
    f.usedTokens = 0;
    f.totalTokens = 100000;
    f.lastUpdated = now;
    f.capturedAt = now;
    f.strategyUsed = FetchStrategy::simulated;
    f.sourceID = QStringLiteral("claude.cli");
    if (identity) {
        f.accountEmail = identity->email;
        f.planName = identity->planName;
        f.accountID = identity->accountID;
    }
    // A profile with an account is signed in and merely unread; without one,
    // an installed client is not signed in, and else there is no client.
    const bool signedIn = identity && (identity->accountID || identity->email);
    f.unavailableReason = signedIn          ? UsageUnavailableReason::awaitingFirstReading
                          : isClientFound() ? UsageUnavailableReason::notConfigured
                                            : UsageUnavailableReason::clientNotFound;
    return UsageSnapshot(f);
}

std::optional<QString> ClaudeCodeAdapter::probeWorkingDirectory() const {
    return ownerOnlyProbeFolder(host_.dataHome, probeWorkingDirectoryName);
}

} // namespace meterix
