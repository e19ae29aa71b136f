#include "providers/claude/ClaudeCodeAdapter.h"
#include "providers/claude/ClaudeTranscriptPruning.h"

#include "support/HostUnderHome.h"
#include "support/Readings.h"
#include "support/ClaudeConfiguration.h"
#include "support/FakeClock.h"
#include "support/Processes.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using namespace meterix;
using meterix::test::FakeClock;
using meterix::test::TempHome;

namespace {

// A stand-in for the Claude Code client: counts its runs, notes the
// CLAUDE_CONFIG_DIR it saw and its working folder, leaves a transcript (dated by
// its run number, its lines as the client writes them) where the real client
// would, and prints $HOME/usage.txt.
const QByteArray kFakeClaude = R"SH(
n=$(cat "$HOME/runs" 2>/dev/null || echo 0); n=$((n+1)); echo $n > "$HOME/runs"
echo "${CLAUDE_CONFIG_DIR-unset}|$(pwd)|$*" >> "$HOME/calls"
base="${CLAUDE_CONFIG_DIR:-$HOME/.claude}"
d="$base/projects/$(pwd | sed 's/[^A-Za-z0-9]/-/g')"
mkdir -p "$d" && printf '%s\n' '{"type":"permission-mode","permissionMode":"default","sessionId":"s'$n'"}' \
  '{"parentUuid":null,"isSidechain":false,"userType":"external","cwd":"'"$(pwd -P)"'","sessionId":"s'$n'","version":"2.1.0","type":"user","message":{"role":"user","content":"/usage"}}' \
  > "$d/t$n.jsonl" && touch -d "@$((1700000000 + n))" "$d/t$n.jsonl"
[ -f "$HOME/hold" ] && { touch "$HOME/started"; while [ ! -e "$HOME/release" ]; do sleep 0.02; done; }
cat "$HOME/usage.txt" 2>/dev/null
)SH";

// One reset phrase in each form current clients print.
const QByteArray kUsageText = "Current session: 37% used · resets Jan 16, 3pm (UTC)\n"
                              "Current week (all models): 10% used · resets Jan 21 at 12pm (Europe/Madrid)\n"
                              "Current week (Opus): 5% used · resets Jan 18 at 4:59am (Europe/Madrid)\n";

class ClaudeAdapterTest : public ::testing::Test {
  protected:
    TempHome home;
    FakeClock clock; // 2026-01-15 12:00 UTC
    ProbeGate gate{clock};
    QProcessEnvironment vars;
    std::unique_ptr<CLIProcessRunner> runner;
    std::unique_ptr<ClaudeCodeAdapter> adapterPtr;

    void SetUp() override {
        vars.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
        home.writeScript(QStringLiteral(".local/bin/claude"), kFakeClaude);
        home.write(QStringLiteral("usage.txt"), kUsageText);
    }

    HostEnvironment host() const { return test::hostUnderHome(home.path(), vars); }

    ClaudeCodeAdapter& adapter(double probeTimeout = 10) {
        CLIProcessRunner::Options options;
        options.killGraceSeconds = 0.2;
        runner = std::make_unique<CLIProcessRunner>(host(), options);
        adapterPtr = std::make_unique<ClaudeCodeAdapter>(host(), *runner, gate, clock,
                                                         ClaudeCodeAdapter::Options{probeTimeout});
        return *adapterPtr;
    }

    int runs() const { return static_cast<int>(test::readPidFile(home.file(QStringLiteral("runs")))); }
    QStringList calls() const {
        QFile f(home.file(QStringLiteral("calls")));
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // A configuration signed in as `uuid` with a cached reading taken `age` seconds ago.
    QString writeConfig(const QString& relative, const QString& uuid, std::optional<double> age,
                        const char* organizationType = "claude_max") {
        QByteArray json =
            QStringLiteral(R"({"oauthAccount":{"accountUuid":"%1","emailAddress":"%1@example.com",
            "organizationType":"%2"})")
                .arg(uuid, QString::fromLatin1(organizationType))
                .toUtf8();
        if (age)
            json += QStringLiteral(R"(,"cachedUsageUtilization":{"accountUuid":"%1","fetchedAtMs":%2,
                "utilization":{"five_hour":{"utilization":80}}})")
                        .arg(uuid)
                        .arg(clock.now().toMSecsSinceEpoch() - qint64(*age * 1000))
                        .toUtf8();
        return home.write(relative, json + "}");
    }

    QString probeTranscriptFolder(const QString& base) const {
        return base + QStringLiteral("/projects/") +
               *claudeProjectFolderName(home.file(QStringLiteral(".local/share/Meterix-ClaudeProbe")));
    }
    QStringList transcripts(const QString& base) const {
        QStringList names = QDir(probeTranscriptFolder(base)).entryList(QDir::Files);
        names.sort();
        return names;
    }
};

} // namespace

