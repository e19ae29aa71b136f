#include "providers/codex/CodexRolloutReader.h"

#include "core/IsoDate.h"
#include "core/Localization.h"
#include "core/ReadingWords.h"
#include "support/CodexFixtures.h"
#include "support/CpuTime.h"
#include "support/FakeClock.h"
#include "support/ProcessReadCounter.h"
#include "support/TempHome.h"
#include "support/Speaking.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <limits>


namespace meterix {
namespace {

using Reader = CodexRolloutReader;
namespace fx = test::codex;

QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

const QDateTime kNow = utc(2026, 1, 15, 12, 0);

QJsonObject fullLimits() {
    return QJsonObject{
        {QStringLiteral("primary"), fx::window(25, 300, utc(2026, 1, 15, 13).toSecsSinceEpoch())},
        {QStringLiteral("secondary"), fx::window(60.5, 10080, utc(2026, 1, 20).toSecsSinceEpoch())},
        {QStringLiteral("credits"), QJsonObject{{QStringLiteral("has_credits"), true},
                                                {QStringLiteral("balance"), 42.9},
                                                {QStringLiteral("unlimited"), false}}},
        {QStringLiteral("plan_type"), QStringLiteral("plus")},
    };
}

QJsonObject planOnly(const QString& plan) {
    QJsonObject limits{{QStringLiteral("primary"), fx::window(10, 300, 2e9)}};
    limits.insert(QStringLiteral("plan_type"), plan);
    return limits;
}

// Reads and parses one event line through the public entry for events.
std::optional<Reader::RateLimits> fromLine(const QByteArray& line, const test::FakeClock& clock) {
    const auto object = QJsonDocument::fromJson(line).object();
    return Reader::rateLimits(object, kNow, std::nullopt, clock);
}

QByteArray eventWith(const QJsonObject& limits) { return fx::rateLimitLine(QStringLiteral("2026-01-15T11:00:00Z"), limits); }

class CodexRolloutReaderTest : public ::testing::Test {
protected:
    void SetUp() override { test::speak(); }
    void TearDown() override { test::speak(); }

    QString rollout(const QString& relative, const QList<QByteArray>& lines, const QDateTime& modified) {
        return fx::writeFile(home.file(QStringLiteral("sessions/") + relative), fx::joinLines(lines), modified);
    }

