// Another app's preference list, XML or binary, through the reader the Gemini
// and ChatGPT resolvers use: it reads or reads as absent, never aborts, never
// recurses without bound, and gives only values of the documented types.
#include "FuzzTarget.h"

#include "accounts/AccountPreferencesReader.h"

#include <QVariant>

using namespace meterix;

namespace {

void checkValue(const QVariant& v, int depth) {
    METERIX_FUZZ_CHECK(depth <= 70);
    switch (v.typeId()) {
    case QMetaType::QVariantList:
        for (const QVariant& item : v.toList())
            checkValue(item, depth + 1);
        break;
    case QMetaType::QVariantMap: {
        const QVariantMap map = v.toMap();
        for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
            METERIX_FUZZ_CHECK(!it.key().contains(QChar(0)));
            checkValue(it.value(), depth + 1);
        }
        break;
    }
    case QMetaType::QString:
        METERIX_FUZZ_CHECK(!v.toString().contains(QChar(0)));
        break;
    case QMetaType::QDateTime:
        fuzz::checkDate(v.toDateTime());
        break;
    default:
        break;
    }
}

} // namespace

METERIX_FUZZ_TARGET(property_list) {
    const QString home = fuzz::workspace() + QStringLiteral("/plist-home");
    const QString appID = QStringLiteral("com.example.fuzz");
    if (!fuzz::writeFile(QStringLiteral("plist-home/Library/Preferences/") + appID + QStringLiteral(".plist"),
                         fuzz::bytes(data, size)))
        return;

    const QStringList keys = AccountPreferencesReader::keys(appID, home);
    for (const QString& key : keys) {
        METERIX_FUZZ_CHECK(!key.contains(QChar(0)));
        if (const auto value = AccountPreferencesReader::value(key, appID, home)) checkValue(*value, 1);
    }
    const QStringList suffixes = AccountPreferencesReader::keySuffixes(appID, QStringLiteral("a"), home);
    for (const QString& suffix : suffixes)
        METERIX_FUZZ_CHECK(!suffix.isEmpty());
}
