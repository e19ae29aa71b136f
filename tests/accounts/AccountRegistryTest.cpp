#include "accounts/AccountRegistry.h"

#include "core/MeterixLog.h"
#include "core/MeterixPreferences.h"
#include "support/EventLoop.h"
#include "support/FakeClock.h"
#include "support/LogCapture.h"
#include "support/QtPrinters.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <random>
#include <stdexcept>
#include <thread>

using namespace meterix;
using meterix::test::FakeClock;
using meterix::test::LogCapture;
using meterix::test::spinEventLoopUntil;

namespace {

// Holds a resolver job until the test lets it go.
class Gate {
  public:
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    // Bounded so a failing test cannot hang the suite.
    void wait() {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(10), [&] { return open_; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

// A resolver whose every call answers with the next scripted reply, held back
// by that reply's gate when it has one.
class ScriptedResolver : public AccountResolver {
  public:
    struct Reply {
        QList<AccountIdentity> identities;
        std::shared_ptr<Gate> gate;
        bool throws = false;
    };

    ScriptedResolver(AIProviderType provider, QString primarySourceID)
        : provider_(provider), primarySourceID_(std::move(primarySourceID)) {}

    AIProviderType provider() const override { return provider_; }
    QString primarySourceID() const override { return primarySourceID_; }

    QList<AccountIdentity> resolveAccounts() override {
        Reply reply;
        {
            std::lock_guard lock(mutex_);
            ++started_;
            if (!replies_.empty()) {
                reply = replies_.front();
                replies_.pop_front();
            } else {
                reply.identities = fallback_;
            }
            onGUIThread_ = onGUIThread_ || QThread::currentThread() == QCoreApplication::instance()->thread();
        }
        if (reply.gate) reply.gate->wait();
        if (reply.throws) throw std::runtime_error("unreadable");
        return reply.identities;
    }

    // Answers every call not otherwise scripted.
    void answer(QList<AccountIdentity> identities) {
        std::lock_guard lock(mutex_);
        fallback_ = std::move(identities);
    }
    // Scripts the next call; returns its gate.
    std::shared_ptr<Gate> holdNext(QList<AccountIdentity> identities) {
        auto gate = std::make_shared<Gate>();
        std::lock_guard lock(mutex_);
        replies_.push_back({std::move(identities), gate});
        gates_.push_back(gate);
        return gate;
    }
    void throwNext() {
        std::lock_guard lock(mutex_);
        replies_.push_back({{}, nullptr, true});
    }
    int started() const {
        std::lock_guard lock(mutex_);
        return started_;
    }
    bool ranOnGUIThread() const {
        std::lock_guard lock(mutex_);
        return onGUIThread_;
    }
    void openAll() {
        std::lock_guard lock(mutex_);
        for (auto& gate : gates_) gate->open();
    }

  private:
    AIProviderType provider_;
    QString primarySourceID_;
    mutable std::mutex mutex_;
    std::deque<Reply> replies_;
    std::vector<std::shared_ptr<Gate>> gates_;
    QList<AccountIdentity> fallback_;
    int started_ = 0;
    bool onGUIThread_ = false;
};

AccountSource source(const char* id, std::optional<QString> root = std::nullopt,
                     AccountSourceKind kind = AccountSourceKind::cli) {
    return AccountSource{.id = QString::fromLatin1(id), .kind = kind, .displayName = QString::fromLatin1(id), .rootPath = root};
}

AccountIdentity identity(AIProviderType provider, const QString& id, std::optional<QString> email, bool readable,
                         AccountSource where = source("x.cli"), const QDateTime& seen = QDateTime()) {
    return AccountIdentity{.id = id,
                           .provider = provider,
                           .source = std::move(where),
                           .email = std::move(email),
                           .usageReadable = readable,
                           .lastSeenAt = seen};
}

AccountIdentity claude(const QString& id, bool readable = true) {
    return identity(AIProviderType::claudeCode, id, id + QStringLiteral("@example.com"), readable, source("claude.cli"));
}
AccountIdentity cursor(const QString& id) {
    return identity(AIProviderType::cursor, id, id, true, source("cursor.ide"));
}

QStringList labels(const QList<ResolvedAccount>& accounts) {
    QStringList out;
    for (const auto& a : accounts) out.append(a.displayLabel());
    return out;
}

class Registry : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        settings = std::make_shared<QSettings>(dir.filePath(QStringLiteral("Meterix.conf")), QSettings::IniFormat);
        preferences = std::make_unique<MeterixPreferences>(settings);
    }
    void TearDown() override {
        for (auto& r : {claudeResolver, cursorResolver}) r->openAll();
        MeterixLog::setShowsPrivateValuesForTesting(std::nullopt);
    }

    std::unique_ptr<AccountRegistry> make(AccountRegistry::ResolverList list) {
        auto registry = std::make_unique<AccountRegistry>(std::move(list), *preferences, clock);
        QObject::connect(registry.get(), &AccountRegistry::isScanningChanged,
                         [r = registry.get(), this] { scanningChanges.append(r->isScanning()); });
        return registry;
    }
    std::unique_ptr<AccountRegistry> make() { return make({claudeResolver, cursorResolver}); }

    // Starts a scan and returns the flag its completion sets.
    std::shared_ptr<bool> scan(AccountRegistry& registry, std::optional<AIProviderType> provider = std::nullopt) {
        auto done = std::make_shared<bool>(false);
        registry.refreshAccounts(provider, [done] { *done = true; });
        return done;
    }
    static bool finish(const std::shared_ptr<bool>& done) {
        return spinEventLoopUntil([&] { return *done; });
    }
    // Replies go to calls in the order they start: a scan's jobs must have
    // taken theirs before the next scan starts.
    static bool started(const ScriptedResolver& resolver, int calls) {
        return spinEventLoopUntil([&] { return resolver.started() == calls; });
    }

    QTemporaryDir dir;
    std::shared_ptr<QSettings> settings;
    std::unique_ptr<MeterixPreferences> preferences;
    FakeClock clock;
    std::shared_ptr<ScriptedResolver> claudeResolver =
        std::make_shared<ScriptedResolver>(AIProviderType::claudeCode, QStringLiteral("claude.cli"));
    std::shared_ptr<ScriptedResolver> cursorResolver =
        std::make_shared<ScriptedResolver>(AIProviderType::cursor, QStringLiteral("cursor.ide"));
    QList<bool> scanningChanges;
};

} // namespace

TEST(Reconcile, MergesByIdThenSortsReadableFirstByCodePointLabel) {
    const auto merged = AccountRegistry::reconcile({
        identity(AIProviderType::antigravity, QStringLiteral("3"), QStringLiteral("b"), true),
        identity(AIProviderType::antigravity, QStringLiteral("4"), QStringLiteral("A"), false),
        identity(AIProviderType::antigravity, QStringLiteral("1"), QStringLiteral("A"), true),
        identity(AIProviderType::antigravity, QStringLiteral("2"), QStringLiteral("a"), true),
        identity(AIProviderType::antigravity, QStringLiteral("5"), QStringLiteral("\U0001F600"), true),
        identity(AIProviderType::antigravity, QStringLiteral("6"), QStringLiteral("\uFF21"), true),
    });
    EXPECT_EQ(labels(merged), (QStringList{QStringLiteral("A"), QStringLiteral("a"), QStringLiteral("b"),
                                           QStringLiteral("\uFF21"), QStringLiteral("\U0001F600"), QStringLiteral("A")}))
        << "code points, not UTF-16 units; unreadable last";
    EXPECT_FALSE(merged.last().usageReadable);
}

TEST(Reconcile, SameIdFromTwoSourcesIsOneAccount) {
    const QDateTime t = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
    const auto merged = AccountRegistry::reconcile({
        identity(AIProviderType::antigravity, QStringLiteral("S"), QStringLiteral("first@example.com"), false,
                 source("gemini.cli", QStringLiteral("/h/.gemini")), t),
        identity(AIProviderType::antigravity, QStringLiteral("S"), QStringLiteral("second@example.com"), true,
                 source("antigravity.cli", QStringLiteral("/h/.gemini/antigravity-cli")), t.addSecs(5)),
        identity(AIProviderType::antigravity, QStringLiteral("S"), std::nullopt, false,
                 source("gemini.cli", QStringLiteral("/h/.gemini")), t),
    });
    ASSERT_EQ(merged.size(), 1);
    EXPECT_EQ(merged[0].email, QStringLiteral("first@example.com"));
    EXPECT_TRUE(merged[0].usageReadable);
    EXPECT_EQ(merged[0].sources.size(), 2);
    EXPECT_EQ(merged[0].lastSeenAt, t.addSecs(5));
}

TEST(Reconcile, EqualLabelsKeepTheOrderTheyWereReported) {
    const auto merged = AccountRegistry::reconcile({
        identity(AIProviderType::cursor, QStringLiteral("second-id"), QStringLiteral("same"), true),
        identity(AIProviderType::cursor, QStringLiteral("first-id"), QStringLiteral("same"), true),
    });
    ASSERT_EQ(merged.size(), 2);
    EXPECT_EQ(merged[0].id, QStringLiteral("second-id"));
    EXPECT_EQ(merged[1].id, QStringLiteral("first-id"));
}

TEST_F(Registry, AFullScanPublishesEveryProviderAndAnswersQueries) {
    claudeResolver->answer({claude(QStringLiteral("b")), claude(QStringLiteral("a"), false), claude(QStringLiteral("c"))});
    cursorResolver->answer({cursor(QStringLiteral("kim@example.com"))});
    auto registry = make();
    EXPECT_FALSE(registry->lastScanDate().isValid());
    int mapChanges = 0;
    QObject::connect(registry.get(), &AccountRegistry::accountsByProviderChanged, [&] { ++mapChanges; });
    ASSERT_TRUE(finish(scan(*registry)));
    EXPECT_EQ(mapChanges, 1);
    EXPECT_EQ(scanningChanges, (QList<bool>{true, false}));
    EXPECT_EQ(registry->lastScanDate(), clock.now());
    EXPECT_EQ(labels(registry->accounts(AIProviderType::claudeCode)),
              (QStringList{QStringLiteral("b@example.com"), QStringLiteral("c@example.com"), QStringLiteral("a@example.com")}));
    EXPECT_EQ(registry->readableAccounts(AIProviderType::claudeCode).size(), 2);
    EXPECT_EQ(registry->account(AIProviderType::cursor, QStringLiteral("kim@example.com"))->id, QStringLiteral("kim@example.com"));
    EXPECT_FALSE(registry->account(AIProviderType::cursor, QStringLiteral("KIM@example.com")));
    EXPECT_FALSE(registry->account(AIProviderType::claudeCode, QStringLiteral("kim@example.com")));
    EXPECT_TRUE(registry->accounts(AIProviderType::zed).isEmpty());
    EXPECT_EQ(registry->primarySourceID(AIProviderType::cursor), QStringLiteral("cursor.ide"));
    EXPECT_FALSE(registry->primarySourceID(AIProviderType::zed));
    EXPECT_FALSE(claudeResolver->ranOnGUIThread()) << "resolvers run off the GUI thread";
    EXPECT_EQ(registry->property("isScanning"), QVariant(false));
    EXPECT_EQ(registry->property("lastScanDate").toDateTime(), clock.now());
}

TEST_F(Registry, AScanOfOneProviderSetsOnlyItsEntry) {
    claudeResolver->answer({claude(QStringLiteral("a"))});
    cursorResolver->answer({cursor(QStringLiteral("kim"))});
    auto registry = make();
    ASSERT_TRUE(finish(scan(*registry)));
    cursorResolver->answer({cursor(QStringLiteral("lee"))});
    claudeResolver->answer({});
    ASSERT_TRUE(finish(scan(*registry, AIProviderType::cursor)));
    EXPECT_EQ(claudeResolver->started(), 1) << "only the matching resolver runs";
    EXPECT_EQ(labels(registry->accounts(AIProviderType::cursor)), QStringList{QStringLiteral("lee")});
    EXPECT_EQ(registry->accounts(AIProviderType::claudeCode).size(), 1);

    // No resolver serves zed: its entry becomes an empty list, the rest stays.
    ASSERT_TRUE(finish(scan(*registry, AIProviderType::zed)));
    EXPECT_TRUE(registry->accountsByProvider().contains(AIProviderType::zed));
    EXPECT_TRUE(registry->accountsByProvider().value(AIProviderType::zed).isEmpty());
    EXPECT_EQ(registry->accounts(AIProviderType::claudeCode).size(), 1);

    // A full scan that finds nothing for a provider drops its entry.
    ASSERT_TRUE(finish(scan(*registry)));
    EXPECT_FALSE(registry->accountsByProvider().contains(AIProviderType::claudeCode));
    EXPECT_FALSE(registry->accountsByProvider().contains(AIProviderType::zed));
}

TEST_F(Registry, WithDetectionOffEveryScanEmptiesTheWholeList) {
    claudeResolver->answer({claude(QStringLiteral("a"))});
    cursorResolver->answer({cursor(QStringLiteral("kim"))});
    auto registry = make();
    ASSERT_TRUE(finish(scan(*registry)));
    scanningChanges.clear();
    clock.advance(60);
    preferences->setAccountScanEnabled(false);
    LogCapture log("com.meterix.accounts");
    auto done = scan(*registry, AIProviderType::cursor);
    EXPECT_TRUE(*done) << "nothing to wait for";
    EXPECT_TRUE(registry->accountsByProvider().isEmpty());
    EXPECT_EQ(registry->lastScanDate(), clock.now());
    EXPECT_TRUE(scanningChanges.isEmpty()) << "isScanning never turned on";
    EXPECT_EQ(claudeResolver->started() + cursorResolver->started(), 2) << "no resolver ran";
    EXPECT_TRUE(log.messages().isEmpty());
}

TEST_F(Registry, AnOlderScanFinishingLastChangesNothing) {
    auto registry = make();
    auto slowClaude = claudeResolver->holdNext({claude(QStringLiteral("old"))});
    auto slowCursor = cursorResolver->holdNext({cursor(QStringLiteral("old"))});
    auto first = scan(*registry);
    ASSERT_TRUE(started(*claudeResolver, 1) && started(*cursorResolver, 1));
    claudeResolver->answer({claude(QStringLiteral("new"))});
    cursorResolver->answer({cursor(QStringLiteral("new"))});
    auto second = scan(*registry);
    ASSERT_TRUE(finish(second));
    EXPECT_TRUE(registry->isScanning()) << "the first scan still runs";
    EXPECT_EQ(labels(registry->accounts(AIProviderType::cursor)), QStringList{QStringLiteral("new")});
    const QDateTime published = registry->lastScanDate();

    clock.advance(5);
    slowClaude->open();
    slowCursor->open();
    ASSERT_TRUE(finish(first));
    EXPECT_EQ(labels(registry->accounts(AIProviderType::cursor)), QStringList{QStringLiteral("new")});
    EXPECT_EQ(labels(registry->accounts(AIProviderType::claudeCode)), QStringList{QStringLiteral("new@example.com")});
    EXPECT_EQ(registry->lastScanDate(), published) << "the overtaken scan published nothing";
    EXPECT_FALSE(registry->isScanning());
    EXPECT_EQ(scanningChanges, (QList<bool>{true, false})) << "scanning throughout, once";
}

TEST_F(Registry, ANewerScanOfOneProviderIsNotOverwrittenByAnOlderFullScan) {
    auto registry = make();
    auto slowClaude = claudeResolver->holdNext({claude(QStringLiteral("a"))});
    auto slowCursor = cursorResolver->holdNext({cursor(QStringLiteral("old"))});
    auto full = scan(*registry);
    ASSERT_TRUE(started(*claudeResolver, 1) && started(*cursorResolver, 1));
    cursorResolver->answer({cursor(QStringLiteral("new"))});
    ASSERT_TRUE(finish(scan(*registry, AIProviderType::cursor)));
    slowClaude->open();
    slowCursor->open();
    ASSERT_TRUE(finish(full));
    EXPECT_EQ(labels(registry->accounts(AIProviderType::cursor)), QStringList{QStringLiteral("new")});
    EXPECT_EQ(registry->accounts(AIProviderType::claudeCode).size(), 1) << "the rest of the full scan still counts";
}

TEST_F(Registry, AnOlderScanOfOneProviderDoesNotOverwriteANewerFullScan) {
    auto registry = make();
    auto slowCursor = cursorResolver->holdNext({cursor(QStringLiteral("old"))});
    auto single = scan(*registry, AIProviderType::cursor);
    ASSERT_TRUE(started(*cursorResolver, 1));
    cursorResolver->answer({cursor(QStringLiteral("new"))});
    ASSERT_TRUE(finish(scan(*registry)));
    slowCursor->open();
    ASSERT_TRUE(finish(single));
    EXPECT_EQ(labels(registry->accounts(AIProviderType::cursor)), QStringList{QStringLiteral("new")});
}

TEST_F(Registry, TurningDetectionOffDuringAScanKeepsTheListEmpty) {
    auto registry = make();
    auto slow = claudeResolver->holdNext({claude(QStringLiteral("a"))});
    auto running = scan(*registry);
    preferences->setAccountScanEnabled(false);
    ASSERT_TRUE(*scan(*registry)) << "the rescan of the toggle";
    EXPECT_TRUE(registry->isScanning()) << "the first scan has not ended";
    slow->open();
    ASSERT_TRUE(finish(running));
    EXPECT_TRUE(registry->accountsByProvider().isEmpty());
    EXPECT_FALSE(registry->isScanning());
}

TEST_F(Registry, DetectionIsCheckedAgainRightBeforePublishing) {
    claudeResolver->answer({claude(QStringLiteral("a"))});
    auto registry = make();
    ASSERT_TRUE(finish(scan(*registry)));
    auto slow = claudeResolver->holdNext({claude(QStringLiteral("b"))});
    auto running = scan(*registry);
    preferences->setAccountScanEnabled(false); // no rescan asked for
    slow->open();
    ASSERT_TRUE(finish(running));
    EXPECT_TRUE(registry->accountsByProvider().isEmpty());
}

TEST_F(Registry, ScansRacingWithTogglesEndAsTheLastToggleAsks) {
    // Every toggle asks for a rescan, as the settings screen does; scans also
    // start on their own, and held scans end in a random order.
    std::mt19937 random(20260301);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        claudeResolver = std::make_shared<ScriptedResolver>(AIProviderType::claudeCode, QStringLiteral("claude.cli"));
        cursorResolver = std::make_shared<ScriptedResolver>(AIProviderType::cursor, QStringLiteral("cursor.ide"));
        preferences->setAccountScanEnabled(true);
        auto registry = make();
        struct Held {
            std::shared_ptr<Gate> claudeGate, cursorGate;
            std::shared_ptr<bool> done;
        };
        std::vector<Held> held;
        QString lastStarted;
        int scansStarted = 0;

        auto release = [&](size_t index) {
            held[index].claudeGate->open();
            held[index].cursorGate->open();
            ASSERT_TRUE(finish(held[index].done));
            held.erase(held.begin() + static_cast<std::ptrdiff_t>(index));
        };
        auto rescan = [&] {
            if (!preferences->accountScanEnabled()) {
                ASSERT_TRUE(*scan(*registry)) << "an emptying ends at once";
                return;
            }
            if (held.size() == 2) release(random() % 2); // keep within the pool
            const QString name = QStringLiteral("r%1s%2").arg(round).arg(scansStarted++);
            Held h{claudeResolver->holdNext({claude(name)}), cursorResolver->holdNext({cursor(name)}), nullptr};
            h.done = scan(*registry);
            ASSERT_TRUE(started(*claudeResolver, scansStarted) && started(*cursorResolver, scansStarted));
            held.push_back(h);
            lastStarted = name;
        };

        rescan();
        for (int step = 0; step < 12; ++step) {
            switch (random() % 3) {
            case 0:
                preferences->setAccountScanEnabled(!preferences->accountScanEnabled());
                rescan();
                break;
            case 1:
                rescan();
                break;
            default:
                if (!held.empty()) release(random() % held.size());
            }
        }
        while (!held.empty()) release(random() % held.size());

        EXPECT_FALSE(registry->isScanning());
        if (!preferences->accountScanEnabled()) {
            EXPECT_TRUE(registry->accountsByProvider().isEmpty());
        } else {
            EXPECT_EQ(labels(registry->accounts(AIProviderType::cursor)), QStringList{lastStarted});
            EXPECT_EQ(labels(registry->accounts(AIProviderType::claudeCode)),
                      QStringList{lastStarted + QStringLiteral("@example.com")});
        }
    }
}

