#include "accounts/AccountUsageStore.h"
#include "core/JsonStoreFile.h"
#include "providers/claude/ClaudeCodeAdapter.h"
#include "providers/codex/OpenAI_CodexAdapter.h"
#include "support/CodexFixtures.h"
#include "support/FailingStoreFiles.h"
#include "support/FakeClock.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <thread>

using namespace meterix;

namespace {

UsageSnapshot reading(AIProviderType provider, const QString& id, const QDateTime& capturedAt,
                      double hourly = 40) {
    return UsageSnapshot(UsageSnapshot::Fields{.provider = provider,
                                               .headlineRemainingPercentage = hourly,
                                               .usedTokens = 1,
                                               .totalTokens = 10,
                                               .lastUpdated = capturedAt,
                                               .strategyUsed = FetchStrategy::localFileCache,
                                               .accountID = id,
                                               .capturedAt = capturedAt,
                                               .headlineResetAt = capturedAt.addSecs(3600)});
}

class Store : public ::testing::Test {
  protected:
    test::TempHome home;
    test::FakeClock clock;
    QString path = home.file(QStringLiteral("Meterix/account-usage.json"));
    QDateTime t0 = clock.now();

    QByteArray fileBytes() const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

} // namespace

TEST_F(Store, RecordsOnlyRealReadingsOfNamedAccounts) {
    AccountUsageStore store(path, clock);
    UsageSnapshot noId = reading(AIProviderType::claudeCode, QString(), t0);
    noId.accountID.reset();
    store.record(noId);
    store.record(reading(AIProviderType::claudeCode, QString(), t0));
    UsageSnapshot simulated = reading(AIProviderType::claudeCode, QStringLiteral("a"), t0);
    simulated.strategyUsed = FetchStrategy::simulated;
    store.record(simulated);
    UsageSnapshot failed = reading(AIProviderType::claudeCode, QStringLiteral("a"), t0);
    failed.fetchError = QStringLiteral("x");
    store.record(failed);
    store.flush();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(store.snapshot(AIProviderType::claudeCode, QStringLiteral("a")));
    EXPECT_FALSE(store.snapshot(AIProviderType::claudeCode, QString()));
}

TEST_F(Store, AnOlderReadingNeverReplacesANewerOne) {
    AccountUsageStore store(path, clock);
    store.record(reading(AIProviderType::openAICodex, QStringLiteral("A"), t0, 40));
    store.flush();
    const QByteArray written = fileBytes();
    ASSERT_FALSE(written.isEmpty());
    store.record(reading(AIProviderType::openAICodex, QStringLiteral("A"), t0.addSecs(-60), 90));
    EXPECT_EQ(store.snapshot(AIProviderType::openAICodex, QStringLiteral("A"))->headlineRemainingPercentage,
              40);
    EXPECT_EQ(fileBytes(), written);
    store.record(reading(AIProviderType::openAICodex, QStringLiteral("A"), t0, 70)); // same time replaces
    EXPECT_EQ(store.snapshot(AIProviderType::openAICodex, QStringLiteral("A"))->headlineRemainingPercentage,
              70);
}

TEST_F(Store, SameIdUnderTwoProvidersIsTwoAccounts) {
    AccountUsageStore store(path, clock);
    store.record(reading(AIProviderType::openAICodex, QStringLiteral("A"), t0, 10));
    store.record(reading(AIProviderType::claudeCode, QStringLiteral("A"), t0, 90));
    EXPECT_EQ(store.snapshot(AIProviderType::openAICodex, QStringLiteral("A"))->headlineRemainingPercentage,
              10);
    EXPECT_EQ(store.snapshot(AIProviderType::claudeCode, QStringLiteral("A"))->headlineRemainingPercentage, 90);
    EXPECT_EQ(AccountUsageStore::accountKey(AIProviderType::antigravity, QStringLiteral("x")),
              QStringLiteral("agy|x"));
}

TEST_F(Store, KeepsEachResetAsItsMomentOnly) {
    AccountUsageStore store(path, clock);
    store.record(reading(AIProviderType::claudeCode, QStringLiteral("a"), t0));
    clock.advance(600);
    EXPECT_EQ(store.snapshot(AIProviderType::claudeCode, QStringLiteral("a"))->headlineResetAt, t0.addSecs(3600));
    store.flush();
    const QJsonObject onDisk = QJsonDocument::fromJson(fileBytes()).object().value(QStringLiteral("claude|a")).toObject();
    EXPECT_EQ(onDisk.value(QStringLiteral("hourlyResetAt")).toString(), t0.addSecs(3600).toString(Qt::ISODate));
    EXPECT_FALSE(onDisk.contains(QStringLiteral("hourlyResetCountdown")));
}

TEST_F(Store, SurvivesARestartWithWholeSecondDatesAndPrivateFile) {
    const QDateTime withMs = t0.addMSecs(250);
    {
        AccountUsageStore store(path, clock);
        store.record(reading(AIProviderType::groq, QStringLiteral("k"), withMs));
    } // destruction drains the queue
    EXPECT_EQ(QFileInfo(path).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);
    EXPECT_TRUE(fileBytes().contains("\"capturedAt\": \"2026-01-15T12:00:00Z\""));
    AccountUsageStore again(path, clock);
    const auto s = again.snapshot(AIProviderType::groq, QStringLiteral("k"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->capturedAt, t0);
    EXPECT_EQ(s->headlineRemainingPercentage, 40);
}

TEST_F(Store, EveryLabelSurvivesARestart) {
    UsageSnapshot s = reading(AIProviderType::openrouter, QStringLiteral("k"), t0);
    s.planName = QStringLiteral("Pay as you go");
    s.headlineQuotaName = QuotaKind::keyBudget;
    for (const QuotaKind kind : allQuotaKinds())
        s.modelQuotas.append(ModelQuotaItem(QuotaLabel(kind).withSubject(QStringLiteral("Opus")).withCount(300), 50,
                                            QuotaLabel(kind).withAmount(QStringLiteral("4.50")).withCurrency(QStringLiteral("USD")),
                                            std::nullopt, QuotaLabel(kind).withNote(QuotaNote::warning)));
    {
        AccountUsageStore store(path, clock);
        store.record(s);
    }
    const auto again = AccountUsageStore(path, clock).snapshot(AIProviderType::openrouter, QStringLiteral("k"));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->planName, s.planName);
    EXPECT_EQ(again->headlineQuotaName, s.headlineQuotaName);
    EXPECT_EQ(again->modelQuotas, s.modelQuotas);
}

// A file of the version before labels: its words load as named labels, shown as they stand.
TEST_F(Store, AReadingWithPlainWordsLoadsAsNamedLabels) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"json({"groq|k": {"provider": "groq", "capturedAt": "2026-01-15T12:00:00Z", "hourlyRemainingPercentage": 40,
        "hourlyQuotaName": "Token limit (TPM)", "planName": "Developer",
        "modelQuotas": [{"name": "Token limit (TPM)", "remainingPercentage": 75, "quotaType": "6000 tokens/min",
                         "paceText": "Warning"}],
        "usedTokens": 0, "totalTokens": 100000, "lastUpdated": "2026-01-15T12:00:00Z",
        "strategyUsed": "OAuth/Keychain", "accountID": "k"}})json");
    f.close();
    const auto s = AccountUsageStore(path, clock).snapshot(AIProviderType::groq, QStringLiteral("k"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->headlineQuotaName, QuotaLabel(QStringLiteral("Token limit (TPM)")));
    EXPECT_EQ(s->planName, QuotaLabel(QStringLiteral("Developer")));
    ASSERT_EQ(s->modelQuotas.size(), 1);
    EXPECT_EQ(s->modelQuotas[0].quotaType, QuotaLabel(QStringLiteral("6000 tokens/min")));
    EXPECT_EQ(s->modelQuotas[0].paceText, QuotaLabel(QStringLiteral("Warning")));
}