TEST_F(ClaudeAdapterTest, FreshCachedReadingIsUsedWithoutProbing) {
    writeConfig(QStringLiteral(".claude.json"), QStringLiteral("u1"), 899);
    const auto list = adapter().fetchUsagePerAccount(false);
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].strategyUsed, FetchStrategy::localFileCache);
    EXPECT_EQ(list[0].headlineRemainingPercentage, 20);
    EXPECT_EQ(list[0].accountID, QStringLiteral("u1"));
    EXPECT_EQ(runs(), -1) << "the client was not started";
}

TEST_F(ClaudeAdapterTest, StaleReadingIsReplacedByTheClientsPrintedUsage) {
    writeConfig(QStringLiteral(".claude.json"), QStringLiteral("u1"), 900);
    const auto list = adapter().fetchUsagePerAccount(false);
    ASSERT_EQ(list.size(), 1);
    const UsageSnapshot& s = list[0];
    EXPECT_EQ(runs(), 1);
    EXPECT_EQ(s.strategyUsed, FetchStrategy::cliStatusProbe);
    EXPECT_EQ(s.headlineRemainingPercentage, 63);
    EXPECT_EQ(s.headlineResetAt, test::resetIn(s, 27.0 * 3600));
    EXPECT_EQ(s.weeklyRemainingPercentage, 90);
    EXPECT_EQ(s.weeklyResetAt, test::resetIn(s, (5 * 24 + 23) * 3600.0)); // 12:00 in Madrid is 11:00 UTC
    ASSERT_EQ(s.modelQuotas.size(), 3);
    EXPECT_EQ(s.modelQuotas[2].resetAt, test::resetIn(s, (2 * 24 + 15) * 3600.0 + 59 * 60));
    EXPECT_EQ(s.accountID, QStringLiteral("u1"));
    EXPECT_EQ(s.accountEmail, QStringLiteral("u1@example.com"));
    EXPECT_EQ(s.planName, QStringLiteral("Claude Max"));
    EXPECT_EQ(s.sourceID, QStringLiteral("claude.cli"));
    EXPECT_EQ(s.capturedAt, clock.now());
    const QString cwd = home.file(QStringLiteral(".local/share/Meterix-ClaudeProbe"));
    EXPECT_EQ(calls(), QStringList{QStringLiteral("unset|%1|--strict-mcp-config -p /usage").arg(cwd)});
}

TEST_F(ClaudeAdapterTest, EachProfileHasItsOwnFloorAndItsOwnConfigDir) {
    // The app itself runs with CLAUDE_CONFIG_DIR: the home profile's probe must not inherit it.
    writeConfig(QStringLiteral(".claude.json"), QStringLiteral("home"), 3600);
    writeConfig(QStringLiteral(".claude-work/.claude.json"), QStringLiteral("work"), 3600);
    vars.insert(QStringLiteral("CLAUDE_CONFIG_DIR"), home.file(QStringLiteral(".claude-work")));
    auto& a = adapter();

    auto list = a.fetchUsagePerAccount(false);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].accountID, QStringLiteral("work"));
    EXPECT_EQ(list[1].accountID, QStringLiteral("home"));
    EXPECT_EQ(list[0].strategyUsed, FetchStrategy::cliStatusProbe);
    EXPECT_EQ(list[1].strategyUsed, FetchStrategy::cliStatusProbe);
    const QStringList seen = calls();
    ASSERT_EQ(seen.size(), 2);
    EXPECT_TRUE(seen[0].startsWith(home.file(QStringLiteral(".claude-work")) + QLatin1Char('|')));
    EXPECT_TRUE(seen[1].startsWith(QStringLiteral("unset|"))) << seen[1].toStdString();

    // Within the floor neither profile is probed; their stale cached readings come back.
    clock.advance(299);
    list = a.fetchUsagePerAccount(true);
    EXPECT_EQ(runs(), 2);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].strategyUsed, FetchStrategy::localFileCache);
    EXPECT_EQ(list[1].strategyUsed, FetchStrategy::localFileCache);

    clock.advance(1);
    list = a.fetchUsagePerAccount(false);
    EXPECT_EQ(runs(), 4);
    EXPECT_EQ(list[0].strategyUsed, FetchStrategy::cliStatusProbe);
}

