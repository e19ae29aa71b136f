#include "providers/common/ApiKeySource.h"

#include "core/Paths.h"
#include "core/SafeFile.h"
#include "core/TextUtil.h"

namespace meterix {

bool isUsableCredential(const QString& credential) {
    if (credential.isEmpty()) return false;
    for (const QChar c : credential)
        if (c.category() == QChar::Other_Control) return false;
    return true;
}

std::optional<QString> ApiKeySource::environmentValue(const QStringList& variables,
                                                      const EnvironmentLookup& environment) {
    if (!environment) return std::nullopt;
    for (const QString& name : variables)
        if (std::optional<QString> value = environment(name)) return value;
    return std::nullopt;
}

QString ApiKeySource::filePath(const QString& homeDirectory) const { return joinPath(homeDirectory, fileSuffix); }

SetupLookup ApiKeySource::lookup(const QString& homeDirectory) const {
    SetupLookup where{environmentVariables, {}, {}};
    if (!fileSuffix.isEmpty()) where.files.append(shownPath(filePath(homeDirectory), homeDirectory));
    return where;
}

QString ApiKeySource::shownPath(const QString& path, const QString& homeDirectory) {
    QString home = homeDirectory;
    while (home.size() > 1 && home.endsWith(QLatin1Char('/'))) home.chop(1);
    if (home.isEmpty() || home == QLatin1String("/")) return path;
    if (path == home) return QStringLiteral("~");
    if (path.startsWith(home + QLatin1Char('/'))) return QLatin1Char('~') + path.mid(home.size());
    return path;
}

std::optional<QString> ApiKeySource::resolve(const QString& homeDirectory, const EnvironmentLookup& environment) const {
    if (const auto value = environmentValue(environmentVariables, environment); value && isUsableCredential(*value))
        return value;
    const auto bytes = readRegularFile(filePath(homeDirectory), kKeyFileReadCap);
    if (!bytes) return std::nullopt;
    const auto text = strictUtf8(*bytes);
    if (!text) return std::nullopt;
    const QString key = text->trimmed();
    if (!isUsableCredential(key)) return std::nullopt;
    return key;
}

bool ApiKeySource::isDetected(const QString& homeDirectory, const EnvironmentLookup& environment) const {
    if (const auto value = environmentValue(environmentVariables, environment); value && !value->isEmpty())
        return true;
    return exists(filePath(homeDirectory));
}

} // namespace meterix
