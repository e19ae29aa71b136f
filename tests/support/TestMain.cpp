// The test main of every test program: a private home, UTC, no display, and the
// Qt application object the folder needs.
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

int main(int argc, char** argv) {
    QTemporaryDir home;
    if (!home.isValid()) return 2;
    const QByteArray root = home.path().toLocal8Bit();
    QDir(home.path()).mkpath(QStringLiteral(".config"));
    QDir(home.path()).mkpath(QStringLiteral(".local/share"));
    ::setenv("HOME", root.constData(), 1);
    ::setenv("XDG_CONFIG_HOME", (root + "/.config").constData(), 1);
    ::setenv("XDG_DATA_HOME", (root + "/.local/share").constData(), 1);
    ::setenv("TZ", "UTC", 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::unsetenv("CLAUDE_CONFIG_DIR");
    ::unsetenv("CODEX_HOME");
    ::unsetenv("METERIX_LOG_PRIVATE");
    tzset();

    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