TEST_F(ClaudeAdapterTest, UnreadableOutputFallsBackToTheStaleReading) {
    writeConfig(QStringLiteral(".claude.json"), QStringLiteral("u1"), 5000);
    home.write(QStringLiteral("usage.txt"), "Error: please log in\n");
    const auto list = adapter().fetchUsagePerAccount(false);
    EXPECT_EQ(runs(), 1);
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].strategyUsed, FetchStrategy::localFileCache);
    EXPECT_EQ(list[0].capturedAt, clock.now().addSecs(-5000));
}

TEST_F(ClaudeAdapterTest, NothingReadableGivesTheFirstProfilesUnknownSnapshot) {
    writeConfig(QStringLiteral(".claude.json"), QStringLiteral("u1"), std::nullopt, "claude_pro");
    writeConfig(QStringLiteral(".claude-b/.claude.json"), QStringLiteral("u2"), std::nullopt);
    QFile::remove(home.file(QStringLiteral("usage.txt")));
    const auto list = adapter().fetchUsagePerAccount(false);
    EXPECT_EQ(runs(), 2) << "the retry of the first profile meets its floor";
    ASSERT_EQ(list.size(), 1);
    const UsageSnapshot& s = list[0];
    EXPECT_EQ(s.strategyUsed, FetchStrategy::simulated);
    EXPECT_EQ(s.headlineRemainingPercentage, 0);
    EXPECT_FALSE(s.weeklyRemainingPercentage);
    EXPECT_EQ(s.unavailableReason, UsageUnavailableReason::awaitingFirstReading) << "signed in, not read";
    EXPECT_EQ(s.totalTokens, 100000);
    EXPECT_EQ(s.accountID, QStringLiteral("u1"));
    EXPECT_EQ(s.planName, QStringLiteral("Claude Pro"));
    EXPECT_EQ(s.sourceID, QStringLiteral("claude.cli"));
}

TEST_F(ClaudeAdapterTest, WithoutProfilesTheDefaultKeyIsProbed) {
    auto& a = adapter();
    const UsageSnapshot first = a.fetchUsage(false);
    EXPECT_EQ(runs(), 1);
    EXPECT_EQ(first.strategyUsed, FetchStrategy::cliStatusProbe);
    EXPECT_EQ(first.sourceID, QStringLiteral("claude.cli"));
    EXPECT_FALSE(first.accountID);
    EXPECT_EQ(gate.nextAllowed(QStringLiteral("claude:default"), 300), clock.now().addSecs(300));

    clock.advance(120);
    const UsageSnapshot again = a.fetchUsage(false);
    EXPECT_EQ(runs(), 1);
    EXPECT_EQ(again, first) << "the last snapshot while the floor holds";

    clock.advance(180);
    home.write(QStringLiteral("usage.txt"), "nothing useful");
    EXPECT_EQ(a.fetchUsage(false), first);
    EXPECT_EQ(runs(), 2);
}

TEST_F(ClaudeAdapterTest, WithoutClientOrProfileTheSnapshotHasNoFigures) {
    QFile::remove(home.file(QStringLiteral(".local/bin/claude")));
    const auto list = adapter().fetchUsagePerAccount(false);
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].strategyUsed, FetchStrategy::simulated);
    EXPECT_FALSE(list[0].accountID);
    EXPECT_EQ(list[0].capturedAt, clock.now());
}

TEST_F(ClaudeAdapterTest, HangingClientIsKilledWithItsChildrenAtTheTimeOut) {
    writeConfig(QStringLiteral(".claude.json"), QStringLiteral("u1"), 5000);
    home.writeScript(QStringLiteral(".local/bin/claude"), "trap '' TERM\n"
                                                          "echo $$ > \"$HOME/leader.pid\"\n"
                                                          "sleep 120 & echo $! > \"$HOME/child.pid\"\n"
                                                          "echo 'Current session: 1% used'\n"
                                                          "while :; do sleep 1; done\n");
    QElapsedTimer timer;
    timer.start();
    const auto list = adapter(0.5).fetchUsagePerAccount(false);
    EXPECT_LT(timer.elapsed(), test::kHangLimitMs) << "the client runs for ever unless killed";
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].strategyUsed, FetchStrategy::localFileCache)
        << "printed text before the time-out is dropped";
    const qint64 leader = test::readPidFile(home.file(QStringLiteral("leader.pid")));
    const qint64 child = test::readPidFile(home.file(QStringLiteral("child.pid")));
    EXPECT_TRUE(test::waitUntil([&] { return test::processIsGone(leader); }));
    EXPECT_TRUE(test::waitUntil([&] { return test::processIsGone(child); }));
    EXPECT_FALSE(gate.isBusy());
}