    test::TempHome home;
    test::FakeClock clock{kNow};
};

// MARK: The whole home

TEST_F(CodexRolloutReaderTest, FindsTheNewestEventWithItsWindowsPlanCreditsAndSessionStart) {
    rollout(QStringLiteral("2026/01/15/rollout-2026-01-15T10-00-00-abc.jsonl"),
            {fx::sessionMetaLine(QStringLiteral("2026-01-15T10:00:00.250Z")),
             fx::messageLine(QStringLiteral("2026-01-15T10:00:01Z"), QStringLiteral("안녕하세요")),
             fx::rateLimitLine(QStringLiteral("2026-01-15T11:30:00.5Z"), fullLimits()),
             fx::messageLine(QStringLiteral("2026-01-15T11:31:00Z"), QStringLiteral("done"))},
            utc(2026, 1, 15, 11, 31));

    const auto limits = Reader::rateLimits(home.path(), kNow, clock);
    ASSERT_TRUE(limits);
    ASSERT_TRUE(limits->account.primary);
    EXPECT_DOUBLE_EQ(limits->account.primary->remaining, 75);
    EXPECT_EQ(limits->account.primary->windowMinutes, 300);
    EXPECT_EQ(limits->account.primary->resetsAt, utc(2026, 1, 15, 13));
    ASSERT_TRUE(limits->account.secondary);
    EXPECT_DOUBLE_EQ(limits->account.secondary->remaining, 39.5);
    EXPECT_EQ(limits->account.secondary->windowMinutes, 10080);
    EXPECT_EQ(limits->account.planType, QStringLiteral("plus"));
    EXPECT_EQ(limits->account.creditBalance, 42.9);
    EXPECT_FALSE(limits->account.hasUnlimitedCredits);
    EXPECT_EQ(limits->account.capturedAt, utc(2026, 1, 15, 11, 30).addMSecs(500));
    EXPECT_EQ(limits->account.sessionStartedAt, utc(2026, 1, 15, 10).addMSecs(250));
}

TEST_F(CodexRolloutReaderTest, AHomeWithoutSessionsOrWithoutMatchingNamesGivesNothing) {
    EXPECT_FALSE(Reader::rateLimits(home.path(), kNow, clock));
    const QList<QByteArray> lines{fx::sessionMetaLine(QStringLiteral("2026-01-15T10:00:00Z")), eventWith(fullLimits())};
    rollout(QStringLiteral("rollout-a.json"), lines, kNow);
    rollout(QStringLiteral("session-a.jsonl"), lines, kNow);
    rollout(QStringLiteral("2026/01/15/notes.jsonl"), lines, kNow);
    EXPECT_TRUE(Reader::rolloutCandidates(home.path(), 12).isEmpty());
    EXPECT_FALSE(Reader::rateLimits(home.path(), kNow, clock));
}

TEST_F(CodexRolloutReaderTest, FlatAndDatedFilesCompeteOnModificationDateAlone) {
    const QString flat = rollout(QStringLiteral("rollout-flat.jsonl"), {}, utc(2026, 1, 14));
    const QString dated = rollout(QStringLiteral("2026/01/13/rollout-dated.jsonl"), {}, utc(2026, 1, 15));
    const QString older = rollout(QStringLiteral("2026/01/12/rollout-old.jsonl"), {}, utc(2026, 1, 1));
    const auto candidates = Reader::rolloutCandidates(home.path(), 12);
    ASSERT_EQ(candidates.size(), 3);
    EXPECT_EQ(candidates[0].url, dated);
    EXPECT_EQ(candidates[1].url, flat);
    EXPECT_EQ(candidates[2].url, older);
    EXPECT_EQ(candidates[0].modified, utc(2026, 1, 15));
    EXPECT_EQ(Reader::rolloutCandidates(home.path(), 2).size(), 2);
    EXPECT_TRUE(Reader::rolloutCandidates(home.path(), 0).isEmpty());
}

TEST_F(CodexRolloutReaderTest, OnlyThirtyDayFoldersAreWalkedNewestNamesFirst) {
    // 20 days in February and 20 in January: February's 20 and January 11-20 are walked.
    for (int month = 1; month <= 2; ++month)
        for (int day = 1; day <= 20; ++day)
            rollout(QStringLiteral("2025/%1/%2/rollout-x.jsonl").arg(month, 2, 10, QLatin1Char('0')).arg(day, 2, 10, QLatin1Char('0')),
                    {}, utc(2025, month, day));
    home.mkdir(QStringLiteral("sessions/.2026/01/01")); // hidden names are not walked
    const auto candidates = Reader::rolloutCandidates(home.path(), 100);
    ASSERT_EQ(candidates.size(), 30);
    EXPECT_TRUE(candidates.first().url.endsWith(QStringLiteral("2025/02/20/rollout-x.jsonl")));
    EXPECT_TRUE(candidates.last().url.endsWith(QStringLiteral("2025/01/11/rollout-x.jsonl")));
}

TEST_F(CodexRolloutReaderTest, EmptyDayFoldersCountTowardTheLimit) {
    for (int day = 1; day <= 30; ++day)
        home.mkdir(QStringLiteral("sessions/2025/12/%1").arg(day + 1, 2, 10, QLatin1Char('0')));
    rollout(QStringLiteral("2025/12/01/rollout-x.jsonl"),
            {fx::sessionMetaLine(QStringLiteral("2025-12-01T00:00:00Z")), eventWith(fullLimits())}, utc(2025, 12, 1));
    EXPECT_TRUE(Reader::rolloutCandidates(home.path(), 12).isEmpty());
    EXPECT_FALSE(Reader::rateLimits(home.path(), kNow, clock));
}

TEST_F(CodexRolloutReaderTest, OnlyTheTwelveNewestFilesAreConsidered) {
    rollout(QStringLiteral("rollout-00.jsonl"),
            {fx::sessionMetaLine(QStringLiteral("2026-01-01T00:00:00Z")), eventWith(fullLimits())}, utc(2026, 1, 1));
    for (int i = 1; i <= 12; ++i)
        rollout(QStringLiteral("rollout-%1.jsonl").arg(i, 2, 10, QLatin1Char('0')),
                {fx::messageLine(QStringLiteral("2026-01-02T00:00:00Z"), QStringLiteral("no limits"))},
                utc(2026, 1, 2).addSecs(i));
    EXPECT_FALSE(Reader::rateLimits(home.path(), kNow, clock));
}

TEST_F(CodexRolloutReaderTest, TheLaterLineOfAFileWinsWhateverItsTimestamp) {
    rollout(QStringLiteral("rollout-a.jsonl"),
            {fx::sessionMetaLine(QStringLiteral("2026-01-15T09:00:00Z")),
             fx::rateLimitLine(QStringLiteral("2026-01-15T11:00:00Z"), planOnly(QStringLiteral("pro"))),
             fx::rateLimitLine(QStringLiteral("2026-01-15T10:00:00Z"), planOnly(QStringLiteral("team")))},
            kNow);
    const auto limits = Reader::rateLimits(home.path(), kNow, clock);
    ASSERT_TRUE(limits);
    EXPECT_EQ(limits->account.planType, QStringLiteral("team"));
    EXPECT_EQ(limits->account.capturedAt, utc(2026, 1, 15, 10));
}

TEST_F(CodexRolloutReaderTest, OnEqualTimestampsTheNewerFileWins) {
    const QString stamp = QStringLiteral("2026-01-15T10:00:00Z");
    rollout(QStringLiteral("rollout-old.jsonl"), {fx::rateLimitLine(stamp, planOnly(QStringLiteral("old")))},
            utc(2026, 1, 15, 11));
    rollout(QStringLiteral("rollout-new.jsonl"), {fx::rateLimitLine(stamp, planOnly(QStringLiteral("new")))},
            utc(2026, 1, 15, 11, 30));
    const auto limits = Reader::rateLimits(home.path(), kNow, clock);
    ASSERT_TRUE(limits);
    EXPECT_EQ(limits->account.planType, QStringLiteral("new"));
}

TEST_F(CodexRolloutReaderTest, AStrictlyLaterEventInAnOlderFileStillWinsWhileItsFileCouldHoldIt) {
    // The newer file's event predates the older file's modification, so the older file is read.
    rollout(QStringLiteral("rollout-new.jsonl"),
            {fx::rateLimitLine(QStringLiteral("2026-01-15T08:00:00Z"), planOnly(QStringLiteral("new")))},
            utc(2026, 1, 15, 11));
    rollout(QStringLiteral("rollout-old.jsonl"),
            {fx::rateLimitLine(QStringLiteral("2026-01-15T09:00:00Z"), planOnly(QStringLiteral("old")))},
            utc(2026, 1, 15, 10));
    const auto limits = Reader::rateLimits(home.path(), kNow, clock);
    ASSERT_TRUE(limits);
    EXPECT_EQ(limits->account.planType, QStringLiteral("old"));
}

TEST_F(CodexRolloutReaderTest, TheSearchStopsOnceNoOlderFileCanHoldANewerEvent) {
    rollout(QStringLiteral("rollout-new.jsonl"),
            {fx::rateLimitLine(QStringLiteral("2026-01-15T10:30:00Z"), planOnly(QStringLiteral("new")))},
            utc(2026, 1, 15, 11));
    // Its event claims a later time, but the file was last written before the best event.
    rollout(QStringLiteral("rollout-old.jsonl"),
            {fx::rateLimitLine(QStringLiteral("2026-01-15T11:45:00Z"), planOnly(QStringLiteral("old")))},
            utc(2026, 1, 15, 10, 30));
    const auto limits = Reader::rateLimits(home.path(), kNow, clock);
    ASSERT_TRUE(limits);
    EXPECT_EQ(limits->account.planType, QStringLiteral("new"));
}

// A rollout written while the clock ran ahead (a dual boot with the hardware
// clock in local time, a restored virtual machine, a boot before time sync)
// used to sort first, read as now and end the search before the live
// session's file: its old figures showed as fresh until the clock caught up.
TEST_F(CodexRolloutReaderTest, ARolloutWrittenWhileTheClockRanAheadDoesNotHideTodays) {
    struct File {
        const char* plan;
        qint64 modified;             // seconds from now
        std::optional<qint64> stamp; // of its rate-limit line; nothing: no stamp
        qint64 resetIn = 3600;       // of its 5-hour window, by the service's clock
    };
    const qint64 hour = 3600;
    const struct {
        const char* name;
        QList<File> files;
        const char* plan;
        qint64 capturedAt;
    } rows[] = {
        {"ahead beside today's", {{"ahead", 9 * hour, 9 * hour - 600}, {"today", -60, -120}}, "today", -120},
        {"ahead and unstamped beside today's",
         {{"ahead", 9 * hour, std::nullopt}, {"today", -60, -120}},
         "today",
         -120},
        {"ahead in its file's date only: its stamp places it",
         {{"restored", 9 * hour, -60}, {"today", -240, -300}},
         "restored",
         -60},
        // Its window began after today's reading, so it is the newer one.
        {"ahead, its window begun since today's reading",
         {{"ahead", 9 * hour, 9 * hour, 5 * hour - 60}, {"today", -60, -120}},
         "ahead",
         0},
        {"ahead of a week-old file",
         {{"ahead", 2 * hour, 2 * hour}, {"old", -7 * 24 * hour, -7 * 24 * hour}},
         "ahead",
         0},
        {"nothing but readings ahead", {{"first", 2 * hour, 2 * hour}, {"second", 9 * hour, 9 * hour}}, "second", 0},
        {"a line written while the scan runs", {{"live", 5, 5}, {"older", -hour, -hour}}, "live", 0},
    };
    int n = 0;
    for (const auto& row : rows) {
        const QString codexHome = home.file(QStringLiteral("home%1").arg(++n));
        for (const File& file : row.files) {
            const QString stamp = file.stamp ? kNow.addSecs(*file.stamp).toString(Qt::ISODate) : QStringLiteral("-");
            const QJsonObject limits{
                {QStringLiteral("primary"), fx::window(50, 300, kNow.addSecs(file.resetIn).toSecsSinceEpoch())},
                {QStringLiteral("plan_type"), QLatin1String(file.plan)}};
            fx::writeFile(codexHome + QStringLiteral("/sessions/rollout-%1.jsonl").arg(QLatin1String(file.plan)),
                          fx::joinLines({fx::sessionMetaLine(QStringLiteral("2026-01-01T00:00:00Z")),
                                         fx::rateLimitLine(stamp, limits)}),
                          kNow.addSecs(file.modified));
        }
        const auto limits = Reader::rateLimits(codexHome, kNow, clock);
        ASSERT_TRUE(limits) << row.name;
        EXPECT_EQ(limits->account.planType, QLatin1String(row.plan)) << row.name;
        EXPECT_EQ(limits->account.capturedAt, kNow.addSecs(row.capturedAt)) << row.name;
    }
}

TEST_F(CodexRolloutReaderTest, EachModelAllowanceComesFromItsNewestLineInTheFilesRead) {
    QByteArray spark10 = fx::kSparkLimits;
    spark10.replace(R"("used_percent":3.0)", R"("used_percent":10)");
    QByteArray other = fx::kSparkLimits;
    other.replace("codex_bengalfox", "codex_other");
    rollout(QStringLiteral("2026/01/15/rollout-new.jsonl"),
            {fx::sessionMetaLine(QStringLiteral("2026-01-15T10:00:00Z")),
             fx::tokenCountLine(QStringLiteral("2026-01-15T10:30:00Z"), fx::kSparkLimits),
             fx::tokenCountLine(QStringLiteral("2026-01-15T11:00:00Z"), fx::kAccountLimits)},
            utc(2026, 1, 15, 11, 30));
    // Older, but written after the account's newest line: read, and its
    // allowance line is the newer one.
    rollout(QStringLiteral("2026/01/15/rollout-mid.jsonl"),
            {fx::sessionMetaLine(QStringLiteral("2026-01-15T09:00:00Z")),
             fx::tokenCountLine(QStringLiteral("2026-01-15T10:00:00Z"), fx::kAccountLimits),
             fx::tokenCountLine(QStringLiteral("2026-01-15T11:05:00Z"), spark10)},
            utc(2026, 1, 15, 11, 10));
    // Last written before the account's newest line: never opened.
    rollout(QStringLiteral("2026/01/14/rollout-old.jsonl"),
            {fx::tokenCountLine(QStringLiteral("2026-01-14T10:00:00Z"), other)}, utc(2026, 1, 14, 10));

    const auto limits = Reader::rateLimits(home.path(), kNow, clock);
    ASSERT_TRUE(limits);
    EXPECT_EQ(limits->account.capturedAt, utc(2026, 1, 15, 11));
    EXPECT_EQ(limits->account.primary->remaining, 79);
    EXPECT_EQ(limits->account.creditBalance, 17.25);
    EXPECT_EQ(limits->account.sessionStartedAt, utc(2026, 1, 15, 10));
    ASSERT_EQ(limits->allowances.size(), 1);
    const auto& spark = limits->allowances.first();
    EXPECT_EQ(spark.limitId, QStringLiteral("codex_bengalfox"));
    EXPECT_EQ(spark.displayName(), QStringLiteral("GPT-5.3-Codex-Spark"));
    EXPECT_EQ(spark.primary->remaining, 90);
    EXPECT_EQ(spark.secondary->remaining, 99);
    EXPECT_EQ(spark.capturedAt, utc(2026, 1, 15, 11, 5));
    EXPECT_EQ(spark.sessionStartedAt, utc(2026, 1, 15, 9));
}

// A line's allowance is its own rate_limits.limit_id: the same text nested
// elsewhere in a newer line used to hide that line behind an older one.
TEST_F(CodexRolloutReaderTest, ALineReportsTheAllowanceItsOwnRateLimitsName) {
    const QByteArray spark10 = QByteArray(fx::kSparkLimits).replace(R"("used_percent":3.0)", R"("used_percent":10)");
    const QByteArray stamp = "2026-01-15T11:05:00Z";
    const struct {
        const char* name;
        QByteArray newer; // the allowance's newer line, written before the account's newest
    } rows[] = {
        {"the account's id nested in the line",
         R"({"timestamp":")" + stamp + R"(","type":"event_msg","payload":{"type":"token_count","info":{"note":)"
         R"({"limit_id":"codex"}},"rate_limits":)" + spark10 + "}}"},
        {"its own id nested as well",
         R"({"timestamp":")" + stamp + R"(","type":"event_msg","payload":{"type":"token_count","info":{"limit_id":)"
         R"("codex_bengalfox"},"rate_limits":)" + spark10 + "}}"},
        {"written with blanks",
         R"({"timestamp": ")" + stamp + R"(", "payload": {"rate_limits": )" +
             QByteArray(spark10).replace(R"("limit_id":"codex_bengalfox")", R"("limit_id" : "codex_bengalfox")") + "}}"},
    };
    for (const auto& row : rows) {
        rollout(QStringLiteral("rollout-a.jsonl"),
                {fx::sessionMetaLine(QStringLiteral("2026-01-15T10:00:00Z")),
                 fx::tokenCountLine(QStringLiteral("2026-01-15T11:00:00Z"), fx::kSparkLimits), row.newer,
                 fx::tokenCountLine(QStringLiteral("2026-01-15T11:06:00Z"), fx::kAccountLimits)},
                kNow);
        const auto reading = Reader::rateLimits(home.path(), kNow, clock);
        ASSERT_TRUE(reading) << row.name;
        EXPECT_EQ(reading->account.primary->remaining, 79) << row.name;
        ASSERT_EQ(reading->allowances.size(), 1) << row.name;
        EXPECT_EQ(reading->allowances[0].primary->remaining, 90) << row.name;
        EXPECT_EQ(reading->allowances[0].capturedAt, utc(2026, 1, 15, 11, 5)) << row.name;
    }
}

// Twelve full rollouts of about 14,000 distinct allowances each once took 76 s
// and gave 137,476 quota items.
TEST_F(CodexRolloutReaderTest, ThousandsOfAllowancesAreReadInOnePassAndAtMostThirtyTwoKept) {
    const struct {
        const char* name;
        const char* idEnd; // written after each allowance's id: as is, or as an escape
        int files;
        bool timed; // the twelve files and the lines that must all be parsed are timed by a benchmark
    } rows[] = {
        {"one rollout as the client writes it", "", 1, true},
        {"twelve, each line with an escape", "\\/", Reader::kCandidateLimit, false},
    };
    for (const auto& row : rows) {
        const QString codexHome = home.file(QLatin1String(row.name));
        qsizetype perFile = 0;
        for (int file = 0; file < row.files; ++file) {
            // The account's line comes first and is older than every file, so
            // every file is read to its start.
            QByteArray contents = fx::sessionMetaLine(QStringLiteral("2026-01-15T08:00:00Z")) + '\n' +
                                  fx::tokenCountLine(QStringLiteral("2026-01-15T09:00:00Z"), fx::kAccountLimits) + '\n';
            const qsizetype head = contents.size();
            for (int id = 0; contents.size() < Reader::kTailBytes - 128; ++id)
                contents += R"({"rate_limits":{"limit_id":"m)" + QByteArray::number(file) + '_' +
                            QByteArray::number(id).rightJustified(5, '0') + row.idEnd +
                            R"(","primary":{"used_percent":1}}})" + '\n';
            perFile = contents.mid(head).count('\n');
            fx::writeFile(codexHome + QStringLiteral("/sessions/rollout-%1.jsonl").arg(file), contents,
                          utc(2026, 1, 15, 10).addSecs(file));
        }
        ASSERT_GT(perFile, 13000) << row.name;

        // Timed by this thread's CPU time: what the read costs, not how long a
        // busy machine keeps it waiting.
        const double cpuBefore = threadCpuSeconds();
        const auto reading = Reader::rateLimits(codexHome, kNow, clock);
        if (row.timed) {
            EXPECT_LT(threadCpuSeconds() - cpuBefore, 1.0) << row.name;
        }
        ASSERT_TRUE(reading) << row.name;
        EXPECT_EQ(reading->account.primary->remaining, 79) << row.name;
        // Unstamped, all are read as now: the newest file's last 32 lines win.
        ASSERT_EQ(reading->allowances.size(), Reader::kAllowanceLimit) << row.name;
        const auto id = [&](qsizetype n) {
            return QStringLiteral("m%1_%2%3")
                .arg(row.files - 1)
                .arg(n, 5, 10, QLatin1Char('0'))
                .arg(QLatin1String(*row.idEnd ? "/" : ""));
        };
        EXPECT_EQ(reading->allowances.first().limitId, id(perFile - Reader::kAllowanceLimit)) << row.name;
        EXPECT_EQ(reading->allowances.last().limitId, id(perFile - 1)) << row.name;
    }
}

