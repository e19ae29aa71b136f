#include "core/EnvironmentLookup.h"
#include "core/PlatformPaths.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace meterix::test {
namespace {

TEST(PlatformPaths, PlacesAreRootedInTheirOrder) {
    const QList<InstallPlace> places = {{InstallPlace::Root::configHome, "App"},
                                        {InstallPlace::Root::absolute, "/usr/share/app"},
                                        {InstallPlace::Root::home, ".local/bin/app"}};
    EXPECT_EQ(PlatformPaths::paths(places, QStringLiteral("/home/u"), QStringLiteral("/xdg/config/")),
              QStringList({"/xdg/config/App", "/usr/share/app", "/home/u/.local/bin/app"}));
}

TEST(PlatformPaths, AnyExistsAcceptsFilesAndFolders) {
    TempHome home;
    const QStringList paths{home.file(QStringLiteral("a")), home.file(QStringLiteral("b"))};
    EXPECT_FALSE(PlatformPaths::anyExists(paths));
    EXPECT_FALSE(PlatformPaths::anyExists({}));
    home.mkdir(QStringLiteral("b"));
    EXPECT_TRUE(PlatformPaths::anyExists(paths));
}

TEST(EnvironmentLookup, TellsAnEmptyVariableFromAnUnsetOne) {
    const EnvironmentLookup env = processEnvironment();
    const QString name = QStringLiteral("METERIX_TEST_ENVIRONMENT_LOOKUP");
    qunsetenv("METERIX_TEST_ENVIRONMENT_LOOKUP");
    EXPECT_EQ(env(name), std::nullopt);
    qputenv("METERIX_TEST_ENVIRONMENT_LOOKUP", "");
    EXPECT_EQ(env(name), QString());
    qputenv("METERIX_TEST_ENVIRONMENT_LOOKUP", " v ");
    EXPECT_EQ(env(name), QStringLiteral(" v "));
    qunsetenv("METERIX_TEST_ENVIRONMENT_LOOKUP");
}

} // namespace
} // namespace meterix::test
