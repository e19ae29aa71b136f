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

void libraryHandler(int) {}

// Each signal that would end the process reaches the quit once, as the first
// of two signals, or is ignored, so that the kill after it is the one passed
// on: a hang-up ignored from the start (nohup), a broken pipe, a file over the
// size limit, and a stray signal a library handles itself. The relay's end
// gives each signal back what it had.
TEST(QuitSignalsTest, EndingSignalsQuitThroughTheEventLoopOrAreIgnored) {
    const struct {
        int signal;
        void (*before)(int);
        int quitsWith;
    } rows[] = {{SIGTERM, SIG_DFL, SIGTERM},   {SIGINT, SIG_IGN, SIGINT},       {SIGQUIT, SIG_IGN, SIGQUIT},
                {SIGHUP, SIG_DFL, SIGHUP},     {SIGHUP, SIG_IGN, SIGTERM},      {SIGUSR1, SIG_DFL, SIGUSR1},
                {SIGUSR2, SIG_DFL, SIGUSR2},   {SIGALRM, SIG_DFL, SIGALRM},     {SIGVTALRM, SIG_DFL, SIGVTALRM},
                {SIGPROF, SIG_DFL, SIGPROF},   {SIGXCPU, SIG_DFL, SIGXCPU},     {SIGRTMIN + 3, SIG_DFL, SIGRTMIN + 3},
                {SIGPIPE, SIG_DFL, SIGTERM},   {SIGXFSZ, SIG_DFL, SIGTERM},     {SIGUSR1, libraryHandler, SIGTERM}};
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << "signal " << row.signal << (row.before == SIG_IGN ? " ignored" : row.before == SIG_DFL ? "" : " handled"));
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
