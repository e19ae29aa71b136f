#include "shell/QuitSignals.h"

#include "support/WaitUntil.h"

#include <gtest/gtest.h>

namespace meterix {
namespace {

void setDisposition(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    ::sigaction(signal, &action, nullptr);
}

// Each ending signal reaches the quit once, as the first of two signals; a
// hang-up ignored from the start (nohup) stays ignored, so the kill after it
// is the one passed on. The relay's end gives each signal back what it had.
TEST(QuitSignalsTest, EndingSignalsQuitThroughTheEventLoop) {
    const struct {
        int signal;
        void (*before)(int);
        int quitsWith;
    } rows[] = {{SIGTERM, SIG_DFL, SIGTERM}, {SIGINT, SIG_IGN, SIGINT}, {SIGQUIT, SIG_IGN, SIGQUIT},
                {SIGHUP, SIG_DFL, SIGHUP}, {SIGHUP, SIG_IGN, SIGTERM}};
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << "signal " << row.signal << (row.before == SIG_IGN ? " ignored" : ""));
        setDisposition(row.signal, row.before);
        std::vector<int> quits;
        {
            QuitSignals relay([&quits](int signal) { quits.push_back(signal); });
            ASSERT_TRUE(relay.isActive());
            EXPECT_FALSE(QuitSignals([](int) {}).isActive()) << "a second relay while one holds the signals";
            ::raise(row.signal);
            ::raise(SIGTERM);
            ASSERT_TRUE(test::waitUntil([&] { return !quits.empty(); }));
            EXPECT_EQ(quits, std::vector<int>{row.quitsWith});
        }
        struct sigaction after {};
        ::sigaction(row.signal, nullptr, &after);
        EXPECT_EQ(after.sa_handler, row.before);
        setDisposition(row.signal, SIG_DFL);
    }
}

} // namespace
} // namespace meterix
