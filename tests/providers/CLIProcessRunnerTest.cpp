#include "providers/CLIProcessRunner.h"

#include "support/Processes.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"

#include <QDir>
#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace meterix;
using meterix::test::TempHome;

namespace {

class RunnerTest : public ::testing::Test {
  protected:
    TempHome home;
    HostEnvironment host() const {
        QProcessEnvironment vars;
        vars.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
        vars.insert(QStringLiteral("CLAUDE_CONFIG_DIR"), QStringLiteral("/elsewhere"));
        return HostEnvironment::underHome(home.path(), vars);
    }
    CLIProcessRunner runner(CLIProcessRunner::Options options = {}) const {
        return CLIProcessRunner(host(), options);
    }
    std::optional<QString> run(const QString& command, const EnvironmentOverrides& env = {},
                               double timeout = 10, std::optional<QString> cwd = std::nullopt,
                               CLIProcessRunner::Options options = {}) {
        return runner(options).run(command, {}, timeout, env, cwd);
    }
};

} // namespace

TEST_F(RunnerTest, CollectsBothStreamsWhateverTheExitStatus) {
    const QString tool =
        home.writeScript(QStringLiteral("bin/tool"), "echo out; echo err >&2; echo \"$1|$2\"; exit 3\n");
    const auto text =
        runner().run(tool, {QStringLiteral("a b"), QStringLiteral("$HOME;x")}, 10, {}, std::nullopt);
    EXPECT_EQ(text, QStringLiteral("out\nerr\na b|$HOME;x\n"));
    const QString errOnly = home.writeScript(QStringLiteral("bin/err"), "echo only-stderr >&2; exit 1\n");
    EXPECT_EQ(run(errOnly), QStringLiteral("only-stderr\n"));
    EXPECT_EQ(run(home.writeScript(QStringLiteral("bin/silent"), "exit 0\n")), QString());
}

TEST_F(RunnerTest, InvalidUtf8GivesTheEmptyTextNotNothing) {
    const auto text = run(home.writeScript(QStringLiteral("bin/bad"), "printf 'ok \\377\\n'\n"));
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->isEmpty());
    EXPECT_EQ(run(home.writeScript(QStringLiteral("bin/ko"), "printf '\\355\\225\\234'\n")),
              QStringLiteral("한"));
}

TEST_F(RunnerTest, StandardInputIsTheNullDevice) {
    EXPECT_EQ(run(home.writeScript(QStringLiteral("bin/cat"), "cat; echo end\n")), QStringLiteral("end\n"));
}

TEST_F(RunnerTest, EnvironmentExtendsPathAppliesOverridesAndRemovals) {
    const QString tool =
        home.writeScript(QStringLiteral("bin/env"),
                         "echo \"PATH=$PATH\"; echo \"C=${CLAUDE_CONFIG_DIR-unset}\"; echo \"X=$X\"\n");
    EXPECT_EQ(
        run(tool),
        QStringLiteral("PATH=%1/.local/bin:/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:/usr/bin:/bin\n"
                       "C=/elsewhere\nX=\n")
            .arg(home.path()));
    EXPECT_EQ(
        run(tool, {{QStringLiteral("CLAUDE_CONFIG_DIR"), std::nullopt},
                   {QStringLiteral("X"), QStringLiteral("1")}}),
        QStringLiteral("PATH=%1/.local/bin:/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:/usr/bin:/bin\n"
                       "C=unset\nX=1\n")
            .arg(home.path()));
    EXPECT_EQ(run(tool, {{QStringLiteral("PATH"), QStringLiteral("/only/this")}}),
              QStringLiteral("PATH=/only/this\nC=/elsewhere\nX=\n"));
}

TEST_F(RunnerTest, PathWithoutInheritedPathKeepsTrailingColon) {
    const CLIProcessRunner r(HostEnvironment::underHome(home.path()));
    EXPECT_EQ(r.childEnvironment({}).value(QStringLiteral("PATH")),
              home.path() + QStringLiteral("/.local/bin:/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:"));
}

TEST_F(RunnerTest, BareNameNeverRunsFromTheCurrentFolder) {
    const QString folder = home.mkdir(QStringLiteral("untrusted-checkout"));
    home.writeScript(QStringLiteral("untrusted-checkout/claude"), "echo planted\n");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder));
    const auto bare = run(QStringLiteral("claude"));
    const auto explicitPath = run(QStringLiteral("./claude"));
    QDir::setCurrent(previous);
    EXPECT_EQ(bare, std::nullopt);
    EXPECT_EQ(explicitPath, QStringLiteral("planted\n")) << "a name with a slash is an explicit path";
}