TEST_F(ClaudeAdapterTest, FloodingClientIsCappedAndStillRead) {
    home.writeScript(QStringLiteral(".local/bin/claude"), "cat \"$HOME/usage.txt\"\n"
                                                          "head -c 6000000 /dev/zero | tr '\\000' 'z'\n");
    const UsageSnapshot s = adapter().fetchUsage(false);
    EXPECT_EQ(s.strategyUsed, FetchStrategy::cliStatusProbe);
    EXPECT_EQ(s.headlineRemainingPercentage, 63);
}

TEST_F(ClaudeAdapterTest, SecondProbeWhileOneRunsIsDeclined) {
    home.write(QStringLiteral("hold"), "");
    writeConfig(QStringLiteral(".claude.json"), QStringLiteral("u1"), std::nullopt);
    auto& first = adapter();
    std::optional<UsageSnapshot> firstResult;
    std::thread worker([&] { firstResult = first.fetchUsage(false); });
    ASSERT_TRUE(test::waitUntil([&] { return QFile::exists(home.file(QStringLiteral("started"))); }));

    CLIProcessRunner otherRunner(host());
    ClaudeCodeAdapter second(host(), otherRunner, gate, clock);
    const UsageSnapshot declined = second.fetchUsage(false);
    EXPECT_EQ(declined.strategyUsed, FetchStrategy::simulated);
    EXPECT_EQ(declined.accountID, QStringLiteral("u1"));
    EXPECT_EQ(runs(), 1);

    home.write(QStringLiteral("release"), "");
    worker.join();
    ASSERT_TRUE(firstResult);
    EXPECT_EQ(firstResult->strategyUsed, FetchStrategy::cliStatusProbe);
    EXPECT_FALSE(gate.isBusy());
}

TEST_F(ClaudeAdapterTest, ProbesKeepOnlyTheNewestFiveTranscripts) {
    writeConfig(QStringLiteral(".claude.json"), QStringLiteral("u1"), 5000);
    auto& a = adapter();
    for (int i = 0; i < 7; ++i) {
        a.fetchUsagePerAccount(false);
        clock.advance(300);
    }
    EXPECT_EQ(runs(), 7);
    EXPECT_EQ(transcripts(home.file(QStringLiteral(".claude"))),
              (QStringList{QStringLiteral("t3.jsonl"), QStringLiteral("t4.jsonl"), QStringLiteral("t5.jsonl"),
                           QStringLiteral("t6.jsonl"), QStringLiteral("t7.jsonl")}));
}

// Only where that profile's client writes: the default profile's folder of the
// same name is not the probed one's.
TEST_F(ClaudeAdapterTest, ProfileWithItsOwnFolderHasItsTranscriptsPrunedThere) {
    writeConfig(QStringLiteral(".claude-work/.claude.json"), QStringLiteral("w"), 5000);
    for (int i = 0; i < 7; ++i)
        home.write(probeTranscriptFolder(QStringLiteral(".claude")) + QStringLiteral("/d%1.jsonl").arg(i), "{}");
    auto& a = adapter();
    for (int i = 0; i < 6; ++i) {
        a.fetchUsagePerAccount(false);
        clock.advance(300);
    }
    EXPECT_EQ(transcripts(home.file(QStringLiteral(".claude-work"))).size(), 5);
    EXPECT_FALSE(transcripts(home.file(QStringLiteral(".claude-work"))).contains(QStringLiteral("t1.jsonl")));
    EXPECT_EQ(transcripts(home.file(QStringLiteral(".claude"))).size(), 7);
}

