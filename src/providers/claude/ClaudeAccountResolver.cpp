#include "providers/claude/ClaudeAccountResolver.h"

#include "accounts/AccountFileReader.h"
#include "core/Json.h"
#include "core/Paths.h"
#include "core/SafeFile.h"
#include "core/TextUtil.h"
#include "providers/claude/ClaudeCodeAdapter.h"

#include <QSet>

namespace meterix {

namespace {

const QString kConfigName = QStringLiteral(".claude.json");
const QString kLegacyConfigName = QStringLiteral(".config.json");
const QStringList kConfigurationMembers{QStringLiteral("oauthAccount"),
                                        QStringLiteral("cachedUsageUtilization")};
const QString kLastKnownAccount = QStringLiteral("lastKnownAccountUuid");
const QString kCredentialsName = QStringLiteral(".credentials.json");
const QString kSignIn = QStringLiteral("claudeAiOauth");

// The folders below the desktop app's folder whose sub-folder names are account ids.
const QStringList kDesktopAccountTrees{QStringLiteral("claude-code-sessions"),
                                       QStringLiteral("local-agent-mode-sessions")};

} // namespace

ClaudeAccountResolver::ClaudeAccountResolver()
    : ClaudeAccountResolver(HostEnvironment::current(), Clock::system()) {}

ClaudeAccountResolver::ClaudeAccountResolver(HostEnvironment host, const Clock& clock,
                                             UsageReadability usageReadable)
    : host_(std::move(host)), clock_(clock), usageReadable_(std::move(usageReadable)) {
    if (!usageReadable_)
        usageReadable_ = [](const QJsonObject& config) {
            return ClaudeCodeAdapter::snapshot(config).has_value();
        };
}

QList<ClaudeAccountResolver::Profile> ClaudeAccountResolver::profiles() {
    return profiles(HostEnvironment::current());
}

QList<ClaudeAccountResolver::Profile> ClaudeAccountResolver::profiles(const HostEnvironment& host) {
    QList<Profile> list;
    QSet<QString> taken;
    auto offer = [&](const QString& configPath, const QString& homeDirectory, bool isDefault) {
        if (taken.contains(configPath) || !exists(configPath)) return;
        taken.insert(configPath);
        list.append(Profile{configPath, homeDirectory, isDefault});
    };

    // The client takes a configuration folder's ".config.json", the name of its
    // earliest releases, in place of ".claude.json" wherever that file is present.
    auto configurationIn = [](const QString& folder, const QString& current) {
        const QString legacy = joinPath(folder, kLegacyConfigName);
        return exists(legacy) ? legacy : current;
    };
    if (const auto dir = host.variable(QStringLiteral("CLAUDE_CONFIG_DIR")); dir && !dir->isEmpty())
        offer(configurationIn(*dir, joinPath(*dir, kConfigName)), *dir, true);
    const QString homeFolder = joinPath(host.home, QStringLiteral(".claude"));
    offer(configurationIn(homeFolder, joinPath(host.home, kConfigName)), homeFolder, list.isEmpty());
    for (const QString& folder : AccountFileReader::profileDirectories(host.home, QStringLiteral(".claude")))
        offer(configurationIn(folder, joinPath(folder, kConfigName)), folder, false);
    return list;
}

std::optional<QJsonObject> ClaudeAccountResolver::configuration(const QString& configPath) {
    return AccountFileReader::cachedMembers(configPath, kConfigurationMembers);
}

std::optional<QJsonObject> ClaudeAccountResolver::configuration(const Profile& profile) {
    auto config = configuration(profile.configPath);
    if (config && isSignedOut(profile))
        for (const QString& member : kConfigurationMembers)
            config->remove(member);
    return config;
}

bool ClaudeAccountResolver::isSignedOut(const Profile& profile) {
    // Read afresh, never cached: the member holds tokens, looked at only for its presence.
    const auto credentials =
        AccountFileReader::members(joinPath(profile.homeDirectory, kCredentialsName), {kSignIn});
    return credentials && !credentials->value(kSignIn).isObject();
}

std::optional<QString> ClaudeAccountResolver::planName(const QString& organizationType) {
    if (organizationType.isEmpty()) return std::nullopt;
    if (organizationType == QLatin1String("claude_pro")) return QStringLiteral("Claude Pro");
    if (organizationType == QLatin1String("claude_max")) return QStringLiteral("Claude Max");
    if (organizationType == QLatin1String("claude_team")) return QStringLiteral("Claude Team");
    if (organizationType == QLatin1String("claude_enterprise")) return QStringLiteral("Claude Enterprise");
    QString spaced = organizationType;
    spaced.replace(QLatin1Char('_'), QLatin1Char(' '));
    return capitalizeWords(spaced);
}

std::optional<QString> ClaudeAccountResolver::planName(const QJsonObject& oauthAccount) {
    const auto type = json::string(oauthAccount, QLatin1String("organizationType"));
    if (!type) return std::nullopt;
    return planName(*type);
}

QString ClaudeAccountResolver::desktopFolder() const {
    return joinPath(host_.configHome, QStringLiteral("Claude"));
}

QList<AccountIdentity> ClaudeAccountResolver::resolveAccounts() {
    return cliAccounts() + desktopAccounts();
}

QList<AccountIdentity> ClaudeAccountResolver::cliAccounts() const {
    QList<AccountIdentity> identities;
    const QDateTime now = clock_.now();
    for (const Profile& profile : profiles(host_)) {
        const auto config = configuration(profile);
        if (!config) continue;
        const auto account = json::object(*config, QLatin1String("oauthAccount"));
        if (!account) continue;
        auto id = json::string(*account, QLatin1String("accountUuid"));
        if (!id) id = json::string(*account, QLatin1String("emailAddress"));
        if (!id) continue;

        auto displayName = json::string(*account, QLatin1String("displayName"));
        if (!displayName) displayName = json::string(*account, QLatin1String("fullName"));
        const QString sourceName =
            profile.isDefault
                ? QStringLiteral("Claude Code")
                : QStringLiteral("Claude Code (%1)").arg(lastPathComponent(profile.homeDirectory));
        identities.append(AccountIdentity{
            .id = *id,
            .provider = AIProviderType::claudeCode,
            .source = AccountSource{QStringLiteral("claude.cli"),
                                    AccountSourceKind::cli,
                                    sourceName,
                                    profile.homeDirectory,
                                    {}},
            .email = json::string(*account, QLatin1String("emailAddress")),
            .displayName = displayName,
            .organization = json::string(*account, QLatin1String("organizationName")),
            .planName = planName(*account),
            .usageReadable = usageReadable_(*config),
            .lastSeenAt = now,
        });
    }
    return identities;
}

QList<AccountIdentity> ClaudeAccountResolver::desktopAccounts() const {
    const QString root = desktopFolder();
    if (!AccountFileReader::directoryExists(root)) return {};
    const QJsonObject config =
        AccountFileReader::members(joinPath(root, QStringLiteral("config.json")), {kLastKnownAccount})
            .value_or(QJsonObject{});

    QStringList ids;
    if (const auto last = json::string(config, QLatin1String("lastKnownAccountUuid"))) ids.append(*last);
    for (const QString& tree : kDesktopAccountTrees)
        for (const QString& name : AccountFileReader::uuidDirectoryNames(joinPath(root, tree)))
            if (!ids.contains(name)) ids.append(name);
    if (ids.isEmpty()) return {};

    const AccountSource source{QStringLiteral("claude.desktop"),
                               AccountSourceKind::desktopApp,
                               QStringLiteral("Claude Desktop"),
                               root,
                               {QStringLiteral("com.anthropic.claudefordesktop")}};
    const QDateTime now = clock_.now();
    QList<AccountIdentity> identities;
    for (const QString& id : ids)
        identities.append(AccountIdentity{.id = id,
                                          .provider = AIProviderType::claudeCode,
                                          .source = source,
                                          .usageReadable = false,
                                          .lastSeenAt = now});
    return identities;
}

} // namespace meterix