TEST_F(Registry, IsScanningStaysTrueWhileAnyScanRuns) {
    auto registry = make();
    auto slowFirst = claudeResolver->holdNext({});
    auto first = scan(*registry, AIProviderType::claudeCode);
    auto slowSecond = cursorResolver->holdNext({});
    auto second = scan(*registry, AIProviderType::cursor);
    slowSecond->open();
    ASSERT_TRUE(finish(second));
    EXPECT_TRUE(registry->isScanning());
    slowFirst->open();
    ASSERT_TRUE(finish(first));
    EXPECT_FALSE(registry->isScanning());
    EXPECT_EQ(scanningChanges, (QList<bool>{true, false}));
}

TEST_F(Registry, AFailingResolverStillLetsTheScanComplete) {
    claudeResolver->throwNext();
    cursorResolver->answer({cursor(QStringLiteral("kim"))});
    auto registry = make();
    ASSERT_TRUE(finish(scan(*registry)));
    EXPECT_TRUE(registry->accounts(AIProviderType::claudeCode).isEmpty());
    EXPECT_EQ(registry->accounts(AIProviderType::cursor).size(), 1);
    EXPECT_FALSE(registry->isScanning());
}

TEST_F(Registry, ACallFromAnotherThreadRunsOnTheGUIThread) {
    cursorResolver->answer({cursor(QStringLiteral("kim"))});
    auto registry = make();
    std::atomic<bool> done{false};
    std::atomic<bool> finishedOnGUIThread{false};
    QThread* gui = QThread::currentThread();
    std::thread caller([&] {
        registry->refreshAccounts(std::nullopt, [&] {
            finishedOnGUIThread = QThread::currentThread() == gui;
            done = true;
        });
    });
    caller.join();
    ASSERT_TRUE(spinEventLoopUntil([&] { return done.load(); }));
    EXPECT_TRUE(finishedOnGUIThread);
    EXPECT_EQ(registry->accounts(AIProviderType::cursor).size(), 1);
}

