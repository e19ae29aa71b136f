#include "core/EnvironmentLookup.h"
#include "core/PlatformPaths.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace meterix::test {
namespace {

TEST(PlatformPaths, EachLocationListsTheMacPathThenTheLinuxOnes) {
    const QString home = QStringLiteral("/home/u");
    const QString config = QStringLiteral("/xdg/config/");
    EXPECT_EQ(PlatformPaths::paths(InstallLocation::cursorSupportFolder, home, config),
              QStringList({"/home/u/Library/Application Support/Cursor", "/xdg/config/Cursor"}));
    EXPECT_EQ(PlatformPaths::paths(InstallLocation::windsurfApplication, home, config),
              QStringList({"/Applications/Windsurf.app", "/usr/share/windsurf", "/xdg/config/Windsurf",
                           "/home/u/.codeium/windsurf"}));
    EXPECT_EQ(PlatformPaths::paths(InstallLocation::zedApplication, home, config),
              QStringList({"/Applications/Zed.app", "/home/u/.local/zed.app", "/home/u/.local/bin/zed",
                           "/usr/bin/zeditor", "/usr/bin/zed", "/home/u/.local/share/flatpak/exports/bin/dev.zed.Zed",
                           "/var/lib/flatpak/exports/bin/dev.zed.Zed"}));
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
