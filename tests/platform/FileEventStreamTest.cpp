#include "platform/FileEventStream.h"
#include "core/Locked.h"
#include "support/LogCapture.h"
#include "support/QtPrinters.h"
#include "support/TempHome.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <algorithm>
#include <atomic>

namespace meterix {
namespace {

// Collects what a stream reports, and whether it ever reported off its queue.
class Recorder {
  public:
    explicit Recorder(DispatchQueue& queue) : queue_(queue) {}

    FileEventStream::Callback callback() {
        return [this](const QStringList& paths) {
            if (!queue_.isCurrentThread()) offQueue_ = true;
            batches_.withValue([&](QList<QStringList>& b) { b.append(paths); });
        };
    }
    int timesReported(const QString& path) const {
        return batches_.withValue([&](QList<QStringList>& b) {
            int n = 0;
            for (const QStringList& batch : b)
                n += static_cast<int>(batch.count(path));
            return n;
        });
    }
    bool reported(const QString& path) const { return timesReported(path) > 0; }
    bool waitFor(const QString& path) const {
        return test::waitUntil([&] { return reported(path); });
    }
    bool everOffQueue() const { return offQueue_; }

  private:
    DispatchQueue& queue_;
    mutable Locked<QList<QStringList>> batches_;
    std::atomic<bool> offQueue_{false};
};

class FileEventStreamTest : public ::testing::Test {
  protected:
    test::TempHome home;
    DispatchQueue queue{QStringLiteral("test.fileevents")};
    Recorder recorder{queue};

    // Writes a control file below a watched folder and waits for it: one
    // descriptor delivers in order, so anything written before it that was
    // going to be reported has been by then.
    bool neverReported(const QString& unwanted, const QString& controlRelative) {
        const QString control = home.write(controlRelative, "c");
        return recorder.waitFor(control) && !recorder.reported(unwanted);
    }

