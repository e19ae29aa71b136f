#include "platform/process/CLIProcessRunner.h"

#include "support/HostUnderHome.h"
#include "support/LogCapture.h"
#include "support/Processes.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSet>

#include <csignal>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

using namespace meterix;
using meterix::test::TempHome;

namespace {

bool chmodTo(const QString& path, mode_t mode) {
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

class RunnerTest : public ::testing::Test {
  protected:
    TempHome home;
    HostEnvironment host() const {
        QProcessEnvironment vars;
        vars.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
        vars.insert(QStringLiteral("CLAUDE_CONFIG_DIR"), QStringLiteral("/elsewhere"));
        return test::hostUnderHome(home.path(), vars);
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

TEST_F(RunnerTest, OverridesSetRemoveAndReplaceThePath) {
    const QString tool = home.writeScript(
        QStringLiteral("bin/claude"), "echo \"C=${CLAUDE_CONFIG_DIR-unset}\"; echo \"X=$X\"; echo \"P=$PATH\"\n");
    const QString before = QStringLiteral("C=/elsewhere\nX=\n");
    EXPECT_TRUE(run(tool)->startsWith(before + QStringLiteral("P=") + home.file(QStringLiteral("bin:"))));
    EXPECT_TRUE(run(tool, {{QStringLiteral("CLAUDE_CONFIG_DIR"), std::nullopt}, {QStringLiteral("X"), QStringLiteral("1")}})
                    ->startsWith(QStringLiteral("C=unset\nX=1\n")));
    EXPECT_EQ(run(tool, {{QStringLiteral("PATH"), QStringLiteral("/only/this")}}),
              before + QStringLiteral("P=/only/this\n"));
}

// A client sees its session and its own variables, never another provider's
// key; its PATH holds only folders that pass the lookup's own rule, each once,
// as its real path, the client's folder first.
TEST(RunnerEnvironment, HoldsOnlyTrustedFoldersAndTheClientsOwnVariables) {
    TempHome home;
    auto folder = [&](const char* relative, mode_t mode) {
        const QString path = home.mkdir(QString::fromLatin1(relative));
        chmodTo(path, mode);
        return path;
    };
    const QString trusted = folder("tools/bin", 0755);
    const QString worldWritable = folder("shared/bin", 0777);
    const QString sticky = folder("sticky", 01777);
    const QString groupWritable = folder("team/bin", 0775);
    const QString belowWritable = folder("open/x/bin", 0755);
    folder("open", 0777);
    const QString belowSticky = folder("tmp-like/y/bin", 0755);
    folder("tmp-like", 01777);
    const QString localBin = folder(".local/bin", 0777); // refused: others may write it
    const QString linked = home.file(QStringLiteral("linked-bin"));
    QFile::link(trusted, linked);

    QProcessEnvironment vars;
    vars.insert(QStringLiteral("PATH"), QStringList{worldWritable, sticky, groupWritable, belowWritable, belowSticky,
                                                     linked, QStringLiteral("rel/bin"), QString(), trusted,
                                                     home.file(QStringLiteral("missing"))}
                                            .join(QLatin1Char(':')));
    const struct {
        const char* name;
        const char* value;
        bool forClaude, forAgy;
    } variables[] = {
        {"OPENROUTER_API_KEY", "sk-or", false, false}, {"DEEPSEEK_API_KEY", "sk-ds", false, false},
        {"GITHUB_TOKEN", "ghp", false, false},         {"MOONSHOT_API_KEY", "sk-m", false, false},
        {"ELEVENLABS_API_KEY", "el", false, false},    {"AWS_SECRET_ACCESS_KEY", "aws", false, false},
        {"ANTHROPIC_API_KEY", "sk-ant", true, false},  {"CLAUDE_CONFIG_DIR", "/c", true, false},
        {"GEMINI_API_KEY", "g", false, true},          {"GOOGLE_CLOUD_PROJECT", "p", false, true},
        {"LANG", "ko_KR.UTF-8", true, true},           {"LC_TIME", "C", true, true},
        {"DISPLAY", ":1", true, true},                 {"XDG_RUNTIME_DIR", "/run/user/1", true, true},
        {"HTTPS_PROXY", "http://proxy:3128", true, true},
    };
    for (const auto& v : variables)
        vars.insert(QString::fromLatin1(v.name), QString::fromLatin1(v.value));
    CLIProcessRunner runner(test::hostUnderHome(home.path(), vars));

    for (const char* client : {"claude", "agy"}) {
        const QString clientPath =
            home.writeScript(QStringLiteral("tools/bin/%1").arg(QLatin1String(client)), "env\n");
        const QString printed = runner.run(clientPath, {}, 10, {}, std::nullopt).value_or(QString());
        QProcessEnvironment seen;
        for (const QString& line : printed.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            seen.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
        const bool isClaude = QLatin1String(client) == QLatin1String("claude");
        for (const auto& v : variables)
            EXPECT_EQ(seen.contains(QString::fromLatin1(v.name)), isClaude ? v.forClaude : v.forAgy)
                << client << " " << v.name;
        EXPECT_EQ(seen.value(QStringLiteral("HOME")), home.path()) << client;

        const QStringList path = seen.value(QStringLiteral("PATH")).split(QLatin1Char(':'));
        EXPECT_EQ(path.value(0), trusted) << client << ": the client's folder first";
        EXPECT_TRUE(path.contains(belowSticky)) << client << ": a sticky folder above is fine";
        for (const QString& refused : {worldWritable, sticky, groupWritable, belowWritable, localBin})
            EXPECT_FALSE(path.contains(refused)) << client << " " << refused.toStdString();
        for (const QString& entry : path)
            EXPECT_TRUE(entry.startsWith(QLatin1Char('/')) && QFileInfo(entry).canonicalFilePath() == entry)
                << client << " " << entry.toStdString();
        EXPECT_EQ(QSet<QString>(path.begin(), path.end()).size(), path.size())
            << client << ": each folder once, a link to one being the same folder";
    }
}

// A PATH cannot carry a ":" (it would split the entry, the rest a relative
// one) nor a name that is no text: such a folder stays off the child's PATH,
// as the client's own folder or through a link in the app's PATH, logged once.
TEST(RunnerEnvironment, FoldersThatCannotBeWrittenInAPathStayOffIt) {
    const std::pair<const char*, bool> rows[] = {{"tools:a", false}, {"odd:dir", true}, {"bad\xff", true}};
    for (const auto& [name, throughLink] : rows) {
        TempHome home;
        const QByteArray real = QFile::encodeName(home.path()) + '/' + name;
        const QString link = home.file(QStringLiteral("plain"));
        ASSERT_EQ(::mkdir(real.constData(), 0755), 0);
        ASSERT_EQ(::symlink(real.constData(), QFile::encodeName(link).constData()), 0);
        QProcessEnvironment vars;
        vars.insert(QStringLiteral("PATH"), throughLink ? link : QStringLiteral("/usr/bin"));
        const CLIProcessRunner runner(test::hostUnderHome(home.path(), vars));
        const QString client =
            throughLink ? QStringLiteral("/usr/bin/claude") : QFile::decodeName(real) + QStringLiteral("/claude");
        test::LogCapture log("com.meterix.provider");
        for (int i = 0; i < 2; ++i)
            for (const QString& entry : runner.childEnvironment({}, client).value(QStringLiteral("PATH")).split(u':'))
                EXPECT_TRUE(entry.startsWith(u'/') && QFileInfo(entry).isDir()) << name << ": " << entry.toStdString();
        EXPECT_EQ(log.messages().filter(QStringLiteral("Left off the client's PATH")).size(), 1) << name;
    }
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
// app's PATH holds one folder of the home's own. Files whose inode is in
// `foreign` count as another user's.
struct LinuxHome {
    TempHome home;
    QString path = home.file(QStringLiteral("path-entry"));
    std::shared_ptr<QSet<ino_t>> foreign = std::make_shared<QSet<ino_t>>();
    CLIProcessRunner runner() const {
        QProcessEnvironment vars;
        vars.insert(QStringLiteral("PATH"), path);
        return CLIProcessRunner(test::hostUnderHome(home.path(), vars),
                                CLIProcessRunner::Options{.systemRoot = home.file(QStringLiteral("root")),
                                                          .ownerOf = [set = foreign](const struct stat& st) {
                                                              return set->contains(st.st_ino) ? uid_t(4242)
                                                                                              : st.st_uid;
                                                          }});
    }
    // A client that prints where it was placed.
    QString place(const QString& folder) const {
        const QString client = home.file(folder + QStringLiteral("/claude"));
        return home.writeScript(folder + QStringLiteral("/claude"), "echo '" + client.toUtf8() + "'\n");
    }
    // A client placed in `folder`, whose mode then becomes `mode`.
    bool placeInFolderOfMode(const char* folder, mode_t mode) const {
        return chmodTo(QFileInfo(place(QString::fromLatin1(folder))).path(), mode);
    }
    bool handAway(const QString& path) const {
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) != 0) return false;
        foreign->insert(st.st_ino);
        return true;
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
    for (const char* version : {"v9.11.2", "v10.0.0", "v22.1.0", "v22.10.0", "default", "v1.x", "22.2.0"})
        layout.home.mkdir(QStringLiteral(".nvm/versions/node/%1/bin").arg(QLatin1String(version)));
    const QString nvm = layout.home.file(QStringLiteral(".nvm/versions/node/"));
    QStringList versions;
    for (const QString& folder : layout.runner().candidateFolders())
        if (folder.startsWith(nvm)) versions.append(folder.mid(nvm.size()));
    EXPECT_EQ(versions, QStringList({QStringLiteral("v22.10.0/bin"), QStringLiteral("22.2.0/bin"),
                                     QStringLiteral("v22.1.0/bin"), QStringLiteral("v10.0.0/bin"),
                                     QStringLiteral("v9.11.2/bin")}));
    // A client kept under an older node version only is still found.
    const QString old = layout.place(QStringLiteral(".nvm/versions/node/v10.0.0/bin"));
    EXPECT_EQ(layout.runner().executablePath(QStringLiteral("claude")), old);
}

// npm's clients are node scripts: the node beside the client must be the one the
// child finds, however bare the app's own PATH is, and it must be able to read
// the script it was handed (through the descriptor the client started by).
TEST(RunnerLookup, ChildFindsTheNodeBesideItsClient) {
    LinuxHome layout;
    layout.path = QStringLiteral("/nonexistent");
    const QString bin = QStringLiteral(".nvm/versions/node/v22.11.0/bin");
    layout.home.writeScript(bin + QStringLiteral("/node"), "echo \"node of v22 runs: $(head -n 2 \"$1\" | tail -n 1)\"\n");
    const QString client = layout.home.write(QStringLiteral(".nvm/versions/node/v22.11.0/lib/cli.js"),
                                             "#!/usr/bin/env node\nthe client itself\n");
    ::chmod(QFile::encodeName(client).constData(), 0755);
    ASSERT_TRUE(QFile::link(QStringLiteral("../lib/cli.js"), layout.home.file(bin + QStringLiteral("/claude"))));
    EXPECT_EQ(layout.runner().run(QStringLiteral("claude"), {}, 10, {}, std::nullopt),
              QStringLiteral("node of v22 runs: the client itself\n"));
}

// A client runs with the user's rights: one that someone else could have put
// there (or changed) must never be started. Each row plants a client in a bad
// place looked in before /usr/bin; the one in /usr/bin runs instead, and the
// refusal is logged once, at info level, with its reason.
TEST(RunnerLookup, SkipsFoldersAndClientsOthersCouldWrite) {
    const struct {
        const char* why;
        const char* pathEntry;
        std::function<bool(const LinuxHome&)> plant;
        const char* reason; // in the log line; none when nothing is logged
    } rows[] = {
        {"relative and empty PATH entries", "bin-rel::.",
         [](const LinuxHome& h) {
             h.place(QStringLiteral("bin-rel"));
             return QDir::setCurrent(h.home.file(QStringLiteral("bin-rel")));
         },
         nullptr},
        {"world-writable PATH folder", "shared", [](auto& h) { return h.placeInFolderOfMode("shared", 01777); },
         "the folder may be written by others (mode 1777)"},
        {"group-writable PATH folder", "team", [](auto& h) { return h.placeInFolderOfMode("team", 0775); },
         "the folder may be written by others (mode 0775)"},
        {"world-writable ~/.local/bin", "-", [](auto& h) { return h.placeInFolderOfMode(".local/bin", 0777); },
         "the folder may be written by others (mode 0777)"},
        {"a folder above that others may write", "open/x/bin",
         [](const LinuxHome& h) {
             h.place(QStringLiteral("open/x/bin"));
             return chmodTo(h.home.file(QStringLiteral("open")), 0777);
         },
         "a folder above it may be written by others (mode 0777)"},
        {"client file others may write", "mine",
         [](const LinuxHome& h) { return chmodTo(h.place(QStringLiteral("mine")), 0757); }, "mode 0757"},
        {"link to a client in a world-writable folder", "mine",
         [](const LinuxHome& h) {
             const QString target = h.place(QStringLiteral("tmp-like"));
             h.home.mkdir(QStringLiteral("mine"));
             return chmodTo(QFileInfo(target).path(), 01777) &&
                    QFile::link(target, h.home.file(QStringLiteral("mine/claude")));
         },
         "which the folder may be written by others (mode 1777)"},
        {"folder owned by someone else", "theirs",
         [](const LinuxHome& h) { return h.handAway(QFileInfo(h.place(QStringLiteral("theirs"))).path()); },
         "the folder is owned by uid 4242"},
        {"a folder above owned by someone else", "their/x/bin",
         [](const LinuxHome& h) {
             h.place(QStringLiteral("their/x/bin"));
             return h.handAway(h.home.file(QStringLiteral("their")));
         },
         "a folder above it is owned by uid 4242"},
        {"client owned by someone else", "mine",
         [](const LinuxHome& h) { return h.handAway(h.place(QStringLiteral("mine"))); }, "owned by uid 4242"},
    };
    const QString previous = QDir::currentPath();
    for (const auto& row : rows) {
        LinuxHome layout;
        const QString entry = QString::fromLatin1(row.pathEntry); // a whole PATH value, or a home folder
        layout.path = entry.contains(QLatin1Char(':')) ? entry : layout.home.file(entry);
        const QString good = layout.place(QStringLiteral("root/usr/bin"));
        ASSERT_TRUE(row.plant(layout)) << row.why;
        test::LogCapture log("com.meterix.provider");
        QLoggingCategory::setFilterRules(QStringLiteral("com.meterix.provider.debug=false"));
        EXPECT_EQ(layout.runner().executablePath(QStringLiteral("claude")), good) << row.why;
        EXPECT_EQ(layout.runner().run(QStringLiteral("claude"), {}, 10, {}, std::nullopt), good + u'\n')
            << row.why;
        const QStringList lines = log.messages().filter(QStringLiteral("Skipped client candidate"));
        if (row.reason) {
            ASSERT_EQ(lines.size(), 1) << row.why << ": " << lines.join(QLatin1Char('\n')).toStdString();
            EXPECT_TRUE(lines[0].contains(QString::fromLatin1(row.reason))) << lines[0].toStdString();
        } else {
            EXPECT_EQ(lines.size(), 0) << row.why;
        }
        QDir::setCurrent(previous);
    }
    // An explicit path gets the same checks.
    const LinuxHome layout;
    const QString planted = layout.place(QStringLiteral("shared"));
    chmodTo(QFileInfo(planted).path(), 0777);
    EXPECT_EQ(layout.runner().executablePath(planted), std::nullopt);
    // A sticky folder above, as /tmp, is fine: others cannot replace our names there.
    const QString belowSticky = layout.place(QStringLiteral("tmp-like/y/bin"));
    chmodTo(layout.home.file(QStringLiteral("tmp-like")), 01777);
    EXPECT_EQ(layout.runner().executablePath(belowSticky), belowSticky);
}

// The client is checked, then its folder is swapped for another before it
// starts: what runs is still the file that was checked, since it starts
// through the descriptor it was checked by.
TEST(RunnerLookup, ASwapAfterTheCheckCannotChangeWhatRuns) {
    TempHome home;
    home.writeScript(QStringLiteral("opt/tool/bin/claude"), "echo checked\n");
    int swaps = 0;
    CLIProcessRunner::Options options{.candidateFolders = {home.file(QStringLiteral("opt/tool/bin"))}};
    options.beforeStart = [&](const QString& folder) {
        EXPECT_EQ(folder, home.file(QStringLiteral("opt/tool/bin")));
        QDir().rename(home.file(QStringLiteral("opt/tool")), home.file(QStringLiteral("opt/tool-%1").arg(++swaps)));
        home.writeScript(QStringLiteral("opt/tool/bin/claude"), "echo swapped\n");
    };
    CLIProcessRunner runner(test::hostUnderHome(home.path()), options);
    EXPECT_EQ(runner.run(QStringLiteral("claude"), {}, 10, {}, std::nullopt), QStringLiteral("checked\n"));
    EXPECT_EQ(swaps, 1);
    // A compiled client started the same way.
    const QString echoCopy = home.file(QStringLiteral("opt/tool/bin/claude"));
    QFile::remove(echoCopy);
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/echo"), echoCopy));
    EXPECT_EQ(runner.run(QStringLiteral("claude"), {QStringLiteral("checked binary")}, 10, {}, std::nullopt),
              QStringLiteral("checked binary\n"));
}

// The app's own descriptors (sockets, files, pipes) never reach a client: it
// starts with 0, 1 and 2 only. The client here is a copy of ls listing its own
// descriptors: 3 is the one ls opens to read the list.
TEST(RunnerLookup, TheClientStartsWithOnlyTheStandardDescriptors) {
    TempHome home;
    const QString ls = home.file(QStringLiteral("bin/ls"));
    home.mkdir(QStringLiteral("bin"));
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/ls"), ls));
    int leaky[2];
    ASSERT_EQ(::pipe(leaky), 0); // not close-on-exec
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const auto listed = CLIProcessRunner(test::hostUnderHome(home.path()))
                            .run(ls, {QStringLiteral("/proc/self/fd")}, 10, {}, std::nullopt);
    ::close(leaky[0]);
    ::close(leaky[1]);
    ::close(socket);
    EXPECT_EQ(listed, QStringLiteral("0\n1\n2\n3\n"));
}

TEST_F(RunnerTest, RunsInTheGivenWorkingFolder) {
    const QString cwd = home.mkdir(QStringLiteral("probe dir"));
    const QString tool = home.writeScript(QStringLiteral("bin/pwd"), "pwd\n");
    EXPECT_EQ(run(tool, {}, 10, cwd), cwd + QLatin1Char('\n'));
    EXPECT_EQ(run(tool, {}, 10, home.file(QStringLiteral("no such dir"))), std::nullopt);
}

// The client starts in the working folder that was checked, through the
// descriptor it was checked by: a folder put at its path after the check is not
// where it runs. A folder that someone else could replace (a folder above it
// they may write, unless sticky) is never used.
TEST_F(RunnerTest, StartsOnlyInTheCheckedWorkingFolder) {
    const struct {
        const char* why;
        mode_t parentMode;
        bool swap;
        std::optional<QString> printed;
    } rows[] = {
        {"swapped after the check", 0755, true, QStringLiteral("checked\n")},
        {"under a folder others may write", 0777, false, std::nullopt},
        {"under a group-writable folder", 0775, false, std::nullopt},
        {"under a sticky folder, as /tmp", 01777, false, QStringLiteral("checked\n")},
    };
    const QString tool = home.writeScript(QStringLiteral("bin/where"), "cat marker\n");
    int at = 0;
    for (const auto& row : rows) {
        const QString parent = home.mkdir(QStringLiteral("data-%1").arg(++at));
        const QString cwd = home.mkdir(QStringLiteral("data-%1/probe").arg(at));
        home.write(QStringLiteral("data-%1/probe/marker").arg(at), "checked\n");
        ASSERT_TRUE(chmodTo(parent, row.parentMode)) << row.why;
        CLIProcessRunner::Options options;
        if (row.swap)
            options.beforeStart = [&](const QString&) {
                QDir().rename(cwd, cwd + QStringLiteral("-moved"));
                home.write(QStringLiteral("data-%1/probe/marker").arg(at), "swapped\n");
            };
        EXPECT_EQ(run(tool, {}, 10, cwd, options), row.printed) << row.why;
    }
}

// A keeper that can list nothing of what the client left behind (a /proc of
// another PID namespace, a kernel without children lists), or may not signal
// what it lists, gives up on it once its clean-up period is over; the client's
// whole output is kept. Were it to wait on, the run would end at its last
// resort with nothing.
TEST_F(RunnerTest, AKeeperThatCannotEndTheLeftoversStillKeepsTheOutput) {
    const std::pair<const char*, QString> rows[] = {
        {"a /proc that lists nothing", home.mkdir(QStringLiteral("proc-empty"))},
        {"a /proc that cannot be read", home.file(QStringLiteral("no-proc"))},
        {"children it may not signal", home.file(QStringLiteral("proc-other"))},
    };
    home.write(QStringLiteral("proc-other/thread-self/children"), "4194305 "); // no such process
    const QString tool = home.writeScript(
        QStringLiteral("bin/leaves"),
        "echo first\nsetsid sh -c 'echo $$ > \"$HOME/leftover\"; exec sleep 60' >/dev/null 2>&1 &\n"
        "while [ ! -s \"$HOME/leftover\" ]; do :; done\necho last\n"); // left its group for good
    for (const auto& [why, procRoot] : rows) {
        QFile::remove(home.file(QStringLiteral("leftover")));
        EXPECT_EQ(run(tool, {}, 10, std::nullopt, {.cleanupSeconds = 0.05, .procRoot = procRoot}),
                  QStringLiteral("first\nlast\n"))
            << why;
        const qint64 leftover = test::readPidFile(home.file(QStringLiteral("leftover")));
        ASSERT_GT(leftover, 0) << why;
        EXPECT_FALSE(test::processIsGone(leftover)) << why << ": out of the keeper's reach";
        ::kill(pid_t(leftover), SIGKILL);
    }
}

// When the app goes (here a copy of the test process, killed by its own
// client) or its quit ends running clients (the same SIGTERM to the keeper),
// the keeper ends the client and is gone a moment later.
TEST_F(RunnerTest, NothingOutlivesTheApp) {
    const QString tool = home.writeScript(
        QStringLiteral("bin/kills-the-app"),
        "echo $PPID > \"$HOME/keeper\"; echo $$ > \"$HOME/client\"; kill -9 \"$APP\"; sleep 600\n");
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_EXIT(run(tool, {{QStringLiteral("APP"), QString::number(::getpid())}}, 3600),
                ::testing::KilledBySignal(SIGKILL), "");
    const qint64 keeper = test::readPidFile(home.file(QStringLiteral("keeper")));
    const qint64 client = test::readPidFile(home.file(QStringLiteral("client")));
    const bool gone = test::waitUntil([&] { return test::processIsGone(keeper) && test::processIsGone(client); });
    EXPECT_TRUE(gone);
    if (!gone) {
        ::kill(pid_t(keeper), SIGKILL);
        ::kill(pid_t(client), SIGKILL);
    }
}

// Nothing a client started outlives run(): neither what stays in its group nor
// what left it (setsid, a double fork), whether the client exits at once or
// hangs past the time-out ignoring SIGTERM. Each sleeper's pid goes to a file.
TEST_F(RunnerTest, NothingTheClientStartedOutlivesTheRun) {
    const QByteArray leaves = "sleep 60 >/dev/null 2>&1 & echo $! >> \"$HOME/pids\"\n" // in its group
                              "setsid sleep 60 & echo $! >> \"$HOME/pids\"\n" // its own session, output open
                              "( setsid sh -c 'echo $$ >> \"$HOME/pids\"; exec sleep 60' & ) >/dev/null 2>&1\n"
                              "while [ $(wc -l < \"$HOME/pids\") -lt 3 ]; do :; done\n"; // double-forked
    const std::pair<QByteArray, std::optional<QString>> rows[] = {
        {leaves + "echo done\n", QStringLiteral("done\n")},
        {leaves + "trap '' TERM\necho $$ >> \"$HOME/pids\"\nwhile :; do sleep 1; done\n", std::nullopt}, // hangs
    };
    for (const auto& [body, result] : rows) {
        QFile::remove(home.file(QStringLiteral("pids")));
        EXPECT_EQ(run(home.writeScript(QStringLiteral("bin/leaves"), body), {}, result ? 10 : 0.5, std::nullopt,
                      {.killGraceSeconds = 0.2}),
                  result);
        QFile file(home.file(QStringLiteral("pids")));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> pids = file.readAll().split('\n');
        EXPECT_GE(pids.size(), 3);
        for (const QByteArray& pid : pids)
            EXPECT_TRUE(pid.isEmpty() || test::processIsGone(pid.toLongLong())) << pid.constData();
    }
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
