#pragma once

#include <QObject>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace meterix {

enum class AppLanguage { system, korean, english };
enum class ResolvedLanguage { korean, english };

QString rawValue(AppLanguage language);
std::optional<AppLanguage> appLanguageFromRawValue(const QString& raw);
QList<AppLanguage> allAppLanguages();
// "Follow System" in the resolved language; each language's own name in itself.
QString displayName(AppLanguage language);
QString rawValue(ResolvedLanguage language);

// The user's display-language choice, stored under "appLanguage". The resolved
// language sits in a process-wide lock box so texts can be built on any thread.
// Lives on the GUI thread.
class Localization : public QObject {
    Q_OBJECT
    Q_PROPERTY(meterix::AppLanguage preference READ preference NOTIFY preferenceChanged)

  public:
    // The settings object is shared with the rest of the app's settings.
    explicit Localization(std::shared_ptr<QSettings> settings,
                          std::function<QStringList()> preferredLanguages = systemPreferredLanguages,
                          QObject* parent = nullptr);

    // The one instance, on the app's settings; created on first use.
    static Localization& shared();
    // The language every text uses now (english until a Localization exists).
    static ResolvedLanguage current();

    AppLanguage preference() const { return preference_; }
    // Re-resolves and publishes; does not store.
    void assignPreference(AppLanguage language);
    // Stores and assigns; nothing at all when the value is unchanged.
    void setPreference(AppLanguage language);

    static ResolvedLanguage resolve(AppLanguage language, const QStringList& preferredLanguages);
    static QStringList systemPreferredLanguages();

  Q_SIGNALS:
    void preferenceChanged(meterix::AppLanguage language);

  private:
    std::shared_ptr<QSettings> settings_;
    std::function<QStringList()> preferredLanguages_;
    AppLanguage preference_ = AppLanguage::system;
};

// Applies a choice from the settings screen. Readings hold no words, so nothing
// is read again: the views word them anew when the language changes.
class AppLanguageController {
  public:
    static void apply(Localization& localization, AppLanguage language);
};

} // namespace meterix

Q_DECLARE_METATYPE(meterix::AppLanguage)
