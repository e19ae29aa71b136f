#include "core/SafeFile.h"
#include "platform/LidSensor.h"
#include "platform/PowerMonitor.h"
#include "platform/RunningApplications.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <unistd.h>

using namespace meterix;

namespace {

// A fake /proc with one process: its exe link and its argv.
void addProcess(const test::TempHome& proc, int pid, const QString& exe, const QByteArray& cmdline) {
    const QString dir = proc.mkdir(QString::number(pid));
    if (!exe.isEmpty()) QFile::link(exe, dir + QStringLiteral("/exe"));
    proc.write(QString::number(pid) + QStringLiteral("/cmdline"), cmdline);
}

} // namespace

TEST(RunningApplications, MapsProcessNamesToApplicationIdentifiers) {
    test::TempHome proc;
    addProcess(proc, 100, QStringLiteral("/opt/cursor/cursor"),
               QByteArray("/opt/cursor/cursor\0--flag\0", 26));
    addProcess(proc, 101, QString(), QByteArray("/usr/bin/bash\0", 14));
    proc.mkdir(QStringLiteral("self")); // not a process folder
    RunningApplications apps(proc.path(), ::getuid(), 1000);
    int changes = 0;
    QObject::connect(&apps, &RunningApplications::runningApplicationsChanged, [&] { ++changes; });
    apps.rescan();
    EXPECT_EQ(apps.runningBundleIdentifiers(),
              QSet<QString>{QStringLiteral("com.todesktop.230313mzl4w4u92")});
    EXPECT_EQ(changes, 1);

    addProcess(proc, 102, QString(), QByteArray("vim\0", 4)); // unrelated: nothing to publish
    apps.rescan();
    EXPECT_EQ(changes, 1);

    addProcess(proc, 103, QString(), QByteArray("/usr/share/antigravity/antigravity\0", 35));
    apps.rescan();
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(apps.runningBundleIdentifiers().contains(QStringLiteral("com.google.antigravity")));

    QDir(proc.file(QStringLiteral("100"))).removeRecursively();
    apps.rescan(); // Cursor quit
    EXPECT_EQ(changes, 3);
    EXPECT_FALSE(apps.runningBundleIdentifiers().contains(QStringLiteral("com.todesktop.230313mzl4w4u92")));
}

// Each scan lists the processes once; only processes not seen before are
// looked inside (at first sight and once more at the next scan, which catches a
// launcher that execs the app), and a pid taken over by a new process counts as
// new. Rows: what changes before a scan, how many processes that scan inspects,
// and which apps it reports.
TEST(RunningApplications, InspectsOnlyProcessesItHasNotSeen) {
    test::TempHome proc;
    const QString cursor = QStringLiteral("com.todesktop.230313mzl4w4u92");
    const QString antigravity = QStringLiteral("com.google.antigravity");
    RunningApplications apps(proc.path(), ::getuid(), 1000);
    // A new process in the place of pid: made beside it first, so it cannot
    // reuse the old entry's inode.
    const auto replace = [&](int pid, const QByteArray& cmdline) {
        addProcess(proc, pid + 100000, QString(), cmdline);
        QDir(proc.file(QString::number(pid))).removeRecursively();
        QDir(proc.path()).rename(QString::number(pid + 100000), QString::number(pid));
    };
    struct Row {
        const char* what;
        std::function<void()> change;
        int inspected;
        QSet<QString> running;
    };
    const QList<Row> rows = {
        {"first scan", [&] {
             addProcess(proc, 100, QStringLiteral("/opt/cursor/cursor"), QByteArray("cursor\0", 7));
             addProcess(proc, 101, QString(), QByteArray("/bin/sh\0/usr/bin/antigravity\0", 29));
         }, 2, {cursor}},
        {"second look; the launcher has exec'd the app", [&] {
             proc.write(QStringLiteral("101/cmdline"), QByteArray("/usr/share/antigravity/antigravity\0", 35));
         }, 2, {cursor, antigravity}},
        {"nothing new", [] {}, 0, {cursor, antigravity}},
        {"a new unrelated process", [&] { addProcess(proc, 102, QString(), QByteArray("vim\0", 4)); },
         1, {cursor, antigravity}},
        {"Cursor quits, its pid is taken by a shell", [&] { replace(100, QByteArray("bash\0", 5)); }, 2,
         {antigravity}},
        {"Antigravity quits", [&] { QDir(proc.file(QStringLiteral("101"))).removeRecursively(); }, 1, {}},
        {"all seen twice", [] {}, 0, {}},
    };
    for (const Row& row : rows) {
        row.change();
        const int before = apps.inspectedProcessCount();
        apps.rescan();
        EXPECT_EQ(apps.inspectedProcessCount() - before, row.inspected) << row.what;
        EXPECT_EQ(apps.runningBundleIdentifiers(), row.running) << row.what;
    }
}

