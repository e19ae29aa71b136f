#include "accounts/AccountRegistry.h"

#include "core/MeterixLog.h"
#include "core/MeterixPreferences.h"
#include "core/WorkerStack.h"
#include "support/WaitUntil.h"
#include "support/FakeClock.h"
#include "support/FakeTimerSource.h"
#include "support/LogCapture.h"
#include "support/QtPrinters.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <pthread.h>
#include <random>
#include <stdexcept>
#include <thread>

using namespace meterix;
using meterix::test::waitUntil;

namespace {

// Holds a resolver job until the test lets it go (bounded, so a failing test
// cannot hang the suite).
class Gate {
  public:
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    void wait() {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(10), [&] { return open_; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

// Each call answers with the next scripted reply (held by its gate), else the
// standing answer.
class ScriptedResolver : public AccountResolver {
  public:
    explicit ScriptedResolver(AIProviderType provider) : provider_(provider) {}
    AIProviderType provider() const override { return provider_; }
    QString primarySourceID() const override { return rawValue(provider_) + QStringLiteral(".cli"); }

    QList<AccountIdentity> resolveAccounts() override {
        std::pair<QList<AccountIdentity>, std::shared_ptr<Gate>> reply;
        {
            std::lock_guard lock(mutex_);
            ++started_;
            offGUIThread_ = QThread::currentThread() != QCoreApplication::instance()->thread();
            pthread_attr_t attributes;
            if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
                pthread_attr_getstacksize(&attributes, &stackBytes_);
                pthread_attr_destroy(&attributes);
            }
            if (replies_.empty()) reply.first = answer_;
            else reply = replies_.front(), replies_.pop_front();
        }
        if (reply.second) reply.second->wait();
        if (throws_) throw std::runtime_error("unreadable");
        return reply.first;
    }

    void answer(QList<AccountIdentity> identities) {
        std::lock_guard lock(mutex_);
        answer_ = std::move(identities);
    }
    std::shared_ptr<Gate> holdNext(QList<AccountIdentity> identities) {
        std::lock_guard lock(mutex_);
        gates_.push_back(std::make_shared<Gate>());
        replies_.emplace_back(std::move(identities), gates_.back());
        return gates_.back();
    }
    int started() const {
        std::lock_guard lock(mutex_);
        return started_;
    }
    bool ranOffGUIThread() const {
        std::lock_guard lock(mutex_);
        return offGUIThread_;
    }
    size_t stackBytes() const {
        std::lock_guard lock(mutex_);
        return stackBytes_;
    }
    void openAll() {
        std::lock_guard lock(mutex_);
        for (auto& gate : gates_) gate->open();
    }
    std::atomic<bool> throws_{false};

  private:
    AIProviderType provider_;
    mutable std::mutex mutex_;
    std::deque<std::pair<QList<AccountIdentity>, std::shared_ptr<Gate>>> replies_;
    std::vector<std::shared_ptr<Gate>> gates_;
    QList<AccountIdentity> answer_;
    int started_ = 0;
    bool offGUIThread_ = false;
    size_t stackBytes_ = 0;
};

AccountSource source(const char* id, std::optional<QString> root = std::nullopt, AccountSourceKind kind = AccountSourceKind::cli) {
    return AccountSource{QString::fromLatin1(id), kind, QString::fromLatin1(id), std::move(root), {}};
}

AccountIdentity identity(AIProviderType provider, const QString& id, std::optional<QString> email, bool readable,
                         AccountSource where = source("claude.cli")) {
    return AccountIdentity{.id = id, .provider = provider, .source = std::move(where), .email = std::move(email),
                           .usageReadable = readable};
}
AccountIdentity claude(const QString& id, bool readable = true, AccountSource where = source("claude.cli")) {
    return identity(AIProviderType::claudeCode, id, id + QStringLiteral("@x"), readable, std::move(where));
}
AccountIdentity cursor(const QString& id) { return identity(AIProviderType::cursor, id, id, true, source("cursor.ide")); }

QStringList labels(const QList<ResolvedAccount>& accounts) {
    QStringList out;
    for (const auto& a : accounts) out.append(a.displayLabel());
    return out;
}

class Registry : public ::testing::Test {
  protected:
    void TearDown() override {
        claudeResolver->openAll();
        cursorResolver->openAll();
        MeterixLog::setShowsPrivateValues(false);
    }

    std::unique_ptr<AccountRegistry> make() {
        auto registry = std::make_unique<AccountRegistry>(AccountRegistry::ResolverList{claudeResolver, cursorResolver},
                                                          preferences, clock, &timers);
        QObject::connect(registry.get(), &AccountRegistry::isScanningChanged,
                         [r = registry.get(), this] { scanningChanges.append(r->isScanning()); });
        return registry;
    }
    // Starts a scan; the flag is set when it is over.
    static std::shared_ptr<bool> scan(AccountRegistry& registry, std::optional<AIProviderType> provider = std::nullopt) {
        auto done = std::make_shared<bool>(false);
        registry.refreshAccounts(provider, [done] { *done = true; });
        return done;
    }
    static bool finish(const std::shared_ptr<bool>& done) { return waitUntil([&] { return *done; }); }
    // Replies go to calls in the order they start: a scan's jobs must have taken
    // theirs before the next scan starts.
    static bool started(const ScriptedResolver& resolver, int calls) {
        return waitUntil([&] { return resolver.started() == calls; });
    }

    QTemporaryDir dir;
    MeterixPreferences preferences{
        std::make_shared<QSettings>(dir.filePath(QStringLiteral("Meterix.conf")), QSettings::IniFormat)};
    test::FakeClock clock;
    test::FakeTimerSource timers{clock};
    std::shared_ptr<ScriptedResolver> claudeResolver = std::make_shared<ScriptedResolver>(AIProviderType::claudeCode);
    std::shared_ptr<ScriptedResolver> cursorResolver = std::make_shared<ScriptedResolver>(AIProviderType::cursor);
    QList<bool> scanningChanges;
};

} // namespace

TEST(Reconcile, MergesByIdThenSortsReadableFirstByCodePointLabel) {
    const auto merged = AccountRegistry::reconcile({
        identity(AIProviderType::cursor, QStringLiteral("3"), QStringLiteral("b"), true),
        identity(AIProviderType::cursor, QStringLiteral("4"), QStringLiteral("A"), false),
        identity(AIProviderType::cursor, QStringLiteral("1"), QStringLiteral("A"), true),
        identity(AIProviderType::cursor, QStringLiteral("2"), QStringLiteral("a"), true, source("cursor.ide")),
        identity(AIProviderType::cursor, QStringLiteral("2"), QStringLiteral("later"), false, source("other.cli")),
        identity(AIProviderType::cursor, QStringLiteral("5"), QStringLiteral("\U0001F600"), true),
        identity(AIProviderType::cursor, QStringLiteral("6"), QStringLiteral("\uFF21"), true),
        identity(AIProviderType::cursor, QStringLiteral("7"), QStringLiteral("\uFF21"), true),
    });
    QStringList order;
    for (const auto& a : merged) order.append(a.id);
    EXPECT_EQ(order, (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("6"),
                                  QStringLiteral("7"), QStringLiteral("5"), QStringLiteral("4")}))
        << "code points, not UTF-16 units; ties keep their order; unreadable last";
    EXPECT_EQ(merged[1].email, QStringLiteral("a")) << "the first e-mail reported";
    EXPECT_EQ(merged[1].sources.size(), 2);
}

TEST_F(Registry, ScansPublishWhatTheResolversFoundAndAnswerQueries) {
    claudeResolver->answer({claude(QStringLiteral("b")), claude(QStringLiteral("a"), false), claude(QStringLiteral("c"))});
    cursorResolver->answer({cursor(QStringLiteral("kim"))});
    // Threads made with default attributes get 1 MiB here, as under an unlimited
    // stack limit they would get 2 MiB.
    pthread_attr_t before, small;
    ASSERT_EQ(pthread_getattr_default_np(&before), 0);
    pthread_attr_init(&small);
    pthread_attr_setstacksize(&small, size_t{1} << 20);
    ASSERT_EQ(pthread_setattr_default_np(&small), 0);
    auto registry = make();
    const bool finished = finish(scan(*registry));
    pthread_setattr_default_np(&before);
    pthread_attr_destroy(&small);
    pthread_attr_destroy(&before);
    ASSERT_TRUE(finished);
    EXPECT_EQ(scanningChanges, (QList<bool>{true, false}));
    EXPECT_EQ(registry->property("lastScanDate").toDateTime(), clock.now());
    EXPECT_EQ(labels(registry->accounts(AIProviderType::claudeCode)),
              (QStringList{QStringLiteral("b@x"), QStringLiteral("c@x"), QStringLiteral("a@x")}));
    EXPECT_EQ(registry->readableAccounts(AIProviderType::claudeCode).size(), 2);
    EXPECT_TRUE(registry->account(AIProviderType::cursor, QStringLiteral("kim")));
    EXPECT_FALSE(registry->account(AIProviderType::cursor, QStringLiteral("KIM")));
    EXPECT_TRUE(claudeResolver->ranOffGUIThread());
    EXPECT_GE(claudeResolver->stackBytes(), size_t{kWorkerStackBytes})
        << "the parsers' depth bounds need this much stack whatever the user's stack limit";

    // One provider: only its resolver runs and only its entry changes; a
    // provider no resolver serves gets an empty entry.
    cursorResolver->answer({cursor(QStringLiteral("lee"))});
    ASSERT_TRUE(finish(scan(*registry, AIProviderType::cursor)));
    ASSERT_TRUE(finish(scan(*registry, AIProviderType::zed)));
    EXPECT_EQ(claudeResolver->started(), 1);
    EXPECT_EQ(labels(registry->accounts(AIProviderType::cursor)), QStringList{QStringLiteral("lee")});
    EXPECT_EQ(registry->accounts(AIProviderType::claudeCode).size(), 3);
    EXPECT_TRUE(registry->accountsByProvider().contains(AIProviderType::zed));

    // A full scan that finds nothing for a provider drops its entry.
    claudeResolver->answer({});
    ASSERT_TRUE(finish(scan(*registry)));
    EXPECT_EQ(registry->accountsByProvider().keys(), QList<AIProviderType>{AIProviderType::cursor});
}

TEST_F(Registry, WithDetectionOffEveryScanEmptiesTheWholeList) {
    cursorResolver->answer({cursor(QStringLiteral("kim"))});
    auto registry = make();
    ASSERT_TRUE(finish(scan(*registry)));
    scanningChanges.clear();
    clock.advance(60);
    preferences.setAccountScanEnabled(false);
    test::LogCapture log("com.meterix.accounts");
    EXPECT_TRUE(*scan(*registry, AIProviderType::claudeCode)) << "nothing to wait for";
    EXPECT_TRUE(registry->accountsByProvider().isEmpty());
    EXPECT_EQ(registry->lastScanDate(), clock.now());
    EXPECT_TRUE(scanningChanges.isEmpty());
    EXPECT_EQ(cursorResolver->started(), 1);
    EXPECT_TRUE(log.messages().isEmpty());
}

TEST_F(Registry, AnOlderScanFinishingLastNeverOverwritesANewerOne) {
    auto registry = make();
    // A full scan overtaken by another full scan.
    auto slowClaude = claudeResolver->holdNext({claude(QStringLiteral("old"))});
    auto slowCursor = cursorResolver->holdNext({cursor(QStringLiteral("old"))});
    auto first = scan(*registry);
    ASSERT_TRUE(started(*claudeResolver, 1) && started(*cursorResolver, 1));
    claudeResolver->answer({claude(QStringLiteral("new"))});
    cursorResolver->answer({cursor(QStringLiteral("new"))});
    ASSERT_TRUE(finish(scan(*registry)));
    EXPECT_TRUE(registry->isScanning()) << "the first scan still runs";
    slowClaude->open();
    slowCursor->open();
    ASSERT_TRUE(finish(first));
    EXPECT_EQ(labels(registry->accounts(AIProviderType::cursor)), QStringList{QStringLiteral("new")});
    EXPECT_EQ(scanningChanges, (QList<bool>{true, false}));

    // A full scan overtaken, for one provider, by a scan of that provider.
    slowCursor = cursorResolver->holdNext({cursor(QStringLiteral("old"))});
    claudeResolver->answer({claude(QStringLiteral("newest"))});
    auto full = scan(*registry);
    ASSERT_TRUE(started(*cursorResolver, 3));
    ASSERT_TRUE(finish(scan(*registry, AIProviderType::cursor)));
    slowCursor->open();
    ASSERT_TRUE(finish(full));
    EXPECT_EQ(labels(registry->accounts(AIProviderType::cursor)), QStringList{QStringLiteral("new")});
    EXPECT_EQ(labels(registry->accounts(AIProviderType::claudeCode)), QStringList{QStringLiteral("newest@x")});

    // A scan of one provider overtaken by a full scan.
    slowCursor = cursorResolver->holdNext({cursor(QStringLiteral("old"))});
    auto single = scan(*registry, AIProviderType::cursor);
    ASSERT_TRUE(started(*cursorResolver, 5));
    ASSERT_TRUE(finish(scan(*registry)));
    slowCursor->open();
    ASSERT_TRUE(finish(single));
    EXPECT_EQ(labels(registry->accounts(AIProviderType::cursor)), QStringList{QStringLiteral("new")});
}

// Cursor's resolver never answers until the end: the scan ends at its deadline
// with what the others found, the late resolver is named once, a rescan waits
// for the call still running rather than start another, and the answer is
// taken in when it comes.
TEST_F(Registry, AResolverThatDoesNotAnswerHoldsAScanOnlyUntilItsDeadline) {
    claudeResolver->answer({claude(QStringLiteral("a"))});
    auto stuck = cursorResolver->holdNext({cursor(QStringLiteral("kim"))});
    auto registry = make();
    test::LogCapture log("com.meterix.accounts");
    const double deadline = std::chrono::duration<double>(AccountRegistry::kResolverDeadline).count();
    auto first = scan(*registry);
    ASSERT_TRUE(started(*cursorResolver, 1));
    timers.advance(deadline - 0.001);
    EXPECT_FALSE(*first);
    timers.advance(0.001);
    EXPECT_TRUE(*first);
    EXPECT_FALSE(registry->isScanning());
    EXPECT_TRUE(waitUntil([&] { return registry->accounts(AIProviderType::claudeCode).size() == 1; }));
    EXPECT_FALSE(registry->accountsByProvider().contains(AIProviderType::cursor));

    auto second = scan(*registry);
    timers.advance(deadline);
    EXPECT_TRUE(*second);
    EXPECT_EQ(cursorResolver->started(), 1);

    stuck->open();
    EXPECT_TRUE(waitUntil([&] { return registry->accounts(AIProviderType::cursor).size() == 1; }));
    EXPECT_EQ(log.messages().filter(QStringLiteral("of cursor has not answered")).size(), 1);
}

TEST_F(Registry, DetectionIsCheckedAgainRightBeforePublishing) {
    auto registry = make();
    auto slow = claudeResolver->holdNext({claude(QStringLiteral("a"))});
    auto running = scan(*registry);
    preferences.setAccountScanEnabled(false); // no rescan asked for
    slow->open();
    ASSERT_TRUE(finish(running));
    EXPECT_TRUE(registry->accountsByProvider().isEmpty());
}

TEST_F(Registry, ScansRacingWithTogglesEndAsTheLastToggleAsks) {
    // Every toggle asks for a rescan, as the settings screen does; scans also
    // start on their own, and held scans end in a random order.
    std::mt19937 random(20260301);
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE(round);
        claudeResolver = std::make_shared<ScriptedResolver>(AIProviderType::claudeCode);
        cursorResolver = std::make_shared<ScriptedResolver>(AIProviderType::cursor);
        preferences.setAccountScanEnabled(true);
        auto registry = make();
        struct Held {
            std::shared_ptr<Gate> claudeGate, cursorGate;
            std::shared_ptr<bool> done;
        };
        std::vector<Held> held;
        QString lastStarted;
        int scans = 0;

        auto release = [&](size_t i) {
            held[i].claudeGate->open();
            held[i].cursorGate->open();
            ASSERT_TRUE(finish(held[i].done));
            held.erase(held.begin() + static_cast<std::ptrdiff_t>(i));
        };
        auto rescan = [&] {
            if (!preferences.accountScanEnabled()) {
                ASSERT_TRUE(*scan(*registry)) << "emptying ends at once";
                return;
            }
            if (held.size() == 2) release(random() % 2); // stay within the pool
            lastStarted = QStringLiteral("s%1").arg(scans++);
            Held h{claudeResolver->holdNext({claude(lastStarted)}), cursorResolver->holdNext({cursor(lastStarted)}), {}};
            h.done = scan(*registry);
            held.push_back(h);
            ASSERT_TRUE(started(*claudeResolver, scans) && started(*cursorResolver, scans));
        };

        rescan();
        for (int step = 0; step < 12; ++step) {
            const auto action = random() % 3;
            if (action == 0) preferences.setAccountScanEnabled(!preferences.accountScanEnabled());
            if (action < 2) rescan();
            else if (!held.empty()) release(random() % held.size());
        }
        while (!held.empty()) release(random() % held.size());

        EXPECT_FALSE(registry->isScanning());
        if (!preferences.accountScanEnabled()) {
            EXPECT_TRUE(registry->accountsByProvider().isEmpty());
        } else {
            EXPECT_EQ(labels(registry->accounts(AIProviderType::cursor)), QStringList{lastStarted});
            EXPECT_EQ(labels(registry->accounts(AIProviderType::claudeCode)), QStringList{lastStarted + QStringLiteral("@x")});
        }
    }
}

