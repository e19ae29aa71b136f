#include "providers/common/ProbeGate.h"

#include "core/MeterixLog.h"
#include "support/FakeClock.h"
#include "support/LogCapture.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace meterix;
using meterix::test::FakeClock;
using meterix::test::LogCapture;

namespace {
const QString kClaude = QStringLiteral("claude:/home/u/.claude.json");
const QString kAgy = QStringLiteral("agy:default");
} // namespace

TEST(ProbeGate, FirstCallIsAdmittedAndStamped) {
    FakeClock clock;
    ProbeGate gate(clock);
    EXPECT_FALSE(gate.nextAllowed(kClaude, 300));
    {
        const auto ticket = gate.admit(kClaude, 300);
        EXPECT_TRUE(ticket);
        EXPECT_TRUE(gate.isBusy());
    }
    EXPECT_FALSE(gate.isBusy());
    EXPECT_EQ(gate.nextAllowed(kClaude, 300), clock.now().addSecs(300));
}

TEST(ProbeGate, OneSlotOverAllKeys) {
    FakeClock clock;
    ProbeGate gate(clock);
    LogCapture log("com.meterix.ProbeGate");
    auto running = gate.admit(kClaude, 300);
    ASSERT_TRUE(running);
    EXPECT_FALSE(gate.admit(kClaude, 300));
    EXPECT_TRUE(log.contains(QStringLiteral("Declined %1: already probing").arg(kClaude)));
    EXPECT_FALSE(gate.admit(kAgy, 180));
    EXPECT_TRUE(log.contains(QStringLiteral("Declined agy:default: another probe holds the slot")));
    running.release();
    EXPECT_TRUE(gate.admit(kAgy, 180)) << "another key is not held back by the first key's floor";
}

TEST(ProbeGate, FloorIsMeasuredFromTheLastAdmittedStart) {
    FakeClock clock;
    ProbeGate gate(clock);
    LogCapture log("com.meterix.ProbeGate");
    ASSERT_TRUE(gate.admit(kClaude, 300));
    clock.advance(120);
    EXPECT_FALSE(gate.admit(kClaude, 300));
    EXPECT_TRUE(log.contains(QStringLiteral("Declined %1: 180s of floor left").arg(kClaude)));
    clock.advance(179.5);
    EXPECT_FALSE(gate.admit(kClaude, 300));
    EXPECT_TRUE(log.contains(QStringLiteral("Declined %1: 0s of floor left").arg(kClaude)));
    clock.advance(0.5);
    EXPECT_TRUE(gate.admit(kClaude, 300)) << "exactly at the floor";
    // The declined calls did not move the stamp; the admitted one did.
    EXPECT_EQ(gate.nextAllowed(kClaude, 300), clock.now().addSecs(300));
    // The floor is the caller's argument, not stored.
    clock.advance(10);
    EXPECT_TRUE(gate.admit(kClaude, 10));
}

TEST(ProbeGate, SettingTheWallClockBackDoesNotHoldProbesOff) {
    FakeClock clock;
    ProbeGate gate(clock);
    ASSERT_TRUE(gate.admit(kClaude, 300));
    clock.set(clock.now().addDays(-3));
    clock.advance(300);
    EXPECT_TRUE(gate.admit(kClaude, 300));
}

