#include "providers/common/ApiKeySource.h"

#include "support/FakeEnvironment.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace meterix::test {
namespace {

const ApiKeySource kTwoVariables{{QStringLiteral("FIRST_KEY"), QStringLiteral("SECOND_KEY")},
                                 QStringLiteral("/.config/thing/api_key")};

class ApiKeySourceTest : public ::testing::Test {
protected:
    std::optional<QString> resolve() const { return kTwoVariables.resolve(home.path(), env.lookup()); }
    bool detected() const { return kTwoVariables.isDetected(home.path(), env.lookup()); }
    void writeKeyFile(const QByteArray& contents) const { home.write(QStringLiteral(".config/thing/api_key"), contents); }

    TempHome home;
    FakeEnvironment env;
};

TEST_F(ApiKeySourceTest, AnEmptyVariableFallsToTheTrimmedFile) {
    env.set(QStringLiteral("FIRST_KEY"), QString());
    writeKeyFile("  sk-file \n");
    EXPECT_EQ(resolve(), QStringLiteral("sk-file"));
    EXPECT_TRUE(detected());
}

TEST_F(ApiKeySourceTest, AnEmptyFirstVariableHidesTheSecond) {
    env.set(QStringLiteral("FIRST_KEY"), QString());
    env.set(QStringLiteral("SECOND_KEY"), QStringLiteral("sk-second"));
    EXPECT_EQ(resolve(), std::nullopt);
    EXPECT_FALSE(detected());
}

TEST_F(ApiKeySourceTest, TheSecondVariableCountsWhenTheFirstIsUnsetAndKeepsItsSpaces) {
    env.set(QStringLiteral("SECOND_KEY"), QStringLiteral(" sk-second "));
    writeKeyFile("sk-file");
    EXPECT_EQ(resolve(), QStringLiteral(" sk-second "));
    EXPECT_TRUE(detected());
}

TEST_F(ApiKeySourceTest, AFileOfBlanksIsDetectedButGivesNoKey) {
    writeKeyFile(" \n\t\n");
    EXPECT_TRUE(detected());
    EXPECT_EQ(resolve(), std::nullopt);
}

TEST_F(ApiKeySourceTest, ControlCharactersMakeAKeyUnusable) {
    writeKeyFile("sk-one\nsk-two\n");
    EXPECT_EQ(resolve(), std::nullopt);
    writeKeyFile(QByteArray("sk-nul\0x", 8));
    EXPECT_EQ(resolve(), std::nullopt);
    // An unusable environment value falls through to a good file.
    env.set(QStringLiteral("FIRST_KEY"), QStringLiteral("sk\r\nX-Other: 1"));
    writeKeyFile("sk-file");
    EXPECT_EQ(resolve(), QStringLiteral("sk-file"));
    for (const QString& bad : {QStringLiteral("a\tb"), QStringLiteral("a\x1b"), QStringLiteral("a\u0085b"), QString()})
        EXPECT_FALSE(isUsableCredential(bad));
    EXPECT_TRUE(isUsableCredential(QStringLiteral(" sk-ünï ")));
}

TEST_F(ApiKeySourceTest, AFifoOversizedOrNonUtf8FileIsNoKeyAndNeverBlocks) {
    home.mkdir(QStringLiteral(".config/thing"));
    ASSERT_EQ(::mkfifo(kTwoVariables.filePath(home.path()).toLocal8Bit().constData(), 0600), 0);
    EXPECT_TRUE(detected()); // it exists, yet reading it must not wait for a writer
    EXPECT_EQ(resolve(), std::nullopt);
    ::unlink(kTwoVariables.filePath(home.path()).toLocal8Bit().constData());

    writeKeyFile(QByteArray(kKeyFileReadCap + 1, 'k'));
    EXPECT_EQ(resolve(), std::nullopt);
    writeKeyFile("sk-\xff\xfe");
    EXPECT_EQ(resolve(), std::nullopt);
}

} // namespace
} // namespace meterix::test
