#include "core/JsonStoreFile.h"

#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <sys/stat.h>

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

} // namespace
} // namespace meterix
