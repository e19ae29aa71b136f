#include "providers/CLIProcessRunner.h"

#include "support/Processes.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <iostream>

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
    EXPECT_EQ(run(home.writeScript(QStringLiteral("bin/reads-input"), "cat; echo end\n")),
              QStringLiteral("end\n"));
}

TEST_F(RunnerTest, EnvironmentSetsPathAppliesOverridesAndRemovals) {
    const QString tool =
        home.writeScript(QStringLiteral("bin/env"),
                         "echo \"PATH=$PATH\"; echo \"C=${CLAUDE_CONFIG_DIR-unset}\"; echo \"X=$X\"\n");
    const QString path =
        QStringLiteral("PATH=%1/bin:%1/.local/bin:/usr/local/bin:/usr/bin:/bin\n").arg(home.path());
    EXPECT_EQ(run(tool), path + QStringLiteral("C=/elsewhere\nX=\n"));
    EXPECT_EQ(run(tool, {{QStringLiteral("CLAUDE_CONFIG_DIR"), std::nullopt},
                         {QStringLiteral("X"), QStringLiteral("1")}}),
              path + QStringLiteral("C=unset\nX=1\n"));
    EXPECT_EQ(run(tool, {{QStringLiteral("PATH"), QStringLiteral("/only/this")}}),
              QStringLiteral("PATH=/only/this\nC=/elsewhere\nX=\n"));
}