TEST_F(Store, AnUndecodableFileStartsEmptyAndIsSetAsideNotOverwritten) {
    for (const QByteArray& bad :
         {QByteArray("[1,2]"), QByteArray("{\"claude|a\": {\"provider\": \"claude\"}}"),
          QByteArray("not json")}) {
        QDir(home.path()).removeRecursively();
        home.write(QStringLiteral("Meterix/account-usage.json"), bad);
        AccountUsageStore store(path, clock);
        EXPECT_FALSE(store.snapshot(AIProviderType::claudeCode, QStringLiteral("a")));
        EXPECT_EQ(fileBytes(), bad); // nothing written until a record
        store.record(reading(AIProviderType::claudeCode, QStringLiteral("b"), t0));
        store.flush();
        const QStringList aside = QDir(QFileInfo(path).absolutePath())
                                      .entryList({QStringLiteral("account-usage.json.unreadable-*")});
        ASSERT_EQ(aside.size(), 1);
        QFile kept(QFileInfo(path).absolutePath() + QLatin1Char('/') + aside.first());
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), bad);
        EXPECT_TRUE(AccountUsageStore(path, clock).snapshot(AIProviderType::claudeCode, QStringLiteral("b")));
    }
}

TEST_F(Store, FractionalSecondDatesMakeTheWholeFileUndecodable) {
    QJsonObject good = reading(AIProviderType::claudeCode, QStringLiteral("a"), t0).toJson();
    QJsonObject fractional = good;
    fractional.insert(QStringLiteral("capturedAt"), QStringLiteral("2026-01-15T12:00:00.5Z"));
    home.write(QStringLiteral("Meterix/account-usage.json"),
               QJsonDocument(
                   QJsonObject{{QStringLiteral("claude|a"), good}, {QStringLiteral("claude|b"), fractional}})
                   .toJson());
    AccountUsageStore store(path, clock);
    EXPECT_FALSE(store.snapshot(AIProviderType::claudeCode, QStringLiteral("a")));
}