TEST_F(CodexRolloutReaderTest, FilesThatAreNotRegularAreSkippedWithoutBlocking) {
    const QString fifo = home.makeFifo(QStringLiteral("sessions/rollout-fifo.jsonl"));
    home.mkdir(QStringLiteral("sessions/rollout-folder.jsonl"));
    rollout(QStringLiteral("rollout-real.jsonl"), {eventWith(planOnly(QStringLiteral("real")))}, utc(2026, 1, 10));
    const auto candidates = Reader::rolloutCandidates(home.path(), 12);
    ASSERT_EQ(candidates.size(), 3);
    EXPECT_TRUE(candidates.first().url.endsWith(QStringLiteral("rollout-real.jsonl")));
    EXPECT_EQ(candidates.last().modified, Reader::distantPast());
    EXPECT_FALSE(Reader::sessionStart(fifo));
    const auto limits = Reader::rateLimits(home.path(), kNow, clock);
    ASSERT_TRUE(limits);
    EXPECT_EQ(limits->account.planType, QStringLiteral("real"));
}

// MARK: Large files

// A rollout larger than the tail window whose cut falls inside a Korean character.
struct LargeRollout {
    QByteArray contents;
    qsizetype cut = 0;
};

LargeRollout largeRolloutCutMidCharacter(const QList<QByteArray>& tailLines) {
    const QByteArray head = fx::sessionMetaLine(QStringLiteral("2026-01-15T09:00:00Z")) + '\n';
    const QByteArray tail = fx::joinLines(tailLines);
    const QString korean(400000, QChar(0xAC00)); // 가
    for (int pad = 0; pad < 3; ++pad) {
        const QByteArray filler =
            fx::messageLine(QStringLiteral("2026-01-15T09:30:00Z"), QString(pad, QLatin1Char('x')) + korean) + '\n';
        LargeRollout r{head + filler + tail, 0};
        r.cut = r.contents.size() - Reader::kTailBytes;
        const QByteArrayView fromCut = QByteArrayView(r.contents).sliced(r.cut);
        if (r.cut > head.size() + 40 && !fromCut.isValidUtf8()) return r;
    }
    return {};
}