TEST(ProbeGate, NotANumberFloorDeclinesAStampedKey) {
    FakeClock clock;
    ProbeGate gate(clock);
    ASSERT_TRUE(gate.admit(kClaude, 300));
    clock.advance(10000);
    EXPECT_FALSE(gate.admit(kClaude, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(gate.admit(kClaude, std::numeric_limits<double>::infinity()));
    EXPECT_TRUE(gate.admit(kClaude, 300));
}

TEST(ProbeGate, ATicketHoldsTheSlotUntilItGoesAndAFailingProbeFreesIt) {
    FakeClock clock;
    ProbeGate gate(clock);
    {
        const ProbeGate::Ticket ticket = gate.admit(kClaude, 300);
        ASSERT_TRUE(ticket);
        EXPECT_FALSE(gate.admit(kAgy, 0)) << "the slot is held while the probe runs";
    }
    EXPECT_FALSE(gate.isBusy());
    EXPECT_FALSE(gate.admit(kClaude, 300)) << "within its interval";
    EXPECT_THROW(
        [&] {
            const ProbeGate::Ticket ticket = gate.admit(QStringLiteral("claude:default"), 180);
            throw std::runtime_error("boom");
        }(),
        std::runtime_error);
    EXPECT_FALSE(gate.isBusy()) << "a failing probe must not keep the slot";
}

TEST(ProbeGate, ConcurrentCallersGetOneAdmission) {
    FakeClock clock;
    ProbeGate gate(clock);
    std::atomic<int> admitted{0};
    std::atomic<bool> go{false};
    std::vector<ProbeGate::Ticket> tickets(16);
    std::vector<std::thread> threads;
    for (int i = 0; i < 16; ++i)
        threads.emplace_back([&, i] {
            while (!go.load())
                std::this_thread::yield();
            tickets[i] = gate.admit(i % 2 ? kClaude : kAgy, 0);
            if (tickets[i]) ++admitted;
        });
    go = true;
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(admitted.load(), 1);
}

TEST(ProbeGate, MovedTicketReleasesOnce) {
    FakeClock clock;
    ProbeGate gate(clock);
    ProbeGate::Ticket a = gate.admit(kClaude, 0);
    ProbeGate::Ticket b = std::move(a);
    EXPECT_FALSE(a);
    EXPECT_TRUE(gate.isBusy());
    a = std::move(b);
    EXPECT_TRUE(gate.isBusy());
    a.release();
    EXPECT_FALSE(gate.isBusy());
    a.release();
    EXPECT_FALSE(gate.isBusy());
}

// Keys declined only for the slot wait for it; when it frees they are handed on
// once, after the gate's lock is let go (the handler may ask the gate again).
// Keys declined for their own run or floor do not wait.
TEST(ProbeGate, KeysDeclinedForTheSlotAreHandedOnOnceWhenItFrees) {
    FakeClock clock;
    ProbeGate gate(clock);
    QList<QStringList> handed;
    gate.setSlotFreedHandler([&](const QStringList& keys) {
        handed.append(keys);
        EXPECT_FALSE(gate.isBusy());
    });
    const QString other = QStringLiteral("claude:/home/u/.claude-work/.claude.json");
    ASSERT_TRUE(gate.admit(kAgy, 180)); // stamped; its floor runs from now
    clock.advance(10);
    {
        auto running = gate.admit(kClaude, 300);
        ASSERT_TRUE(running);
        EXPECT_FALSE(gate.admit(kClaude, 300)); // already probing: not waiting
        EXPECT_FALSE(gate.admit(other, 300));
        EXPECT_FALSE(gate.admit(kAgy, 180));
        EXPECT_FALSE(gate.admit(kAgy, 180)); // asked twice, handed on once
        EXPECT_TRUE(handed.isEmpty());
    }
    EXPECT_EQ(handed, (QList<QStringList>{{kAgy, other}}));

    // The floor declines without waiting; a key admitted is no longer waiting.
    EXPECT_FALSE(gate.admit(kAgy, 180));
    {
        auto running = gate.admit(other, 300);
        ASSERT_TRUE(running);
        EXPECT_FALSE(gate.admit(kClaude, 300)); // its floor has not passed either, but the slot is checked first
    }
    EXPECT_EQ(handed.size(), 2);
    EXPECT_EQ(handed.last(), QStringList{kClaude});
    { auto ticket = gate.admit(other, 0); }
    EXPECT_EQ(handed.size(), 2) << "nothing was waiting";

    EXPECT_EQ(ProbeGate::providerOfKey(kClaude), AIProviderType::claudeCode);
    EXPECT_EQ(ProbeGate::providerOfKey(QStringLiteral("claude:default")), AIProviderType::claudeCode);
    EXPECT_EQ(ProbeGate::providerOfKey(kAgy), AIProviderType::antigravity);
    EXPECT_EQ(ProbeGate::providerOfKey(QStringLiteral("codex:default")), std::nullopt);
}