TEST_F(Store, RecordsFromManyThreadsAllLand) {
    AccountUsageStore store(path, clock);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i)
                store.record(reading(AIProviderType::claudeCode, QStringLiteral("t%1-%2").arg(t).arg(i), t0));
        });
    for (auto& th : threads)
        th.join();
    store.flush();
    EXPECT_EQ(JsonStoreFile(path).load()->size(), 100);
    EXPECT_TRUE(store.snapshot(AIProviderType::claudeCode, QStringLiteral("t3-24")));
}

// One date from outside beyond the years 1 to 9999 used to reach a snapshot, be
// written, and make the whole file undecodable on the next start.
TEST_F(Store, OutOfRangeDatesFromOutsideNeverCostTheStoreItsReadings) {
    namespace fx = test::codex;
    const QDateTime now = clock.now();
    const auto codex = [&](const QString& timestamp, const QString& resetsAt) {
        QJsonObject primary = fx::window(25, 300, 0);
        primary.insert(QStringLiteral("resets_at"), resetsAt);
        fx::writeFile(home.file(QStringLiteral("codex/sessions/rollout-a.jsonl")),
                      fx::joinLines({fx::sessionMetaLine(QStringLiteral("2026-01-15T10:00:00Z")),
                                     fx::rateLimitLine(timestamp, {{QStringLiteral("primary"), primary}})}),
                      now);
        const auto limits = CodexRolloutReader::rateLimits(home.file(QStringLiteral("codex")), now, clock);
        return OpenAI_CodexAdapter::snapshot(*limits, OpenAI_CodexAdapter::Account{QStringLiteral("c")}, now);
    };
    const auto claude = [&](const char* fetchedAtMs) {
        const QByteArray config = QByteArray(R"({"oauthAccount":{"accountUuid":"u"},
            "cachedUsageUtilization":{"accountUuid":"u","fetchedAtMs":)") +
                                  fetchedAtMs + R"(,"utilization":{"five_hour":{"utilization":10}}}})";
        return *ClaudeCodeAdapter::snapshot(QJsonDocument::fromJson(config).object(), now);
    };
    UsageSnapshot tooLate = reading(AIProviderType::groq, QStringLiteral("g"), now);
    tooLate.capturedAt = QDateTime(QDate(10000, 1, 1), QTime(0, 0), Qt::UTC);
    const struct {
        const char* name;
        UsageSnapshot snapshot;
        bool kept;
    } rows[] = {
        {"codex, year 10000 after the offset",
         codex(QStringLiteral("9999-12-31T23:59:59-01:00"), QStringLiteral("9999-12-31T23:59:59-01:00")),
         true},
        {"codex, year 0 after the offset",
         codex(QStringLiteral("0001-01-01T00:00:00+01:00"), QStringLiteral("0001-01-01T00:00:00+01:00")),
         true},
        {"claude, fetchedAtMs -1e15", claude("-1e15"), true},
        {"claude, fetchedAtMs 1e300", claude("1e300"), true},
        {"a reading dated in year 10000", tooLate, false},
    };
    for (const auto& row : rows) {
        QFile::remove(path);
        {
            AccountUsageStore store(path, clock);
            store.record(reading(AIProviderType::deepseek, QStringLiteral("d"), now));
            store.record(row.snapshot);
        }
        AccountUsageStore again(path, clock);
        EXPECT_TRUE(again.snapshot(AIProviderType::deepseek, QStringLiteral("d"))) << row.name;
        const auto back = again.snapshot(row.snapshot.provider, row.snapshot.accountID.value_or(QString()));
        EXPECT_EQ(back.has_value(), row.kept) << row.name;
        if (back) {
            EXPECT_LE(back->capturedAt, now) << row.name;
            EXPECT_GE(back->capturedAt.date().year(), 1) << row.name;
            EXPECT_FALSE(back->headlineResetAt) << row.name;
        }
    }
}

// A rollout event stamped in the future used to be kept as captured then: never
// stale, and the store refused every later real reading as older.
TEST_F(Store, AFutureCodexStampIsDatedNowAndLaterReadingsStillReplaceIt) {
    namespace fx = test::codex;
    const QString codexHome = home.file(QStringLiteral("codex"));
    const auto readAt = [&](const QDateTime& now, const QString& stamp, double used) {
        fx::writeFile(home.file(QStringLiteral("codex/sessions/rollout-a.jsonl")),
                      fx::joinLines({fx::sessionMetaLine(QStringLiteral("2026-01-15T10:00:00Z")),
                                     fx::rateLimitLine(
                                         stamp, {{QStringLiteral("primary"), fx::window(used, 300, 0)}})}),
                      now);
        const auto limits = CodexRolloutReader::rateLimits(codexHome, now, clock);
        return OpenAI_CodexAdapter::snapshot(*limits, OpenAI_CodexAdapter::Account{QStringLiteral("c")}, now);
    };
    const QDateTime now = clock.now();
    const struct {
        QString stamp;
        QDateTime capturedAt;
    } rows[] = {
        {QStringLiteral("2099-01-01T00:00:00Z"), now},
        {QStringLiteral("2026-01-15T12:00:01Z"), now},
        {QStringLiteral("2026-01-15T12:00:00Z"), now},
        {QStringLiteral("2026-01-15T11:59:00Z"), now.addSecs(-60)},
    };
    for (const auto& row : rows)
        EXPECT_EQ(readAt(now, row.stamp, 10).capturedAt, row.capturedAt) << qPrintable(row.stamp);

    AccountUsageStore store(path, clock);
    store.record(readAt(now, QStringLiteral("2099-01-01T00:00:00Z"), 10));
    const QDateTime later = now.addSecs(60);
    store.record(readAt(later, QStringLiteral("2026-01-15T12:01:00Z"), 30));
    clock.set(later);
    const auto kept = store.snapshot(AIProviderType::openAICodex, QStringLiteral("c"));
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->headlineRemainingPercentage, 70);
    EXPECT_EQ(kept->capturedAt, later);
}

