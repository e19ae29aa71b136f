// The one place where masking is applied to what the panel and the bar show:
// every free text of a presented record is masked, including fields added later
// (the records are filled through their own JSON form, key by key).
#include "refresh/PresentedState.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <functional>

namespace meterix {
namespace {

const QString kAddress = QStringLiteral("mina.kim@example.com");
const QString kMasked = QStringLiteral("m***@example.com");
// Identifiers: never shown, and looked up by their exact text.
const QStringList kIdentifiers = {QStringLiteral("accountID"), QStringLiteral("sourceID"), QStringLiteral("id"),
                                  QStringLiteral("credentialFingerprint")};

// Every string of o that decode accepts in its place as a text naming kAddress.
QJsonObject withAddressEverywhere(QJsonObject o, const std::function<bool(const QJsonObject&)>& decodes) {
    for (const QString& key : o.keys()) {
        if (kIdentifiers.contains(key)) continue;
        QJsonValue v = o.value(key);
        if (v.isString()) {
            QJsonObject tried = o;
            tried.insert(key, QStringLiteral("Team of ") + kAddress);
            if (decodes(tried)) o = tried;
        } else if (v.isArray()) {
            QJsonArray items = v.toArray();
            for (qsizetype i = 0; i < items.size(); ++i)
                if (items[i].isObject())
                    items[i] = withAddressEverywhere(items[i].toObject(), [&](const QJsonObject& item) {
                        QJsonObject tried = o;
                        QJsonArray all = items;
                        all[i] = item;
                        tried.insert(key, all);
                        return decodes(tried);
                    });
            o.insert(key, items);
        }
    }
    return o;
}

// The strings of a JSON value, recursively.
void strings(const QJsonValue& v, QStringList& out) {
    if (v.isString()) out.append(v.toString());
    if (v.isArray())
        for (const QJsonValue& item : v.toArray())
            strings(item, out);
    if (v.isObject())
        for (const QJsonValue& item : v.toObject())
            strings(item, out);
}

UsageSnapshot everyFieldSet() {
    UsageSnapshot::Fields f;
    f.provider = AIProviderType::claudeCode;
    f.hourlyRemainingPercentage = 40;
    f.hourlyResetCountdown = 60;
    f.hourlyQuotaName = QStringLiteral("x");
    f.hourlyResetAt = QDateTime::fromSecsSinceEpoch(1800000000, Qt::UTC);
    f.weeklyRemainingPercentage = 50;
    f.weeklyResetCountdown = 60;
    f.weeklyResetAt = f.hourlyResetAt;
    f.modelQuotas = {ModelQuotaItem(QStringLiteral("x"), 10, QStringLiteral("x"), 60, f.hourlyResetAt,
                                    QStringLiteral("x"), 20)};
    f.accountEmail = QStringLiteral("x");
    f.planName = QStringLiteral("x");
    f.lastUpdated = *f.hourlyResetAt;
    f.accountID = QStringLiteral("u-1");
    f.sourceID = QStringLiteral("cli");
    UsageSnapshot s(f);
    s.fetchError = QStringLiteral("x");
    return s;
}

TEST(PresentedState, EveryTextOfAReadingAnAccountAndASourceIsMaskedWhileMaskingIsOn) {
    const QJsonObject filled = withAddressEverywhere(everyFieldSet().toJson(), [](const QJsonObject& o) {
        return UsageSnapshot::fromJson(o).has_value();
    });
    const UsageSnapshot reading = *UsageSnapshot::fromJson(filled);
    const AccountSource source = *AccountSource::fromJson(withAddressEverywhere(
        AccountSource{QStringLiteral("cli"), AccountSourceKind::cli, QStringLiteral("x"), QStringLiteral("/x"),
                      {}}
            .toJson(),
        [](const QJsonObject& o) { return AccountSource::fromJson(o).has_value(); }));
    ResolvedAccount account(QStringLiteral("u-1"), AIProviderType::claudeCode, kAddress,
                            QStringLiteral("Team of ") + kAddress, QStringLiteral("Team of ") + kAddress,
                            QStringLiteral("Team of ") + kAddress, {source}, true, QDateTime());

    for (const bool mask : {true, false}) {
        SCOPED_TRACE(mask);
        QStringList shown;
        strings(PresentedState::presented(reading, mask).toJson(), shown);
        strings(PresentedState::presented(source, mask).toJson(), shown);
        const ResolvedAccount a = PresentedState::presented(account, mask);
        shown << a.displayLabel() << a.displayName.value_or(QString()) << a.organization.value_or(QString())
              << a.planName.value_or(QString());
        for (const AccountSource& s : a.sources)
            strings(s.toJson(), shown);
        const QString all = shown.join(QLatin1Char('\n'));
        EXPECT_EQ(all.contains(kAddress), !mask) << all.toStdString();
        EXPECT_EQ(all.contains(kMasked), mask);
        // Every free text was filled: none is left without an address.
        EXPECT_GE(all.count(QLatin1Char('@')), 12);
    }
    // Identifiers stay as they are, so the views can look things up by them.
    EXPECT_EQ(PresentedState::presented(reading, true).accountID, QStringLiteral("u-1"));
    EXPECT_EQ(PresentedState::presented(account, true).id, QStringLiteral("u-1"));
}

} // namespace
} // namespace meterix
