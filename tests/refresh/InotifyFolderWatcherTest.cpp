#include "refresh/InotifyFolderWatcher.h"
#include "core/Locked.h"
#include "core/MeterixLog.h"
#include "support/HostUnderHome.h"
#include "support/FakeClock.h"
#include "support/LogCapture.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTimer>

#include <atomic>
#include <thread>

namespace meterix {
namespace {

using SignalSet = QSet<ActivitySignal>;

ActivitySignal signalOf(AIProviderType provider, std::optional<QString> account = std::nullopt) {
    return ActivitySignal{provider, std::move(account)};
}

// What one handler received, and whether it ever ran off the watcher's queue.
class Batches {
  public:
    InotifyFolderWatcher::ChangeHandler handler(const DispatchQueue& queue) {
        return [this, &queue](const SignalSet& set) {
            if (!queue.isCurrentThread()) offQueue_ = true;
            list_.withValue([&](QList<SignalSet>& l) { l.append(set); });
        };
    }
    QList<SignalSet> all() const { return list_.get(); }
    qsizetype size() const { return all().size(); }
    SignalSet united() const {
        SignalSet out;
        for (const SignalSet& s : all())
            out.unite(s);
        return out;
    }
    bool has(const ActivitySignal& s) const { return united().contains(s); }
    bool everOffQueue() const { return offQueue_; }

  private:
    Locked<QList<SignalSet>> list_;
    std::atomic<bool> offQueue_{false};
};

class InotifyFolderWatcherTest : public ::testing::Test {
  protected:
    test::TempHome home;
    AIActivityRuleRegistry registry{test::hostUnderHome(home.path())};
    // Frozen: burst windows never run out between a test's events.
    test::FakeClock clock;
    // Declared before the watcher: the queue may deliver until the watcher is
    // gone, so the queue and the handler's target must outlive it.
    Batches batches;
    DispatchQueue queue{QStringLiteral("test.inotify")};
    std::unique_ptr<InotifyFolderWatcher> watcher =
        std::make_unique<InotifyFolderWatcher>(queue, registry, clock, home.path());

    // The per-event lines are debug messages; a developer's QT_LOGGING_RULES
    // must not hide them from the tests.
    void SetUp() override {
        QLoggingCategory::setFilterRules(QStringLiteral("com.meterix.watcher.debug=true"));
    }
    void TearDown() override {
        watcher.reset();
        MeterixLog::setShowsPrivateValues(false);
        QLoggingCategory::setFilterRules(QString());
    }