TEST_F(Registry, DestroyingTheRegistryWhileAResolverRunsIsSafe) {
    auto registry = make();
    auto slow = cursorResolver->holdNext({cursor(QStringLiteral("kim"))});
    auto running = scan(*registry);
    ASSERT_TRUE(started(*cursorResolver, 1));
    std::thread opener([slow] { slow->open(); });
    registry.reset(); // waits for the job; its queued result goes with the registry
    opener.join();
    QCoreApplication::processEvents();
    EXPECT_FALSE(*running);
}

TEST_F(Registry, AttributionPrefersTheReadableAccountOfThePrimarySource) {
    auto other = [](const char* id, bool readable) {
        return identity(AIProviderType::claudeCode, QString::fromLatin1(id), QString::fromLatin1(id), readable,
                        source("claude.desktop", std::nullopt, AccountSourceKind::desktopApp));
    };
    auto primary = [](const char* id, bool readable) {
        return identity(AIProviderType::claudeCode, QString::fromLatin1(id), QString::fromLatin1(id), readable,
                        source("claude.cli", QStringLiteral("/h/.claude")));
    };
    auto registry = make();
    auto attribution = [&](QList<AccountIdentity> found) {
        claudeResolver->answer(std::move(found));
        EXPECT_TRUE(finish(scan(*registry)));
        const auto a = registry->attributionAccount(AIProviderType::claudeCode);
        return a ? a->id : QStringLiteral("(none)");
    };
    EXPECT_EQ(attribution({other("a", true), primary("b", true)}), QStringLiteral("b"));
    EXPECT_EQ(attribution({other("a", true), primary("b", false)}), QStringLiteral("a"));
    EXPECT_EQ(attribution({other("b", false), primary("a", false)}), QStringLiteral("a")) << "the first in list order";
    EXPECT_EQ(attribution({}), QStringLiteral("(none)"));
    // A provider without a resolver has no primary source: the first readable.
    EXPECT_FALSE(registry->attributionAccount(AIProviderType::zed));
}

