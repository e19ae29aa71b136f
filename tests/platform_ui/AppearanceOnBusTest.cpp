#include "platform/ui/Appearance.h"

#include "support/FreshProcess.h"
#include "support/LogCapture.h"
#include "support/WaitUntil.h"
#include "support/dbus/PrivateBus.h"
#include "support/dbus/SettingsPortalStandIn.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cstdlib>

namespace meterix {
namespace {

using test::PrivateBus;
using test::SettingsPortalStandIn;

const QString kAppearance = QStringLiteral("org.freedesktop.appearance");
const QString kInterface = QStringLiteral("org.gnome.desktop.interface");
const QString kColorScheme = QStringLiteral("color-scheme");
const QString kAnimations = QStringLiteral("enable-animations");

TEST(AppearanceOnAPrivateBus, FollowsEveryChangeThePortalAnnounces) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning()) << bus.startError().toStdString();
    SettingsPortalStandIn portal(bus.connect(QStringLiteral("portal")));
    portal.seed(kAppearance, kColorScheme, QVariant::fromValue(1u));
    portal.seed(kInterface, kAnimations, true);
    ASSERT_TRUE(portal.publish());

    test::LogCapture warnings("com.meterix.dbus");
    Appearance appearance(bus.connect(QStringLiteral("app")));
    // Started dark: both settings are read at start.
    ASSERT_TRUE(test::waitUntil([&] { return portal.readCount() == 2 && appearance.isDark(); }));
    EXPECT_FALSE(appearance.reduceMotion());
    EXPECT_TRUE(warnings.messages().isEmpty()) << warnings.messages().join(u'\n').toStdString();

    struct Row {
        QString nameSpace, key;
        QVariant value;
        bool dark, reduceMotion;
    };
    // Each row changes exactly one answer, so every wait has something to see.
    const Row rows[] = {
        {kAppearance, kColorScheme, QVariant::fromValue(2u), false, false}, // prefers light
        {kAppearance, kColorScheme, QVariant::fromValue(1u), true, false},  // prefers dark
        {kInterface, kAnimations, false, true, true},
        {kAppearance, kColorScheme, QVariant::fromValue(0u), false, true}, // no preference: the light palette
        {kInterface, kAnimations, true, false, false},
    };
    QSignalSpy changed(&appearance, &Appearance::changed);
    for (const Row& row : rows) {
        portal.change(row.nameSpace, row.key, row.value);
        EXPECT_TRUE(test::waitUntil(
            [&] { return appearance.isDark() == row.dark && appearance.reduceMotion() == row.reduceMotion; }))
            << row.key.toStdString() << " = " << row.value.toString().toStdString();
    }
    EXPECT_EQ(changed.count(), int(std::size(rows)));
    // Settings of other namespaces and values of the wrong type change nothing.
    portal.change(QStringLiteral("org.example"), kColorScheme, QVariant::fromValue(1u));
    portal.change(kInterface, kAnimations, QStringLiteral("no"));
    portal.change(kAppearance, kColorScheme, QVariant::fromValue(1u)); // a last one to wait for
    ASSERT_TRUE(test::waitUntil([&] { return appearance.isDark(); }));
    EXPECT_FALSE(appearance.reduceMotion());
    EXPECT_EQ(changed.count(), int(std::size(rows)) + 1);
}

TEST(AppearanceOnAPrivateBus, APortalWithoutTheSettingsLeavesThePalettesLook) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning()) << bus.startError().toStdString();
    SettingsPortalStandIn portal(bus.connect(QStringLiteral("portal")));
    ASSERT_TRUE(portal.publish());
    Appearance appearance(bus.connect(QStringLiteral("app")));
    ASSERT_TRUE(test::waitUntil([&] { return portal.readCount() == 2; }));
    EXPECT_FALSE(appearance.isDark());
    EXPECT_FALSE(appearance.reduceMotion());
    // The setting appears later: followed all the same.
    portal.change(kAppearance, kColorScheme, QVariant::fromValue(1u));
    EXPECT_TRUE(test::waitUntil([&] { return appearance.isDark(); }));
}

// Run in a process of its own, where nothing has used the session bus yet: an
// appearance that watches the desktop, as the app's does, must find the portal
// on the bus DBUS_SESSION_BUS_ADDRESS names. Says what went wrong, or nothing.
QString sharedAppearanceOnTheEnvironmentsSessionBus() {
    PrivateBus bus;
    if (!bus.isRunning()) return bus.startError();
    SettingsPortalStandIn portal(bus.connect(QStringLiteral("portal")));
    portal.seed(kAppearance, kColorScheme, QVariant::fromValue(2u));
    portal.seed(kInterface, kAnimations, true);
    if (!portal.publish()) return QStringLiteral("the stand-in portal was refused its name");
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toLocal8Bit().constData(), 1);
    test::LogCapture warnings("com.meterix.dbus");
    Appearance appearance(true);
    if (!warnings.messages().isEmpty()) return warnings.messages().join(u'\n');
    if (!test::waitUntil([&] { return portal.readCount() == 2; }))
        return QStringLiteral("the settings were not read from the session bus");
    portal.change(kAppearance, kColorScheme, QVariant::fromValue(1u));
    if (!test::waitUntil([&] { return appearance.isDark(); }))
        return QStringLiteral("not dark after 1");
    portal.change(kInterface, kAnimations, false);
    if (!test::waitUntil([&] { return appearance.reduceMotion(); }))
        return QStringLiteral("animations were not turned off");
    return {};
}

TEST(AppearanceOnAPrivateBus, WatchingTheDesktopListensOnTheSessionBusTheEnvironmentNames) {
    test::expectInFreshProcess(sharedAppearanceOnTheEnvironmentsSessionBus);
}

int cacheClears = 0;
int clearsSeenByChanged = -1;

TEST(Appearance, AChangeForgetsRegisteredCachesBeforeItIsAnnounced) {
    static const bool registered = [] {
        Appearance::registerCache([] { ++cacheClears; });
        return true;
    }();
    ASSERT_TRUE(registered);
    Appearance appearance(false);
    QObject::connect(&appearance, &Appearance::changed, [] { clearsSeenByChanged = cacheClears; });
    const int before = cacheClears;
    appearance.applyPortalColorScheme(2u); // already light: nothing drawn changes
    EXPECT_EQ(cacheClears, before);
    appearance.applyPortalColorScheme(1u);
    EXPECT_EQ(cacheClears, before + 1);
    EXPECT_EQ(clearsSeenByChanged, before + 1);
    appearance.applyPortalAnimationsEnabled(false);
    EXPECT_EQ(cacheClears, before + 2);
}

} // namespace
} // namespace meterix
