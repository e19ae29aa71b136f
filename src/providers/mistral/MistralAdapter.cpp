#include "providers/mistral/MistralAdapter.h"

#include "core/SafeFile.h"
#include "core/TextUtil.h"

namespace meterix {

MistralAdapter::MistralAdapter(QString homeDirectory, EnvironmentLookup environment)
    : keySource_{{QStringLiteral("MISTRAL_API_KEY")}, QStringLiteral("/.config/mistral/api_key")},
      homeDirectory_(std::move(homeDirectory)), environment_(std::move(environment)) {}

QString MistralAdapter::vibeEnvironmentPath() const {
    const auto home = environment_ ? environment_(QStringLiteral("VIBE_HOME")) : std::nullopt;
    const QString folder = home && !home->isEmpty() ? *home : joinPath(homeDirectory_, QStringLiteral(".vibe"));
    return joinPath(folder, QStringLiteral(".env"));
}

std::optional<QString> MistralAdapter::keyFromEnvironmentFile(const QByteArray& text) {
    std::optional<QString> key;
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (line.startsWith("export ")) line = line.mid(7).trimmed();
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0 || line.left(equals).trimmed() != "MISTRAL_API_KEY") continue;
        QByteArray value = line.mid(equals + 1).trimmed();
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')) {
            const qsizetype close = value.indexOf(value.front(), 1);
            if (close < 0) continue;
            value = value.mid(1, close - 1);
        } else if (const qsizetype comment = value.indexOf(" #"); comment >= 0) {
            value = value.left(comment).trimmed();
        }
        // A value that is not UTF-8 throughout is no key.
        const std::optional<QString> candidate = strictUtf8(value);
        if (candidate && isUsableCredential(*candidate)) key = *candidate;
    }
    return key;
}

bool MistralAdapter::isDetected() const {
    return keySource_.isDetected(homeDirectory_, environment_) || vibeKey().has_value();
}

std::optional<QString> MistralAdapter::vibeKey() const {
    const auto bytes = readRegularFile(vibeEnvironmentPath(), kKeyFileReadCap);
    return bytes ? keyFromEnvironmentFile(*bytes) : std::nullopt;
}

std::optional<QString> MistralAdapter::resolveAPIKey() const {
    if (auto key = keySource_.resolve(homeDirectory_, environment_)) return key;
    return vibeKey();
}

UsageSnapshot MistralAdapter::fetchUsage(bool) {
    return UsageSnapshot::unavailable(AIProviderType::mistral, resolveAPIKey()
                                                                   ? UsageUnavailableReason::notMeasured
                                                                   : UsageUnavailableReason::notConfigured);
}

} // namespace meterix
