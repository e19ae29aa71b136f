// The words the panel composes read in the language of the moment: quota names
// made of a family and a window, accounts without a name called by their kind;
// a wrapped subtitle never leaves one word alone, and an address is cut only
// when its line is full.
#include "panels/AccountRow.h"
#include "panels/MenuPlateRow.h"
#include "panels/ProviderDetailModel.h"
#include "core/ReadingWords.h"
#include "design/MeterixFont.h"
#include "providers/antigravity/AntigravityAdapter.h"

#include "BothLanguages.h"
#include "support/FakeClock.h"

#include <QFontMetricsF>

namespace meterix {
namespace {

class Words : public test::BothLanguages {
  protected:
    test::FakeClock clock;
};

TEST_P(Words, AntigravitysQuotaNamesAreComposedWhenDrawn) {
    const auto s = AntigravityAdapter::parseAgyUsageOutput(
        QStringLiteral("Gemini Models\tFive Hour Limit Remaining\t80%\n"
                       "Claude and GPT models\tWeekly Limit Remaining\t40%\n"
                       "Gemini 2.5 Pro\tGemini 2.5 Pro Weekly Limit\t30%\n"),
        clock.now());
    ASSERT_TRUE(s);
    const struct {
        const char *ko, *en, *kindKo, *kindEn;
    } rows[] = {
        {"Gemini 5시간", "Gemini 5-hour", "5시간 세션", "5-Hour Session"},
        {"Claude/GPT 주간", "Claude/GPT weekly", "주간 한도", "Weekly Limit"},
        {"Gemini 2.5 Pro 주간", "Gemini 2.5 Pro weekly", "주간 한도", "Weekly Limit"},
    };
    ASSERT_EQ(s->modelQuotas.size(), std::size(rows));
    for (qsizetype i = 0; i < s->modelQuotas.size(); ++i) {
        EXPECT_EQ(labelText(s->modelQuotas[i].name), pick(rows[i].ko, rows[i].en));
        EXPECT_EQ(labelText(s->modelQuotas[i].quotaType), pick(rows[i].kindKo, rows[i].kindEn));
    }
    EXPECT_EQ(ProviderDetailModel({.provider = AIProviderType::antigravity, .snapshot = *s}, clock).heroCaption(),
              pick(rows[0].ko, rows[0].en));
}

TEST_P(Words, AnAccountWithoutANameIsCalledByItsKind) {
    const struct {
        AccountSourceKind kind;
        const char* place;
        std::optional<QString> email;
        const char *ko, *en;
    } rows[] = {
        {AccountSourceKind::api, "API", std::nullopt, "API 키 계정", "API key account"},
        {AccountSourceKind::cli, "Claude Code", std::nullopt, "Claude Code 프로필", "Claude Code profile"},
        {AccountSourceKind::desktopApp, "Claude Desktop", std::nullopt, "Claude Desktop 계정", "Claude Desktop account"},
        {AccountSourceKind::cli, "Claude Code", QStringLiteral("mina@example.com"), "mina@example.com", "mina@example.com"},
    };
    for (const auto& r : rows) {
        ResolvedAccount a(QStringLiteral("0d9f3c7e-5b1a-4c2e-9f00-3e1b2a4c5d6e"), AIProviderType::claudeCode,
                          r.email, std::nullopt, std::nullopt, std::nullopt,
                          {AccountSource{QStringLiteral("x"), r.kind, QString::fromUtf8(r.place), std::nullopt, {}}},
                          false, clock.now());
        const ProviderDetailModel m({.displayedAccount = a, .accounts = {a}}, clock);
        EXPECT_EQ(m.accountRows().first().label, pick(r.ko, r.en));
        EXPECT_EQ(m.headerSubtitle(), pick(r.ko, r.en));
    }
}

TEST_P(Words, AWrappedSubtitleLeavesNoWordAlone) {
    const QFontMetricsF m(MeterixFont::rounded(10, QFont::Medium)); // the subtitle's font
    const struct {
        const char* text;
        int wordsOnFirstLine; // of those that fit, as laid out
        const char* second;
    } rows[] = {
        {"ChatGPT Team · New account, not read yet", 6, "read yet"},
        {"Signed in with an API key", 4, "API key"},
    };
    for (const auto& r : rows) {
        const QString text = QString::fromUtf8(r.text);
        const QStringList words = text.split(QLatin1Char(' '));
        // Room for every word but the last.
        const double width = m.horizontalAdvance(words.mid(0, words.size() - 1).join(QLatin1Char(' '))) + 1;
        const QStringList lines = MenuPlateRow::subtitleLines(text, width);
        ASSERT_EQ(lines.size(), 2) << r.text;
        EXPECT_EQ(lines[0], words.mid(0, r.wordsOnFirstLine).join(QLatin1Char(' ')));
        EXPECT_EQ(lines[1], QString::fromUtf8(r.second));
    }
}

// The age of an older reading stands under its percentage, beside the plan:
// the address on the line above gives way to the percentage alone.
TEST_P(Words, AnAddressIsCutOnlyWhenItsLineIsFull) {
    AccountRowModel model;
    model.label = QStringLiteral("mina.kim.longname@example.com");
    model.planName = QStringLiteral("Claude Max");
    model.sourceBadge = QStringLiteral("CLI");
    model.usageReadable = true;
    model.remainingPercentage = 70;
    model.readingCapturedAt = clock.now().addSecs(-3 * 3600 - 1200);
    AccountRow row(model, clock);
    const double labelW = QFontMetricsF(MeterixFont::rounded(11.5, QFont::DemiBold)).horizontalAdvance(model.label);
    const double percentW = QFontMetricsF(MeterixFont::rounded(12, QFont::Bold)).horizontalAdvance(QStringLiteral("70%"));
    const double chipW = QFontMetricsF(MeterixFont::rounded(8.5, QFont::Bold)).horizontalAdvance(model.sourceBadge) + 9;
    const int fits = int(AccountRow::tileSize + AccountRow::spacing + labelW + 5 + chipW + AccountRow::minimumGap +
                         percentW) + 3;
    const struct {
        int width;
        bool whole;
    } rows[] = {{fits, true}, {fits - 40, false}};
    for (const auto& r : rows) {
        row.resize(r.width, row.sizeHint().height());
        EXPECT_EQ(row.shownLabel() == model.label, r.whole) << r.width << " " << row.shownLabel().toStdString();
    }
}

METERIX_IN_BOTH_LANGUAGES(Words);

} // namespace
} // namespace meterix