TEST_F(CodexRolloutReaderTest, AFileOverOneMebibyteCutInsideAKoreanCharacterStillYieldsItsRateLimits) {
    const auto large = largeRolloutCutMidCharacter(
        {fx::messageLine(QStringLiteral("2026-01-15T11:00:00Z"), QStringLiteral("한국어 답변입니다")),
         fx::rateLimitLine(QStringLiteral("2026-01-15T11:30:00Z"), fullLimits()),
         fx::messageLine(QStringLiteral("2026-01-15T11:31:00Z"), QStringLiteral("끝"))});
    ASSERT_GT(large.contents.size(), Reader::kTailBytes);
    ASSERT_GT(large.cut, 0); // the cut really splits a character
    fx::writeFile(home.file(QStringLiteral("sessions/rollout-big.jsonl")), large.contents, kNow);
    const auto limits = Reader::rateLimits(home.path(), kNow, clock);
    ASSERT_TRUE(limits);
    EXPECT_EQ(limits->account.planType, QStringLiteral("plus"));
    EXPECT_EQ(limits->account.sessionStartedAt, utc(2026, 1, 15, 9));
}

TEST_F(CodexRolloutReaderTest, AnEventMoreThanOneMebibyteBeforeTheEndIsNotSeen) {
    const QString filler(1100000, QLatin1Char('a'));
    const QByteArray contents = fx::joinLines({fx::sessionMetaLine(QStringLiteral("2026-01-15T09:00:00Z")),
                                               eventWith(fullLimits()),
                                               fx::messageLine(QStringLiteral("2026-01-15T11:00:00Z"), filler)});
    fx::writeFile(home.file(QStringLiteral("sessions/rollout-a.jsonl")), contents, kNow);
    EXPECT_FALSE(Reader::rateLimits(home.path(), kNow, clock));
}