// An empty or relative entry would have the child (or the node it starts) look
// in its current folder: only the inherited PATH's absolute entries are kept.
TEST_F(RunnerTest, ChildPathKeepsOnlyAbsoluteEntriesOnce) {
    QProcessEnvironment vars;
    vars.insert(QStringLiteral("PATH"),
                QStringLiteral("/opt/x/bin::bin:./node_modules/.bin:~/bin:/usr/bin:/opt/x/bin:"));
    const CLIProcessRunner messy(HostEnvironment::underHome(home.path(), vars));
    const QString standard = home.path() + QStringLiteral("/.local/bin:/usr/local/bin:/usr/bin:/bin");
    auto path = [](const CLIProcessRunner& r, const QString& folder) {
        return r.childEnvironment({}, folder).value(QStringLiteral("PATH"));
    };
    EXPECT_EQ(path(messy, QStringLiteral("/n/v22/bin")),
              QStringLiteral("/n/v22/bin:%1:/opt/x/bin").arg(standard));
    EXPECT_EQ(path(messy, QStringLiteral("rel/bin")), standard + QStringLiteral(":/opt/x/bin"));
    EXPECT_EQ(path(CLIProcessRunner(HostEnvironment::underHome(home.path())), QString()), standard);
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

namespace {

// A home laid out as Linux installers leave it: "root/" stands for "/", and the
// app's PATH holds one folder of the home's own.
struct LinuxHome {
    TempHome home;
    QString path = home.file(QStringLiteral("path-entry"));
    CLIProcessRunner runner() const {
        QProcessEnvironment vars;
        vars.insert(QStringLiteral("PATH"), path);
        return CLIProcessRunner(HostEnvironment::underHome(home.path(), vars),
                                CLIProcessRunner::Options{.systemRoot = home.file(QStringLiteral("root"))});
    }
    QString place(const QString& folder) const {
        return home.writeScript(folder + QStringLiteral("/claude"), "echo \"$0\"\n");
    }
};

// Where each installer puts a client, in the order they are looked in.
const char* const kInstallFolders[] = {
    ".local/bin",                                              // native installer
    "path-entry",                                              // the app's own PATH
    "root/usr/local/bin",                                      // npm as root
    "root/usr/bin",                                            // npm of the distribution
    ".npm-global/bin",                                         // npm with a home prefix
    ".bun/bin",                                                // bun
    ".local/share/pnpm",                                       // pnpm
    ".volta/bin",                                              // volta
    ".nvm/versions/node/v22.11.0/bin",                         // nvm
    ".local/share/fnm/node-versions/v20.1.0/installation/bin", // fnm
    "root/home/linuxbrew/.linuxbrew/bin",                      // Homebrew on Linux
};

} // namespace

TEST(RunnerLookup, FindsClientsInEveryInstallFolderInOrder) {
    const LinuxHome layout;
    for (const char* folder : kInstallFolders)
        layout.place(QString::fromLatin1(folder));
    EXPECT_EQ(layout.runner().run(QStringLiteral("claude"), {}, 10, {}, std::nullopt),
              layout.home.file(QStringLiteral(".local/bin/claude\n")));
    // Each folder in turn holds the first client; take it away and the next one is found.
    for (const char* folder : kInstallFolders) {
        const QString client = layout.home.file(QString::fromLatin1(folder) + QStringLiteral("/claude"));
        EXPECT_EQ(layout.runner().executablePath(QStringLiteral("claude")), client) << folder;
        QFile::remove(client);
    }
    EXPECT_EQ(layout.runner().executablePath(QStringLiteral("claude")), std::nullopt);
    // Not executable, or not a file: skipped.
    layout.home.write(QStringLiteral(".local/bin/plain"), "echo no\n");
    layout.home.mkdir(QStringLiteral(".local/bin/dir"));
    EXPECT_EQ(layout.runner().executablePath(QStringLiteral("plain")), std::nullopt);
    EXPECT_EQ(layout.runner().executablePath(QStringLiteral("dir")), std::nullopt);
    EXPECT_EQ(layout.runner().executablePath(QString()), std::nullopt);
}

TEST(RunnerLookup, NodeVersionsAreTriedNewestFirstByVersion) {
    const LinuxHome layout;
    for (const char* version : {"v9.11.2", "v10.0.0", "v22.1.0", "v22.10.0", "default", "v1.x"})
        layout.home.mkdir(QStringLiteral(".nvm/versions/node/%1/bin").arg(QLatin1String(version)));
    const QString nvm = layout.home.file(QStringLiteral(".nvm/versions/node/"));
    QStringList versions;
    for (const QString& folder : layout.runner().candidateFolders())
        if (folder.startsWith(nvm)) versions.append(folder.mid(nvm.size()));
    EXPECT_EQ(versions, QStringList({QStringLiteral("v22.10.0/bin"), QStringLiteral("v22.1.0/bin"),
                                     QStringLiteral("v10.0.0/bin"), QStringLiteral("v9.11.2/bin")}));
    // A client kept under an older node version only is still found.
    const QString old = layout.place(QStringLiteral(".nvm/versions/node/v10.0.0/bin"));
    EXPECT_EQ(layout.runner().executablePath(QStringLiteral("claude")), old);
}

// npm's clients are node scripts: the node beside the client must be the one the
// child finds, however bare the app's own PATH is.
TEST(RunnerLookup, ChildFindsTheNodeBesideItsClient) {
    LinuxHome layout;
    layout.path = QStringLiteral("/nonexistent");
    const QString bin = QStringLiteral(".nvm/versions/node/v22.11.0/bin");
    layout.home.writeScript(bin + QStringLiteral("/node"), "echo \"node of v22 runs $(basename \"$1\")\"\n");
    const QString client = layout.home.write(bin + QStringLiteral("/claude"), "#!/usr/bin/env node\n");
    ::chmod(QFile::encodeName(client).constData(), 0755);
    EXPECT_EQ(layout.runner().run(QStringLiteral("claude"), {}, 10, {}, std::nullopt),
              QStringLiteral("node of v22 runs claude\n"));
}

// A client runs with the user's rights: one that someone else could have put
// there (or changed) must never be started. Each row plants a client in a bad
// place looked in before /usr/bin; the one in /usr/bin runs instead.
TEST(RunnerLookup, SkipsFoldersAndClientsOthersCouldWrite) {
    auto chmodTo = [](const QString& path, mode_t mode) {
        return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
    };
    // Only root can hand a file to another user; elsewhere those rows are skipped.
    auto chownAway = [](const QString& path) {
        return ::chown(QFile::encodeName(path).constData(), 4242, 4242) == 0;
    };
    const struct {
        const char* why;
        const char* pathEntry;
        std::function<bool(const LinuxHome&)> plant; // false: cannot be set up here
    } rows[] = {
        {"relative and empty PATH entries", "bin-rel::.",
         [](const LinuxHome& h) {
             h.place(QStringLiteral("bin-rel"));
             return QDir::setCurrent(h.home.file(QStringLiteral("bin-rel")));
         }},
        {"world-writable PATH folder", "shared",
         [&](const LinuxHome& h) {
             return chmodTo(QFileInfo(h.place(QStringLiteral("shared"))).path(), 01777);
         }},
        {"group-writable PATH folder", "team",
         [&](const LinuxHome& h) {
             return chmodTo(QFileInfo(h.place(QStringLiteral("team"))).path(), 0775);
         }},
        {"world-writable ~/.local/bin", "-",
         [&](const LinuxHome& h) {
             return chmodTo(QFileInfo(h.place(QStringLiteral(".local/bin"))).path(), 0777);
         }},
        {"client file others may write", "mine",
         [&](const LinuxHome& h) { return chmodTo(h.place(QStringLiteral("mine")), 0757); }},
        {"link to a client in a world-writable folder", "mine",
         [&](const LinuxHome& h) {
             const QString target = h.place(QStringLiteral("tmp-like"));
             h.home.mkdir(QStringLiteral("mine"));
             return chmodTo(QFileInfo(target).path(), 01777) &&
                    QFile::link(target, h.home.file(QStringLiteral("mine/claude")));
         }},
        {"folder owned by someone else", "theirs",
         [&](const LinuxHome& h) { return chownAway(QFileInfo(h.place(QStringLiteral("theirs"))).path()); }},
        {"client owned by someone else", "mine",
         [&](const LinuxHome& h) { return chownAway(h.place(QStringLiteral("mine"))); }},
    };
    const QString previous = QDir::currentPath();
    for (const auto& row : rows) {
        LinuxHome layout;
        const QString entry = QString::fromLatin1(row.pathEntry); // a whole PATH value, or a home folder
        layout.path = entry.contains(QLatin1Char(':')) ? entry : layout.home.file(entry);
        const QString good = layout.place(QStringLiteral("root/usr/bin"));
        if (!row.plant(layout)) {
            std::cout << "[ skipped  ] " << row.why << ": needs root\n";
        } else {
            EXPECT_EQ(layout.runner().executablePath(QStringLiteral("claude")), good) << row.why;
            EXPECT_EQ(layout.runner().run(QStringLiteral("claude"), {}, 10, {}, std::nullopt), good + u'\n')
                << row.why;
        }
        QDir::setCurrent(previous);
    }
    // An explicit path gets the same checks.
    const LinuxHome layout;
    const QString planted = layout.place(QStringLiteral("shared"));
    chmodTo(QFileInfo(planted).path(), 0777);
    EXPECT_EQ(layout.runner().executablePath(planted), std::nullopt);
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
