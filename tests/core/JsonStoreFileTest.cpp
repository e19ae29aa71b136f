#include "core/JsonStoreFile.h"

#include "core/Paths.h"
#include "support/FailingStoreFiles.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace meterix {
namespace {

const QDateTime kNow(QDate(2026, 1, 15), QTime(12, 0), Qt::UTC);

TEST(JsonStoreFileTest, WritesMakeTheFolderAndReadBack) {
    test::TempHome home;
    JsonStoreFile store(home.file(QStringLiteral("a/b/store.json")));
    EXPECT_EQ(store.load(), std::nullopt);
    EXPECT_FALSE(store.isSetAsidePending()); // a missing file is not unreadable
    const QJsonObject object{{QStringLiteral("z"), 1}, {QStringLiteral("a"), QStringLiteral("한글")}};
    ASSERT_TRUE(store.write(object, kNow));
    EXPECT_EQ(JsonStoreFile(store.path()).load(), object);
}

TEST(JsonStoreFileTest, AStoreThatIsNotARegularFileNeitherBlocksNorIsLost) {
    test::TempHome home;
    const QString path = home.makeFifo(QStringLiteral("store.json"));
    JsonStoreFile store(path);
    EXPECT_EQ(store.load(), std::nullopt);
    EXPECT_TRUE(store.isSetAsidePending());
    ASSERT_TRUE(store.write(QJsonObject{{QStringLiteral("k"), true}}, kNow));
    EXPECT_TRUE(QFileInfo(path).isFile());
    struct stat st {};
    ASSERT_EQ(::stat((path + QStringLiteral(".unreadable-20260115T120000Z")).toLocal8Bit().constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(JsonStoreFileTest, SetAsideNamesAreUnique) {
    test::TempHome home;
    const QString path = home.file(QStringLiteral("store.json"));
    const QString first = JsonStoreFile::setAsidePath(path, kNow);
    EXPECT_EQ(first, path + QStringLiteral(".unreadable-20260115T120000Z"));
    home.write(QStringLiteral("store.json.unreadable-20260115T120000Z"), "x");
    EXPECT_EQ(JsonStoreFile::setAsidePath(path, kNow), first + QStringLiteral("-2"));
    // A dangling link holds its name too.
    ASSERT_TRUE(QFile::link(home.file(QStringLiteral("nowhere")), first + QStringLiteral("-2")));
    EXPECT_EQ(JsonStoreFile::setAsidePath(path, kNow), first + QStringLiteral("-3"));
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

int warnings(const test::LogCapture& log) {
    return int(log.messages().filter(QStringLiteral("could not write store.json")).size());
}

// A write cut short used to be renamed over the good file all the same (a full
// disk left an empty or cut store). Now the old file stays byte for byte, the
// log says so once however often it fails, nothing is left behind, and the
// write goes through once the cause is gone.
TEST(JsonStoreFileTest, AWriteThatDoesNotReachTheDiskLeavesTheOldFileAndSaysSoOnce) {
    using Step = test::FailingStoreFiles::Step;
    const struct {
        const char* name;
        Step step;
        int error;
    } rows[] = {
        {"a full disk", Step::write, ENOSPC},  {"a read-only folder", Step::open, EROFS},
        {"a failing sync", Step::fsync, EIO},  {"a quota met on closing", Step::close, EDQUOT},
        {"a failing rename", Step::rename, EACCES},
    };
    const QJsonObject next{{QStringLiteral("k"), 2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempHome home;
        test::LogCapture log("com.meterix.accounts");
        const QString path = home.write(QStringLiteral("Meterix/store.json"), "{\"k\": 1}\n");
        test::FailingStoreFiles files;
        files.failing = row.step;
        files.error = row.error;
        JsonStoreFile store(path, files);
        EXPECT_FALSE(store.write(next, kNow));
        EXPECT_FALSE(store.write(next, kNow));
        EXPECT_EQ(bytesOf(path), "{\"k\": 1}\n");
        EXPECT_EQ(QDir(home.file(QStringLiteral("Meterix"))).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("store.json")});
        EXPECT_EQ(warnings(log), 1);
        files.failing = Step::none; // space returns
        EXPECT_TRUE(store.write(next, kNow));
        EXPECT_EQ(JsonStoreFile(path).load(), next);
        EXPECT_TRUE(log.contains(QStringLiteral("store.json is written again")));
    }
}

// A store that is a link is written where the link points, and the link stays;
// a link to nowhere fails as a missing folder does, and is left as it was.
TEST(JsonStoreFileTest, ALinkIsFollowedAndADanglingOneLeftAsItWas) {
    test::TempHome home;
    test::LogCapture log("com.meterix.accounts");
    const QString path = home.file(QStringLiteral("store.json"));
    const QString target = home.file(QStringLiteral("elsewhere/store.json"));
    ASSERT_TRUE(QFile::link(target, path));
    JsonStoreFile store(path);
    EXPECT_FALSE(store.write(QJsonObject{{QStringLiteral("k"), 1}}, kNow));
    EXPECT_EQ(QFileInfo(path).symLinkTarget(), target);
    EXPECT_EQ(warnings(log), 1);
    home.mkdir(QStringLiteral("elsewhere"));
    EXPECT_TRUE(store.write(QJsonObject{{QStringLiteral("k"), 1}}, kNow));
    EXPECT_EQ(QFileInfo(path).symLinkTarget(), target);
    EXPECT_EQ(JsonStoreFile(target).load(), (QJsonObject{{QStringLiteral("k"), 1}}));
}

TEST(JsonStoreFileTest, WritesCutShortOrInterruptedStillWriteTheWholeFile) {
    test::TempHome home;
    test::FailingStoreFiles files;
    files.chunk = 3;
    files.interrupts = true;
    JsonStoreFile store(home.file(QStringLiteral("store.json")), files);
    const QJsonObject object{{QStringLiteral("name"), QStringLiteral("한글 and more than three bytes")}};
    ASSERT_TRUE(store.write(object, kNow));
    EXPECT_EQ(JsonStoreFile(store.path()).load(), object);
}

// The stores' folder holds account ids and e-mails: nobody else may list it.
TEST(JsonStoreFileTest, TheStoreFolderIsOwnerOnlyWhenItIsOurs) {
    const struct {
        const char* name;
        mode_t before; // 0: missing
        uid_t owner;   // of the folder before
        bool linked;   // the folder is a link to one
        mode_t after;
    } rows[] = {
        {"made", 0, ::geteuid(), false, 0700},
        {"ours and wider", 0755, ::geteuid(), false, 0700},
        {"another user's", 0755, ::geteuid() + 4242, false, 0755},
        {"a link to a folder", 0755, ::geteuid(), true, 0755},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.owner != ::geteuid() && ::geteuid() != 0) continue; // only root hands a folder to another
        test::TempHome home;
        const QString real = home.file(QStringLiteral("real"));
        const QString folder = row.linked ? home.file(QStringLiteral("data/Meterix")) : real;
        if (row.before) {
            ASSERT_EQ(::mkdir(real.toLocal8Bit().constData(), row.before), 0);
            ::chmod(real.toLocal8Bit().constData(), row.before);
            if (row.owner != ::geteuid()) {
                ASSERT_EQ(::chown(real.toLocal8Bit().constData(), row.owner, -1), 0);
            }
            if (row.linked) {
                ASSERT_TRUE(QDir().mkpath(home.file(QStringLiteral("data"))) && QFile::link(real, folder));
            }
        }
        EXPECT_TRUE(makePrivateFolder(folder));
        struct stat st {};
        ASSERT_EQ(::stat(folder.toLocal8Bit().constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, row.after);
    }
}

} // namespace
} // namespace meterix