TEST_F(Registry, SourcesAndActivityPaths) {
    claudeResolver->answer({
        identity(AIProviderType::claudeCode, QStringLiteral("u1"), QStringLiteral("u1@x"), true,
                 source("claude.cli", QStringLiteral("/h/.claude"))),
        identity(AIProviderType::claudeCode, QStringLiteral("u1"), QStringLiteral("u1@x"), true,
                 source("claude.cli", QStringLiteral("/h/.claude-work"))),
        identity(AIProviderType::claudeCode, QStringLiteral("u2"), QStringLiteral("u2@x"), true,
                 source("claude.cli", QStringLiteral("/h/.claude"))),
        identity(AIProviderType::claudeCode, QStringLiteral("u3"), QStringLiteral("u3@x"), false,
                 source("claude.desktop", std::nullopt, AccountSourceKind::desktopApp)),
        identity(AIProviderType::claudeCode, QStringLiteral("u4"), QStringLiteral("u4@x"), false,
                 source("claude.desktop", QString(), AccountSourceKind::desktopApp)),
    });
    cursorResolver->answer({identity(AIProviderType::cursor, QStringLiteral("k"), QStringLiteral("k"), true,
                                     source("a.first", QStringLiteral("/h/.config/Cursor"), AccountSourceKind::ide))});
    auto registry = make();
    ASSERT_TRUE(finish(scan(*registry)));

    QStringList places;
    for (const auto& s : registry->allSources()) places.append(s.id + QLatin1Char('|') + s.rootPath.value_or(QStringLiteral("-")));
    EXPECT_EQ(places, (QStringList{QStringLiteral("a.first|/h/.config/Cursor"), QStringLiteral("claude.cli|/h/.claude"),
                                   QStringLiteral("claude.cli|/h/.claude-work"), QStringLiteral("claude.desktop|-")}))
        << "an absent folder and an empty one are one place";

    const QList<AccountRegistry::ActivityPath> expected{
        {QStringLiteral("/h/.claude"), AIProviderType::claudeCode, QStringLiteral("u1")},
        {QStringLiteral("/h/.claude-work"), AIProviderType::claudeCode, QStringLiteral("u1")},
        {QStringLiteral("/h/.claude"), AIProviderType::claudeCode, QStringLiteral("u2")},
        {QString(), AIProviderType::claudeCode, QStringLiteral("u4")},
        {QStringLiteral("/h/.config/Cursor"), AIProviderType::cursor, QStringLiteral("k")},
    };
    EXPECT_EQ(registry->activityPaths(), expected);
}