TEST_F(CodexRolloutReaderTest, TheCutFirstLineOfTheTailIsNeverParsed) {
    // A line indented with blanks: cut inside the blanks, what is left of it would
    // parse as a perfectly good event. It is partial all the same and must not count.
    const QByteArray event = eventWith(fullLimits());
    const QByteArray head = fx::sessionMetaLine(QStringLiteral("2026-01-15T09:00:00Z")) + '\n';
    const qsizetype keptBlanks = 50;
    const qsizetype fillerSize = Reader::kTailBytes - keptBlanks - event.size() - 2;
    const QByteArray contents = head + QByteArray(100, ' ') + event + '\n' + QByteArray(fillerSize, 'z') + '\n';
    ASSERT_EQ(contents.size() - Reader::kTailBytes, head.size() + 100 - keptBlanks);
    fx::writeFile(home.file(QStringLiteral("sessions/rollout-a.jsonl")), contents, kNow);
    EXPECT_FALSE(Reader::rateLimits(home.path(), kNow, clock));

    // A file exactly as long as the window starts with that line whole.
    const QByteArray whole = QByteArray(keptBlanks, ' ') + event + '\n' + QByteArray(fillerSize, 'z') + '\n';
    ASSERT_EQ(whole.size(), Reader::kTailBytes);
    fx::writeFile(home.file(QStringLiteral("sessions/rollout-b.jsonl")), whole, kNow);
    EXPECT_TRUE(Reader::rateLimits(home.path(), kNow, clock));
}

