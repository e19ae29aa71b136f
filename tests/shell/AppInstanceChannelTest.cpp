#include "shell/AppInstanceChannel.h"

#include "support/WaitUntil.h"

#include <QFile>
#include <QLocalSocket>
#include <QSysInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <future>

namespace meterix {
namespace {

using Role = AppInstanceChannel::Role;

// A later start runs in a process of its own; here, on a thread of its own, so
// the running one's event loop can answer it meanwhile.
Role startAgain(const QString& folder, int timeoutMs = 3000) {
    auto later = std::async(std::launch::async, [folder, timeoutMs] {
        return AppInstanceChannel::claim(folder, timeoutMs)->role();
    });
    test::waitUntil([&later] { return later.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
                    timeoutMs + 2000);
    return later.get();
}

TEST(AppInstanceChannelTest, ASecondStartTogglesTheFirstAndEnds) {
    QTemporaryDir dir;
    auto first = AppInstanceChannel::claim(dir.path());
    ASSERT_EQ(first->role(), Role::primary);
    int toggles = 0;
    QObject::connect(first.get(), &AppInstanceChannel::toggleRequested, [&toggles] { ++toggles; });

    EXPECT_EQ(startAgain(dir.path()), Role::secondary);
    EXPECT_TRUE(test::waitUntil([&toggles] { return toggles == 1; }, 2000));
    EXPECT_EQ(startAgain(dir.path()), Role::secondary);
    EXPECT_TRUE(test::waitUntil([&toggles] { return toggles == 2; }, 2000));

    // Anything but the one request is dropped.
    QLocalSocket stranger;
    stranger.connectToServer(first->socketPath());
    ASSERT_TRUE(stranger.waitForConnected(1000));
    stranger.write("open the pod bay doors\n");
    stranger.flush();
    test::waitUntil([&stranger] { return stranger.state() == QLocalSocket::UnconnectedState; }, 1000);
    EXPECT_EQ(toggles, 2);

    // Once the first has ended, the next start runs.
    first.reset();
    EXPECT_EQ(AppInstanceChannel::claim(dir.path())->role(), Role::primary);
}

TEST(AppInstanceChannelTest, TakesOverWhatADeadOneLeftBehind) {
    QTemporaryDir dir;
    // A lock of a process that is gone, and its socket file.
    QFile lock(dir.filePath(QStringLiteral("meterix.lock")));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write("2147483646\nmeterix\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();
    QFile socket(dir.filePath(QStringLiteral("meterix.sock")));
    ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    socket.close();

    auto channel = AppInstanceChannel::claim(dir.path());
    EXPECT_EQ(channel->role(), Role::primary);
    EXPECT_EQ(startAgain(dir.path()), Role::secondary);
}

TEST(AppInstanceChannelTest, WithoutAUsableFolderTheAppRunsAloneAndBesideASilentOneNot) {
    EXPECT_EQ(AppInstanceChannel::claim(QStringLiteral("/nonexistent/meterix-test"))->role(), Role::failed);
    EXPECT_EQ(AppInstanceChannel::claim(QString())->role(), Role::failed);
    // A live holder that never answers is not waited for beyond the time given,
    // and is not run beside either.
    QTemporaryDir dir;
    QLockFile held(dir.filePath(QStringLiteral("meterix.lock")));
    ASSERT_TRUE(held.tryLock(0));
    EXPECT_EQ(startAgain(dir.path(), 300), Role::unanswered);
}

} // namespace
} // namespace meterix
