#pragma once

#include "core/Localization.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

#include <memory>

namespace meterix::test {

// Every text is built in this language from now on, as after the user chose
// it on the settings screen: the choice goes through a language setting of the
// test's own, on settings that are never written. GUI thread only.
inline void speak(ResolvedLanguage language = ResolvedLanguage::english) {
    static Localization* const choice = [] {
        const QString unwritten =
            QDir::temp().filePath(QStringLiteral("meterix-language-%1.ini").arg(QCoreApplication::applicationPid()));
        return new Localization(std::make_shared<QSettings>(unwritten, QSettings::IniFormat),
                                [] { return QStringList(); });
    }();
    choice->assignPreference(language == ResolvedLanguage::korean ? AppLanguage::korean : AppLanguage::english);
}

} // namespace meterix::test
