// Replays every file of fuzz/corpus/<target> through that target's entry
// function: every input a fuzzer ever kept, and the reproducer of every fixed
// fault, runs again in each sanitizer build without clang.
#include "FuzzTarget.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace meterix::fuzz {

namespace {
QString currentInput;
} // namespace

void checkFailed(const char* expression, const char* file, int line) {
    ADD_FAILURE_AT(file, line) << "check failed: " << expression << " on " << qPrintable(currentInput);
}

namespace {

const QString kCorpus = QStringLiteral(METERIX_FUZZ_CORPUS);

QStringList targetNames() {
    QStringList names;
    for (const Target& t : targets())
        names.append(QString::fromLatin1(t.name));
    names.sort();
    return names;
}

std::vector<std::string> targetParameters() {
    std::vector<std::string> names;
    for (const QString& name : targetNames())
        names.push_back(name.toStdString());
    return names;
}

class CorpusReplay : public ::testing::TestWithParam<std::string> {};

TEST_P(CorpusReplay, EveryInputKeepsItsChecks) {
    const QString name = QString::fromStdString(GetParam());
    const auto target = std::find_if(targets().begin(), targets().end(),
                                     [&](const Target& t) { return name == QLatin1String(t.name); });
    ASSERT_NE(target, targets().end());
    const QDir folder(kCorpus + QLatin1Char('/') + name);
    const QStringList files = folder.entryList(QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty()) << "no corpus for " << qPrintable(name);
    for (const QString& file : files) {
        QFile input(folder.filePath(file));
        ASSERT_TRUE(input.open(QIODevice::ReadOnly)) << qPrintable(file);
        const QByteArray bytes = input.readAll();
        currentInput = name + QLatin1Char('/') + file;
        target->function(reinterpret_cast<const uint8_t*>(bytes.constData()),
                         static_cast<size_t>(bytes.size()));
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, CorpusReplay, ::testing::ValuesIn(targetParameters()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

// A corpus folder without its target (a renamed target) would silently replay
// nothing.
TEST(CorpusFolders, EachBelongsToATarget) {
    const QStringList folders = QDir(kCorpus).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    EXPECT_EQ(folders, targetNames());
}

} // namespace
} // namespace meterix::fuzz