TEST_F(Registry, DiscoveryIsLoggedPerProviderWithPrivateLabels) {
    claudeResolver->answer({
        identity(AIProviderType::claudeCode, QStringLiteral("1"), QStringLiteral("kim@example.com"), true,
                 source("claude.cli", QStringLiteral("/a"))),
        identity(AIProviderType::claudeCode, QStringLiteral("1"), std::nullopt, true,
                 source("claude.desktop", std::nullopt, AccountSourceKind::desktopApp)),
        identity(AIProviderType::claudeCode, QStringLiteral("2"), QStringLiteral("lee"), false, source("claude.cli")),
    });
    auto registry = make();
    {
        LogCapture log("com.meterix.accounts");
        MeterixLog::setShowsPrivateValuesForTesting(true);
        ASSERT_TRUE(finish(scan(*registry)));
        EXPECT_EQ(log.messages(),
                  QStringList{QStringLiteral("[claude] k***@example.com[CLI · App], lee[CLI] (unreadable)")})
            << "one line for the provider with accounts, none for cursor";
    }
    {
        LogCapture log("com.meterix.accounts");
        MeterixLog::setShowsPrivateValuesForTesting(false);
        ASSERT_TRUE(finish(scan(*registry)));
        EXPECT_EQ(log.messages(), QStringList{QStringLiteral("[claude] <private>")});
    }
}
