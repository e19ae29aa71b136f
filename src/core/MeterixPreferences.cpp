#include "core/MeterixPreferences.h"

#include "core/PixelCatBreed.h"
#include "core/Settings.h"
#include "core/SoundSwitch.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>

namespace meterix {


MeterixPreferences::MeterixPreferences(std::shared_ptr<QSettings> settings, QObject* parent)
    : QObject(parent), settings_(std::move(settings)) {
    soundSwitch().store(soundEnabled());
}

MeterixPreferences& MeterixPreferences::shared() {
    static MeterixPreferences* instance =
        new MeterixPreferences(appSettings()); // lives for the whole process
    return *instance;
}

double MeterixPreferences::readDouble(const char* key, double fallback) const {
    const QVariant v = settings_->value(QLatin1String(key));
    bool ok = false;
    const double d = v.toDouble(&ok);
    return v.isValid() && ok && std::isfinite(d) ? d : fallback;
}

bool MeterixPreferences::readBool(const char* key, bool fallback) const {
    const QVariant v = settings_->value(QLatin1String(key));
    if (!v.isValid()) return fallback;
    if (v.typeId() == QMetaType::Bool) return v.toBool();
    // INI files hold text: only "true"/"false" count.
    const QString s = v.toString().trimmed().toLower();
    if (s == QLatin1String("true")) return true;
    if (s == QLatin1String("false")) return false;
    return fallback;
}

QString MeterixPreferences::readString(const char* key, const QString& fallback) const {
    const QVariant v = settings_->value(QLatin1String(key));
    if (!v.isValid() || !v.canConvert<QString>()) return fallback;
    return v.toString();
}

void MeterixPreferences::write(const char* key, const QVariant& value) {
    settings_->setValue(QLatin1String(key), value);
    settings_->sync();
}

void MeterixPreferences::store(const char* key, const QVariant& value,
                               void (MeterixPreferences::*changed)()) {
    write(key, value);
    Q_EMIT(this->*changed)();
}

double MeterixPreferences::panelOriginX() const {
    return readDouble("panelOriginX", -1.0);
}
double MeterixPreferences::panelOriginY() const {
    return readDouble("panelOriginY", -1.0);
}
double MeterixPreferences::panelWidth() const {
    return readDouble("panelWidth", -1.0);
}
double MeterixPreferences::panelHeight() const {
    return readDouble("panelHeight", -1.0);
}
bool MeterixPreferences::soundEnabled() const {
    return readBool("soundEnabled", true);
}
bool MeterixPreferences::eyeTrackingEnabled() const {
    return readBool("eyeTrackingEnabled", true);
}
double MeterixPreferences::refreshIntervalSeconds() const {
    return readDouble("refreshIntervalSeconds", 60.0);
}
bool MeterixPreferences::pixelCatEnabled() const {
    return readBool("pixelCatEnabled", true);
}
QString MeterixPreferences::pixelCatBreedRaw() const {
    return readString("pixelCatBreedRaw", rawValue(PixelCatBreed::orangeTabby));
}
bool MeterixPreferences::maskAccountEmails() const {
    return readBool("maskAccountEmails", true);
}
bool MeterixPreferences::accountScanEnabled() const {
    return readBool("accountScanEnabled", true);
}
bool MeterixPreferences::hasCustomizedProviders() const {
    return readBool("hasCustomizedProviders", false);
}
QString MeterixPreferences::enabledProvidersJSON() const {
    return readString("enabledProvidersJSON", QString());
}

void MeterixPreferences::setPanelOriginX(double v) {
    store("panelOriginX", v, &MeterixPreferences::panelOriginXChanged);
}
void MeterixPreferences::setPanelOriginY(double v) {
    store("panelOriginY", v, &MeterixPreferences::panelOriginYChanged);
}
void MeterixPreferences::setPanelWidth(double v) {
    store("panelWidth", v, &MeterixPreferences::panelWidthChanged);
}
void MeterixPreferences::setPanelHeight(double v) {
    store("panelHeight", v, &MeterixPreferences::panelHeightChanged);
}
void MeterixPreferences::setSoundEnabled(bool v) {
    write("soundEnabled", v);
    soundSwitch().store(soundEnabled());
    Q_EMIT soundEnabledChanged();
}
void MeterixPreferences::setEyeTrackingEnabled(bool v) {
    store("eyeTrackingEnabled", v, &MeterixPreferences::eyeTrackingEnabledChanged);
}
void MeterixPreferences::setRefreshIntervalSeconds(double v) {
    store("refreshIntervalSeconds", v, &MeterixPreferences::refreshIntervalSecondsChanged);
}
void MeterixPreferences::setPixelCatEnabled(bool v) {
    store("pixelCatEnabled", v, &MeterixPreferences::pixelCatEnabledChanged);
}
void MeterixPreferences::setPixelCatBreedRaw(const QString& v) {
    store("pixelCatBreedRaw", v, &MeterixPreferences::pixelCatBreedRawChanged);
}
void MeterixPreferences::setMaskAccountEmails(bool v) {
    store("maskAccountEmails", v, &MeterixPreferences::maskAccountEmailsChanged);
}
void MeterixPreferences::setAccountScanEnabled(bool v) {
    store("accountScanEnabled", v, &MeterixPreferences::accountScanEnabledChanged);
}
void MeterixPreferences::setHasCustomizedProviders(bool v) {
    store("hasCustomizedProviders", v, &MeterixPreferences::hasCustomizedProvidersChanged);
}
void MeterixPreferences::setEnabledProvidersJSON(const QString& v) {
    store("enabledProvidersJSON", v, &MeterixPreferences::enabledProvidersJSONChanged);
}

std::optional<QList<AIProviderType>> MeterixPreferences::enabledProviders() const {
    if (!hasCustomizedProviders()) return std::nullopt;
    const QString text = enabledProvidersJSON();
    if (text.isEmpty()) return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray()) return std::nullopt;
    QList<AIProviderType> providers;
    for (const QJsonValue& v : doc.array()) {
        if (!v.isString()) return std::nullopt;
        const auto p = providerFromRawValue(v.toString());
        if (!p) return std::nullopt;
        providers.append(*p);
    }
    return providers;
}

void MeterixPreferences::setEnabledProviders(const std::optional<QList<AIProviderType>>& providers) {
    if (providers) {
        setHasCustomizedProviders(true);
        QJsonArray array;
        for (AIProviderType p : *providers)
            array.append(rawValue(p));
        setEnabledProvidersJSON(QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact)));
    } else {
        setHasCustomizedProviders(false);
        setEnabledProvidersJSON(QString());
    }
    Q_EMIT changed();
}

PixelCatBreed MeterixPreferences::pixelCatBreed() const {
    return pixelCatBreedFromRawValue(pixelCatBreedRaw()).value_or(PixelCatBreed::orangeTabby);
}

void MeterixPreferences::setPixelCatBreed(PixelCatBreed breed) {
    setPixelCatBreedRaw(rawValue(breed));
    Q_EMIT changed();
}

} // namespace meterix