// The tail used to drop its first line always, even when a line feed ended just
// before the window: a newest event exactly the window's length was missed.
TEST_F(CodexRolloutReaderTest, AnEventFillingTheWholeWindowCountsWhenALineEndsBeforeIt) {
    QByteArray event = eventWith(fullLimits());
    event.prepend(QByteArray(Reader::kTailBytes - 1 - event.size(), ' ')); // with its line feed: the window
    const QByteArray start = fx::sessionMetaLine(QStringLiteral("2026-01-15T09:00:00Z"));
    const struct {
        const char* name;
        QByteArray before;
        bool found;
    } rows[] = {
        {"a line feed just before the window", start + '\n', true},
        {"the event's line begins before the window", start + "\n{", false},
        {"no line before: the file is the window", QByteArray(), true},
    };
    for (const auto& row : rows) {
        rollout(QStringLiteral("rollout-a.jsonl"), {row.before + event}, kNow);
        const auto limits = Reader::rateLimits(home.path(), kNow, clock);
        EXPECT_EQ(limits.has_value(), row.found) << row.name;
        if (limits) {
            EXPECT_EQ(limits->account.planType, QStringLiteral("plus")) << row.name;
        }
    }
}

TEST_F(CodexRolloutReaderTest, ALineLongerThanTheTailWindowYieldsNothing) {
    QByteArray contents = eventWith(fullLimits());
    contents.prepend(QByteArray(Reader::kTailBytes, ' '));
    fx::writeFile(home.file(QStringLiteral("sessions/rollout-a.jsonl")), contents, kNow);
    EXPECT_FALSE(Reader::rateLimits(home.path(), kNow, clock));
}

TEST_F(CodexRolloutReaderTest, ALineThatIsNotValidUtf8FailsAloneAndTheNextOneIsTried) {
    QByteArray broken = eventWith(planOnly(QStringLiteral("broken")));
    broken.replace("broken", "br\xff\xfeken");
    rollout(QStringLiteral("rollout-a.jsonl"),
            {fx::sessionMetaLine(QStringLiteral("2026-01-15T09:00:00Z")),
             eventWith(planOnly(QStringLiteral("good"))), broken,
             QByteArray("{\"rate_limits\": {\"primary\": ")},
            kNow);
    const auto limits = Reader::rateLimits(home.path(), kNow, clock);
    ASSERT_TRUE(limits);
    EXPECT_EQ(limits->account.planType, QStringLiteral("good"));
}

TEST_F(CodexRolloutReaderTest, AOneGibibyteRolloutIsReadOnlyAtItsEnds) {
    const QString path = home.sparseFile(QStringLiteral("sessions/rollout-huge.jsonl"), 1LL << 30);
    {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::ReadWrite));
        out.write(fx::sessionMetaLine(QStringLiteral("2026-01-15T09:00:00Z")) + '\n');
        ASSERT_TRUE(out.seek(out.size()));
        out.write("\n" + fx::joinLines({eventWith(fullLimits())}));
    }
    fx::setModified(path, kNow);
    const qint64 before = test::bytesReadByProcess();
    if (before < 0) GTEST_SKIP() << "no /proc/self/io here";
    const auto limits = Reader::rateLimits(home.path(), kNow, clock);
    const qint64 read = test::bytesReadByProcess() - before;
    ASSERT_TRUE(limits);
    EXPECT_EQ(limits->account.sessionStartedAt, utc(2026, 1, 15, 9));
    EXPECT_LE(read, Reader::kTailBytes + Reader::kHeadBytes + Reader::kHeadChunkBytes);
}

// MARK: The start line

TEST_F(CodexRolloutReaderTest, AStartLineBeyondTheFirstMebibyteIsNotFound) {
    const QString filler(Reader::kHeadBytes, QLatin1Char('c'));
    const QString late = rollout(QStringLiteral("rollout-late.jsonl"),
                                 {fx::messageLine(QStringLiteral("2026-01-15T09:00:00Z"), filler),
                                  fx::sessionMetaLine(QStringLiteral("2026-01-15T09:00:00Z"))},
                                 kNow);
    EXPECT_FALSE(Reader::sessionStart(late));

    // A start line that begins inside the first mebibyte but ends after it.
    const QByteArray meta = fx::sessionMetaLine(QStringLiteral("2026-01-15T09:00:00Z"));
    const QByteArray lead = fx::messageLine(QStringLiteral("2026-01-15T09:00:00Z"), QString());
    const qsizetype textSize = Reader::kHeadBytes - 40 - lead.size() - 1;
    const QByteArray first = fx::messageLine(QStringLiteral("2026-01-15T09:00:00Z"), QString(textSize, QLatin1Char('c')));
    ASSERT_EQ(first.size() + 1, Reader::kHeadBytes - 40);
    ASSERT_GT(meta.size(), 40);
    const QString cut = fx::writeFile(home.file(QStringLiteral("sessions/rollout-cut.jsonl")),
                                      fx::joinLines({first, meta}), kNow);
    EXPECT_FALSE(Reader::sessionStart(cut));

    // Forty bytes earlier the same line is whole within the first mebibyte.
    const QByteArray shorter =
        fx::messageLine(QStringLiteral("2026-01-15T09:00:00Z"), QString(textSize - meta.size(), QLatin1Char('c')));
    const QString whole = fx::writeFile(home.file(QStringLiteral("sessions/rollout-whole.jsonl")),
                                        fx::joinLines({shorter, meta}), kNow);
    EXPECT_EQ(Reader::sessionStart(whole), utc(2026, 1, 15, 9));
}

TEST_F(CodexRolloutReaderTest, TheLastLineOfAShortFileCountsWithoutALineFeed) {
    const QString path = fx::writeFile(home.file(QStringLiteral("sessions/rollout-a.jsonl")),
                                       fx::messageLine(QStringLiteral("2026-01-15T09:00:00Z"), QStringLiteral("x")) +
                                           '\n' + fx::sessionMetaLine(QStringLiteral("2026-01-15T09:00:07Z")),
                                       kNow);
    EXPECT_EQ(Reader::sessionStart(path), utc(2026, 1, 15, 9, 0, 7));
}

