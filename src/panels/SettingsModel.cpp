#include "panels/SettingsModel.h"

#include "core/L10n.h"

namespace meterix::SettingsModel {

QList<Rgb> accentTile() {
    return {Rgb::fromHex(0x0A84FF), Rgb::fromHex(0x0050C7)};
}
QList<Rgb> amberTile() {
    return {Rgb::fromHex(0xFF9F0A), Rgb::fromHex(0xC25B00)};
}
QList<Rgb> greenTile() {
    return {Rgb::fromHex(0x30D158), Rgb::fromHex(0x18863A)};
}
QList<Rgb> greyTile() {
    return {Rgb::fromHex(0x8E8E93), Rgb::fromHex(0x5A5A60)};
}
QList<Rgb> purpleTile() {
    return {Rgb::fromHex(0xBF5AF2), Rgb::fromHex(0x7A2CB0)};
}

ProviderToggle ProviderToggle::make(AIProviderType provider, const QList<AIProviderType>& activeProviders,
                                    bool detected) {
    ProviderToggle t;
    t.provider = provider;
    t.on = activeProviders.contains(provider);
    t.detected = detected;
    t.locked = t.on && activeProviders.size() < 2;
    return t;
}

QString ProviderToggle::tooltip() const {
    return locked ? L10n::atLeastOneProvider().text() : QString();
}

QString ProviderToggle::accessibleValue() const {
    return on ? L10n::shown().text() : L10n::hidden().text();
}

QString abbreviateHome(const QString& path, const QString& home) {
    QString root = home;
    while (root.size() > 1 && root.endsWith(QLatin1Char('/')))
        root.chop(1);
    if (root.isEmpty() || root == QLatin1String("/")) return path;
    if (path == root) return QStringLiteral("~");
    if (path.startsWith(root + QLatin1Char('/'))) return QLatin1Char('~') + path.mid(root.size());
    return path;
}

} // namespace meterix::SettingsModel
