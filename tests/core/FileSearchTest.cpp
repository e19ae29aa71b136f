#include "core/FileSearch.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

using namespace meterix;
using meterix::test::TempHome;

TEST(FileSearch, FindsTheFirstOccurrenceWhereverChunksAreCut) {
    TempHome home;
    const QByteArray needle("email=");
    for (int position = 0; position < 40; ++position) {
        QByteArray text(48, '.');
        text.replace(position, needle.size(), needle);
        text += "email="; // a later occurrence never wins
        const QString path = home.write(QStringLiteral("log"), text);
        for (int chunk : {1, 2, 5, 6, 7, 13, 64}) {
            SCOPED_TRACE(testing::Message() << "position " << position << ", chunk " << chunk);
            EXPECT_EQ(findInRegularFile(path, needle, 1 << 20, chunk), position);
        }
    }
}

TEST(FileSearch, OnlyTheFirstBytesUpToTheLimitAreSearched) {
    TempHome home;
    const QString path = home.write(QStringLiteral("log"), QByteArray(100, '.') + "needle");
    EXPECT_EQ(findInRegularFile(path, "needle", 106, 8), 100);
    EXPECT_EQ(findInRegularFile(path, "needle", 105, 8), std::nullopt) << "cut by the limit";
    EXPECT_EQ(findInRegularFile(path, "needle", 0, 8), std::nullopt);
    EXPECT_EQ(findInRegularFile(path, "", 1000, 8), std::nullopt);
    EXPECT_EQ(findInRegularFile(path, "absent", 1000, 8), std::nullopt);
}

TEST(FileSearch, WhatIsNoRegularFileIsNeverRead) {
    TempHome home;
    EXPECT_EQ(findInRegularFile(home.makeFifo(QStringLiteral("pipe")), "x", 100), std::nullopt);
    EXPECT_EQ(findInRegularFile(home.mkdir(QStringLiteral("folder")), "x", 100), std::nullopt);
    EXPECT_EQ(findInRegularFile(home.file(QStringLiteral("missing")), "x", 100), std::nullopt);
}