TEST_F(CodexRolloutReaderTest, AStartLineFoundInALaterChunkCounts) {
    const QString filler(3 * Reader::kHeadChunkBytes, QLatin1Char('d'));
    const QString path = rollout(QStringLiteral("rollout-a.jsonl"),
                                 {fx::messageLine(QStringLiteral("2026-01-15T09:00:00Z"), filler),
                                  QByteArray(R"({"type":"session_meta","timestamp":"not a date"})"),
                                  fx::sessionMetaLine(QStringLiteral("2026-01-15T09:05:00+09:00"))},
                                 kNow);
    EXPECT_EQ(Reader::sessionStart(path), utc(2026, 1, 15, 0, 5));
}

// MARK: Events

TEST_F(CodexRolloutReaderTest, RateLimitsComeFromThePayloadWhenThereIsOne) {
    const QJsonObject limits{{QStringLiteral("primary"), fx::window(10, 60, 0)}};
    const QJsonObject topLevelOnly{{QStringLiteral("timestamp"), QStringLiteral("2026-01-15T10:00:00Z")},
                                   {QStringLiteral("rate_limits"), limits}};
    EXPECT_TRUE(Reader::rateLimits(topLevelOnly, kNow, std::nullopt, clock));

    QJsonObject payloadWithout = topLevelOnly;
    payloadWithout.insert(QStringLiteral("payload"), QJsonObject{{QStringLiteral("type"), QStringLiteral("x")}});
    EXPECT_FALSE(Reader::rateLimits(payloadWithout, kNow, std::nullopt, clock));

    QJsonObject payloadNotObject = topLevelOnly;
    payloadNotObject.insert(QStringLiteral("payload"), QStringLiteral("text"));
    EXPECT_TRUE(Reader::rateLimits(payloadNotObject, kNow, std::nullopt, clock));

    const QJsonObject notObject{{QStringLiteral("rate_limits"), QJsonArray{1, 2}}};
    EXPECT_FALSE(Reader::rateLimits(notObject, kNow, std::nullopt, clock));
}

TEST_F(CodexRolloutReaderTest, UsedPercentIsClampedAndRequired) {
    const auto remaining = [&](const QJsonValue& used) -> std::optional<double> {
        const auto l = fromLine(eventWith({{QStringLiteral("primary"), QJsonObject{{QStringLiteral("used_percent"), used}}},
                                          {QStringLiteral("plan_type"), QStringLiteral("p")},
                                          {QStringLiteral("credits"), QJsonObject{{QStringLiteral("balance"), 1}}}}),
                                clock);
        if (!l || !l->primary) return std::nullopt;
        return l->primary->remaining;
    };
    EXPECT_EQ(remaining(120), 0.0);
    EXPECT_EQ(remaining(-5), 100.0);
    EXPECT_EQ(remaining(33.25), 66.75);
    EXPECT_EQ(remaining(QStringLiteral("50")), std::nullopt);
    EXPECT_EQ(remaining(QJsonValue()), std::nullopt);
    EXPECT_EQ(remaining(true), std::nullopt);
}

TEST_F(CodexRolloutReaderTest, NumbersThatAreNotFiniteAreRefused) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const QJsonObject limits{
        {QStringLiteral("primary"), QJsonObject{{QStringLiteral("used_percent"), nan}}},
        {QStringLiteral("secondary"), QJsonObject{{QStringLiteral("used_percent"), 10},
                                                  {QStringLiteral("window_minutes"), inf},
                                                  {QStringLiteral("resets_at"), -inf}}},
        {QStringLiteral("credits"), QJsonObject{{QStringLiteral("balance"), inf}}},
    };
    const auto read = Reader::rateLimits(QJsonObject{{QStringLiteral("rate_limits"), limits}}, kNow, std::nullopt, clock);
    ASSERT_TRUE(read);
    EXPECT_FALSE(read->primary);
    ASSERT_TRUE(read->secondary);
    EXPECT_FALSE(read->secondary->windowMinutes);
    EXPECT_FALSE(read->secondary->resetsAt);
    EXPECT_FALSE(read->creditBalance);

    // Written out, such a number overflows a double: that line fails alone.
    rollout(QStringLiteral("rollout-a.jsonl"),
            {eventWith(planOnly(QStringLiteral("good"))),
             R"({"rate_limits":{"primary":{"used_percent":1e400}}})"},
            kNow);
    EXPECT_EQ(Reader::rateLimits(home.path(), kNow, clock)->account.planType, QStringLiteral("good"));
}

TEST_F(CodexRolloutReaderTest, HugeResetTimesNeverOverflowADate) {
    const auto resetOf = [&](double at) {
        const auto l = fromLine(eventWith({{QStringLiteral("primary"), fx::window(1, 60, at)}}), clock);
        return l->primary->resetsAt.value();
    };
    const QDateTime far = resetOf(1e300);
    EXPECT_TRUE(far.isValid());
    EXPECT_EQ(far.date(), QDate(9999, 12, 31));
    EXPECT_EQ(parseIsoDate(isoDateString(far)), far.addMSecs(-999)); // our stores read it back
    const QDateTime early = resetOf(-1e300);
    EXPECT_TRUE(early.isValid());
    EXPECT_EQ(early.date(), QDate(1, 1, 1));
    EXPECT_EQ(resetOf(0), QDateTime::fromSecsSinceEpoch(0, Qt::UTC));
}

