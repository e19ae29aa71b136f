#include "core/JsonStoreFile.h"

#include "core/Paths.h"
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
    const QJsonObject object{{QStringLiteral("z"), 1}, {QStringLiteral("a"), QStringLiteral("한글")}};
    ASSERT_TRUE(store.write(object, kNow));
    EXPECT_EQ(JsonStoreFile(store.path()).load(), object);
    // A missing file is not unreadable: nothing was set aside.
    EXPECT_EQ(QDir(home.file(QStringLiteral("a/b"))).entryList(QDir::Files), QStringList{QStringLiteral("store.json")});
}

TEST(JsonStoreFileTest, AStoreThatIsNotARegularFileNeitherBlocksNorIsLost) {
    test::TempHome home;
    const QString path = home.makeFifo(QStringLiteral("store.json"));
    JsonStoreFile store(path);
    EXPECT_EQ(store.load(), std::nullopt);
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

// The stores' folder holds account ids and e-mails: nobody else may list it.
TEST(JsonStoreFileTest, TheStoreFolderIsOwnerOnlyWhenItIsOurs) {
    const uid_t me = ::geteuid();
    const struct {
        const char* name;
        mode_t before; // 0: missing
        uid_t owner;
        bool linked; // the folder is a link to one
        mode_t after;
    } rows[] = {
        {"made", 0, me, false, 0700},
        {"ours and wider", 0755, me, false, 0700},
        {"another user's", 0755, me + 4242, false, 0755},
        {"a link to a folder", 0755, me, true, 0755},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.owner != me && me != 0) continue; // only root hands a folder to another
        test::TempHome home;
        const QByteArray real = home.file(QStringLiteral("real/Meterix")).toLocal8Bit();
        const QString folder = row.linked ? home.file(QStringLiteral("Meterix")) : QString::fromLocal8Bit(real);
        if (row.before) {
            ASSERT_TRUE(QDir().mkpath(QString::fromLocal8Bit(real)));
            ASSERT_EQ(::chmod(real.constData(), row.before) | ::chown(real.constData(), row.owner, -1), 0);
            if (row.linked) {
                ASSERT_TRUE(QFile::link(QString::fromLocal8Bit(real), folder));
            }
        }
        EXPECT_TRUE(makePrivateFolder(folder));
        struct stat st {};
        ASSERT_EQ(::stat(folder.toLocal8Bit().constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, row.after);
        // A folder made on the way is owner-only too.
        struct stat parent {};
        ASSERT_EQ(::stat(home.file(QStringLiteral("real")).toLocal8Bit().constData(), &parent), 0);
        EXPECT_TRUE(row.before || (parent.st_mode & 0077) == 0);
    }
}

} // namespace
} // namespace meterix
