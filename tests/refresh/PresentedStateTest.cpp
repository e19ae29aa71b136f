// The one place where masking is applied to what the panel and the bar show:
// every free text of a presented record is masked, including fields added later
// (the records are filled through their own JSON form, key by key).
#include "refresh/PresentedState.h"

#include "core/TextUtil.h"

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

// Every string of o that decode accepts in its place as `text`.
QJsonObject withTextEverywhere(QJsonObject o, const QString& text,
                               const std::function<bool(const QJsonObject&)>& decodes) {
    for (const QString& key : o.keys()) {
        if (kIdentifiers.contains(key)) continue;
        QJsonValue v = o.value(key);
        if (v.isString()) {
            QJsonObject tried = o;
            tried.insert(key, text);
            if (decodes(tried)) o = tried;
        } else if (v.isArray()) {
            QJsonArray items = v.toArray();
            for (qsizetype i = 0; i < items.size(); ++i)
                if (items[i].isObject())
                    items[i] = withTextEverywhere(items[i].toObject(), text, [&](const QJsonObject& item) {
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
    f.headlineRemainingPercentage = 40;
    f.headlineQuotaName = QStringLiteral("x");
    f.headlineResetAt = QDateTime::fromSecsSinceEpoch(1800000000, Qt::UTC);
    f.weeklyRemainingPercentage = 50;
    f.weeklyResetAt = f.headlineResetAt;
    f.modelQuotas = {ModelQuotaItem(QStringLiteral("x"), 10, QStringLiteral("x"), f.headlineResetAt,
                                    QStringLiteral("x"), 20)};
    f.accountEmail = QStringLiteral("x");
    f.planName = QStringLiteral("x");
    f.lastUpdated = *f.headlineResetAt;
    f.accountID = QStringLiteral("u-1");
    f.sourceID = QStringLiteral("cli");
    UsageSnapshot s(f);
    s.fetchError = QStringLiteral("x");
    return s;
}

// A reading, an account and its source with `text` in every free text.
struct Filled {
    UsageSnapshot reading;
    AccountSource source;
    ResolvedAccount account;
};

Filled filledWith(const QString& text) {
    const QJsonObject filled = withTextEverywhere(everyFieldSet().toJson(), text, [](const QJsonObject& o) {
        return UsageSnapshot::fromJson(o).has_value();
    });
    const AccountSource source = *AccountSource::fromJson(withTextEverywhere(
        AccountSource{QStringLiteral("cli"), AccountSourceKind::cli, QStringLiteral("x"), QStringLiteral("/x"),
                      {}}
            .toJson(),
        text, [](const QJsonObject& o) { return AccountSource::fromJson(o).has_value(); }));
    return {*UsageSnapshot::fromJson(filled), source,
            ResolvedAccount(QStringLiteral("u-1"), AIProviderType::claudeCode, text, text, text, text, {source}, true,
                            QDateTime())};
}

// Every text of the three records as presented.
QStringList shownTexts(const Filled& f, bool mask) {
    QStringList shown;
    strings(PresentedState::presented(f.reading, mask).toJson(), shown);
    strings(PresentedState::presented(f.source, mask).toJson(), shown);
    const ResolvedAccount a = PresentedState::presented(f.account, mask);
    shown << a.displayLabel() << a.displayName.value_or(QString()) << a.organization.value_or(QString())
          << a.planName.value_or(QString());
    for (const AccountSource& s : a.sources)
        strings(s.toJson(), shown);
    return shown;
}

TEST(PresentedState, EveryTextOfAReadingAnAccountAndASourceIsMaskedWhileMaskingIsOn) {
    const Filled f = filledWith(QStringLiteral("Team of ") + kAddress);
    for (const bool mask : {true, false}) {
        SCOPED_TRACE(mask);
        const QString all = shownTexts(f, mask).join(QLatin1Char('\n'));
        EXPECT_EQ(all.contains(kAddress), !mask) << all.toStdString();
        EXPECT_EQ(all.contains(kMasked), mask);
        // Every free text was filled: none is left without an address.
        EXPECT_GE(all.count(QLatin1Char('@')), 12);
    }
    // Identifiers stay as they are, so the views can look things up by them.
    EXPECT_EQ(PresentedState::presented(f.reading, true).accountID, QStringLiteral("u-1"));
    EXPECT_EQ(PresentedState::presented(f.account, true).id, QStringLiteral("u-1"));
}

// A text from outside as long as another program cares to write reaches no
// view whole: every one is cut, masked or not.
TEST(PresentedState, EveryTextFromOutsideIsCutToWhatAScreenShows) {
    const QString endless = QStringLiteral("/") + QString(4096, QLatin1Char('n'));
    const Filled f = filledWith(endless);
    for (const bool mask : {true, false}) {
        SCOPED_TRACE(mask);
        const QStringList shown = shownTexts(f, mask);
        EXPECT_GE(shown.count(shownText(endless)), 9);
        for (const QString& text : shown)
            EXPECT_LE(characterCount(text), kMaxShownLineCharacters) << text.left(20).toStdString();
    }
}

} // namespace
} // namespace meterix
