#include "providers/claude/ClaudeCodeAdapter.h"

#include "core/Localization.h"
#include "core/ReadingWords.h"
#include "core/TimeZoneNames.h"
#include "support/Readings.h"
#include "support/ClaudeConfiguration.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"
#include "support/WaitUntil.h"
#include "support/Speaking.h"
#include "support/Worded.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

using namespace meterix;

namespace {

const QTimeZone kUtc(QByteArrayLiteral("UTC"));

QDateTime utc(int y, int mo, int d, int h = 12, int mi = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi), Qt::UTC);
}

std::optional<UsageSnapshot> parse(const QString& text, const QDateTime& now = utc(2026, 1, 3)) {
    return ClaudeCodeAdapter::parseClaudeUsageOutput(text, now, kUtc);
}

std::optional<double> reset(const QString& phrase, const QDateTime& now, const QTimeZone& zone = kUtc) {
    return ClaudeCodeAdapter::resetCountdown(phrase, now, zone);
}

} // namespace

TEST(ClaudeUsageText, SessionLineWithNamedZone) {
    const auto s =
        parse(QStringLiteral("Current session: 37% used · resets Jan 5 at 3:00pm (Europe/Paris)\n"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->provider, AIProviderType::claudeCode);
    EXPECT_DOUBLE_EQ(s->headlineRemainingPercentage, 63);
    // 15:00 in Paris on 5 January is 14:00 UTC: two days and two hours after noon on the 3rd.
    EXPECT_EQ(s->headlineResetAt, test::resetIn(*s, 2 * 86400.0 + 2 * 3600.0));
    EXPECT_FALSE(s->weeklyRemainingPercentage);
    EXPECT_FALSE(s->weeklyResetAt);
    ASSERT_EQ(s->modelQuotas.size(), 1);
    EXPECT_EQ(s->modelQuotas[0].name, QuotaLabel(QuotaKind::sessionFiveHours));
    EXPECT_EQ(s->modelQuotas[0].quotaType, QuotaLabel(QuotaKind::fiveHourSession));
    EXPECT_EQ(s->modelQuotas[0].remainingPercentage, 63);
    EXPECT_EQ(s->modelQuotas[0].resetAt, s->headlineResetAt);
    EXPECT_EQ(s->strategyUsed, FetchStrategy::cliStatusProbe);
    EXPECT_EQ(s->capturedAt, utc(2026, 1, 3));
    EXPECT_EQ(s->lastUpdated, utc(2026, 1, 3));
    EXPECT_EQ(s->totalTokens, 100000);
    EXPECT_EQ(s->usedTokens, 0);
    EXPECT_FALSE(s->accountEmail);
    EXPECT_FALSE(s->accountID);
    EXPECT_FALSE(s->sourceID);
    EXPECT_FALSE(s->fetchError);
    EXPECT_FALSE(s->unavailableReason);
}

TEST(ClaudeUsageText, FullReportInOrder) {
    const QString text = QStringLiteral("Usage\n"
                                        "  Current week (Sonnet): 5% used · resets Jan 9 at 1:00am\n"
                                        "  Current session: 20% used · resets Jan 3 at 5:00pm\n"
                                        "  Current week (all models): 41% used · resets Jan 9 at 1:00am\n"
                                        "  Current week (Opus): 70% used\n");
    const auto s = parse(text);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->headlineRemainingPercentage, 80);
    EXPECT_EQ(s->headlineResetAt, test::resetIn(*s, 5 * 3600.0));
    EXPECT_EQ(s->weeklyRemainingPercentage, 59);
    EXPECT_EQ(s->weeklyResetAt, test::resetIn(*s, 5 * 86400.0 + 13 * 3600.0));
    ASSERT_EQ(s->modelQuotas.size(), 4);
    EXPECT_EQ(s->modelQuotas[0].name, QuotaLabel(QuotaKind::sessionFiveHours));
    EXPECT_EQ(s->modelQuotas[1].name, QuotaLabel(QuotaKind::weeklyAllModels));
    EXPECT_EQ(s->modelQuotas[1].quotaType, QuotaLabel(QuotaKind::weeklyLimit));
    EXPECT_EQ(s->modelQuotas[2].name, QuotaLabel(QuotaKind::weeklyOfModel).withSubject(QStringLiteral("Opus")));
    EXPECT_EQ(s->modelQuotas[2].remainingPercentage, 30);
    EXPECT_FALSE(s->modelQuotas[2].resetAt);
    EXPECT_EQ(s->modelQuotas[3].name, QuotaLabel(QuotaKind::weeklyOfModel).withSubject(QStringLiteral("Sonnet")));
    EXPECT_EQ(s->modelQuotas[3].remainingPercentage, 95);
    EXPECT_EQ(s->modelQuotas[3].quotaType, QuotaLabel(QuotaKind::weeklyLimit));
}

