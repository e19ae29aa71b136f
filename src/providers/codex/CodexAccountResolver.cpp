#include "providers/codex/CodexAccountResolver.h"

#include "accounts/AccountFileReader.h"
#include "accounts/AccountIdentityLedger.h"
#include "accounts/AccountPreferencesReader.h"
#include "accounts/JWTClaims.h"
#include "core/Json.h"
#include "core/MeterixLog.h"
#include "core/Paths.h"
#include "core/SafeFile.h"
#include "core/TextUtil.h"
#include "providers/codex/OpenAI_CodexAdapter.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QSet>

#include <algorithm>

namespace meterix {

namespace {

// The issuer's claims that carry the ChatGPT account, plan and organisations,
// and the profile (where the e-mail lies when the token has none of its own).
const QLatin1StringView kOpenAIAuthClaim("https://api.openai.com/auth");
const QLatin1StringView kOpenAIProfileClaim("https://api.openai.com/profile");
const QLatin1StringView kConversationPrefix("conversations-v3-");
// The client's settings file is a few kilobytes.
constexpr int64_t kConfigReadCap = 1024 * 1024;

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

CodexAccountResolver::CodexAccountResolver(Environment environment, AccountIdentityLedger& ledger, const Clock& clock)
    : environment_(std::move(environment)), ledger_(ledger), clock_(clock) {}

// MARK: Profiles

QList<CodexAccountResolver::Profile> CodexAccountResolver::profiles() { return profiles(Environment::current()); }

QList<CodexAccountResolver::Profile> CodexAccountResolver::profiles(const Environment& environment) {
    QList<Profile> found;
    QSet<QString> taken; // folders with their links resolved
    const auto offer = [&](const QString& folder, bool isDefault) {
        const QString authPath = joinPath(folder, QStringLiteral("auth.json"));
        // With the credentials in the keyring or in memory there is no file:
        // the folder is a signed-in home all the same, of an unknown account.
        if (!exists(authPath) && credentialStore(folder) == CredentialStore::file) return;
        const QString resolved = QFileInfo(folder).canonicalFilePath();
        if (resolved.isEmpty() || taken.contains(resolved)) return;
        taken.insert(resolved);
        found.append(Profile{authPath, folder, isDefault});
    };
    // The client takes $CODEX_HOME only when it names an existing folder, and
    // then by its resolved path: "~/.codex/" or a link to it is ~/.codex.
    if (environment.codexHome && !environment.codexHome->isEmpty() &&
        AccountFileReader::directoryExists(*environment.codexHome))
        offer(QFileInfo(*environment.codexHome).canonicalFilePath(), true);
    for (const QString& folder : AccountFileReader::profileDirectories(environment.homeFolder, QStringLiteral(".codex")))
        offer(folder, found.isEmpty());
    return found;
}

CodexAccountResolver::CredentialStore CodexAccountResolver::credentialStore(const QString& codexHome) {
    // The setting is a top-level key, so it stands before the first table.
    const auto text = readRegularFile(joinPath(codexHome, QStringLiteral("config.toml")), kConfigReadCap);
    if (!text) return CredentialStore::file;
    const QByteArrayView all(*text);
    for (qsizetype start = 0; start < all.size();) {
        qsizetype end = all.indexOf('\n', start);
        if (end < 0) end = all.size();
        const QByteArrayView line = all.sliced(start, end - start).trimmed();
        start = end + 1;
        if (line.startsWith('[')) break;
        const qsizetype equals = line.indexOf('=');
        if (equals < 0) continue;
        QByteArrayView key = line.first(equals).trimmed();
        if (key.size() >= 2 && (key.front() == '"' || key.front() == '\'') && key.back() == key.front())
            key = key.sliced(1, key.size() - 2);
        if (key != QByteArrayView("cli_auth_credentials_store")) continue;
        const QByteArrayView value = line.sliced(equals + 1).trimmed();
        if (value.isEmpty() || (value.front() != '"' && value.front() != '\'')) return CredentialStore::file;
        const qsizetype close = value.indexOf(value.front(), 1);
        if (close < 0) return CredentialStore::file;
        const QByteArrayView store = value.sliced(1, close - 1);
        if (store == QByteArrayView("keyring")) return CredentialStore::keyring;
        if (store == QByteArrayView("auto")) return CredentialStore::automatic;
        if (store == QByteArrayView("ephemeral")) return CredentialStore::ephemeral;
        return CredentialStore::file;
    }
    return CredentialStore::file;
}

namespace {

// Whether a credential file signs in with its API key rather than a ChatGPT
// login: its "auth_mode", or without one a key and no tokens.
bool signsInWithAPIKey(const QJsonObject& file) {
    if (const auto mode = json::string(file, QLatin1String("auth_mode")))
        return mode->compare(QLatin1String("apikey"), Qt::CaseInsensitive) == 0 ||
               mode->compare(QLatin1String("api_key"), Qt::CaseInsensitive) == 0;
    // Older files name no mode: a ChatGPT login kept its tokens (and at times
    // a key beside them); a key alone is an API-key sign-in.
    if (json::object(file, QLatin1String("tokens"))) return false;
    const auto key = json::string(file, QLatin1String("OPENAI_API_KEY"));
    return key && !key->isEmpty();
}

} // namespace

CodexAccountResolver::SignIn CodexAccountResolver::signIn(const Profile& profile) {
    // The client reads auth.json only where its credentials may be kept in files.
    const CredentialStore store = credentialStore(profile.homeDirectory);
    if (store != CredentialStore::file && store != CredentialStore::automatic) return {};
    const auto file = AccountFileReader::json(profile.authPath);
    if (!file) return {};
    if (signsInWithAPIKey(*file)) return {true, std::nullopt};
    return {false, identityClaims(*file)};
}

// MARK: Claims

std::optional<CodexAccountResolver::IdentityClaims> CodexAccountResolver::identityClaims(const QString& authPath) {
    const auto file = AccountFileReader::json(authPath);
    if (!file) return std::nullopt;
    return identityClaims(*file);
}

std::optional<CodexAccountResolver::IdentityClaims> CodexAccountResolver::identityClaims(const QJsonObject& file) {
    const auto tokens = json::object(file, QLatin1String("tokens"));
    if (!tokens) return std::nullopt;
    const auto idToken = json::string(*tokens, QLatin1String("id_token"));
    if (!idToken) return std::nullopt;
    const auto payload = JWTClaims::payload(*idToken);
    if (!payload) return std::nullopt;

    const QJsonObject claim = json::object(*payload, kOpenAIAuthClaim).value_or(QJsonObject());
    const auto organization = defaultOrganization(organizationsOf(claim));

    IdentityClaims claims;
    claims.email = json::string(*payload, QLatin1String("email"));
    if (!claims.email)
        if (const auto profile = json::object(*payload, kOpenAIProfileClaim))
            claims.email = json::string(*profile, QLatin1String("email"));
    claims.name = json::string(*payload, QLatin1String("name"));
    claims.accountID = json::string(claim, QLatin1String("chatgpt_account_id"));
    if (!claims.accountID) claims.accountID = json::string(*tokens, QLatin1String("account_id"));
    claims.planType = json::string(claim, QLatin1String("chatgpt_plan_type"));
    if (organization) claims.organization = json::string(*organization, QLatin1String("title"));
    return claims;
}

std::optional<QString> CodexAccountResolver::planName(const std::optional<QString>& planType) {
    if (!planType || planType->isEmpty()) return std::nullopt;
    // The service's plan ids as the client lists them, by the names ChatGPT
    // sells them under; the usage-based variants are the plans they bill.
    static const QList<std::pair<QLatin1StringView, QLatin1StringView>> known{
        {QLatin1StringView("free"), QLatin1StringView("ChatGPT Free")},
        {QLatin1StringView("go"), QLatin1StringView("ChatGPT Go")},
        {QLatin1StringView("plus"), QLatin1StringView("ChatGPT Plus")},
        {QLatin1StringView("pro"), QLatin1StringView("ChatGPT Pro")},
        {QLatin1StringView("prolite"), QLatin1StringView("ChatGPT Pro Lite")},
        {QLatin1StringView("pro_lite"), QLatin1StringView("ChatGPT Pro Lite")},
        {QLatin1StringView("team"), QLatin1StringView("ChatGPT Team")},
        {QLatin1StringView("self_serve_business_usage_based"), QLatin1StringView("ChatGPT Business")},
        {QLatin1StringView("business"), QLatin1StringView("ChatGPT Business")},
        {QLatin1StringView("enterprise_cbp_usage_based"), QLatin1StringView("ChatGPT Enterprise")},
        {QLatin1StringView("enterprise"), QLatin1StringView("ChatGPT Enterprise")},
        {QLatin1StringView("hc"), QLatin1StringView("ChatGPT Enterprise")},
        {QLatin1StringView("edu"), QLatin1StringView("ChatGPT Edu")},
        {QLatin1StringView("education"), QLatin1StringView("ChatGPT Edu")},
    };
    for (const auto& [type, name] : known)
        if (*planType == type) return QString(name);
    // A plan the service adds later: its id in words, "new_tier" as New Tier.
    return QStringLiteral("ChatGPT ") + capitalizeWords(QString(*planType).replace(QLatin1Char('_'), QLatin1Char(' ')));
}

// MARK: Accounts

QList<AccountIdentity> CodexAccountResolver::resolveAccounts() { return cliAccounts() + desktopAccounts(); }

QList<AccountIdentity> CodexAccountResolver::cliAccounts() {
    QList<AccountIdentity> identities;
    for (const Profile& profile : profiles(environment_)) {
        const auto claims = signIn(profile).claims;
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