TEST_F(CodexRolloutReaderTest, ResetTimeFromStringOrSecondsFromTheClock) {
    const auto window = [&](const QJsonObject& w) {
        return fromLine(eventWith({{QStringLiteral("primary"), w}}), clock)->primary.value();
    };
    EXPECT_EQ(window({{QStringLiteral("used_percent"), 1}, {QStringLiteral("resets_at"), QStringLiteral("2026-01-16T00:00:00.5Z")}})
                  .resetsAt,
              utc(2026, 1, 16).addMSecs(500));
    EXPECT_EQ(window({{QStringLiteral("used_percent"), 1}, {QStringLiteral("resets_at"), QStringLiteral("tomorrow")},
                      {QStringLiteral("resets_in_seconds"), 60}})
                  .resetsAt,
              std::nullopt);
    clock.set(utc(2026, 1, 15, 12, 30));
    EXPECT_EQ(window({{QStringLiteral("used_percent"), 1}, {QStringLiteral("resets_in_seconds"), 90}}).resetsAt,
              utc(2026, 1, 15, 12, 31, 30));
    EXPECT_EQ(window({{QStringLiteral("used_percent"), 1}, {QStringLiteral("resets_in_seconds"), 1e300}}).resetsAt->date(),
              QDate(9999, 12, 31));
    EXPECT_EQ(window({{QStringLiteral("used_percent"), 1}}).resetsAt, std::nullopt);
}

TEST_F(CodexRolloutReaderTest, WindowMinutesAreTruncatedOrAbsentWhenOutOfRange) {
    const auto minutes = [&](const QJsonValue& m) {
        return fromLine(eventWith({{QStringLiteral("primary"),
                                    QJsonObject{{QStringLiteral("used_percent"), 1}, {QStringLiteral("window_minutes"), m}}}}),
                        clock)
            ->primary->windowMinutes;
    };
    EXPECT_EQ(minutes(299.9), 299);
    EXPECT_EQ(minutes(1.5), 1);
    // A window of no or negative length has no length: "0-minute limit" and
    // "-300-minute limit" used to be shown.
    EXPECT_EQ(minutes(0), std::nullopt);
    EXPECT_EQ(minutes(0.9), std::nullopt);
    EXPECT_EQ(minutes(-300), std::nullopt);
    EXPECT_EQ(minutes(-5.5), std::nullopt);
    EXPECT_EQ(minutes(1e30), std::nullopt);
    EXPECT_EQ(minutes(-1e19), std::nullopt);
    EXPECT_EQ(minutes(QStringLiteral("300")), std::nullopt);
}

TEST_F(CodexRolloutReaderTest, CreditsAloneYieldLimitsOnlyWhenTheyCarrySomething) {
    const auto credits = [&](const QJsonObject& c) { return fromLine(eventWith({{QStringLiteral("credits"), c}}), clock); };
    const auto unlimited = credits({{QStringLiteral("unlimited"), true}});
    ASSERT_TRUE(unlimited);
    EXPECT_FALSE(unlimited->primary);
    EXPECT_FALSE(unlimited->secondary);
    EXPECT_TRUE(unlimited->hasUnlimitedCredits);
    EXPECT_FALSE(credits({{QStringLiteral("unlimited"), false}}));
    EXPECT_FALSE(credits({{QStringLiteral("unlimited"), QStringLiteral("true")}}));
    EXPECT_EQ(credits({{QStringLiteral("balance"), QStringLiteral("12")}})->creditBalance, 12.0);
    EXPECT_FALSE(credits({{QStringLiteral("balance"), QStringLiteral("twelve")}}));
    EXPECT_EQ(credits({{QStringLiteral("balance"), 0}})->creditBalance, 0.0);
    EXPECT_FALSE(fromLine(eventWith({{QStringLiteral("plan_type"), QStringLiteral("plus")}}), clock));
}

TEST_F(CodexRolloutReaderTest, AnEventWithoutAParseableTimestampIsDatedNow) {
    const QJsonObject limits{{QStringLiteral("credits"), QJsonObject{{QStringLiteral("unlimited"), true}}}};
    EXPECT_EQ(fromLine(fx::rateLimitLine(QStringLiteral("yesterday"), limits), clock)->capturedAt, kNow);
    EXPECT_EQ(Reader::rateLimits(QJsonObject{{QStringLiteral("rate_limits"), limits}}, kNow, utc(2026, 1, 1), clock)
                  ->sessionStartedAt,
              utc(2026, 1, 1));
}

// The credits object exactly as clients write it, read from a rollout file.
TEST_F(CodexRolloutReaderTest, CreditBalancesAsNumbersOrPlainDecimalStrings) {
    const struct {
        const char* credits;
        std::optional<double> balance;
    } rows[] = {
        {R"({"has_credits":true,"unlimited":false,"balance":"17.25"})", 17.25},
        {R"({"has_credits":true,"unlimited":false,"balance":"-3"})", -3},
        {R"({"balance":"+0.50"})", 0.5},
        {R"({"balance":42.9})", 42.9},
        {R"({"balance":0})", 0},
        {R"({"balance":"1e5"})", std::nullopt},
        {R"({"balance":""})", std::nullopt},
        {R"({"balance":"abc"})", std::nullopt},
        {R"({"balance":" 17"})", std::nullopt},
        {R"({"balance":"17."})", std::nullopt},
        {R"({"balance":".5"})", std::nullopt},
        {R"({"balance":"0x10"})", std::nullopt},
        {R"({"balance":"nan"})", std::nullopt},
        {R"({"balance":"1234567890123456789012345678901234567890.5"})", std::nullopt},
        {R"({"balance":null})", std::nullopt},
        {"null", std::nullopt},
    };
    for (const auto& row : rows) {
        const QByteArray line =
            QByteArrayLiteral(
                R"({"timestamp":"2026-01-15T11:00:00Z","type":"event_msg","payload":{"rate_limits":)"
                R"({"primary":{"used_percent":10,"window_minutes":300},"credits":)") +
            row.credits + "}}}";
        rollout(QStringLiteral("2026/01/15/rollout-a.jsonl"),
                {fx::sessionMetaLine(QStringLiteral("2026-01-15T10:00:00Z")), line}, utc(2026, 1, 15, 11));
        const auto limits = Reader::rateLimits(home.path(), kNow, clock);
        ASSERT_TRUE(limits) << row.credits;
        EXPECT_EQ(limits->account.creditBalance, row.balance) << row.credits;
    }
}

} // namespace
} // namespace meterix
