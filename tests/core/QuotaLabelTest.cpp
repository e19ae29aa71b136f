// The words of a reading are kinds with values, worded when drawn; stored
// labels read back as they were, and plain texts of older readings as named.
#include "core/QuotaLabel.h"
#include "support/Speaking.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace meterix {
namespace {

// A label of the kind with every value filled, as an adapter could make it.
QuotaLabel filled(QuotaKind kind) {
    if (kind == QuotaKind::providerWord) return QuotaLabel::providerWord("kimi", "codingPlanKey");
    return QuotaLabel(kind)
        .withSubject(kind == QuotaKind::named ? QStringLiteral("GPT-5 mini") : QStringLiteral("Opus"))
        .withAmount(QStringLiteral("4.50"))
        .withTotal(QStringLiteral("10"))
        .withCurrency(QStringLiteral("USD"))
        .withCount(300);
}

TEST(QuotaLabel, EveryKindIsWordedInKorean) {
    test::speak(ResolvedLanguage::korean);
    // Without the vendor's names, the figures and the names that have no
    // Korean form, no Latin letter is left: every word of ours is Korean.
    const QRegularExpression values(QStringLiteral("GPT-5 mini|Opus|USD|Ollama|TPM|RPD|API"));
    const QRegularExpression latin(QStringLiteral("[A-Za-z]"));
    for (const QuotaKind kind : allQuotaKinds()) {
        const QuotaLabel label =
            kind == QuotaKind::notes ? filled(kind).withNote(QuotaNote::warning) : filled(kind);
        const QString text = labelText(label);
        EXPECT_FALSE(QString(text).remove(values).contains(latin))
            << rawValue(kind).toStdString() << ": " << text.toStdString();
    }
    test::speak();
}

TEST(QuotaLabel, WindowsAreWordedByWholeWeeksDaysHoursOrMinutes) {
    const struct {
        qint64 minutes;
        const char* en;
        const char* ko;
    } rows[] = {{300, "5-hour limit", "5시간 한도"},  {10080, "1-week limit", "1주 한도"},
                {20160, "2-week limit", "2주 한도"},  {4320, "3-day limit", "3일 한도"},
                {90, "90-minute limit", "90분 한도"}, {-60, "-60-minute limit", "-60분 한도"}};
    for (const auto& row : rows) {
        const QuotaLabel label = QuotaLabel(QuotaKind::window).withCount(row.minutes);
        test::speak(ResolvedLanguage::english);
        EXPECT_EQ(labelText(label), QString::fromUtf8(row.en));
        test::speak(ResolvedLanguage::korean);
        EXPECT_EQ(labelText(label), QString::fromUtf8(row.ko));
    }
    test::speak();
}

TEST(QuotaLabel, ValuesAndNotesAreWordedInPlace) {
    const struct {
        QuotaLabel label;
        const char* en;
    } rows[] = {
        {QuotaLabel(QuotaKind::window).withCount(300).withSubject(QStringLiteral("GPT-5.3-Codex-Spark")),
         "GPT-5.3-Codex-Spark \u00b7 5-hour limit"},
        {QuotaLabel(QuotaKind::totalBalance)
             .withCurrency(QStringLiteral("USD"))
             .withAmount(QStringLiteral("4.50")),
         "Total Balance (USD 4.50)"},
        {QuotaLabel(QuotaKind::totalBalance).withAmount(QStringLiteral("$4.50")), "Total Balance ($4.50)"},
        {QuotaLabel(QuotaKind::notes).withNote(QuotaNote::warning).withNote(QuotaNote::bindingLimit),
         "Warning \u00b7 Currently binding limit"},
        {QuotaLabel(QuotaKind::charactersUsed)
             .withAmount(QStringLiteral("2500"))
             .withTotal(QStringLiteral("10000")),
         "Characters: 2500/10000"},
        {QuotaLabel(QStringLiteral("Claude Max")), "Claude Max"},
    };
    test::speak(ResolvedLanguage::english);
    for (const auto& row : rows)
        EXPECT_EQ(labelText(row.label), QString::fromUtf8(row.en));
}

TEST(QuotaLabel, EveryKindReadsBackAsStored) {
    for (const QuotaKind kind : allQuotaKinds()) {
        const QuotaLabel label = filled(kind).withNote(QuotaNote::critical);
        // Through the text of a file, as the store keeps it.
        const QJsonObject stored =
            QJsonDocument::fromJson(
                QJsonDocument(QJsonObject{{QStringLiteral("l"), label.toJson()}}).toJson())
                .object();
        EXPECT_EQ(QuotaLabel::fromJson(stored.value(QStringLiteral("l"))), label)
            << rawValue(kind).toStdString();
    }
}

TEST(QuotaLabel, PlainTextIsNamedAndOtherShapesFail) {
    EXPECT_EQ(QuotaLabel::fromJson(QStringLiteral("Weekly (all models)")),
              QuotaLabel(QStringLiteral("Weekly (all models)")));
    const char* refused[] = {R"({"kind":"fortnight"})",
                             R"({"subject":"Opus"})",
                             R"({"kind":"window","count":"5"})",
                             R"({"kind":"window","count":1.5})",
                             R"({"kind":"named","subject":7})",
                             R"({"kind":"notes","notes":["loud"]})",
                             R"({"kind":"notes","notes":"warning"})"};
    for (const char* json : refused)
        EXPECT_FALSE(QuotaLabel::fromJson(QJsonDocument::fromJson(json).object())) << json;
    EXPECT_FALSE(QuotaLabel::fromJson(QJsonValue(3)));
}

} // namespace
} // namespace meterix
