#include "core/Localization.h"

#include "core/L10n.h"
#include "core/Locked.h"
#include "core/Settings.h"

#include <QCoreApplication>
#include <QLocale>

namespace meterix {

namespace {

const QString kAppLanguageKey = QStringLiteral("appLanguage");

Locked<ResolvedLanguage>& resolvedBox() {
    static Locked<ResolvedLanguage> box(ResolvedLanguage::english);
    return box;
}

} // namespace

QString rawValue(AppLanguage language) {
    switch (language) {
    case AppLanguage::system:
        return QStringLiteral("system");
    case AppLanguage::korean:
        return QStringLiteral("korean");
    case AppLanguage::english:
        return QStringLiteral("english");
    }
    return QStringLiteral("system");
}

std::optional<AppLanguage> appLanguageFromRawValue(const QString& raw) {
    for (AppLanguage l : allAppLanguages())
        if (rawValue(l) == raw) return l;
    return std::nullopt;
}

QList<AppLanguage> allAppLanguages() {
    return {AppLanguage::system, AppLanguage::korean, AppLanguage::english};
}

QString displayName(AppLanguage language) {
    switch (language) {
    case AppLanguage::system:
        return L10n::languageSystem().text();
    case AppLanguage::korean:
        return L10n::languageKoreanName().text();
    case AppLanguage::english:
        return L10n::languageEnglishName().text();
    }
    return {};
}

QString rawValue(ResolvedLanguage language) {
    return language == ResolvedLanguage::korean ? QStringLiteral("korean") : QStringLiteral("english");
}

Localization::Localization(std::shared_ptr<QSettings> settings,
                           std::function<QStringList()> preferredLanguages, QObject* parent)
    : QObject(parent), settings_(std::move(settings)), preferredLanguages_(std::move(preferredLanguages)) {
    const QVariant stored = settings_->value(kAppLanguageKey);
    preference_ =
        appLanguageFromRawValue(stored.typeId() == QMetaType::QString ? stored.toString() : QString())
            .value_or(AppLanguage::system);
    resolvedBox().set(resolve(preference_, preferredLanguages_()));
}

Localization& Localization::shared() {
    static Localization* instance = new Localization(appSettings()); // lives for the whole process
    return *instance;
}

ResolvedLanguage Localization::current() {
    return resolvedBox().get();
}

void Localization::assignPreference(AppLanguage language) {
    const bool changed = language != preference_;
    preference_ = language;
    resolvedBox().set(resolve(language, preferredLanguages_()));
    if (changed) Q_EMIT preferenceChanged(language);
}

void Localization::setPreference(AppLanguage language) {
    if (language == preference_) return;
    settings_->setValue(kAppLanguageKey, rawValue(language));
    settings_->sync();
    assignPreference(language);
}

ResolvedLanguage Localization::resolve(AppLanguage language, const QStringList& preferredLanguages) {
    if (language == AppLanguage::korean) return ResolvedLanguage::korean;
    if (language == AppLanguage::english) return ResolvedLanguage::english;
    if (preferredLanguages.isEmpty()) return ResolvedLanguage::english;
    // The language is the tag's first piece between "-" and "_" separators.
    const QString& tag = preferredLanguages.first();
    qsizetype start = 0;
    while (start < tag.size() && (tag[start] == u'-' || tag[start] == u'_'))
        ++start;
    qsizetype end = start;
    while (end < tag.size() && tag[end] != u'-' && tag[end] != u'_')
        ++end;
    if (end == start) return ResolvedLanguage::english;
    return tag.mid(start, end - start).toLower() == QLatin1String("ko") ? ResolvedLanguage::korean
                                                                        : ResolvedLanguage::english;
}

QStringList Localization::systemPreferredLanguages() {
    return QLocale::system().uiLanguages();
}

void AppLanguageController::apply(Localization& localization, AppLanguage language) {
    if (language == localization.preference()) return;
    localization.setPreference(language);
}

} // namespace meterix
