#include "shell/AppInstanceChannel.h"

#include "support/WaitUntil.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalSocket>
#include <QSysInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <future>
#include <sys/stat.h>

namespace meterix {
namespace {

using Role = AppInstanceChannel::Role;

// A later start runs in a process of its own; here, on a thread of its own, so
// the running one's event loop can answer it meanwhile. The running one's
// answer is waited for as long as a hang allows: a busy machine may be slow to
// run its loop.
Role startAgain(const QString& folder, int timeoutMs = test::kHangLimitMs,
                AppInstanceChannel::PeerUser peerUser = {}) {
    auto later = std::async(std::launch::async, [folder, timeoutMs, peerUser] {
        return AppInstanceChannel::claim(folder, timeoutMs, peerUser)->role();
    });
    test::waitUntil([&later] { return later.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
                    timeoutMs + test::kHangLimitMs);
    return later.get();
}

TEST(AppInstanceChannelTest, ASecondStartTogglesTheFirstAndEnds) {
    QTemporaryDir dir;
    auto first = AppInstanceChannel::claim(dir.path());
    ASSERT_EQ(first->role(), Role::primary);
    int toggles = 0;
    QObject::connect(first.get(), &AppInstanceChannel::toggleRequested, [&toggles] { ++toggles; });

    EXPECT_EQ(startAgain(dir.path()), Role::secondary);
    EXPECT_TRUE(test::waitUntil([&toggles] { return toggles == 1; }));
    EXPECT_EQ(startAgain(dir.path()), Role::secondary);
    EXPECT_TRUE(test::waitUntil([&toggles] { return toggles == 2; }));

    // Anything but the one request is dropped.
    QLocalSocket stranger;
    stranger.connectToServer(first->socketPath());
    ASSERT_TRUE(stranger.waitForConnected(1000));
    stranger.write("open the pod bay doors\n");
    stranger.flush();
    test::waitUntil([&stranger] { return stranger.state() == QLocalSocket::UnconnectedState; });
    EXPECT_EQ(toggles, 2);

    // Once the first has ended, the next start runs.
    first.reset();
    EXPECT_EQ(AppInstanceChannel::claim(dir.path())->role(), Role::primary);
}

TEST(AppInstanceChannelTest, OnlyTheUserMayAskARequestMayArriveInPiecesAndTheSocketGoesWithTheChannel) {
    QTemporaryDir dir;
    auto first = AppInstanceChannel::claim(dir.path());
    ASSERT_EQ(first->role(), Role::primary);
    int toggles = 0;
    QObject::connect(first.get(), &AppInstanceChannel::toggleRequested, [&toggles] { ++toggles; });

    const QByteArray socketFile = QFile::encodeName(first->socketPath());
    struct stat st {};
    ASSERT_EQ(::stat(socketFile.constData(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // The request split over two writes is still the one request, and answered.
    QLocalSocket slow;
    slow.connectToServer(first->socketPath());
    ASSERT_TRUE(slow.waitForConnected(1000));
    slow.write("tog");
    slow.flush();
    // The first piece is already in the socket: a few turns of the loop accept
    // the connection and read it.
    for (int turn = 0; turn < 5; ++turn)
        QCoreApplication::processEvents();
    EXPECT_EQ(toggles, 0);
    slow.write("gle\n");
    slow.flush();
    EXPECT_TRUE(test::waitUntil([&toggles] { return toggles == 1; }));
    EXPECT_TRUE(test::waitUntil([&slow] { return slow.bytesAvailable() >= 3; }));
    EXPECT_EQ(slow.readAll(), AppInstanceChannel::answer);

    // More than a request's length without a line's end is cut off unheard.
    for (const QByteArray& sent :
         {QByteArray(100, 'x'), QByteArray(70, 'x') + AppInstanceChannel::toggleMessage}) {
        QLocalSocket chatty;
        chatty.connectToServer(first->socketPath());
        ASSERT_TRUE(chatty.waitForConnected(1000));
        chatty.write(sent);
        chatty.flush();
        EXPECT_TRUE(
            test::waitUntil([&chatty] { return chatty.state() == QLocalSocket::UnconnectedState; }));
    }
    EXPECT_EQ(toggles, 1);

    first.reset();
    EXPECT_FALSE(QFile::exists(QFile::decodeName(socketFile)));
}

// The folder is used only when it is the user's own and no one else's to
// enter: a runtime folder shared with others leaves the app without the channel.
TEST(AppInstanceChannelTest, OnlyAFolderOfTheUsersOwnWithMode0700IsUsed) {
    const uid_t me = ::geteuid();
    const struct {
        mode_t mode;
        uid_t owner;
        bool used;
    } rows[] = {{0700, me, true}, {0755, me, false}, {0770, me, false}, {0701, me, false},
                {01777, me, false}, {0700, me + 1, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << std::oct << row.mode << " owned by " << std::dec << row.owner);
        QTemporaryDir dir;
        ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), row.mode), 0);
        EXPECT_EQ(AppInstanceChannel::isPrivateFolder(dir.path(), row.owner), row.used);
        if (row.owner != me) continue;
        const auto channel = AppInstanceChannel::claim(dir.path());
        EXPECT_EQ(channel->role(), row.used ? Role::primary : Role::failed);
        EXPECT_EQ(channel->failure().isEmpty(), row.used);
    }
}

// Each side speaks only to its own user: a running one hears no stranger, and
// a start that finds a stranger's socket neither asks it nor ends for it.
TEST(AppInstanceChannelTest, NeitherSideSpeaksToAnotherUser) {
    const AppInstanceChannel::PeerUser own; // the kernel's word
    const AppInstanceChannel::PeerUser stranger = [](int) { return std::optional<uid_t>(::geteuid() + 1); };
    const struct {
        const AppInstanceChannel::PeerUser& runningSees;
        const AppInstanceChannel::PeerUser& laterSees;
        Role laterStart;
    } rows[] = {{own, own, Role::secondary}, {stranger, own, Role::unanswered}, {own, stranger, Role::failed}};
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << "later start " << int(row.laterStart));
        QTemporaryDir dir;
        auto first = AppInstanceChannel::claim(dir.path(), 2000, row.runningSees);
        int toggles = 0;
        QObject::connect(first.get(), &AppInstanceChannel::toggleRequested, [&toggles] { ++toggles; });
        EXPECT_EQ(startAgain(dir.path(), test::kHangLimitMs, row.laterSees), row.laterStart);
        // A refused connection is closed before the later start's answer is
        // decided, so no toggle can follow it.
        if (row.laterStart == Role::secondary)
            EXPECT_TRUE(test::waitUntil([&toggles] { return toggles == 1; }));
        else
            EXPECT_EQ(toggles, 0);
    }
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