// The readings of one poll are written together, once; flush() writes what
// waits at once; the end of the store (quitting) writes it too, so the next
// start finds every reading.
TEST_F(Store, ReadingsOfOnePollMakeOneWriteAndWaitingOnesAreWrittenOnFlushAndAtTheEnd) {
    const auto holds = [&](std::initializer_list<const char*> ids) {
        const auto onDisk = JsonStoreFile(path).load();
        if (!onDisk) return ids.size() == 0;
        for (const char* id : ids)
            if (!onDisk->contains(QStringLiteral("codex|") + QLatin1String(id))) return false;
        return onDisk->size() == qsizetype(ids.size());
    };
    {
        // A delay no test waits out: only flush and the end write.
        test::FailingStoreFiles files;
        AccountUsageStore store(path, clock, std::chrono::hours(1), files);
        for (const char* id : {"a", "b", "c"})
            store.record(reading(AIProviderType::openAICodex, QLatin1String(id), t0));
        EXPECT_TRUE(store.snapshot(AIProviderType::openAICodex, QStringLiteral("c"))); // read at once
        EXPECT_FALSE(QFile::exists(path));
        store.flush();
        EXPECT_EQ(files.replaced.load(), 1);
        EXPECT_TRUE(holds({"a", "b", "c"}));

        store.record(reading(AIProviderType::openAICodex, QStringLiteral("d"), t0));
        store.flush();
        store.flush(); // nothing waits: no further write
        EXPECT_EQ(files.replaced.load(), 2);
        store.record(reading(AIProviderType::openAICodex, QStringLiteral("e"), t0));
        EXPECT_EQ(files.replaced.load(), 2);
    } // quitting
    EXPECT_TRUE(holds({"a", "b", "c", "d", "e"}));
}