// Never in the folder the app was started from instead.
TEST_F(ClaudeAdapterTest, NoProbeRunsWithoutItsOwnWorkingFolder) {
    home.write(QStringLiteral(".local/share"), "x"); // a file where the data folder should be
    auto& a = adapter();
    EXPECT_FALSE(a.probeWorkingDirectory());
    EXPECT_EQ(a.fetchUsage(false).strategyUsed, FetchStrategy::simulated);
    EXPECT_EQ(runs(), -1) << "the client never ran";
}

TEST_F(ClaudeAdapterTest, AvailabilityFollowsTheClaudeFolderOrTheClient) {
    auto& a = adapter();
    EXPECT_TRUE(a.checkAvailability()) << "the client in ~/.local/bin";
    EXPECT_TRUE(a.isDetected());
    QFile::setPermissions(home.file(QStringLiteral(".local/bin/claude")),
                          QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_FALSE(a.checkAvailability());
    EXPECT_FALSE(a.isDetected());
    home.mkdir(QStringLiteral(".claude"));
    EXPECT_TRUE(a.checkAvailability());
}

TEST_F(ClaudeAdapterTest, TheSingleFetchKeepsTheLastReading) {
    writeConfig(QStringLiteral(".claude.json"), QStringLiteral("u1"), 10);
    auto& a = adapter();
    const UsageSnapshot cached = a.fetchUsage(false);
    EXPECT_EQ(cached.strategyUsed, FetchStrategy::localFileCache);
    // The configuration loses its reading and the client cannot be run: the last one stays.
    writeConfig(QStringLiteral(".claude.json"), QStringLiteral("u1"), std::nullopt);
    QFile::remove(home.file(QStringLiteral(".local/bin/claude")));
    EXPECT_EQ(a.fetchUsage(false), cached);
    EXPECT_EQ(a.fetchUsage(true), cached);
}

// --- Transcript pruning on its own

namespace {

const QString kProbeFolder = QStringLiteral("/home/u/.local/share/Meterix-ClaudeProbe");

// A line of a session the client ran in `cwd`.
QByteArray sessionLine(const QString& cwd) {
    return R"({"parentUuid":null,"isSidechain":false,"userType":"external","cwd":")" + cwd.toUtf8() +
           R"(","sessionId":"5f0c","version":"2.1.0","type":"user","message":{"role":"user","content":"/usage"}})"
           "\n";
}

void makeTranscript(const TempHome& home, const QString& relative, qint64 second,
                    const QByteArray& lines = sessionLine(kProbeFolder)) {
    const QString path = home.write(relative, lines);
    TempHome::setModifiedNs(path, second * 1000000000LL);
}

} // namespace