TEST(ClaudeUsageText, TextsFollowTheDisplayLanguage) {
    test::speak(ResolvedLanguage::korean);
    const auto s = parse(QStringLiteral("Current session: 1% used\nCurrent week (all models): 2% used\n"
                                        "Current week (Opus): 3% used"));
    ASSERT_TRUE(s);
    ASSERT_EQ(s->modelQuotas.size(), 3);
    EXPECT_EQ(labelText(s->modelQuotas[0].name), QStringLiteral("세션 (5시간)"));
    EXPECT_EQ(labelText(s->modelQuotas[1].name), QStringLiteral("주간 (전체 모델)"));
    EXPECT_EQ(labelText(s->modelQuotas[2].name), QStringLiteral("주간 (Opus)"));
    test::expectOnlyKindsOrOwnNames(*s);
    test::speak();
}

TEST(ClaudeUsageText, CaseInsensitiveButWholePercentagesOnly) {
    const auto upper =
        parse(QStringLiteral("CURRENT SESSION: 37% USED · RESETS JAN 5 AT 3:00PM (Europe/Paris)"));
    ASSERT_TRUE(upper);
    EXPECT_EQ(upper->headlineRemainingPercentage, 63);
    EXPECT_EQ(upper->headlineResetAt, test::resetIn(*upper, 2 * 86400.0 + 2 * 3600.0));
    EXPECT_FALSE(parse(QStringLiteral("Current session: 37.5% used")));
}

TEST(ClaudeUsageText, PercentagesAreClamped) {
    EXPECT_EQ(parse(QStringLiteral("Current session: 0% used"))->headlineRemainingPercentage, 100);
    EXPECT_EQ(parse(QStringLiteral("Current session: 120% used"))->headlineRemainingPercentage, 0);
    EXPECT_EQ(parse(QStringLiteral("Current session: 99999999999999999999% used"))->headlineRemainingPercentage,
              0);
}

TEST(ClaudeUsageText, MalformedTextGivesNoFigureRatherThanAWrongOne) {
    EXPECT_FALSE(parse(QString()));
    EXPECT_FALSE(parse(QStringLiteral("Error: not logged in. Run claude /login")));
    EXPECT_FALSE(parse(QStringLiteral("Current session: used")));
    EXPECT_FALSE(parse(QStringLiteral("Current session: 45")));
    EXPECT_FALSE(parse(QStringLiteral("Current session: -5% used")));
    EXPECT_FALSE(parse(QStringLiteral("Current session: \u0663\u0667% used"))) << "digits of another script";
    // A figure far beyond what a number can hold is no figure.
    EXPECT_FALSE(parse(QStringLiteral("Current session: ") + QString(400, QLatin1Char('9')) +
                       QStringLiteral("% used")));
    const auto noWeekly =
        parse(QStringLiteral("Current session: 10% used\nCurrent week (all models): ") +
              QString(400, QLatin1Char('9')) + QStringLiteral("% used\nCurrent week (Opus): x% used"));
    ASSERT_TRUE(noWeekly);
    EXPECT_FALSE(noWeekly->weeklyRemainingPercentage);
    EXPECT_EQ(noWeekly->modelQuotas.size(), 1);
    EXPECT_FALSE(parse(QString::fromLatin1(QByteArray("\x00\x01\xff\xfe Current", 11))));
}