TEST_F(RunnerTest, BareNameIsLookedUpInTheCandidateFoldersInOrder) {
    home.writeScript(QStringLiteral(".local/bin/claude"), "echo home-local\n");
    EXPECT_EQ(run(QStringLiteral("claude")), QStringLiteral("home-local\n"));

    const QString usrLocal = home.mkdir(QStringLiteral("usr-local-bin"));
    const QString homebrew = home.mkdir(QStringLiteral("opt-homebrew-bin"));
    home.writeScript(QStringLiteral("usr-local-bin/agy"), "echo usr-local\n");
    home.writeScript(QStringLiteral("opt-homebrew-bin/agy"), "echo homebrew\n");
    CLIProcessRunner::Options options;
    options.candidateFolders = {home.file(QStringLiteral(".local/bin")), usrLocal, homebrew};
    EXPECT_EQ(run(QStringLiteral("agy"), {}, 10, std::nullopt, options), QStringLiteral("usr-local\n"));
    // Not executable, or not a file: skipped.
    home.write(QStringLiteral("usr-local-bin/plain"), "echo no\n");
    home.mkdir(QStringLiteral("usr-local-bin/dir"));
    EXPECT_EQ(run(QStringLiteral("plain"), {}, 10, std::nullopt, options), std::nullopt);
    EXPECT_EQ(run(QStringLiteral("dir"), {}, 10, std::nullopt, options), std::nullopt);
    EXPECT_EQ(run(QStringLiteral("missing-tool")), std::nullopt);
    EXPECT_EQ(run(QString()), std::nullopt);
}

TEST_F(RunnerTest, RunsInTheGivenWorkingFolder) {
    const QString cwd = home.mkdir(QStringLiteral("probe dir"));
    const QString tool = home.writeScript(QStringLiteral("bin/pwd"), "pwd\n");
    EXPECT_EQ(run(tool, {}, 10, cwd), cwd + QLatin1Char('\n'));
    EXPECT_EQ(run(tool, {}, 10, home.file(QStringLiteral("no such dir"))), std::nullopt);
}

TEST_F(RunnerTest, TimeOutKillsTheWholeGroupAndGivesNothing) {
    const QString tool = home.writeScript(QStringLiteral("bin/hang"), "trap '' TERM\n"
                                                                      "echo $$ > \"$HOME/leader.pid\"\n"
                                                                      "sleep 60 &\n"
                                                                      "echo $! > \"$HOME/child.pid\"\n"
                                                                      "echo partial output\n"
                                                                      "while :; do sleep 1; done\n");
    CLIProcessRunner::Options options;
    options.killGraceSeconds = 0.2;
    QElapsedTimer timer;
    timer.start();
    const auto text = run(tool, {}, 0.5, std::nullopt, options);
    EXPECT_EQ(text, std::nullopt) << "output before the time-out does not count";
    EXPECT_LT(timer.elapsed(), 8000);
    const qint64 leader = test::readPidFile(home.file(QStringLiteral("leader.pid")));
    const qint64 child = test::readPidFile(home.file(QStringLiteral("child.pid")));
    ASSERT_GT(leader, 0);
    ASSERT_GT(child, 0);
    EXPECT_TRUE(test::waitUntil([&] { return test::processIsGone(leader); })) << "client ignoring SIGTERM";
    EXPECT_TRUE(test::waitUntil([&] { return test::processIsGone(child); })) << "its child";
}

TEST_F(RunnerTest, WhatTheClientLeavesRunningIsEnded) {
    const QString tool = home.writeScript(QStringLiteral("bin/leaves"), "sleep 60 >/dev/null 2>&1 &\n"
                                                                        "echo $! > \"$HOME/left.pid\"\n"
                                                                        "echo done\n");
    EXPECT_EQ(run(tool), QStringLiteral("done\n"));
    const qint64 left = test::readPidFile(home.file(QStringLiteral("left.pid")));
    ASSERT_GT(left, 0);
    EXPECT_TRUE(test::waitUntil([&] { return test::processIsGone(left); }));
}

TEST_F(RunnerTest, FloodIsCappedWhileThePipeKeepsDraining) {
    // 8 MiB would fill any pipe: the client only finishes if we keep reading.
    const QString tool =
        home.writeScript(QStringLiteral("bin/flood"), "head -c 8388608 /dev/zero | tr '\\000' 'a'\n"
                                                      "echo \"finished\" > \"$HOME/flood.done\"\n");
    CLIProcessRunner::Options options;
    options.outputCap = 65536 * 3 + 5;
    const auto text = run(tool, {}, 30, std::nullopt, options);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->size(), options.outputCap);
    EXPECT_EQ(text->count(QLatin1Char('a')), options.outputCap);
    EXPECT_TRUE(QFile::exists(home.file(QStringLiteral("flood.done"))));
}

TEST_F(RunnerTest, CapNeverSplitsACharacter) {
    // "한" is three bytes; a cap of 10 bytes falls inside the fourth one.
    const QString tool =
        home.writeScript(QStringLiteral("bin/ko-flood"),
                         "i=0; while [ $i -lt 100 ]; do printf '\\355\\225\\234'; i=$((i+1)); done\n");
    CLIProcessRunner::Options options;
    options.outputCap = 10;
    EXPECT_EQ(run(tool, {}, 10, std::nullopt, options), QStringLiteral("한한한"));
}