TEST_F(Registry, CallsFromOtherThreadsFailingResolversAndTeardownAreSafe) {
    claudeResolver->throws_ = true;
    cursorResolver->answer({cursor(QStringLiteral("kim"))});
    auto registry = make();
    std::atomic<bool> done{false};
    std::atomic<bool> onGUIThread{false};
    QThread* gui = QThread::currentThread();
    std::thread([&] {
        registry->refreshAccounts(std::nullopt, [&] {
            onGUIThread = QThread::currentThread() == gui;
            done = true;
        });
    }).join();
    ASSERT_TRUE(waitUntil([&] { return done.load(); }));
    EXPECT_TRUE(onGUIThread);
    EXPECT_EQ(registry->accounts(AIProviderType::cursor).size(), 1) << "a failing resolver finds nothing";

    // Destroyed while a resolver runs: the job ends first, its result is dropped.
    auto slow = cursorResolver->holdNext({cursor(QStringLiteral("lee"))});
    auto running = scan(*registry);
    ASSERT_TRUE(started(*cursorResolver, 2));
    std::thread opener([slow] { slow->open(); });
    registry.reset();
    opener.join();
    QCoreApplication::processEvents();
    EXPECT_FALSE(*running);
}

TEST_F(Registry, AttributionSourcesAndWatchedFolders) {
    auto registry = make();
    auto attribution = [&](QList<AccountIdentity> found) {
        claudeResolver->answer(std::move(found));
        EXPECT_TRUE(finish(scan(*registry)));
        const auto a = registry->attributionAccount(AIProviderType::claudeCode);
        return a ? a->id : QStringLiteral("-");
    };
    const AccountSource desktop = source("claude.desktop", std::nullopt, AccountSourceKind::desktopApp);
    EXPECT_EQ(attribution({claude(QStringLiteral("a"), true, desktop), claude(QStringLiteral("b"))}), QStringLiteral("b"));
    EXPECT_EQ(attribution({claude(QStringLiteral("a"), true, desktop), claude(QStringLiteral("b"), false)}), QStringLiteral("a"));
    EXPECT_EQ(attribution({claude(QStringLiteral("b"), false, desktop), claude(QStringLiteral("a"), false)}), QStringLiteral("a"));
    EXPECT_EQ(attribution({}), QStringLiteral("-"));

    claudeResolver->answer({claude(QStringLiteral("u1"), true, source("claude.cli", QStringLiteral("/h/.claude"))),
                            claude(QStringLiteral("u1"), true, source("claude.cli", QStringLiteral("/h/.claude-w"))),
                            claude(QStringLiteral("u2"), true, source("claude.cli", QStringLiteral("/h/.claude"))),
                            claude(QStringLiteral("u3"), false, desktop),
                            claude(QStringLiteral("u4"), false, source("claude.desktop", QString()))});
    cursorResolver->answer({identity(AIProviderType::cursor, QStringLiteral("k"), QStringLiteral("k"), true,
                                     source("a.ide", QStringLiteral("/h/Cursor")))});
    ASSERT_TRUE(finish(scan(*registry)));
    QStringList places;
    for (const auto& s : registry->allSources()) places.append(s.id + QLatin1Char(' ') + s.rootPath.value_or(QStringLiteral("-")));
    EXPECT_EQ(places, (QStringList{QStringLiteral("a.ide /h/Cursor"), QStringLiteral("claude.cli /h/.claude"),
                                   QStringLiteral("claude.cli /h/.claude-w"), QStringLiteral("claude.desktop -")}))
        << "one entry per place; an absent folder and an empty one are the same";
    const QList<AccountRegistry::ActivityPath> watched{
        {QStringLiteral("/h/.claude"), AIProviderType::claudeCode, QStringLiteral("u1")},
        {QStringLiteral("/h/.claude-w"), AIProviderType::claudeCode, QStringLiteral("u1")},
        {QStringLiteral("/h/.claude"), AIProviderType::claudeCode, QStringLiteral("u2")},
        {QString(), AIProviderType::claudeCode, QStringLiteral("u4")},
        {QStringLiteral("/h/Cursor"), AIProviderType::cursor, QStringLiteral("k")}};
    EXPECT_EQ(registry->activityPaths(), watched);
}

TEST_F(Registry, DiscoveryIsLoggedPerProviderWithPrivateLabels) {
    claudeResolver->answer({identity(AIProviderType::claudeCode, QStringLiteral("1"), QStringLiteral("kim@example.com"), true),
                            identity(AIProviderType::claudeCode, QStringLiteral("1"), std::nullopt, true,
                                     source("claude.desktop", std::nullopt, AccountSourceKind::desktopApp)),
                            identity(AIProviderType::claudeCode, QStringLiteral("2"), QStringLiteral("lee"), false)});
    auto registry = make();
    test::LogCapture log("com.meterix.accounts");
    MeterixLog::setShowsPrivateValues(true);
    ASSERT_TRUE(finish(scan(*registry)));
    EXPECT_EQ(log.messages(), QStringList{QStringLiteral("[claude] k***@example.com[CLI · App], lee[CLI] (unreadable)")});
    log.clear();
    MeterixLog::setShowsPrivateValues(false);
    ASSERT_TRUE(finish(scan(*registry)));
    EXPECT_EQ(log.messages(), QStringList{QStringLiteral("[claude] <private>")});
}
