#include "shell/QuitSignals.h"

#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <optional>

namespace meterix {
namespace {

using Handler = void (*)(int);

Handler dispositionOf(int signal) {
    struct sigaction now {};
    ::sigaction(signal, nullptr, &now);
    return now.sa_handler;
}

void setDisposition(int signal, Handler handler) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
}

// Each ending signal reaches the quit as one call with its number, whatever it
// was set to before; a hang-up ignored from the start (nohup) stays ignored,
// so the kill that follows it is the one passed on. The relay's end gives
// every signal back what it had.
TEST(QuitSignalsTest, EndingSignalsQuitThroughTheEventLoop) {
    struct Row {
        int signal;
        Handler before;
        int quitsWith;
    };
    const Row rows[] = {
        {SIGTERM, SIG_DFL, SIGTERM}, {SIGINT, SIG_IGN, SIGINT},  {SIGQUIT, SIG_IGN, SIGQUIT},
        {SIGHUP, SIG_DFL, SIGHUP},   {SIGHUP, SIG_IGN, SIGTERM},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "signal " << row.signal << (row.before == SIG_IGN ? " ignored" : ""));
        setDisposition(row.signal, row.before);
        std::optional<int> quitWith;
        int quits = 0;
        {
            QuitSignals relay([&](int signal) {
                quitWith = signal;
                ++quits;
            });
            ASSERT_TRUE(relay.isActive());
            ::raise(row.signal);
            ::raise(SIGTERM);
            ASSERT_TRUE(test::waitUntil([&] { return quitWith.has_value(); }));
            EXPECT_EQ(*quitWith, row.quitsWith);
            // The kill that followed is never passed on: the quit is under way.
            EXPECT_EQ(quits, 1);
        }
        EXPECT_EQ(dispositionOf(row.signal), row.before);
        EXPECT_EQ(dispositionOf(SIGTERM), SIG_DFL);
        setDisposition(row.signal, SIG_DFL);
    }
}

TEST(QuitSignalsTest, OneRelayHoldsTheSignalsAtATime) {
    QuitSignals first([](int) {});
    QuitSignals second([](int) {});
    EXPECT_TRUE(first.isActive());
    EXPECT_FALSE(second.isActive());
    EXPECT_TRUE(second.relayedSignals().empty());
}

} // namespace
} // namespace meterix