TEST(ClaudeTranscriptPruning, KeepsTheNewestAndTouchesNothingElse) {
    TempHome home;
    const QString folder = QStringLiteral("projects/-home-u--local-share-Meterix-ClaudeProbe/");
    for (int i = 1; i <= 8; ++i)
        makeTranscript(home, folder + QStringLiteral("r%1.jsonl").arg(i), 1700000000 + i);
    home.write(folder + QStringLiteral("notes.txt"), "keep");
    home.write(folder + QStringLiteral("r0.jsonl.bak"), "keep");
    home.mkdir(folder + QStringLiteral("old.jsonl"));
    makeTranscript(home, folder + QStringLiteral("old.jsonl/inner.jsonl"), 1);
    const QString outside = home.write(QStringLiteral("precious.jsonl"), "user data");
    TempHome::setModifiedNs(outside, 1);
    QFile::link(outside, home.file(folder + QStringLiteral("link.jsonl")));
    // Another project of the user's.
    makeTranscript(home, QStringLiteral("projects/-home-u-work/a.jsonl"), 1);

    pruneClaudeProbeTranscripts(home.file(QStringLiteral("projects")), kProbeFolder, 5);

    QStringList left =
        QDir(home.file(folder)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    left.sort();
    EXPECT_EQ(
        left,
        (QStringList{QStringLiteral("link.jsonl"), QStringLiteral("notes.txt"), QStringLiteral("old.jsonl"),
                     QStringLiteral("r0.jsonl.bak"), QStringLiteral("r4.jsonl"), QStringLiteral("r5.jsonl"),
                     QStringLiteral("r6.jsonl"), QStringLiteral("r7.jsonl"), QStringLiteral("r8.jsonl")}));
    EXPECT_TRUE(QFile::exists(home.file(folder + QStringLiteral("old.jsonl/inner.jsonl"))))
        << "never recursive";
    EXPECT_TRUE(QFile::exists(outside)) << "never through a link";
    EXPECT_TRUE(QFile::exists(home.file(QStringLiteral("projects/-home-u-work/a.jsonl"))));
}

TEST(ClaudeTranscriptPruning, NegativeCountKeepsNoneAndMissingFoldersAreFine) {
    TempHome home;
    const QString folder = QStringLiteral("projects/-home-u--local-share-Meterix-ClaudeProbe/");
    makeTranscript(home, folder + QStringLiteral("a.jsonl"), 10);
    makeTranscript(home, folder + QStringLiteral("b.jsonl"), 20);
    pruneClaudeProbeTranscripts(home.file(QStringLiteral("projects")), kProbeFolder, -3);
    EXPECT_TRUE(QDir(home.file(folder)).entryList(QDir::Files).isEmpty());
    pruneClaudeProbeTranscripts(home.file(QStringLiteral("nowhere")), kProbeFolder, 5);
    pruneClaudeProbeTranscripts(QString(), kProbeFolder, 5);
}

TEST(ClaudeTranscriptPruning, ProbeFolderReachedThroughALinkIsLeftAlone) {
    TempHome home;
    for (int i = 1; i <= 7; ++i)
        makeTranscript(home, QStringLiteral("real/t%1.jsonl").arg(i), 100 + i);
    home.mkdir(QStringLiteral("projects"));
    QFile::link(home.file(QStringLiteral("real")),
                home.file(QStringLiteral("projects/-home-u--local-share-Meterix-ClaudeProbe")));
    pruneClaudeProbeTranscripts(home.file(QStringLiteral("projects")), kProbeFolder, 5);
    EXPECT_EQ(QDir(home.file(QStringLiteral("real"))).entryList(QDir::Files).size(), 7);
}

// A project of the user's whose name holds the probe folder's keeps every
// session, whether the probe's own folder is missing or sorts after it.
TEST(ClaudeTranscriptPruning, OnlyTheProbesOwnProjectFolderIsPruned) {
    const QString own = QStringLiteral("-home-u--local-share-Meterix-ClaudeProbe");
    const QStringList layouts[] = {{QStringLiteral("-home-u-code-Meterix-ClaudeProbe-notes")},
                                   {QStringLiteral("-a-Meterix-ClaudeProbe"), own + QStringLiteral("-old"), own}};
    for (const QStringList& folders : layouts) {
        TempHome home;
        for (const QString& folder : folders)
            for (int i = 1; i <= 7; ++i)
                makeTranscript(home, QStringLiteral("projects/%1/s%2.jsonl").arg(folder).arg(i), 1700000000 + i);
        pruneClaudeProbeTranscripts(home.file(QStringLiteral("projects")), kProbeFolder, 5);
        for (const QString& folder : folders)
            EXPECT_EQ(QDir(home.file(QStringLiteral("projects/") + folder)).entryList(QDir::Files).size(),
                      folder == own ? 5 : 7) << folder.toStdString();
    }
}

// Folders whose names differ only in punctuation share a project folder, so a
// transcript is the probe's only when its first lines say it was written in the
// probe's own folder. Each row puts eight transcripts of its kind, newer than
// eight of the probe's, into the probe's project folder.
TEST(ClaudeTranscriptPruning, OnlyTranscriptsWrittenInTheProbeFolderArePruned) {
    const QByteArray permissionLine = R"({"type":"permission-mode","permissionMode":"default","sessionId":"5f0c"})"
                                      "\n";
    const struct {
        const char* why;
        QByteArray lines;
        bool probes;
    } rows[] = {
        {"a user's folder that differs in punctuation",
         sessionLine(QStringLiteral("/home/u/.local/share/Meterix_ClaudeProbe")), false},
        {"a folder below the probe's", sessionLine(kProbeFolder + QStringLiteral("/sub")), false},
        {"no working folder named", permissionLine + "{}\n", false},
        {"a session that moved", sessionLine(kProbeFolder) + sessionLine(QStringLiteral("/home/u/work")), false},
        {"named only past the bytes read",
         permissionLine.left(permissionLine.size() - 2) + ",\"pad\":\"" + QByteArray(kTranscriptHeadBytes, 'x') +
             "\"}\n" + sessionLine(kProbeFolder),
         false},
        {"the probe's, after a line without one", permissionLine + sessionLine(kProbeFolder), true},
    };
    const QString folder = QStringLiteral("projects/-home-u--local-share-Meterix-ClaudeProbe/");
    for (const auto& row : rows) {
        TempHome home;
        for (int i = 1; i <= 8; ++i) {
            makeTranscript(home, folder + QStringLiteral("p%1.jsonl").arg(i), 1700000000 + i);
            makeTranscript(home, folder + QStringLiteral("r%1.jsonl").arg(i), 1700000100 + i, row.lines);
        }
        pruneClaudeProbeTranscripts(home.file(QStringLiteral("projects")), kProbeFolder, 5);
        const QStringList left = QDir(home.file(folder)).entryList(QDir::Files);
        EXPECT_EQ(left.filter(QStringLiteral("r")).size(), row.probes ? 5 : 8) << row.why;
        EXPECT_EQ(left.filter(QStringLiteral("p")).size(), row.probes ? 0 : 5) << row.why;
    }
}

// Every UTF-16 unit but an ASCII letter or digit becomes "-", runs kept; a name
// the client would shorten is not guessed.
TEST(ClaudeTranscriptPruning, ProjectFolderNamesFollowTheClientsRule) {
    const std::pair<QString, std::optional<QString>> rows[] = {
        {kProbeFolder, QStringLiteral("-home-u--local-share-Meterix-ClaudeProbe")},
        {QStringLiteral("/srv/my_data/x y+z@9"), QStringLiteral("-srv-my-data-x-y-z-9")},
        {QStringLiteral("/home/\u00fc/\U0001F600"), QStringLiteral("-home-----")},
        {QLatin1Char('/') + QString(199, u'a'), QLatin1Char('-') + QString(199, u'a')},
        {QLatin1Char('/') + QString(200, u'a'), std::nullopt},
        {QStringLiteral("relative/Meterix-ClaudeProbe"), std::nullopt},
    };
    for (const auto& [folder, name] : rows)
        EXPECT_EQ(claudeProjectFolderName(folder), name) << folder.toStdString();
}

// Signing out takes "claudeAiOauth" out of the profile's ".credentials.json" (the
// file stays when it keeps other sign-ins); the account and its reading may stay
// behind in the configuration. Such a profile shows no one's figures.
TEST_F(ClaudeAdapterTest, AProfileSignedOutShowsNeitherItsFormerAccountNorItsReading) {
    home.write(QStringLiteral("usage.txt"), "Not logged in · Please run /login\n");
    for (const auto& row : test::kClaudeSignInRows) {
        SCOPED_TRACE(row.credentials ? row.credentials : "no credentials file");
        writeConfig(QStringLiteral(".claude.json"), QStringLiteral("u1"), 60);
        QFile::remove(home.file(QStringLiteral(".claude/.credentials.json")));
        if (row.credentials) home.write(QStringLiteral(".claude/.credentials.json"), row.credentials);
        clock.advance(301); // past the probe's floor
        const auto list = adapter().fetchUsagePerAccount(false);
        ASSERT_EQ(list.size(), 1);
        if (row.signedIn) {
            EXPECT_EQ(list[0].accountID, QStringLiteral("u1"));
            EXPECT_EQ(list[0].strategyUsed, FetchStrategy::localFileCache);
            EXPECT_EQ(list[0].headlineRemainingPercentage, 20);
        } else {
            EXPECT_EQ(list[0].accountID, std::nullopt);
            EXPECT_EQ(list[0].accountEmail, std::nullopt);
            EXPECT_EQ(list[0].strategyUsed, FetchStrategy::simulated);
        }
    }
}

// The client's earliest configuration name, ".config.json", still wins inside a
// configuration folder; the probe points the client at that folder.
TEST_F(ClaudeAdapterTest, AFoldersOlderConfigurationIsReadAndProbedInItsFolder) {
    home.write(QStringLiteral(".claude-work/.config.json"),
               R"({"oauthAccount":{"accountUuid":"w1","emailAddress":"w1@example.com"}})");
    vars.insert(QStringLiteral("CLAUDE_CONFIG_DIR"), home.file(QStringLiteral(".claude-work")));
    const auto list = adapter().fetchUsagePerAccount(false);
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].accountID, QStringLiteral("w1"));
    EXPECT_EQ(list[0].strategyUsed, FetchStrategy::cliStatusProbe);
    ASSERT_EQ(calls().size(), 1);
    EXPECT_TRUE(calls()[0].startsWith(home.file(QStringLiteral(".claude-work")) + QLatin1Char('|')));
}
