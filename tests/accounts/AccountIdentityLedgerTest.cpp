#include "accounts/AccountIdentityLedger.h"

#include "core/Paths.h"
#include "support/FailingStoreFiles.h"
#include "support/FakeClock.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <thread>
#include <vector>

namespace meterix {
namespace {

QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

const QDateTime kNow = utc(2026, 1, 15, 12);
const QString kProfile = QStringLiteral("/home/user/.codex");
constexpr auto kCodex = AIProviderType::openAICodex;

class AccountIdentityLedgerTest : public ::testing::Test {
protected:
    QString path() const { return home.file(QStringLiteral("Meterix/account-identity.json")); }

    QJsonObject fileObject() const {
        QFile f(path());
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QJsonDocument::fromJson(f.readAll()).object();
    }

    QStringList setAsideFiles() const {
        return QDir(home.file(QStringLiteral("Meterix")))
            .entryList({QStringLiteral("account-identity.json.unreadable-*")}, QDir::Files);
    }

    test::TempHome home;
    test::FakeClock clock{kNow};
};

TEST_F(AccountIdentityLedgerTest, TheFirstAccountOfAProfileOwnsAllItsUsage) {
    AccountIdentityLedger ledger(path(), clock);
    EXPECT_EQ(ledger.attributionBoundary(kCodex, kProfile, QStringLiteral("A"), utc(2026, 1, 10), kNow), std::nullopt);
    const QJsonObject expected{{QStringLiteral("codex|/home/user/.codex"),
                                QJsonObject{{QStringLiteral("accountID"), QStringLiteral("A")}}}};
    EXPECT_EQ(fileObject(), expected);
}

TEST_F(AccountIdentityLedgerTest, SeeingTheSameAccountAgainWritesNothing) {
    AccountIdentityLedger ledger(path(), clock);
    ledger.attributionBoundary(kCodex, kProfile, QStringLiteral("A"), std::nullopt, kNow);
    ASSERT_TRUE(QFile::remove(path()));
    EXPECT_EQ(ledger.attributionBoundary(kCodex, kProfile, QStringLiteral("A"), std::nullopt, kNow.addSecs(60)),
              std::nullopt);
    EXPECT_FALSE(QFileInfo::exists(path()));
}

TEST_F(AccountIdentityLedgerTest, ASwitchIsBoundedByTheCredentialWriteOrElseNow) {
    AccountIdentityLedger ledger(path(), clock);
    ledger.attributionBoundary(kCodex, kProfile, QStringLiteral("A"), std::nullopt, kNow);
    const QDateTime written = utc(2026, 1, 15, 11, 30);
    EXPECT_EQ(ledger.attributionBoundary(kCodex, kProfile, QStringLiteral("B"), written, kNow), written);
    EXPECT_EQ(ledger.attributionBoundary(kCodex, kProfile, QStringLiteral("B"), utc(2026, 1, 15, 11, 50), kNow.addSecs(600)),
              written);
    EXPECT_EQ(fileObject().value(QStringLiteral("codex|/home/user/.codex")).toObject(),
              (QJsonObject{{QStringLiteral("accountID"), QStringLiteral("B")},
                           {QStringLiteral("switchedAt"), QStringLiteral("2026-01-15T11:30:00Z")}}));

    // Switching back is a new switch; without a credential date the boundary is now.
    const QDateTime later = kNow.addSecs(3600);
    EXPECT_EQ(ledger.attributionBoundary(kCodex, kProfile, QStringLiteral("A"), std::nullopt, later), later);
    EXPECT_EQ(ledger.record(kCodex, kProfile), (AccountIdentityLedger::Record{QStringLiteral("A"), later}));
}

TEST_F(AccountIdentityLedgerTest, ProfilesAndProvidersKeepSeparateRecords) {
    AccountIdentityLedger ledger(path(), clock);
    ledger.attributionBoundary(kCodex, kProfile, QStringLiteral("A"), std::nullopt, kNow);
    EXPECT_EQ(ledger.attributionBoundary(kCodex, QStringLiteral("/home/user/.codex-work"), QStringLiteral("B"),
                                         std::nullopt, kNow),
              std::nullopt);
    EXPECT_EQ(ledger.attributionBoundary(AIProviderType::claudeCode, kProfile, QStringLiteral("B"), std::nullopt, kNow),
              std::nullopt);
    // A path spelled differently is another profile.
    EXPECT_EQ(ledger.attributionBoundary(kCodex, kProfile + QLatin1Char('/'), QStringLiteral("B"), std::nullopt, kNow),
              std::nullopt);
    EXPECT_EQ(ledger.record(kCodex, kProfile)->accountID, QStringLiteral("A"));
    EXPECT_EQ(fileObject().keys(),
              (QStringList{QStringLiteral("claude|/home/user/.codex"), QStringLiteral("codex|/home/user/.codex"),
                           QStringLiteral("codex|/home/user/.codex-work"), QStringLiteral("codex|/home/user/.codex/")}));
}

TEST_F(AccountIdentityLedgerTest, SwitchBoundariesSurviveARestart) {
    const QDateTime written = utc(2026, 1, 15, 11, 30);
    {
        AccountIdentityLedger ledger(path(), clock);
        ledger.attributionBoundary(kCodex, kProfile, QStringLiteral("A"), std::nullopt, kNow);
        ledger.attributionBoundary(kCodex, kProfile, QStringLiteral("B"), written, kNow);
    }
    AccountIdentityLedger restarted(path(), clock);
    EXPECT_EQ(restarted.record(kCodex, kProfile), (AccountIdentityLedger::Record{QStringLiteral("B"), written}));
    // Usage from before the switch stays with the old account after the restart too.
    EXPECT_EQ(restarted.attributionBoundary(kCodex, kProfile, QStringLiteral("B"), std::nullopt, kNow.addDays(1)), written);
}

TEST_F(AccountIdentityLedgerTest, TheFileIsPrettySortedAndOwnerOnly) {
    AccountIdentityLedger ledger(path(), clock);
    ledger.attributionBoundary(kCodex, QStringLiteral("/b"), QStringLiteral("B"), std::nullopt, kNow);
    ledger.attributionBoundary(kCodex, QStringLiteral("/a"), QStringLiteral("A"), std::nullopt, kNow);
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains("\n    \"codex|/a\": {\n"));
    EXPECT_LT(text.indexOf("codex|/a"), text.indexOf("codex|/b"));
    struct stat st {};
    ASSERT_EQ(::stat(path().toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(AccountIdentityLedgerTest, AFileThatDoesNotDecodeIsSetAsideNotOverwritten) {
    for (const QByteArray& bad :
         {QByteArray("not json"), QByteArray("[1, 2]"),
          QByteArray(R"({"codex|/p": {"accountID": "A", "switchedAt": "2026-01-15T11:30:00.5Z"}})"),
          QByteArray(R"({"codex|/p": {"accountID": "A"}, "codex|/q": {"switchedAt": "2026-01-15T11:30:00Z"}})"),
          QByteArray(R"({"codex|/p": "A"})")}) {
        SCOPED_TRACE(bad.toStdString());
        test::TempHome fresh;
        const QString file = fresh.write(QStringLiteral("account-identity.json"), bad);
        AccountIdentityLedger ledger(file, clock);
        EXPECT_EQ(ledger.record(kCodex, QStringLiteral("/p")), std::nullopt); // starts empty
        EXPECT_EQ(ledger.attributionBoundary(kCodex, QStringLiteral("/p"), QStringLiteral("B"), std::nullopt, kNow),
                  std::nullopt);
        const QString aside = file + QStringLiteral(".unreadable-20260115T120000Z");
        QFile kept(aside);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), bad);
        QFile current(file);
        ASSERT_TRUE(current.open(QIODevice::ReadOnly));
        EXPECT_EQ(QJsonDocument::fromJson(current.readAll()).object().value(QStringLiteral("codex|/p")).toObject(),
                  (QJsonObject{{QStringLiteral("accountID"), QStringLiteral("B")}}));
    }
}

TEST_F(AccountIdentityLedgerTest, ASetAsideNeverReplacesAnEarlierOne) {
    QDir().mkpath(home.file(QStringLiteral("Meterix")));
    home.write(QStringLiteral("Meterix/account-identity.json"), "first bad");
    AccountIdentityLedger(path(), clock).reset();
    home.write(QStringLiteral("Meterix/account-identity.json"), "second bad");
    AccountIdentityLedger(path(), clock).reset();
    EXPECT_EQ(setAsideFiles(), (QStringList{QStringLiteral("account-identity.json.unreadable-20260115T120000Z"),
                                            QStringLiteral("account-identity.json.unreadable-20260115T120000Z-2")}));
    EXPECT_EQ(fileObject(), QJsonObject());
}

TEST_F(AccountIdentityLedgerTest, NullSwitchDateReadsAsAbsent) {
    home.write(QStringLiteral("Meterix/account-identity.json"),
               R"({"codex|/p": {"accountID": "A", "switchedAt": null}, "codex|/q": {"accountID": "B", "switchedAt": "2026-01-15T09:00:00+09:00"}})");
    AccountIdentityLedger ledger(path(), clock);
    EXPECT_EQ(ledger.record(kCodex, QStringLiteral("/p")), (AccountIdentityLedger::Record{QStringLiteral("A"), std::nullopt}));
    EXPECT_EQ(ledger.record(kCodex, QStringLiteral("/q"))->switchedAt, utc(2026, 1, 15));
    EXPECT_TRUE(setAsideFiles().isEmpty());
}

TEST_F(AccountIdentityLedgerTest, AFailedWriteKeepsTheAnswersForThisRun) {
    home.write(QStringLiteral("blocker"), "a file where the folder should be");
    AccountIdentityLedger ledger(home.file(QStringLiteral("blocker/account-identity.json")), clock);
    ledger.attributionBoundary(kCodex, kProfile, QStringLiteral("A"), std::nullopt, kNow);
    EXPECT_EQ(ledger.attributionBoundary(kCodex, kProfile, QStringLiteral("B"), std::nullopt, kNow), kNow);
    EXPECT_EQ(ledger.attributionBoundary(kCodex, kProfile, QStringLiteral("B"), std::nullopt, kNow.addSecs(5)), kNow);
}

// A full disk used to cut the ledger to nothing. Now the file stays, the log
// says so once, and the shutdown writes what was seen.
TEST_F(AccountIdentityLedgerTest, AFailedWriteKeepsTheFileAndIsWrittenAtTheShutdown) {
    test::LogCapture log("com.meterix.accounts");
    test::FailingStoreFiles files;
    AccountIdentityLedger ledger(path(), clock, files);
    ledger.attributionBoundary(kCodex, kProfile, QStringLiteral("A"), std::nullopt, kNow);
    const QJsonObject before = fileObject();
    files.failing = test::FailingStoreFiles::Step::write;
    EXPECT_EQ(ledger.attributionBoundary(kCodex, kProfile, QStringLiteral("B"), std::nullopt, kNow), kNow);
    ledger.attributionBoundary(kCodex, QStringLiteral("/other"), QStringLiteral("C"), std::nullopt, kNow);
    EXPECT_EQ(fileObject(), before);
    EXPECT_EQ(log.messages().filter(QStringLiteral("could not write account-identity.json")).size(), 1);
    files.failing = test::FailingStoreFiles::Step::none;
    ledger.shutdown();
    AccountIdentityLedger again(path(), clock);
    EXPECT_EQ(again.record(kCodex, kProfile), (AccountIdentityLedger::Record{QStringLiteral("B"), kNow}));
    EXPECT_EQ(again.record(kCodex, QStringLiteral("/other"))->accountID, QStringLiteral("C"));
}

TEST_F(AccountIdentityLedgerTest, AFileMendedWhileRunningIsReadBackNotSetAside) {
    home.write(QStringLiteral("Meterix/account-identity.json"), "{ cut short");
    AccountIdentityLedger ledger(path(), clock);
    home.write(QStringLiteral("Meterix/account-identity.json"), R"({"codex|/q": {"accountID": "Q"}})");
    ledger.attributionBoundary(kCodex, kProfile, QStringLiteral("A"), std::nullopt, kNow);
    EXPECT_TRUE(setAsideFiles().isEmpty());
    EXPECT_EQ(ledger.record(kCodex, QStringLiteral("/q"))->accountID, QStringLiteral("Q"));
    EXPECT_EQ(fileObject().keys(), (QStringList{QStringLiteral("codex|/home/user/.codex"), QStringLiteral("codex|/q")}));
}

TEST_F(AccountIdentityLedgerTest, ResetEmptiesTheLedgerAndTheFile) {
    AccountIdentityLedger ledger(path(), clock);
    ledger.attributionBoundary(kCodex, kProfile, QStringLiteral("A"), std::nullopt, kNow);
    ledger.reset();
    EXPECT_EQ(fileObject(), QJsonObject());
    EXPECT_TRUE(QFileInfo::exists(path()));
    EXPECT_EQ(ledger.attributionBoundary(kCodex, kProfile, QStringLiteral("B"), std::nullopt, kNow), std::nullopt);
}

TEST_F(AccountIdentityLedgerTest, QuestionsFromManyThreadsAreSerialised) {
    AccountIdentityLedger ledger(path(), clock);
    constexpr int kThreads = 8;
    constexpr int kRounds = 9;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            const QString profile = QStringLiteral("/p%1").arg(t);
            for (int r = 0; r < kRounds; ++r) {
                // Alternate accounts: every call after the first is a switch.
                const QString account = (r % 2) ? QStringLiteral("B") : QStringLiteral("A");
                const auto boundary =
                    ledger.attributionBoundary(kCodex, profile, account, std::nullopt, kNow.addSecs(r));
                EXPECT_EQ(boundary.has_value(), r > 0);
            }
            // A shared profile that every thread writes.
            ledger.attributionBoundary(kCodex, QStringLiteral("/shared"), QStringLiteral("T%1").arg(t), std::nullopt, kNow);
        });
    for (auto& thread : threads) thread.join();
    const QJsonObject onDisk = fileObject();
    EXPECT_EQ(onDisk.size(), kThreads + 1);
    for (int t = 0; t < kThreads; ++t) {
        const auto record = ledger.record(kCodex, QStringLiteral("/p%1").arg(t));
        ASSERT_TRUE(record);
        EXPECT_EQ(record->accountID, QStringLiteral("A"));
        EXPECT_EQ(record->switchedAt, kNow.addSecs(kRounds - 1));
        EXPECT_EQ(onDisk.value(QStringLiteral("codex|/p%1").arg(t)).toObject().value(QStringLiteral("accountID")).toString(),
                  QStringLiteral("A"));
    }
    // The file holds what memory holds, whichever thread came last.
    EXPECT_EQ(onDisk.value(QStringLiteral("codex|/shared")).toObject().value(QStringLiteral("accountID")).toString(),
              ledger.record(kCodex, QStringLiteral("/shared"))->accountID);
}

TEST_F(AccountIdentityLedgerTest, TheDefaultFileLivesInOurDataFolder) {
    const QString expected = joinPath(meterixDataFolder(), QStringLiteral("account-identity.json"));
    EXPECT_EQ(AccountIdentityLedger::defaultFilePath(), expected);
    EXPECT_TRUE(QFileInfo(meterixDataFolder()).isDir());
    struct stat st {};
    ASSERT_EQ(::stat(meterixDataFolder().toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u); // ids and e-mails inside: owner only
    EXPECT_TRUE(expected.startsWith(qEnvironmentVariable("XDG_DATA_HOME")));
}

TEST_F(AccountIdentityLedgerTest, AQuestionAfterShutdownStillAnswers) {
    AccountIdentityLedger ledger(path(), clock);
    ledger.attributionBoundary(kCodex, kProfile, QStringLiteral("A"), std::nullopt, kNow);
    ledger.shutdown();
    EXPECT_EQ(ledger.attributionBoundary(kCodex, kProfile, QStringLiteral("B"), std::nullopt, kNow), kNow);
    EXPECT_EQ(AccountIdentityLedger(path(), clock).record(kCodex, kProfile)->accountID, QStringLiteral("B"));
}

} // namespace
} // namespace meterix
