#pragma once

#include "accounts/AccountFileReader.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <optional>

namespace meterix {

// Reads another application's preferences (by its application identifier, e.g.
// "com.openai.chat") from its property-list file, XML or binary, under the home
// folder's Library/Preferences. Values come as QVariant: QString, qint64,
// double, bool, QDateTime (UTC), QByteArray, QVariantList, QVariantMap.
// Blocking (reads a file): call off the GUI thread. Never writes, never fails
// loudly: a missing, oversized, special or malformed file reads as absent.
class AccountPreferencesReader {
  public:
    AccountPreferencesReader() = delete;

    static std::optional<QVariant> value(const QString& key, const QString& appID,
                                         const QString& homeFolder = AccountFileReader::home());
    // The value when it is a string.
    static std::optional<QString> string(const QString& key, const QString& appID,
                                         const QString& homeFolder = AccountFileReader::home());
    // Every key of the application's preferences.
    static QStringList keys(const QString& appID, const QString& homeFolder = AccountFileReader::home());
    // Sorted, distinct, never empty: the keys longer than the prefix that start
    // with it, with the prefix removed.
    static QStringList keySuffixes(const QString& appID, const QString& prefix,
                                   const QString& homeFolder = AccountFileReader::home());

    // Where the application's preference list lives.
    static QString preferencesFile(const QString& appID,
                                   const QString& homeFolder = AccountFileReader::home());

  private:
    static std::optional<QVariantMap> plistContents(const QString& appID, const QString& homeFolder);
};

} // namespace meterix
