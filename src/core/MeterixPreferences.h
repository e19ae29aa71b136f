#pragma once

#include "core/AIProviderType.h"
#include "core/PixelCatBreed.h"

#include <QObject>
#include <QSettings>

#include <memory>
#include <optional>

namespace meterix {

// The user's settings other than the language, one settings key per property.
// A key never written reads as its default; nothing is written at start-up.
// Every write emits its change signal, so views redraw. GUI thread only.
class MeterixPreferences : public QObject {
    Q_OBJECT
    Q_PROPERTY(double panelOriginX READ panelOriginX WRITE setPanelOriginX NOTIFY panelOriginXChanged)
    Q_PROPERTY(double panelOriginY READ panelOriginY WRITE setPanelOriginY NOTIFY panelOriginYChanged)
    Q_PROPERTY(double panelWidth READ panelWidth WRITE setPanelWidth NOTIFY panelWidthChanged)
    Q_PROPERTY(double panelHeight READ panelHeight WRITE setPanelHeight NOTIFY panelHeightChanged)
    Q_PROPERTY(bool soundEnabled READ soundEnabled WRITE setSoundEnabled NOTIFY soundEnabledChanged)
    Q_PROPERTY(bool eyeTrackingEnabled READ eyeTrackingEnabled WRITE setEyeTrackingEnabled NOTIFY
                   eyeTrackingEnabledChanged)
    Q_PROPERTY(double refreshIntervalSeconds READ refreshIntervalSeconds WRITE setRefreshIntervalSeconds
                   NOTIFY refreshIntervalSecondsChanged)
    Q_PROPERTY(
        bool pixelCatEnabled READ pixelCatEnabled WRITE setPixelCatEnabled NOTIFY pixelCatEnabledChanged)
    Q_PROPERTY(QString pixelCatBreedRaw READ pixelCatBreedRaw WRITE setPixelCatBreedRaw NOTIFY
                   pixelCatBreedRawChanged)
    Q_PROPERTY(bool maskAccountEmails READ maskAccountEmails WRITE setMaskAccountEmails NOTIFY
                   maskAccountEmailsChanged)
    Q_PROPERTY(bool accountScanEnabled READ accountScanEnabled WRITE setAccountScanEnabled NOTIFY
                   accountScanEnabledChanged)
    Q_PROPERTY(bool hasCustomizedProviders READ hasCustomizedProviders WRITE setHasCustomizedProviders NOTIFY
                   hasCustomizedProvidersChanged)
    Q_PROPERTY(QString enabledProvidersJSON READ enabledProvidersJSON WRITE setEnabledProvidersJSON NOTIFY
                   enabledProvidersJSONChanged)

  public:
    explicit MeterixPreferences(std::shared_ptr<QSettings> settings, QObject* parent = nullptr);

    // The one instance, on the app's settings file; created on first use.
    static MeterixPreferences& shared();

    double panelOriginX() const;
    double panelOriginY() const;
    double panelWidth() const;
    double panelHeight() const;
    bool soundEnabled() const;
    bool eyeTrackingEnabled() const;
    // Stored for older settings files; nothing reads it (polling is fixed).
    double refreshIntervalSeconds() const;
    bool pixelCatEnabled() const;
    QString pixelCatBreedRaw() const;
    bool maskAccountEmails() const;
    bool accountScanEnabled() const;
    bool hasCustomizedProviders() const;
    QString enabledProvidersJSON() const;

    void setPanelOriginX(double v);
    void setPanelOriginY(double v);
    void setPanelWidth(double v);
    void setPanelHeight(double v);
    // Also copies the value into the sound switch.
    void setSoundEnabled(bool v);
    void setEyeTrackingEnabled(bool v);
    void setRefreshIntervalSeconds(double v);
    void setPixelCatEnabled(bool v);
    void setPixelCatBreedRaw(const QString& v);
    void setMaskAccountEmails(bool v);
    void setAccountScanEnabled(bool v);
    void setHasCustomizedProviders(bool v);
    void setEnabledProvidersJSON(const QString& v);

    // The providers the user chose, in display order; nothing when never chosen
    // or when the stored list does not decode.
    std::optional<QList<AIProviderType>> enabledProviders() const;
    void setEnabledProviders(const std::optional<QList<AIProviderType>>& providers);

    // The stored coat, or the first coat when the stored text names none.
    PixelCatBreed pixelCatBreed() const;
    void setPixelCatBreed(PixelCatBreed breed);

  Q_SIGNALS:
    void panelOriginXChanged();
    void panelOriginYChanged();
    void panelWidthChanged();
    void panelHeightChanged();
    void soundEnabledChanged();
    void eyeTrackingEnabledChanged();
    void refreshIntervalSecondsChanged();
    void pixelCatEnabledChanged();
    void pixelCatBreedRawChanged();
    void maskAccountEmailsChanged();
    void accountScanEnabledChanged();
    void hasCustomizedProvidersChanged();
    void enabledProvidersJSONChanged();
    // The object-wide change notice: sent after enabledProviders and pixelCatBreed writes.
    void changed();

  private:
    double readDouble(const char* key, double fallback) const;
    bool readBool(const char* key, bool fallback) const;
    QString readString(const char* key, const QString& fallback) const;
    void write(const char* key, const QVariant& value);
    void store(const char* key, const QVariant& value, void (MeterixPreferences::*changed)());

    std::shared_ptr<QSettings> settings_;
};

} // namespace meterix