    // Starts and waits until the folders are watched (the queue is serial).
    void start() {
        watcher->startWatching(batches.handler(queue));
        queue.sync([] {});
    }
    // Waits until the watcher has nothing left in hand: no latency window open
    // and no interval collecting.
    bool settle() {
        const auto idle = [&] {
            bool none = true;
            queue.sync([&] {
                for (const QTimer* timer : queue.context()->findChildren<QTimer*>())
                    none = none && !timer->isActive();
            });
            return none;
        };
        return test::waitUntil(idle);
    }
    QString codexDelta(const QString& relative) {
        return home.write(QStringLiteral(".codex/sessions/") + relative, "{\"type\":\"response.delta\"}\n");
    }
    QString claudeAssistant(const QString& relative) {
        return home.write(QStringLiteral(".claude/projects/") + relative, "{\"type\":\"assistant\"}\n");
    }
};

TEST_F(InotifyFolderWatcherTest, QualifyingWriteGivesOneSignalOnTheWatcherQueue) {
    home.mkdir(QStringLiteral(".codex"));
    test::LogCapture log("com.meterix.watcher");
    start();
    EXPECT_TRUE(log.contains(QStringLiteral("Monitoring 1 active paths")));
    EXPECT_TRUE(
        log.contains(QStringLiteral("Watching %1 for codex").arg(home.file(QStringLiteral(".codex")))));
    EXPECT_TRUE(log.contains(QStringLiteral("inotify watch started on 1 folder(s)")));

    codexDelta(QStringLiteral("2026/01/rollout.jsonl"));
    ASSERT_TRUE(test::waitUntil([&] { return batches.size() > 0; }));
    ASSERT_TRUE(settle());
    ASSERT_EQ(batches.size(), 1);
    EXPECT_EQ(batches.all().first(), SignalSet{signalOf(AIProviderType::openAICodex)});
    EXPECT_FALSE(batches.everOffQueue());
    EXPECT_TRUE(log.contains(
        QStringLiteral("[codex] Immediate Streaming: Content whitelist keyword matched: delta")));
    EXPECT_TRUE(log.contains(QStringLiteral("Streaming activity dispatched for: codex")));
}

TEST_F(InotifyFolderWatcherTest, TenWritesInOneIntervalGiveOneSignal) {
    home.mkdir(QStringLiteral(".codex/sessions"));
    watcher->updateAccountPaths({{home.file(QStringLiteral(".codex")), AIProviderType::openAICodex,
                                  QStringLiteral("acct-1234567890")}});
    MeterixLog::setShowsPrivateValues(true);
    test::LogCapture log("com.meterix.watcher");
    start();
    QFile f(home.file(QStringLiteral(".codex/sessions/rollout.jsonl")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    for (int i = 0; i < 10; ++i)
        f.write("{\"choices\":[{\"delta\":\"x\"}]}\n");
    f.close();
    ASSERT_TRUE(test::waitUntil([&] { return batches.size() > 0; }));
    ASSERT_TRUE(settle());
    ASSERT_EQ(batches.size(), 1);
    EXPECT_EQ(batches.all().first(),
              SignalSet{signalOf(AIProviderType::openAICodex, QStringLiteral("acct-1234567890"))});
    EXPECT_TRUE(log.contains(QStringLiteral("Streaming activity dispatched for: codex/acct-123")));
}

TEST_F(InotifyFolderWatcherTest, TwoProvidersInOneIntervalArriveAsOneSet) {
    home.mkdir(QStringLiteral(".codex/sessions"));
    home.mkdir(QStringLiteral(".claude/projects"));
    start();
    codexDelta(QStringLiteral("a.jsonl"));
    claudeAssistant(QStringLiteral("-work/b.jsonl"));
    ASSERT_TRUE(test::waitUntil([&] { return batches.size() > 0; }));
    ASSERT_TRUE(settle());
    ASSERT_EQ(batches.size(), 1);
    EXPECT_EQ(batches.all().first(),
              (SignalSet{signalOf(AIProviderType::openAICodex), signalOf(AIProviderType::claudeCode)}));
}

TEST_F(InotifyFolderWatcherTest, SiblingFolderSharingTheNameStartMatchesNoEntry) {
    home.mkdir(QStringLiteral(".codex/sessions"));
    home.mkdir(QStringLiteral(".codex-old/sessions"));
    // The home folder watched for another provider brings .codex-old's events in.
    registry.updateRule(AIProviderType::windsurf,
                        [&](ProviderFilterRule& r) { r.relativeRootPaths.append(home.path()); });
    watcher->updateAccountPaths(
        {{home.file(QStringLiteral(".codex-old")), AIProviderType::openAICodex, QStringLiteral("old")},
         {home.file(QStringLiteral(".codex")), AIProviderType::openAICodex, QStringLiteral("current")}});
    start();
    home.write(QStringLiteral(".codex-old/sessions/x.jsonl"), "{\"delta\":1}");
    codexDelta(QStringLiteral("control.jsonl"));
    ASSERT_TRUE(test::waitUntil(
        [&] { return batches.has(signalOf(AIProviderType::openAICodex, QStringLiteral("current"))); }));
    ASSERT_TRUE(settle());
    EXPECT_EQ(batches.united(), SignalSet{signalOf(AIProviderType::openAICodex, QStringLiteral("current"))});
}

TEST_F(InotifyFolderWatcherTest, NestedAccountFoldersResolveToTheLongest) {
    home.mkdir(QStringLiteral(".codex/sessions/b/c"));
    home.mkdir(QStringLiteral(".codex/sessions/bc"));
    // Given shortest first: the watcher orders them.
    watcher->updateAccountPaths({{home.file(QStringLiteral(".codex/sessions/b")), AIProviderType::openAICodex,
                                  QStringLiteral("outer")},
                                 {home.file(QStringLiteral(".codex/sessions/b/c")),
                                  AIProviderType::openAICodex, QStringLiteral("inner")},
                                 {home.file(QStringLiteral(".codex/sessions/b/c")),
                                  AIProviderType::claudeCode, QStringLiteral("other")}});
    start();
    codexDelta(QStringLiteral("b/c/file.jsonl"));
    codexDelta(QStringLiteral("bc/file.jsonl"));
    codexDelta(QStringLiteral("b/file.jsonl"));
    const SignalSet expected{signalOf(AIProviderType::openAICodex, QStringLiteral("inner")),
                             signalOf(AIProviderType::openAICodex),
                             signalOf(AIProviderType::openAICodex, QStringLiteral("outer"))};
    ASSERT_TRUE(test::waitUntil([&] { return batches.united().size() >= 3; }));
    ASSERT_TRUE(settle());
    EXPECT_EQ(batches.united(), expected);
}

TEST_F(InotifyFolderWatcherTest, EmptyRootAndRelativeAccountFoldersClaimNothing) {
    home.mkdir(QStringLiteral(".codex/sessions/work"));
    watcher->updateAccountPaths(
        {{QString(), AIProviderType::openAICodex, QStringLiteral("empty")},
         {QStringLiteral("/"), AIProviderType::openAICodex, QStringLiteral("root")},
         {QStringLiteral(".codex"), AIProviderType::openAICodex, QStringLiteral("relative")},
         {home.file(QStringLiteral(".codex/sessions/work/")), AIProviderType::openAICodex,
          QStringLiteral("work")}});
    start();
    codexDelta(QStringLiteral("loose.jsonl"));
    codexDelta(QStringLiteral("work/inside.jsonl"));
    ASSERT_TRUE(test::waitUntil([&] { return batches.united().size() >= 2; }));
    ASSERT_TRUE(settle());
    // The trailing "/" of the work folder does not stop it matching.
    EXPECT_EQ(batches.united(), (SignalSet{signalOf(AIProviderType::openAICodex),
                                           signalOf(AIProviderType::openAICodex, QStringLiteral("work"))}));
}

TEST_F(InotifyFolderWatcherTest, FolderCreatedAfterStartIsWatchedAtOnce) {
    home.mkdir(QStringLiteral(".codex"));
    start();
    codexDelta(QStringLiteral("2026/02/03/rollout.jsonl"));
    EXPECT_TRUE(test::waitUntil([&] { return batches.has(signalOf(AIProviderType::openAICodex)); }));
}

TEST_F(InotifyFolderWatcherTest, LinkLoopAndFifoDoNotHangTheWatcher) {
    home.mkdir(QStringLiteral(".codex/sessions"));
    ASSERT_TRUE(
        QFile::link(home.file(QStringLiteral(".codex")), home.file(QStringLiteral(".codex/sessions/loop"))));
    start();
    home.makeFifo(QStringLiteral(".codex/sessions/pipe.jsonl"));
    codexDelta(QStringLiteral("after.jsonl"));
    EXPECT_TRUE(test::waitUntil([&] { return batches.has(signalOf(AIProviderType::openAICodex)); }));
}

TEST_F(InotifyFolderWatcherTest, RestartSendsLaterBatchesOnlyToTheNewHandler) {
    home.mkdir(QStringLiteral(".codex/sessions"));
    test::LogCapture log("com.meterix.watcher");
    start();
    codexDelta(QStringLiteral("first.jsonl"));
    ASSERT_TRUE(test::waitUntil([&] { return batches.size() > 0; }));
    ASSERT_TRUE(settle());
    const qsizetype before = batches.size();

    Batches second;
    watcher->startWatching(second.handler(queue));
    queue.sync([] {}); // waits for the restart
    const QStringList texts = log.messages();
    const qsizetype stopped = texts.indexOf(QStringLiteral("inotify watch stopped"));
    ASSERT_GE(stopped, 0);
    qsizetype started = -1;
    for (qsizetype i = stopped; i < texts.size() && started < 0; ++i)
        if (texts[i].startsWith(QStringLiteral("inotify watch started on"))) started = i;
    EXPECT_EQ(started, texts.size() - 1);

    codexDelta(QStringLiteral("second.jsonl"));
    ASSERT_TRUE(test::waitUntil([&] { return second.size() > 0; }));
    ASSERT_TRUE(settle());
    EXPECT_EQ(batches.size(), before);
    EXPECT_EQ(second.united(), SignalSet{signalOf(AIProviderType::openAICodex)});
    watcher.reset(); // before second goes
}

TEST_F(InotifyFolderWatcherTest, WithoutAnyToolFolderNoStreamRuns) {
    test::LogCapture log("com.meterix.watcher");
    start();
    EXPECT_EQ(log.messages(), (QStringList{QStringLiteral("Monitoring 0 active paths"),
                                           QStringLiteral("No candidate directory paths exist to watch")}));
    watcher->stop();
    EXPECT_FALSE(log.contains(QStringLiteral("inotify watch stopped")));
}

TEST_F(InotifyFolderWatcherTest, WatchesExistingRuleFoldersInRuleOrder) {
    for (const char* folder :
         {".gemini/antigravity-cli", ".codex", ".config/Cursor", ".config/zed", ".claude"})
        home.mkdir(QString::fromLatin1(folder));
    home.write(QStringLiteral(".cursor"), "a file, not a folder");
    const QString alternate = home.mkdir(QStringLiteral("profiles/codex-work"));
    registry.updateRule(AIProviderType::openAICodex,
                        [&](ProviderFilterRule& r) { r.relativeRootPaths.append(alternate); });
    test::LogCapture log("com.meterix.watcher");
    start();
    const QList<std::pair<QString, AIProviderType>> expected{
        {home.file(QStringLiteral(".claude")), AIProviderType::claudeCode},
        {home.file(QStringLiteral(".codex")), AIProviderType::openAICodex},
        {alternate, AIProviderType::openAICodex}, // absolute roots are taken as they are
        {home.file(QStringLiteral(".gemini/antigravity-cli")), AIProviderType::antigravity},
        {home.file(QStringLiteral(".gemini")), AIProviderType::antigravity},
        {home.file(QStringLiteral(".config/Cursor")), AIProviderType::cursor},
        {home.file(QStringLiteral(".config/zed")), AIProviderType::zed},
    };
    QStringList lines;
    for (const auto& [path, provider] : expected)
        lines.append(QStringLiteral("Watching %1 for %2").arg(path, rawValue(provider)));
    EXPECT_EQ(log.messages().filter(QStringLiteral("Watching ")), lines);
}

TEST_F(InotifyFolderWatcherTest, BlacklistedSubtreesAreNotWatched) {
    home.mkdir(QStringLiteral(".codex/sessions/cache"));
    MeterixLog::setShowsPrivateValues(true);
    test::LogCapture log("com.meterix.watcher");
    start();
    home.write(QStringLiteral(".codex/sessions/cache/hidden.jsonl"), "{\"delta\":1}");
    // Without a keyword: a candidate that shows up in the "Filtered" line.
    const QString control = home.write(QStringLiteral(".codex/sessions/notes.md"), "plain");
    ASSERT_TRUE(test::waitUntil([&] { return !log.messages().filter(control).isEmpty(); }));
    EXPECT_EQ(log.messages().filter(QStringLiteral("hidden.jsonl")).size(), 0);
    EXPECT_TRUE(log.contains(
        QStringLiteral("[codex] Filtered: Candidate burst accumulating (1/2) -> %1").arg(control)));
}

TEST_F(InotifyFolderWatcherTest, PrivateValuesAreRedactedByDefault) {
    home.mkdir(QStringLiteral(".codex/sessions"));
    watcher->updateAccountPaths({{home.file(QStringLiteral(".codex")), AIProviderType::openAICodex,
                                  QStringLiteral("secret-account")}});
    MeterixLog::setShowsPrivateValues(false);
    test::LogCapture log("com.meterix.watcher");
    start();
    home.write(QStringLiteral(".codex/sessions/notes.md"), "plain");
    codexDelta(QStringLiteral("a.jsonl"));
    ASSERT_TRUE(test::waitUntil([&] {
        return log.contains(QStringLiteral("Streaming activity dispatched for: codex/<private>")) &&
               log.contains(QStringLiteral("[<private>] Filtered: <private> -> <private>"));
    }));
    EXPECT_EQ(log.messages().filter(QStringLiteral("secret-a")).size(), 0);
    EXPECT_EQ(log.messages().filter(QStringLiteral("notes.md")).size(), 0);
}

TEST_F(InotifyFolderWatcherTest, AccountFoldersMayChangeFromAnotherThreadWhileEventsFlow) {
    home.mkdir(QStringLiteral(".codex/sessions"));
    const QString folder = home.file(QStringLiteral(".codex"));
    start();
    // A fixed number of changes, so the updater's work ends however slowly the
    // machine lets the watcher's thread run beside it; the events written
    // meanwhile, and one after, are filed under whichever account it left.
    std::thread updater([&] {
        for (int i = 0; i < 500; ++i) {
            watcher->updateAccountPaths(
                {{folder, AIProviderType::openAICodex, QStringLiteral("churn-%1").arg(i % 2)}});
            std::this_thread::yield();
        }
    });
    for (int i = 0; i < 20; ++i)
        codexDelta(QStringLiteral("busy-%1.jsonl").arg(i));
    updater.join();
    codexDelta(QStringLiteral("after-churn.jsonl"));
    const bool sawChurn = test::waitUntil([&] {
        const SignalSet u = batches.united();
        return u.contains(signalOf(AIProviderType::openAICodex, QStringLiteral("churn-0"))) ||
               u.contains(signalOf(AIProviderType::openAICodex, QStringLiteral("churn-1")));
    });
    EXPECT_TRUE(sawChurn);
    watcher->updateAccountPaths({{folder, AIProviderType::openAICodex, QStringLiteral("final")}});
    codexDelta(QStringLiteral("last.jsonl"));
    EXPECT_TRUE(test::waitUntil(
        [&] { return batches.has(signalOf(AIProviderType::openAICodex, QStringLiteral("final"))); }));
}

} // namespace
} // namespace meterix