// A write that failed used to be dropped without a word (a full disk cut the
// file short), and nothing wrote the readings again at the quit. Now the file
// stays as it was, nothing is left beside it, the log says so once, and the
// readings kept in memory are written at the quit once the cause is gone.
TEST_F(Store, AFailedWriteKeepsTheFileAndTheReadingsAndWritesThemAtTheQuit) {
    using Step = test::FailingStoreFiles::Step;
    const struct {
        const char* name;
        Step step; // none: the store is a link to a folder that is gone
        int error;
    } rows[] = {
        {"a full disk", Step::write, ENOSPC},       {"a read-only folder", Step::open, EROFS},
        {"a failing sync", Step::fsync, EIO},       {"a quota met on closing", Step::close, EDQUOT},
        {"a failing rename", Step::rename, EACCES}, {"a dangling link", Step::none, 0},
    };
    const auto codex = [&](const char* id) {
        return reading(AIProviderType::openAICodex, QLatin1String(id), t0);
    };
    const QString elsewhere = home.file(QStringLiteral("elsewhere/account-usage.json"));
    const QDir folder(QFileInfo(path).absolutePath());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QDir(home.path()).removeRecursively();
        if (row.step == Step::none)
            ASSERT_TRUE(QDir().mkpath(folder.path()) && QFile::link(elsewhere, path));
        else
            AccountUsageStore(path, clock).record(codex("a"));
        const QByteArray before = fileBytes();
        test::LogCapture log("com.meterix.accounts");
        test::FailingStoreFiles files;
        files.failing = row.step;
        files.error = row.error;
        {
            AccountUsageStore store(path, clock, std::chrono::hours(1), files);
            for (const char* id : {"b", "c"}) {
                store.record(codex(id));
                store.flush();
            }
            EXPECT_EQ(fileBytes(), before);
            EXPECT_EQ(folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                      QStringList{QStringLiteral("account-usage.json")});
            EXPECT_EQ(log.messages().filter(QStringLiteral("could not write account-usage.json")).size(), 1);
            EXPECT_TRUE(store.snapshot(AIProviderType::openAICodex, QStringLiteral("c")));
            files.failing = Step::none; // space returns
            QDir().mkpath(QFileInfo(elsewhere).absolutePath());
        }
        AccountUsageStore again(path, clock);
        for (const char* id : {"b", "c"})
            EXPECT_TRUE(again.snapshot(AIProviderType::openAICodex, QLatin1String(id))) << id;
        EXPECT_EQ(QFileInfo(path).isSymLink(), row.step == Step::none);
    }
}

// A file that did not decode at start and that the user mended meanwhile is
// read back at the next write, not set aside: its readings and ours are kept.
TEST_F(Store, AFileMendedWhileRunningIsReadBackNotSetAside) {
    home.write(QStringLiteral("Meterix/account-usage.json"), "{ cut short");
    AccountUsageStore store(path, clock, std::chrono::hours(1));
    store.record(reading(AIProviderType::claudeCode, QStringLiteral("ours"), t0));
    home.write(QStringLiteral("Meterix/account-usage.json"),
               QJsonDocument(
                   QJsonObject{{QStringLiteral("claude|mended"),
                                reading(AIProviderType::claudeCode, QStringLiteral("mended"), t0).toJson()}})
                   .toJson());
    store.flush();
    EXPECT_TRUE(QDir(QFileInfo(path).absolutePath()).entryList({QStringLiteral("*.unreadable-*")}).isEmpty());
    EXPECT_TRUE(store.snapshot(AIProviderType::claudeCode, QStringLiteral("mended")));
    const auto onDisk = JsonStoreFile(path).load();
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(onDisk->keys(), (QStringList{QStringLiteral("claude|mended"), QStringLiteral("claude|ours")}));
}

// The app's write-delay setting: whole milliseconds up to a day; anything else
// leaves the default.
TEST(AccountUsageStoreWriteDelay, TakesWholeMillisecondsUpToADayElseTheDefault) {
    using std::chrono::milliseconds;
    const struct {
        const char* text;
        milliseconds delay;
    } rows[] = {
        {"3600000", milliseconds(3'600'000)},
        {" 250\n", milliseconds(250)},
        {"0", milliseconds(0)},
        {"86400000", milliseconds(86'400'000)},
        {"86400001", AccountUsageStore::defaultWriteDelay},
        {"-1", AccountUsageStore::defaultWriteDelay},
        {"1.5", AccountUsageStore::defaultWriteDelay},
        {"2s", AccountUsageStore::defaultWriteDelay},
        {"99999999999999999999999", AccountUsageStore::defaultWriteDelay},
        {"", AccountUsageStore::defaultWriteDelay},
    };
    for (const auto& row : rows)
        EXPECT_EQ(AccountUsageStore::writeDelayFrom(row.text), row.delay) << row.text;
}
