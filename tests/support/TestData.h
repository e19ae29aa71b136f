#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

namespace meterix::test {

// A file of tests/data: the vendors' formats as each tool writes or answers
// them, described with their sources in tests/data/<provider>/SOURCES.md.
inline QByteArray testData(const QString& relative) {
    QFile file(QStringLiteral(METERIX_TEST_DATA "/") + relative);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << relative.toStdString();
    return file.readAll();
}

} // namespace meterix::test