TEST(RunningApplications, IgnoresOtherUsersProcesses) {
    test::TempHome proc;
    addProcess(proc, 100, QString(), QByteArray("cursor\0", 7));
    RunningApplications apps(proc.path(), ::getuid() + 1, 1000);
    apps.rescan();
    EXPECT_TRUE(apps.runningBundleIdentifiers().isEmpty());
}

TEST(RunningApplications, ScansOnlyWhileWatching) {
    test::TempHome proc;
    addProcess(proc, 100, QString(), QByteArray("cursor\0", 7));
    RunningApplications apps(proc.path(), ::getuid(), 1000);
    EXPECT_FALSE(apps.isWatching());
    EXPECT_TRUE(apps.runningBundleIdentifiers().isEmpty()); // no scan before watching
    apps.setWatching(true);
    EXPECT_TRUE(apps.isWatching());
    EXPECT_EQ(apps.runningBundleIdentifiers().size(), 1);
    apps.setWatching(false);
    EXPECT_FALSE(apps.isWatching());
}

TEST(RunningApplications, EveryKnownIdentifierHasAnEntry) {
    EXPECT_TRUE(RunningApplications::knownBundleIdentifiers().contains(QStringLiteral("com.openai.chat")));
    EXPECT_TRUE(RunningApplications::executableNames(QStringLiteral("com.openai.chat")).isEmpty());
    EXPECT_TRUE(RunningApplications::executableNames(QStringLiteral("com.unknown")).isEmpty());
    // The Claude command-line client must never count as the desktop app.
    EXPECT_FALSE(RunningApplications::executableNames(QStringLiteral("com.anthropic.claudefordesktop"))
                     .contains(QStringLiteral("claude")));
}

TEST(ProcFiles, HeadReaderIgnoresTheReportedSize) {
    const auto self = readRegularFileHead(QStringLiteral("/proc/self/cmdline"), 4096);
    ASSERT_TRUE(self);
    EXPECT_FALSE(self->isEmpty());
    EXPECT_EQ(readRegularFile(QStringLiteral("/proc/self/cmdline")), QByteArray()); // size 0 reported
    test::TempHome home;
    EXPECT_EQ(readRegularFileHead(home.write(QStringLiteral("f"), "abcdef"), 3), QByteArray("abc"));
}

TEST(PowerMonitor, TranslatesLogindsSignal) {
    PowerMonitor monitor;
    int sleeps = 0, wakes = 0;
    QObject::connect(&monitor, &PowerMonitor::willSleep, [&] { ++sleeps; });
    QObject::connect(&monitor, &PowerMonitor::didWake, [&] { ++wakes; });
    monitor.handlePrepareForSleep(true);
    monitor.handlePrepareForSleep(false);
    EXPECT_EQ(sleeps, 1);
    EXPECT_EQ(wakes, 1);
}

TEST(LidSensor, CachesChangesAndReadsOpenWithoutInformation) {
    LidSensor lid;
    // The test machine has no lid (and often no system bus): open, undocked.
    EXPECT_FALSE(lid.isLidClosed());
    lid.handlePropertiesChanged(QStringLiteral("org.freedesktop.login1.Manager"),
                                {{QStringLiteral("LidClosed"), true}, {QStringLiteral("Docked"), true}}, {});
    EXPECT_TRUE(lid.isLidClosed());
    EXPECT_TRUE(lid.isDocked());
    lid.handlePropertiesChanged(QStringLiteral("org.freedesktop.Other"),
                                {{QStringLiteral("LidClosed"), false}}, {});
    EXPECT_TRUE(lid.isLidClosed());
}
