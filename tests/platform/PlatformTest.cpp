#include "core/SafeFile.h"
#include "platform/DBusSignal.h"
#include "platform/LidSensor.h"
#include "platform/PowerMonitor.h"
#include "platform/RunningApplications.h"
#include "providers/DefaultProviders.h"
#include "support/FreshProcess.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"
#include "support/WaitUntil.h"
#include "support/dbus/LogindStandIn.h"
#include "support/dbus/PrivateBus.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include <unistd.h>

using namespace meterix;

namespace {

const QList<DesktopApp> kApps = desktopAppsOf(providerDescriptors());

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
    RunningApplications apps(kApps, proc.path(), ::getuid(), 1000);
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
    RunningApplications apps(kApps, proc.path(), ::getuid(), 1000);
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
        QSet<QString> running;
    };
    const QList<Row> rows = {
        {"first scan", [&] {
             addProcess(proc, 100, QStringLiteral("/opt/cursor/cursor"), QByteArray("cursor\0", 7));
             addProcess(proc, 101, QString(), QByteArray("/bin/sh\0/usr/bin/antigravity\0", 29));
         }, {cursor}},
        {"second look; the launcher has exec'd the app", [&] {
             proc.write(QStringLiteral("101/cmdline"), QByteArray("/usr/share/antigravity/antigravity\0", 35));
         }, {cursor, antigravity}},
        {"nothing new", [] {}, {cursor, antigravity}},
        {"a new unrelated process", [&] { addProcess(proc, 102, QString(), QByteArray("vim\0", 4)); }, {cursor, antigravity}},
        {"Cursor quits, its pid is taken by a shell", [&] { replace(100, QByteArray("bash\0", 5)); }, {antigravity}},
        {"Antigravity quits", [&] { QDir(proc.file(QStringLiteral("101"))).removeRecursively(); }, {}},
        {"all seen twice", [] {}, {}},
    };
    for (const Row& row : rows) {
        row.change();
        apps.rescan();
        EXPECT_EQ(apps.runningBundleIdentifiers(), row.running) << row.what;
    }
}

TEST(RunningApplications, IgnoresOtherUsersProcesses) {
    test::TempHome proc;
    addProcess(proc, 100, QString(), QByteArray("cursor\0", 7));
    RunningApplications apps(kApps, proc.path(), ::getuid() + 1, 1000);
    apps.rescan();
    EXPECT_TRUE(apps.runningBundleIdentifiers().isEmpty());
}

TEST(RunningApplications, ScansOnlyWhileWatching) {
    test::TempHome proc;
    addProcess(proc, 100, QString(), QByteArray("cursor\0", 7));
    RunningApplications apps(kApps, proc.path(), ::getuid(), 1000);
    EXPECT_TRUE(apps.runningBundleIdentifiers().isEmpty()); // no scan before watching
    apps.setWatching(true);
    EXPECT_EQ(apps.runningBundleIdentifiers().size(), 1);
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

TEST(LogindOnAPrivateBus, SleepWakeAndTheLidArriveFromTheBus) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning()) << bus.startError().toStdString();
    test::LogindStandIn logind(bus.connect(QStringLiteral("logind")));
    logind.setLidClosed(true); // before anyone listens: only a read can tell
    ASSERT_TRUE(logind.publish());

    test::LogCapture warnings("com.meterix.dbus");
    PowerMonitor power(bus.connect(QStringLiteral("app-power")));
    LidSensor lid(bus.connect(QStringLiteral("app-lid")));
    EXPECT_TRUE(power.isConnected());
    EXPECT_TRUE(warnings.messages().isEmpty()) << warnings.messages().join(u'\n').toStdString();
    EXPECT_TRUE(test::waitUntil([&] { return lid.isLidClosed(); })) << "LidClosed was not read";
    EXPECT_FALSE(lid.isDocked());

    QSignalSpy sleeps(&power, &PowerMonitor::willSleep);
    QSignalSpy wakes(&power, &PowerMonitor::didWake);
    logind.prepareForSleep(true);
    EXPECT_TRUE(test::waitUntil([&] { return sleeps.count() == 1; }));
    EXPECT_EQ(wakes.count(), 0);
    logind.prepareForSleep(false);
    EXPECT_TRUE(test::waitUntil([&] { return wakes.count() == 1; }));
    EXPECT_EQ(sleeps.count(), 1);

    logind.setLidClosed(false);
    EXPECT_TRUE(test::waitUntil([&] { return !lid.isLidClosed(); }));
    logind.setLidClosed(true);
    EXPECT_TRUE(test::waitUntil([&] { return lid.isLidClosed(); }));
}

namespace {

// Run in a process of its own, where nothing has used the system bus yet: the
// default monitors must find logind on the bus DBUS_SYSTEM_BUS_ADDRESS names.
// Says what went wrong, or nothing.
QString logindOnTheEnvironmentsSystemBus() {
    test::PrivateBus bus;
    if (!bus.isRunning()) return bus.startError();
    test::LogindStandIn logind(bus.connect(QStringLiteral("logind")));
    logind.setLidClosed(true);
    if (!logind.publish()) return QStringLiteral("the stand-in logind was refused its name");
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.address().toLocal8Bit().constData(), 1);
    PowerMonitor power;
    LidSensor lid;
    if (!power.isConnected()) return QStringLiteral("PrepareForSleep was not subscribed to");
    int sleeps = 0;
    QObject::connect(&power, &PowerMonitor::willSleep, [&] { ++sleeps; });
    logind.prepareForSleep(true);
    if (!test::waitUntil([&] { return sleeps == 1; })) return QStringLiteral("no sleep seen");
    if (!test::waitUntil([&] { return lid.isLidClosed(); }))
        return QStringLiteral("the lid was not read");
    logind.setLidClosed(false);
    if (!test::waitUntil([&] { return !lid.isLidClosed(); }))
        return QStringLiteral("the lid change was missed");
    return {};
}

} // namespace

TEST(LogindOnAPrivateBus, TheDefaultMonitorsListenOnTheSystemBusTheEnvironmentNames) {
    test::expectInFreshProcess(logindOnTheEnvironmentsSystemBus);
}

TEST(DBusSignal, ARefusedSubscriptionSaysWhichSignal) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning()) << bus.startError().toStdString();
    QDBusConnection connection = bus.connect(QStringLiteral("refused"));
    PowerMonitor receiver(connection);
    test::LogCapture warnings("com.meterix.dbus");
    EXPECT_FALSE(subscribeToDBusSignal(connection, QStringLiteral("org.example"),
                                       QStringLiteral("/org/example"), QStringLiteral("org.example.Thing"),
                                       QStringLiteral("Changed"), &receiver, SLOT(noSuchSlot(QString))));
    ASSERT_EQ(warnings.messages().size(), 1);
    EXPECT_TRUE(warnings.messages().constFirst().contains(QStringLiteral("org.example.Thing.Changed")))
        << warnings.messages().constFirst().toStdString();
    // Without a bus there is nothing to refuse and nothing to say.
    QDBusConnection none =
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent"), QStringLiteral("none"));
    EXPECT_FALSE(subscribeToDBusSignal(none, QStringLiteral("org.example"), QStringLiteral("/org/example"),
                                       QStringLiteral("org.example.Thing"), QStringLiteral("Changed"),
                                       &receiver, SLOT(handlePrepareForSleep(bool))));
    EXPECT_EQ(warnings.messages().size(), 1);
    QDBusConnection::disconnectFromBus(QStringLiteral("none"));
}