TEST(ClaudeUsageText, NewlineBetweenLabelAndFigureStillMatches) {
    // \s spans line breaks, as in the client's wrapped output.
    const auto s = parse(QStringLiteral("Current session:\n  45% used"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->headlineRemainingPercentage, 55);
}

TEST(ClaudeUsageText, YearRollsOverOnlyForDatesWellInThePast) {
    // 2 January read on 30 December: next year's, about three days ahead.
    EXPECT_EQ(reset(QStringLiteral("resets Jan 2 at 9:00am"), utc(2025, 12, 30)), 2 * 86400.0 + 21 * 3600.0);
    // 31 December read on 2 January: this year's, about 363 days ahead.
    EXPECT_EQ(reset(QStringLiteral("resets Dec 31 at 11:00pm"), utc(2026, 1, 2)),
              363 * 86400.0 + 11 * 3600.0);
    // Earlier today: no countdown, not next year.
    EXPECT_FALSE(reset(QStringLiteral("resets Jan 3 at 9:00am"), utc(2026, 1, 3)));
    EXPECT_FALSE(reset(QStringLiteral("resets Jan 3 at 12:00pm"), utc(2026, 1, 3)));
    EXPECT_EQ(reset(QStringLiteral("resets Jan 3 at 12:01pm"), utc(2026, 1, 3)), 60.0);
}

TEST(ClaudeUsageText, TwelveOClockReadings) {
    EXPECT_EQ(reset(QStringLiteral("resets Jan 4 at 12:30am"), utc(2026, 1, 3)), 12 * 3600.0 + 30 * 60.0);
    EXPECT_EQ(reset(QStringLiteral("resets Jan 4 at 12:30pm"), utc(2026, 1, 3)), 86400.0 + 30 * 60.0);
    EXPECT_EQ(reset(QStringLiteral("resets Jan 4 at 1:05 PM"), utc(2026, 1, 3)), 86400.0 + 3600.0 + 5 * 60.0);
}

TEST(ClaudeUsageText, UnknownOrMissingZoneFallsBackToTheSystemZone) {
    const QTimeZone seoul(QByteArrayLiteral("Asia/Seoul"));
    // 9:00 in Seoul is 00:00 UTC.
    EXPECT_EQ(reset(QStringLiteral("resets Jan 4 at 9:00am (Mars/Olympus)"), utc(2026, 1, 3), seoul),
              12 * 3600.0);
    EXPECT_EQ(reset(QStringLiteral("resets Jan 4 at 9:00am"), utc(2026, 1, 3), seoul), 12 * 3600.0);
    EXPECT_EQ(reset(QStringLiteral("resets Jan 4 at 9:00am (UTC)"), utc(2026, 1, 3), seoul), 21 * 3600.0);
}

TEST(ClaudeUsageText, ImpossibleDatesGiveNoCountdownButKeepTheLine) {
    for (const char* phrase : {"resets Sept 5 at 3:00pm", "resets Foo 5 at 3:00pm", "resets Feb 31 at 3:00pm",
                               "resets Jan 0 at 3:00pm", "resets Jan 5 at 13:00pm", "resets Jan 5 at 3:75pm",
                               "resets Jan 5 at 99:00am", "resets soon"}) {
        const auto s = parse(QStringLiteral("Current session: 50% used · ") + QString::fromLatin1(phrase));
        ASSERT_TRUE(s) << phrase;
        EXPECT_EQ(s->headlineRemainingPercentage, 50) << phrase;
        EXPECT_FALSE(s->headlineResetAt) << phrase;
    }
}

TEST(ClaudeUsageText, UsageLineWithABrokenPatternGivesNothing) {
    EXPECT_FALSE(ClaudeCodeAdapter::usageLine(QStringLiteral("Current session: 5% used"),
                                              QStringLiteral("(unclosed"), utc(2026, 1, 3), kUtc));
    const auto w =
        ClaudeCodeAdapter::usageLine(QStringLiteral("Current session: 5% used"),
                                     QStringLiteral("Current session:\\s*(\\d+)%"), utc(2026, 1, 3), kUtc);
    ASSERT_TRUE(w) << "a pattern without group 2 gives a window without countdown";
    EXPECT_EQ(*w, (ClaudeCodeAdapter::QuotaWindow{95, std::nullopt}));
}

TEST(ClaudeUsageText, ResetPhrasesOfCurrentClients) {
    const QDateTime now = utc(2026, 8, 1);
    const struct {
        const char* phrase;
        std::optional<QDateTime> at; // in UTC
    } rows[] = {
        {"resets Aug 18 at 4:59am (Europe/Madrid)", utc(2026, 8, 18, 2, 59)},
        {"resets Aug 21 at 12pm (Europe/Madrid)", utc(2026, 8, 21, 10)},
        {"resets Oct 5, 10:09pm (Europe/Bucharest)", utc(2026, 10, 5, 19, 9)},
        {"resets Jul 1, 8pm (UTC)", utc(2027, 7, 1, 20)}, // a month back: next year's
        {"resets Aug 2 at 12am", utc(2026, 8, 2, 0)},
        {"resets Aug 2, 12pm", utc(2026, 8, 2, 12)},
        {"resets Aug 2 3pm", utc(2026, 8, 2, 15)},
        {"resets Aug 2, at 3:30PM", utc(2026, 8, 2, 15, 30)},
        {"RESETS AUG 2,3pm", utc(2026, 8, 2, 15)},
        {"resets Aug 2 at 3:00 pm (Mars/Olympus)", utc(2026, 8, 2, 15)},
        {"resets Feb 30, 8pm", std::nullopt},
        {"resets Aug 2, 13pm", std::nullopt},
        {"resets Aug 2 at 3:0pm", std::nullopt},
        {"resets Aug 2 at 3", std::nullopt},
        {"resets Aug 2 at at 3pm", std::nullopt},
        {"resets August 2, 3pm", std::nullopt},
    };
    for (const auto& row : rows) {
        const auto s = parse(
            QStringLiteral("Current session: 27% used · ") + QString::fromUtf8(row.phrase) + u'\n', now);
        ASSERT_TRUE(s) << row.phrase;
        EXPECT_EQ(s->headlineRemainingPercentage, 73) << row.phrase;
        const std::optional<double> expected =
            row.at ? std::optional<double>(static_cast<double>(now.secsTo(*row.at))) : std::nullopt;
        EXPECT_EQ(s->headlineResetAt, test::resetIn(*s, expected)) << row.phrase;
    }
    const auto both =
        parse(QStringLiteral("Current session: 27% used · resets Oct 5, 10:09pm (Europe/Bucharest)\n"
                             "Current week (all models): 12% used · resets Aug 21 at 12pm (Europe/Madrid)\n"),
              utc(2026, 8, 20));
    ASSERT_TRUE(both);
    EXPECT_EQ(both->weeklyRemainingPercentage, 88);
    EXPECT_EQ(both->weeklyResetAt, test::resetIn(*both, 22 * 3600.0));
    EXPECT_TRUE(both->headlineResetAt);
}

// Qt reads a zone name as a file below its zone folder: a name that climbs out of
// it to a FIFO used to block the adapter thread for ever. Only well-formed names
// the zone database holds as files are taken; anything else falls back to the
// system zone.
TEST(ClaudeUsageText, OnlyZoneNamesOfTheDatabaseAreOpened) {
    const test::TempHome home;
    const QString fifo = home.makeFifo(QStringLiteral("pipe"));
    const QString climb = QStringLiteral("../../../../../../..") + QDir(fifo).absolutePath();
    const QTimeZone seoul(QByteArrayLiteral("Asia/Seoul"));
    const QDateTime now = utc(2026, 1, 3);
    const struct {
        QString zone;
        double seconds; // until Jan 4, 9:00 in that zone
    } rows[] = {
        {QStringLiteral("UTC"), 21 * 3600.0},
        {QStringLiteral("Europe/Paris"), 20 * 3600.0},
        {QStringLiteral("Asia/Seoul"), 12 * 3600.0},
        {climb, 12 * 3600.0},
        {QStringLiteral("../zoneinfo/UTC"), 12 * 3600.0},
        {QStringLiteral("/usr/share/zoneinfo/UTC"), 12 * 3600.0},
        {QStringLiteral("Europe/../UTC"), 12 * 3600.0},
        {QStringLiteral("Mars/Olympus"), 12 * 3600.0},
    };
    for (const auto& row : rows) {
        const QString text =
            QStringLiteral("Current session: 5% used · resets Jan 4 at 9:00am (%1)\n").arg(row.zone);
        std::atomic<bool> done{false};
        std::optional<UsageSnapshot> s;
        std::thread reader([&] {
            s = ClaudeCodeAdapter::parseClaudeUsageOutput(text, now, seoul);
            done = true;
        });
        const bool finished = test::waitUntil([&] { return done.load(); });
        if (!finished) { // let the blocked open go, so that the failure is reported
            const int fd = ::open(fifo.toLocal8Bit().constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
        }
        reader.join();
        EXPECT_TRUE(finished) << qPrintable(row.zone);
        ASSERT_TRUE(s) << qPrintable(row.zone);
        EXPECT_EQ(s->headlineResetAt, test::resetIn(*s, row.seconds)) << qPrintable(row.zone);
    }
}

namespace {

// The usage screen of current clients: each limit on lines of its own, bars, an
// offer between a figure and its reset, a week without reset, another section.
const QString kScreen = QStringLiteral(
    " Settings:  Status   Config   Usage  (tab to cycle)\n\n"
    " Current session\n \u2588\u2588\u2588\u2588\u258C                     15% used\n Resets %1\n\n"
    " Current week (all models)\n \u2588\u2588\u2588\u2588\u2588\u2588\u2588\u258C           51% used\n"
    " Resets Jul 26, 5:59am (%2)\n\n"
    " Current week (Fable)\n \u2588\u258C                              5% used\n"
    " \u2728 Fable is included in your plan for a limited time \u00B7 /model to try it\n"
    " Resets Jul 26, 5:59am (America/Los_Angeles)\n\n"
    " Current week (Opus)\n                                0% used\n\n"
    " Extra usage\n Extra usage not enabled \u00B7 /extra-usage to enable\n");

// Every quota line as "name remaining countdown".
QStringList lines(const UsageSnapshot& s) {
    return test::claudeQuotaLines(s, s.capturedAt, false);
}

} // namespace

// 20:00 UTC on 22 July is 13:00 in Los Angeles (UTC-7) and 05:00 next day in
// Seoul, the system zone of these rows.
TEST(ClaudeUsageText, UsageScreenOnSeparateLinesAndZoneAliases) {
    const QDateTime now = utc(2026, 7, 22, 20);
    const QTimeZone seoul(QByteArrayLiteral("Asia/Seoul"));
    const struct {
        const char* sessionReset;
        const char* weekZone;
        QDateTime now;
        const char* session; // countdown, "-" for none
        int week;            // seconds until Jul 26, 5:59am in weekZone
    } rows[] = {
        {"10:39pm (America/Los_Angeles)", "America/Los_Angeles", now, "34740", 320340},
        {"Jul 23 at 2am (US/Pacific)", "US/Pacific", now, "46800", 320340},
        {"6am (Asia/Calcutta)", "Asia/Calcutta", now, "16200", 275340}, // IST is UTC+5:30
        {"12:00am (Etc/UTC)", "Etc/UTC", now, "14400", 295140},
        // After 10pm a reset at 2am is tomorrow's.
        {"2am (America/Los_Angeles)", "America/Los_Angeles", utc(2026, 7, 23, 5), "14400", 287940},
        // No zone, or none the database holds: Seoul's clock.
        {"10:39pm", "Asia/Atlantis", now, "63540", 262740},
        {"13:39pm (UTC)", "UTC+05:00", now, "-", 262740},
        {"soon", "Etc", now, "-", 262740},
    };
    for (const auto& row : rows) {
        const QString text = kScreen.arg(QLatin1String(row.sessionReset), QLatin1String(row.weekZone));
        const auto s = ClaudeCodeAdapter::parseClaudeUsageOutput(text, row.now, seoul);
        ASSERT_TRUE(s) << row.sessionReset;
        EXPECT_EQ(s->headlineRemainingPercentage, 85);
        EXPECT_EQ(s->weeklyResetAt, test::resetIn(*s, row.week)) << row.weekZone;
        const QString shift = QString::number(3 * 86400 + 16 * 3600 + 59 * 60 - now.secsTo(row.now));
        EXPECT_EQ(lines(*s), QStringList({QStringLiteral("Session (5h) 85 ") + QLatin1String(row.session),
                                          QStringLiteral("Weekly (all models) 49 %1").arg(row.week),
                                          QStringLiteral("Weekly (Opus) 100 -"),
                                          QStringLiteral("Weekly (Fable) 95 ") + shift}))
            << row.sessionReset << " " << row.weekZone;
    }
}

// A block's figure is its first "NN% used" before the next label; its reset the
// first "Resets" line after that figure and before any other figure.
TEST(ClaudeUsageText, UsageScreenBlocksKeepToThemselves) {
    const struct {
        const char* text;
        QStringList lines; // empty: no usage report
    } rows[] = {
        {"current SESSION:\r\n \u2588 40% used\r\n resets 9pm (UTC)\r\n", {"Session (5h) 60 3600"}},
        {"Current session\nResets 9pm (UTC)\n40% used\n", {"Session (5h) 60 -"}},
        {"Current session\n10% used\nExtra usage\n3% used\nResets 9pm (UTC)\n", {"Session (5h) 90 -"}},
        {"Current session\nCurrent week (all models)\n40% used\n", {}},
        {"Current session\n37.5% used\n", {}},
        {"Your Current session\n10% used\n", {}},
        {"Current session\n{400 nines}% used\n", {}},
        // Any model, each once, Opus and Sonnet first; the one-line form before a
        // block; names a line cannot show left out.
        {"Current session: 10% used\nCurrent week (Fable)\n1% used\nCurrent week (Sonnet): 2% used\n"
         "Current week (fable)\n3% used\nCurrent week (Haiku 5): 4% used\nCurrent week (Opus)\n5% used\n"
         "Current week (Sonnet)\n6% used\nCurrent week ( )\n7% used\nCurrent week (All Models)\n8% used\n"
         "Current week (Fa\u202Eble): 3% used\nCurrent week (\x01): 3% used\n",
         {"Session (5h) 90 -", "Weekly (all models) 92 -", "Weekly (Opus) 95 -", "Weekly (Sonnet) 98 -",
          "Weekly (Haiku 5) 96 -", "Weekly (Fable) 99 -"}},
    };
    for (const auto& row : rows) {
        const QString text =
            QString::fromUtf8(row.text).replace(QLatin1String("{400 nines}"), QString(400, QLatin1Char('9')));
        const auto s = parse(text, utc(2026, 7, 22, 20));
        EXPECT_EQ(s ? lines(*s) : QStringList(), row.lines) << row.text;
    }
    QString many = QStringLiteral("Current session: 1% used\n");
    for (int i = 0; i < 40; ++i)
        many += QStringLiteral("Current week (Model %1)\n%1% used\n").arg(i);
    const auto s = parse(many);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->modelQuotas.size(), 1 + ClaudeCodeAdapter::kMaxModelLines) << "a runaway list stops";
}

// Whether a name reaches QTimeZone (which opens it as a file) is decided by stat
// alone: nothing but a regular file is ever opened.
TEST(ClaudeUsageText, ZoneDatabaseEntriesAreRegularFilesOnly) {
    const test::TempHome db;
    db.write(QStringLiteral("Etc/UTC"), "TZif");
    db.mkdir(QStringLiteral("US"));
    QFile::link(QStringLiteral("../Etc/UTC"), db.file(QStringLiteral("US/Pacific")));
    QFile::link(db.makeFifo(QStringLiteral("Etc/Pipe")), db.file(QStringLiteral("Etc/PipeLink")));
    QFile::link(QStringLiteral("/dev/null"), db.file(QStringLiteral("Etc/Null")));
    for (const char* name : {"Etc/UTC", "US/Pacific"})
        EXPECT_TRUE(isZoneDatabaseEntry(QString::fromLatin1(name), db.path())) << name;
    for (const char* name :
         {"Etc/Pipe", "Etc/PipeLink", "Etc/Null", "Etc", "Etc/Missing", "", "/Etc/UTC", "Etc//UTC",
          "Etc/UTC/", "Etc/../Etc/UTC", "./Etc/UTC", "Etc/UTC\n", "Etc\\UTC", "\xC3\x89tc/UTC"})
        EXPECT_FALSE(isZoneDatabaseEntry(QString::fromUtf8(name), db.path())) << name;
    EXPECT_FALSE(isZoneDatabaseEntry(QString(129, QLatin1Char('a')), db.path()));
}

// The usage screen names Sonnet's own week "Current week (Sonnet only)"; every
// line keeps the moment its window resets, so a reading shown later can tell an
// ended window from a current one.
TEST(ClaudeUsageText, ModelOnlyWeeksAndResetMoments) {
    const struct {
        const char* text;
        QStringList lines; // "name remaining reset moment"
    } rows[] = {
        {" Current session\n \u2588\u2588\u2588\u258C        35% used\n Resets 4:59pm (UTC)\n\n"
         " Current week (all models)\n \u2588\u2588\u2588\u2588\u2588\u2588  80% used\n Resets Jan 8, 9pm "
         "(UTC)\n\n"
         " Current week (Sonnet only)\n \u2588\u2588       43% used\n Resets Jan 8, 9pm (UTC)\n",
         {"Session (5h) 65 2026-01-03T16:59:00Z", "Weekly (all models) 20 2026-01-08T21:00:00Z",
          "Weekly (Sonnet) 57 2026-01-08T21:00:00Z"}},
        {"Current session: 10% used · resets Jan 3 at 5pm (UTC)\n"
         "Current week (Opus only): 12% used · resets Jan 8 at 9pm (UTC)\n"
         "Current week (Sonnet Only): 3% used\n",
         {"Session (5h) 90 2026-01-03T17:00:00Z", "Weekly (Opus) 88 2026-01-08T21:00:00Z",
          "Weekly (Sonnet) 97 -"}},
        // A reset that cannot be read has no moment either.
        {"Current session: 10% used · resets Feb 30 at 5pm (UTC)\n", {"Session (5h) 90 -"}},
    };
    for (const auto& row : rows) {
        const auto s = parse(QString::fromUtf8(row.text));
        ASSERT_TRUE(s) << row.text;
        const QStringList got = test::claudeQuotaLines(*s, std::nullopt, true);
        EXPECT_EQ(got, row.lines) << row.text;
        EXPECT_EQ(s->headlineResetAt, s->modelQuotas[0].resetAt);
        if (s->weeklyRemainingPercentage) {
            EXPECT_EQ(s->weeklyResetAt, s->modelQuotas[1].resetAt);
        }
    }
}