    std::unique_ptr<FileEventStream> makeStream(const QStringList& roots,
                                                FileEventStream::Options options = {}) {
        return std::make_unique<FileEventStream>(queue, roots, recorder.callback(), std::move(options));
    }
};

TEST_F(FileEventStreamTest, FolderCreatedAfterStartIsWatchedAndWhatLandedInItCounts) {
    const QString root = home.mkdir(QStringLiteral("root"));
    auto stream = makeStream({root});
    ASSERT_TRUE(stream->start());
    // Several levels at once: the file may exist before any watch below root does.
    const QString first = home.write(QStringLiteral("root/a/b/c/first.jsonl"), "1");
    ASSERT_TRUE(recorder.waitFor(first));
    const QString later = home.write(QStringLiteral("root/a/b/c/later.jsonl"), "2");
    ASSERT_TRUE(recorder.waitFor(later));
    // Every level made at once is watched.
    for (const char* level : {"root/a/one", "root/a/b/two"})
        EXPECT_TRUE(recorder.waitFor(home.write(QLatin1String(level), "3"))) << level;
    EXPECT_FALSE(recorder.everOffQueue());
}

TEST_F(FileEventStreamTest, FolderMovedInIsWatchedAndMovedOutIsForgotten) {
    const QString root = home.mkdir(QStringLiteral("root"));
    home.write(QStringLiteral("outside/tree/inner/old.jsonl"), "x");
    auto stream = makeStream({root});
    ASSERT_TRUE(stream->start());

    ASSERT_TRUE(
        QDir().rename(home.file(QStringLiteral("outside/tree")), home.file(QStringLiteral("root/tree"))));
    ASSERT_TRUE(recorder.waitFor(home.file(QStringLiteral("root/tree/inner/old.jsonl"))));
    const QString fresh = home.write(QStringLiteral("root/tree/inner/new.jsonl"), "y");
    ASSERT_TRUE(recorder.waitFor(fresh));
    ASSERT_TRUE(recorder.waitFor(home.write(QStringLiteral("root/tree/top.jsonl"), "y")));

    ASSERT_TRUE(QDir().rename(home.file(QStringLiteral("root/tree")), home.file(QStringLiteral("gone"))));
    const QString moved = home.write(QStringLiteral("gone/inner/after.jsonl"), "z");
    const QString movedTop = home.write(QStringLiteral("gone/after.jsonl"), "z");
    EXPECT_TRUE(neverReported(moved, QStringLiteral("root/control")));
    EXPECT_FALSE(recorder.reported(movedTop));
    EXPECT_FALSE(recorder.reported(home.file(QStringLiteral("root/tree/inner/after.jsonl"))));
}

TEST_F(FileEventStreamTest, SymbolicLinksBelowARootAreNotFollowed) {
    const QString root = home.mkdir(QStringLiteral("root"));
    home.mkdir(QStringLiteral("root/sub"));
    const QString outside = home.mkdir(QStringLiteral("outside"));
    ASSERT_TRUE(QFile::link(root, home.file(QStringLiteral("root/sub/loop"))));
    ASSERT_TRUE(QFile::link(outside, home.file(QStringLiteral("root/elsewhere"))));
    auto stream = makeStream({root});
    ASSERT_TRUE(stream->start());
    // A link made while running is not followed either.
    ASSERT_TRUE(QFile::link(outside, home.file(QStringLiteral("root/sub/later"))));
    ASSERT_TRUE(recorder.waitFor(home.file(QStringLiteral("root/sub/later"))));

    home.write(QStringLiteral("outside/x.jsonl"), "x");
    EXPECT_TRUE(neverReported(home.file(QStringLiteral("root/elsewhere/x.jsonl")),
                              QStringLiteral("root/sub/control")));
    EXPECT_FALSE(recorder.reported(home.file(QStringLiteral("root/sub/later/x.jsonl"))));
    EXPECT_FALSE(recorder.reported(home.file(QStringLiteral("root/sub/loop/sub/control"))));
}

TEST_F(FileEventStreamTest, RootThatIsALinkIsFollowedAndKeepsItsOwnPath) {
    const QString real = home.mkdir(QStringLiteral("real"));
    const QString link = home.file(QStringLiteral("linked"));
    ASSERT_TRUE(QFile::link(real, link));
    auto stream = makeStream({link});
    ASSERT_TRUE(stream->start());
    home.write(QStringLiteral("real/a.jsonl"), "x");
    ASSERT_TRUE(recorder.waitFor(link + QStringLiteral("/a.jsonl")));
}

TEST_F(FileEventStreamTest, SkippedFoldersAreNotWatched) {
    const QString root = home.mkdir(QStringLiteral("root"));
    home.mkdir(QStringLiteral("root/cache/deep"));
    FileEventStream::Options options;
    options.skipFolder = [](const QString& folder) { return folder.endsWith(QLatin1String("/cache")); };
    auto stream = makeStream({root}, options);
    ASSERT_TRUE(stream->start());
    const QString hidden = home.write(QStringLiteral("root/cache/deep/x"), "x");
    EXPECT_TRUE(neverReported(hidden, QStringLiteral("root/control")));
}

TEST_F(FileEventStreamTest, RepeatedWritesOfOnePathAreGathered) {
    const QString root = home.mkdir(QStringLiteral("root"));
    FileEventStream::Options options;
    options.latency = std::chrono::milliseconds(2000); // wide, so all ten land in one window
    auto stream = makeStream({root}, options);
    ASSERT_TRUE(stream->start());
    const QString file = home.file(QStringLiteral("root/stream.jsonl"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    for (int i = 0; i < 10; ++i)
        f.write("line\n");
    f.close();
    const QString control = home.write(QStringLiteral("root/control"), "c");
    ASSERT_TRUE(recorder.waitFor(control));
    ASSERT_TRUE(recorder.waitFor(file));
    // Once at once, at most once more when the window closes.
    EXPECT_LE(recorder.timesReported(file), 2);
}

TEST_F(FileEventStreamTest, WatchLimitIsLoggedOnceAndSurvived) {
    const QString root = home.mkdir(QStringLiteral("root"));
    for (const char* sub : {"a", "b", "c", "d"})
        home.mkdir(QStringLiteral("root/") + QLatin1String(sub));
    test::LogCapture log("com.meterix.watcher");
    FileEventStream::Options options;
    options.watchBudget = 2;
    auto stream = makeStream({root}, options);
    ASSERT_TRUE(stream->start());
    EXPECT_EQ(log.messages().filter(QStringLiteral("watch limit reached")).size(), 1);
    // The root and one folder below it found room.
    QStringList written;
    for (const char* sub : {"a", "b", "c", "d"})
        written << home.write(QStringLiteral("root/") + QLatin1String(sub) + QStringLiteral("/x"), "x");
    ASSERT_TRUE(recorder.waitFor(home.write(QStringLiteral("root/control"), "c")));
    EXPECT_EQ(std::count_if(written.begin(), written.end(), [&](const QString& f) { return recorder.reported(f); }), 1);
    // A folder that appears later finds no room either, and says nothing new.
    home.mkdir(QStringLiteral("root/e"));
    ASSERT_TRUE(recorder.waitFor(home.file(QStringLiteral("root/e"))));
    const QString file = home.write(QStringLiteral("root/kept.jsonl"), "x");
    ASSERT_TRUE(recorder.waitFor(file));
    EXPECT_EQ(log.messages().filter(QStringLiteral("watch limit reached")).size(), 1);
}

} // namespace
} // namespace meterix
