#include "accounts/CodexAccountResolver.h"

#include "accounts/AccountFileReader.h"
#include "accounts/AccountIdentityLedger.h"
#include "accounts/AccountPreferencesReader.h"
#include "accounts/JWTClaims.h"
#include "core/Json.h"
#include "core/MeterixLog.h"
#include "core/Paths.h"
#include "core/SafeFile.h"
#include "core/TextUtil.h"
#include "providers/OpenAI_CodexAdapter.h"

#include <QJsonArray>
#include <QSet>

#include <algorithm>

namespace meterix {

namespace {

// The issuer's claim that carries the ChatGPT account, plan and organisations.
const QLatin1StringView kOpenAIAuthClaim("https://api.openai.com/auth");
const QLatin1StringView kConversationPrefix("conversations-v3-");

// "organizations" counts only as a list of objects throughout.
QList<QJsonObject> organizationsOf(const QJsonObject& claim) {
    QList<QJsonObject> organizations;
    const auto list = json::array(claim, QLatin1String("organizations"));
    if (!list) return organizations;
    for (const QJsonValue& entry : *list) {
        if (!entry.isObject()) return {};
        organizations.append(entry.toObject());
    }
    return organizations;
}

std::optional<QJsonObject> defaultOrganization(const QList<QJsonObject>& organizations) {
    for (const QJsonObject& organization : organizations)
        if (json::boolean(organization, QLatin1String("is_default")) == true) return organization;
    if (organizations.isEmpty()) return std::nullopt;
    return organizations.first();
}

} // namespace

CodexAccountResolver::Environment CodexAccountResolver::Environment::current() {
    Environment environment;
    environment.homeFolder = AccountFileReader::home();
    if (qEnvironmentVariableIsSet("CODEX_HOME")) environment.codexHome = qEnvironmentVariable("CODEX_HOME");
    environment.desktopAppFolder = joinPath(configHome(), QString::fromLatin1(kDesktopAppID));
    return environment;
}

CodexAccountResolver::CodexAccountResolver()
    : CodexAccountResolver(Environment::current(), AccountIdentityLedger::shared(), Clock::system()) {}

CodexAccountResolver::CodexAccountResolver(Environment environment, AccountIdentityLedger& ledger, const Clock& clock)
    : environment_(std::move(environment)), ledger_(ledger), clock_(clock) {}

// MARK: Profiles

QList<CodexAccountResolver::Profile> CodexAccountResolver::profiles() { return profiles(Environment::current()); }

QList<CodexAccountResolver::Profile> CodexAccountResolver::profiles(const Environment& environment) {
    QList<Profile> found;
    QSet<QString> taken;
    const auto offer = [&](const QString& folder, bool isDefault) {
        const QString authPath = joinPath(folder, QStringLiteral("auth.json"));
        if (!exists(authPath) || taken.contains(authPath)) return;
        taken.insert(authPath);
        found.append(Profile{authPath, folder, isDefault});
    };
    if (environment.codexHome && !environment.codexHome->isEmpty()) offer(*environment.codexHome, true);
    for (const QString& folder : AccountFileReader::profileDirectories(environment.homeFolder, QStringLiteral(".codex")))
        offer(folder, found.isEmpty());
    return found;
}

// MARK: Claims

std::optional<CodexAccountResolver::IdentityClaims> CodexAccountResolver::identityClaims(const QString& authPath) {
    const auto file = AccountFileReader::json(authPath);
    if (!file) return std::nullopt;
    const auto tokens = json::object(*file, QLatin1String("tokens"));
    if (!tokens) return std::nullopt;
    const auto idToken = json::string(*tokens, QLatin1String("id_token"));
    if (!idToken) return std::nullopt;
    const auto payload = JWTClaims::payload(*idToken);
    if (!payload) return std::nullopt;

    const QJsonObject claim = json::object(*payload, kOpenAIAuthClaim).value_or(QJsonObject());
    const auto organization = defaultOrganization(organizationsOf(claim));

    IdentityClaims claims;
    claims.email = json::string(*payload, QLatin1String("email"));
    claims.name = json::string(*payload, QLatin1String("name"));
    claims.accountID = json::string(claim, QLatin1String("chatgpt_account_id"));
    if (!claims.accountID) claims.accountID = json::string(*tokens, QLatin1String("account_id"));
    claims.planType = json::string(claim, QLatin1String("chatgpt_plan_type"));
    if (organization) claims.organization = json::string(*organization, QLatin1String("title"));
    return claims;
}

std::optional<QString> CodexAccountResolver::planName(const std::optional<QString>& planType) {
    if (!planType || planType->isEmpty()) return std::nullopt;
    static const QList<std::pair<QString, QString>> known{
        {QStringLiteral("free"), QStringLiteral("ChatGPT Free")},
        {QStringLiteral("plus"), QStringLiteral("ChatGPT Plus")},
        {QStringLiteral("pro"), QStringLiteral("ChatGPT Pro")},
        {QStringLiteral("team"), QStringLiteral("ChatGPT Team")},
        {QStringLiteral("enterprise"), QStringLiteral("ChatGPT Enterprise")},
    };
    for (const auto& [type, name] : known)
        if (*planType == type) return name;
    return QStringLiteral("ChatGPT ") + capitalizeWords(*planType);
}

// MARK: Accounts

QList<AccountIdentity> CodexAccountResolver::resolveAccounts() { return cliAccounts() + desktopAccounts(); }

QList<AccountIdentity> CodexAccountResolver::cliAccounts() {
    QList<AccountIdentity> identities;
    for (const Profile& profile : profiles(environment_)) {
        const auto claims = identityClaims(profile.authPath);
        if (!claims) continue;
        const auto id = claims->accountID ? claims->accountID : claims->email;
        if (!id) continue;
        const AccountSource source{
            .id = QString::fromLatin1(OpenAI_CodexAdapter::kSourceID),
            .kind = AccountSourceKind::cli,
            .displayName = profile.isDefault
                               ? QStringLiteral("Codex CLI")
                               : QStringLiteral("Codex CLI (") + lastPathComponent(profile.homeDirectory) + QLatin1Char(')'),
            .rootPath = profile.homeDirectory,
            .bundleIdentifiers = {},
        };
        // Readable exactly when the adapter can credit a reading to this account.
        OpenAI_CodexAdapter adapter(ledger_, environment_, clock_);
        const bool readable = !adapter.snapshot(profile, clock_.now()).isSimulated();
        identities.append(AccountIdentity{
            .id = *id,
            .provider = AIProviderType::openAICodex,
            .source = source,
            .email = claims->email,
            .displayName = claims->name,
            .organization = claims->organization,
            .planName = planName(claims->planType),
            .usageReadable = readable,
            .lastSeenAt = clock_.now(),
        });
        qCDebug(logAccounts) << "Codex profile account" << MeterixLog::priv(*id) << "readable" << readable;
    }
    return identities;
}

QList<AccountIdentity> CodexAccountResolver::desktopAccounts() {
    const QString folder = environment_.desktopAppFolder;
    if (!AccountFileReader::directoryExists(folder)) return {};

    QStringList ids;
    const auto preference = AccountPreferencesReader::string(QStringLiteral("activeUserWorkspaceID"),
                                                             QString::fromLatin1(kDesktopAppID), environment_.homeFolder);
    if (preference) {
        if (const auto object = json::parseObject(preference->toUtf8()))
            if (const auto workspace = json::string(*object, QLatin1String("workspaceID"))) ids.append(*workspace);
    }
    QStringList stored = AccountFileReader::directorySuffixes(folder, kConversationPrefix);
    std::sort(stored.begin(), stored.end(), codePointLess);
    for (const QString& workspace : stored)
        if (!ids.contains(workspace)) ids.append(workspace);

    const AccountSource source{
        .id = QStringLiteral("codex.desktop"),
        .kind = AccountSourceKind::desktopApp,
        .displayName = QStringLiteral("ChatGPT Desktop"),
        .rootPath = folder,
        .bundleIdentifiers = {QString::fromLatin1(kDesktopAppID), QStringLiteral("com.openai.codex")},
    };
    QList<AccountIdentity> identities;
    for (const QString& id : ids)
        identities.append(AccountIdentity{
            .id = id,
            .provider = AIProviderType::openAICodex,
            .source = source,
            .usageReadable = false,
            .lastSeenAt = clock_.now(),
        });
    return identities;
}

} // namespace meterix
